; Hushwall setup: a per-user install that needs no administrator rights, with an
; optional, elevated second step for the website filter service.
;
; makensis -DVERSION=x.y.z -DSTAGE=<folder with Hushwall.exe, Hushwall.chm,
;          32-bit\HushwallFilter.exe and 64-bit\HushwallFilter.exe> -DOUTFILE=<setup.exe> Hushwall.nsi

Unicode true
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include WinMessages.nsh
!include x64.nsh

!ifndef VERSION | STAGE | OUTFILE
  !error "define VERSION, STAGE and OUTFILE"
!endif

!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Hushwall"
!define SESSION_KEY "Software\Calderine\Hushwall\BlockingSectionInfo"
!define SETTINGS_KEY "Software\Calderine\Hushwall"
!define FILTER_SERVICE_KEY "SYSTEM\CurrentControlSet\Services\HushwallFilter"
!define SEE_MASK_NOCLOSEPROCESS 0x40
!define SEE_MASK_FLAG_NO_UI 0x400
!define /math SEE_FLAGS ${SEE_MASK_NOCLOSEPROCESS} | ${SEE_MASK_FLAG_NO_UI}

Name "Hushwall"
OutFile "${OUTFILE}"
; Hushwall keeps its lists beside itself, so it goes where the user can write.
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Hushwall"
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"
SetCompressor /SOLID lzma
BrandingText "Hushwall ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Hushwall"
VIAddVersionKey /LANG=1033 "CompanyName" "Calderine"
VIAddVersionKey /LANG=1033 "FileDescription" "Hushwall setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Calderine"

!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_SMALLDESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\Hushwall.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Hushwall"

!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Runs a program through the shell with a verb ("runas" asks for elevation),
; waits for it and leaves its exit code in $0, or "error" when it did not start
; (also when the user declines the elevation: no error box of the shell's own).
!macro ShellRunWait VERB FILE PARAMS
  System::Call '*(&i60)p.r9'
  System::Call '*$9(i 60, i ${SEE_FLAGS}, p $HWNDPARENT, t "${VERB}", t "${FILE}", t "${PARAMS}", p 0, i ${SW_SHOWNORMAL})'
  System::Call 'shell32::ShellExecuteExW(p r9) i.r8'  ; the setup is Unicode
  StrCpy $0 "error"
  ${If} $8 <> 0
    System::Call '*$9(i, i, p, p, p, p, p, i, p, p, p, p, p, p, p .r7)'
    System::Call 'kernel32::WaitForSingleObject(p r7, i -1)'
    System::Call 'kernel32::GetExitCodeProcess(p r7, *i .r0)'
    System::Call 'kernel32::CloseHandle(p r7)'
  ${EndIf}
  System::Free $9
!macroend

; A running Hushwall.exe cannot be opened for writing; say so rather than fail halfway.
!macro CheckNotRunning ABORT_LABEL MESSAGE
  ${If} ${FileExists} "$INSTDIR\Hushwall.exe"
    ClearErrors
    FileOpen $1 "$INSTDIR\Hushwall.exe" a
    ${If} ${Errors}
      MessageBox MB_OK|MB_ICONSTOP "${MESSAGE}" /SD IDOK
      Goto ${ABORT_LABEL}
    ${EndIf}
    FileClose $1
  ${EndIf}
!macroend
!define SETUP_RUNNING "Hushwall is running from $INSTDIR.$\r$\nClose Hushwall (after its session, if one runs) and run the setup again."

; Refuses while a session is stored: removing or replacing Hushwall, or its
; filter service, must not end a block.
; The record is "-" (until the key is typed) or "Y M D h m", the end in local time.
!macro RefuseDuringSession PREFIX WHAT_NOW
Function ${PREFIX}RefuseDuringSession
  ReadRegStr $R0 HKCU "${SESSION_KEY}" "BlockingEntryInfo"
  ${If} $R0 == ""
    Return
  ${EndIf}
  ${If} $R0 == "-"
    StrCpy $R9 "until its access key is typed (the system clock was changed during the session)"
  ${Else}
    ${WordFind} "$R0" " " "+1" $R1
    ${WordFind} "$R0" " " "+2" $R2
    ${WordFind} "$R0" " " "+3" $R3
    ${WordFind} "$R0" " " "+4" $R4
    ${WordFind} "$R0" " " "+5" $R5
    IntFmt $R2 "%02d" $R2
    IntFmt $R3 "%02d" $R3
    IntFmt $R4 "%02d" $R4
    IntFmt $R5 "%02d" $R5
    StrCpy $R9 "until $R1-$R2-$R3 $R4:$R5"
  ${EndIf}
  MessageBox MB_OK|MB_ICONSTOP "Hushwall is blocking $R9.$\r$\n${WHAT_NOW}" /SD IDOK
  SetErrorLevel 2
  Quit
FunctionEnd
!macroend
!insertmacro RefuseDuringSession "" "Nothing was installed. Run the setup again after the session has ended."
!insertmacro RefuseDuringSession "un." "Nothing was removed. Uninstall Hushwall after the session has ended."

Function DirectoryLeave
  !insertmacro CheckNotRunning stay "${SETUP_RUNNING}"
  Return
stay:
  Abort
FunctionEnd

Section "Hushwall" SecMain
  SectionIn RO
  !insertmacro CheckNotRunning running "${SETUP_RUNNING}"
  SetOutPath "$INSTDIR"
  ; Only the program's own files: the user's lists and profiles stay as they are.
  File "${STAGE}/Hushwall.exe"
  File "${STAGE}/Hushwall.chm"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Hushwall.lnk" "$INSTDIR\Hushwall.exe"

  WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "Hushwall"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "Calderine"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\Hushwall.exe"
  WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/M=Hushwall.* /S=0K /G=0" $0 $1 $2
  WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" "$0"
  Return
running:
  Abort "Hushwall is running."
SectionEnd

; The service needs administrator rights, the rest of the setup does not. Rather
; than run the whole setup elevated (which, with another administrator account,
; would install into that account's folders), this setup starts itself once more
; with "runas" for this one step.
Section "Website blocking and protection (needs administrator rights)" SecFilter
  DetailPrint "Installing the filter service for website blocking and protection (administrator rights)..."
  !insertmacro ShellRunWait "runas" "$EXEPATH" '/FILTER=$INSTDIR\Hushwall.exe'
  ${If} $0 != 0
    MessageBox MB_OK|MB_ICONEXCLAMATION "The website filter service was not installed or did not start (result $0).$\r$\nHushwall blocks programs only; its Websites page says why." /SD IDOK
  ${EndIf}
SectionEnd

; Removes the service from a folder, if it is there; an earlier setup may have
; put the 32-bit one under the 32-bit Program Files of a 64-bit Windows.
!macro RemoveFilterFrom DIR
  ${If} ${FileExists} "${DIR}\HushwallFilter.exe"
    ExecWait '"${DIR}\HushwallFilter.exe" --uninstall' $0
    Delete "${DIR}\HushwallFilter.exe"
    RMDir "${DIR}"
  ${EndIf}
!macroend

; The elevated step: put the service of the machine's own width under its
; Program Files (the x86-64 one on 64-bit Windows, so that it does not run
; under WOW64) and register it for the Hushwall.exe just installed.
Function InstallFilter
  ; A running service holds its file: an upgrade removes the old one first.
  !insertmacro RemoveFilterFrom "$PROGRAMFILES\Hushwall"
  ${If} ${RunningX64}
    !insertmacro RemoveFilterFrom "$PROGRAMFILES64\Hushwall"
    SetOutPath "$PROGRAMFILES64\Hushwall"
    File "${STAGE}/64-bit/HushwallFilter.exe"
    ExecWait '"$PROGRAMFILES64\Hushwall\HushwallFilter.exe" --install "$R1"' $0
  ${Else}
    SetOutPath "$PROGRAMFILES\Hushwall"
    File "${STAGE}/32-bit/HushwallFilter.exe"
    ExecWait '"$PROGRAMFILES\Hushwall\HushwallFilter.exe" --install "$R1"' $0
  ${EndIf}
  SetErrorLevel $0
FunctionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecMain} "Hushwall, its help and a Start-menu shortcut, for you alone."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecFilter} "Blocks the ticked websites during a session. Installs the Hushwall filter service for all users; Windows asks for administrator rights."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/FILTER=" $R1
  ${IfNot} ${Errors}
    Call InstallFilter
    Quit
  ${EndIf}
  Call RefuseDuringSession
