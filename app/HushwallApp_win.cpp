#include "app/HushwallApp_win.h"

#include <commctrl.h>
#include <objbase.h>

#include "app/AppPaths.h"
#include "app/HushwallDlg_win.h"
#include "app/SplashDlg_win.h"
#include "programs/ProcessPlatform_win.h"
#include "schedule/ScheduleCheck.h"
#include "toolkit/Messages.h"
#include "ui/TidewellVisualManager_win.h"
#include "session/SessionRecord.h"

namespace {

void CALLBACK SplashTimerProc(HWND, UINT, UINT_PTR id, DWORD) {
    TheApp().CloseSplash();
    ::KillTimer(nullptr, id);
}

std::string ModulePath() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    path[MAX_PATH - 1] = '\0';
    return path;
}

}  // namespace

CHushwallApp::CHushwallApp() = default;
CHushwallApp::~CHushwallApp() = default;

CHushwallApp& TheApp() {
    return *static_cast<CHushwallApp*>(AfxGetApp());
}

bool CHushwallApp::InitInstance() {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_DATE_CLASSES};
    ::InitCommonControlsEx(&controls);
    CBCGPVisualManager::SetDefaultManager<CTidewellVisualManager>();
    ::LoadLibraryA("riched20.dll");  // the access key dialog uses rich edits
    ::OleInitialize(nullptr);

    exeFullPath = ModulePath();
    exeFolder = ExeFolderOf(exeFullPath);
    settings = std::make_unique<RegistrySettings>(kCompanyKey, AppNameOf(exeFullPath));
    isNTPlatform = QueryIsNTPlatform();

    if (IsAlreadyRunning()) {
        // A start for the schedule (the Run value, the service at a block) finds
        // the running one waiting for the same blocks: nothing to say.
        if (!HasScheduleSwitch(::GetCommandLineA()))
            ShowMessage(nullptr, "An instance of the application is already running.",
                        "Hushwall!", MB_OK);
        ::PostQuitMessage(0);
        return false;
    }

    m_splash = std::make_unique<SplashDlg>();
    if (m_splash->Create()) {
        ::ShowWindow(m_splash->GetSafeHwnd(), SW_SHOW);
        ::UpdateWindow(m_splash->GetSafeHwnd());
    }
    ::SetTimer(nullptr, 0, kSplashMs, SplashTimerProc);

    AppContext context;
    context.exeFullPath = exeFullPath;
    context.exeFolder = exeFolder;
    context.appName = AppNameOf(exeFullPath);
    context.settings = settings.get();
    CHushwallDlg dialog(context);
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    m_splash.reset();
    return false;
}

int CHushwallApp::ExitInstance() {
    ::OleUninitialize();
    return CWinApp::ExitInstance();
}

bool CHushwallApp::IsAlreadyRunning() const {
    return ::IsAlreadyRunning(TakeProcessSnapshot({exeFullPath}), exeFullPath);
}

void CHushwallApp::CloseSplash() {
    m_splash.reset();  // destroys the window
    // A stored session, or the wait for a block, keeps the main window hidden even if it was
    // shown after its start-up.
    HWND main = AfxGetMainHwnd();
    auto* dialog = static_cast<CHushwallDlg*>(m_pMainWnd);
    if (main && (!settings->GetString(kSessionSection, kSessionEntry).empty() ||
                 (dialog && dialog->tray().IconShown())))
        ::ShowWindow(main, SW_HIDE);
}