FunctionEnd

; ---------------------------------------------------------------- uninstaller


Function un.onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/FILTERREMOVE" $R1
  ${IfNot} ${Errors}
    Call un.RefuseDuringSession
    StrCpy $0 0
    ${If} ${RunningX64}
      !insertmacro RemoveFilterFrom "$PROGRAMFILES64\Hushwall"
    ${EndIf}
    !insertmacro RemoveFilterFrom "$PROGRAMFILES\Hushwall"
    SetErrorLevel $0
    Quit
  ${EndIf}
  Call un.RefuseDuringSession
FunctionEnd

Section "un.Hushwall" UnSecMain
  SectionIn RO
  !insertmacro CheckNotRunning unRunning "Hushwall is running. Close it and uninstall again."
  ReadRegStr $0 HKLM "${FILTER_SERVICE_KEY}" "ImagePath"
  ${If} $0 != ""
    DetailPrint "Removing the website filter service (administrator rights)..."
    !insertmacro ShellRunWait "runas" "$EXEPATH" '/FILTERREMOVE _?=$INSTDIR'
  ${EndIf}
  Delete "$INSTDIR\Hushwall.exe"
  Delete "$INSTDIR\Hushwall.chm"
  Delete "$SMPROGRAMS\Hushwall.lnk"
  DeleteRegKey HKCU "${UNINST_KEY}"
  Delete "$INSTDIR\Uninstall.exe"
  ; Only when empty: the lists and profiles stay unless the user chose otherwise.
  RMDir "$INSTDIR"
  Return
unRunning:
  Abort "Hushwall is running."
SectionEnd

Section /o "un.Your lists and profiles" UnSecLists
  Delete "$INSTDIR\*.apps"
  Delete "$INSTDIR\*.webs"
  Delete "$INSTDIR\*.profile"
  Delete "$INSTDIR\default.log"
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  RMDir "$INSTDIR"
SectionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecMain} "Hushwall, its help, its shortcut and its uninstaller."
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecLists} "Also your lists, profiles and the session log in the Hushwall folder, and Hushwall's settings."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END
