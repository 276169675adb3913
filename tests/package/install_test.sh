#!/usr/bin/env bash
# The setup and the uninstaller, for real, in the build's Wine session:
# silent install, the program's first start from the install folder, refusal to
# overwrite a running Hushwall, an upgrade that keeps the lists, refusal to
# uninstall or reinstall during a session, and the silent uninstall that keeps
# the lists.
# With --filter-service the setup holds the filter service, and its elevated
# install and removal are checked too; with --filter-running the service is one
# that runs under Wine (built over the recording engine), so it must be running.
# install_test.sh SETUP.exe BUILD-FOLDER [--filter-service|--filter-running]
set -uo pipefail

setup=$1 build=$2 filter=${3:-}
set -a
# shellcheck disable=SC1091
. "$build/wine-session.env"
set +a
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=d"
version=$(sed -n 's/.*Hushwall-\(.*\)-setup\.exe$/\1/p' <<<"$setup")

w() { timeout -k 5 120 "$WINELOADER" "$@"; }
unix() { w winepath -u "$1" | tr -d '\r'; }
regq() { w reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/.*$2[[:space:]]*REG_[A-Z_]*[[:space:]]*//p"; }
tool=$build/bin/windowtool.exe

fail=0
check() {  # check WHAT COMMAND...
    if "$@"; then echo "ok: $1 ${*:2}" | cut -c1-160; else echo "FAIL: $*"; fail=1; fi
}
exists() { [ -e "$1" ]; }
absent() { [ ! -e "$1" ]; }
equals() { [ "$1" = "$2" ]; }

uninst_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Hushwall'
session_key='HKCU\Software\Calderine\Hushwall\BlockingSectionInfo'
local_dir=$(w cmd /c echo %LOCALAPPDATA% | tr -d '\r')
dir_win="$local_dir\\Programs\\Hushwall"
dir=$(unix "$dir_win")
shortcut=$(unix "$(w cmd /c echo %APPDATA% | tr -d '\r')\\Microsoft\\Windows\\Start Menu\\Programs\\Hushwall.lnk")

filter_key='HKLM\SYSTEM\CurrentControlSet\Services\HushwallFilter'
filter_dir_win="$(w cmd /c echo %ProgramFiles% | tr -d '\r')\\Hushwall"
filter_dir=$(unix "$filter_dir_win")
service_state() { w sc query HushwallFilter | tr -d '\r' | sed -n 's/.*STATE *: *[0-9]* *\([A-Z_]*\).*/\1/p'; }
filter_installed() {  # the service runs our file and serves the installed program
    check exists "$filter_dir/HushwallFilter.exe"
    check equals "$(regq "$filter_key" ImagePath)" "\"$filter_dir_win\\HushwallFilter.exe\""
    check equals "$(regq "$filter_key\\Parameters" ClientPath)" "$dir_win\\Hushwall.exe"
    [ "$filter" != --filter-running ] || check equals "service $(service_state)" "service RUNNING"
}

# A clean start: nothing from an earlier run.
[ ! -e "$filter_dir/HushwallFilter.exe" ] || w "$filter_dir_win\\HushwallFilter.exe" --uninstall >/dev/null 2>&1
rm -rf "$dir" "$shortcut" "$filter_dir"
w reg delete "$uninst_key" /f >/dev/null 2>&1
w reg delete "$session_key" /f >/dev/null 2>&1
w reg delete "$filter_key" /f >/dev/null 2>&1

echo "== silent install"
w "$setup" /S
check equals "setup exit $?" "setup exit 0"
for f in Hushwall.exe Hushwall.chm Uninstall.exe; do check exists "$dir/$f"; done
check exists "$shortcut"
check equals "$(regq "$uninst_key" DisplayVersion)" "$version"
check equals "$(regq "$uninst_key" UninstallString)" "\"$dir_win\\Uninstall.exe\""
check equals "$(regq "$uninst_key" InstallLocation)" "$dir_win"
[ -z "$filter" ] || filter_installed

echo "== first start from the install folder saves the default lists there"
w "$dir_win\\Hushwall.exe" &
app=$!
w "$tool" close 'Hushwall!' 60000
check equals "close exit $?" "close exit 0"
wait $app
for f in default.apps default.webs default.profile; do check exists "$dir/$f"; done
lists_before=$(cd "$dir" && cat default.apps default.webs default.profile | md5sum)

echo "== the setup refuses to overwrite a running Hushwall"
w "$dir_win\\Hushwall.exe" &
app=$!
w "$tool" wait 'Hushwall!' 60000
w "$setup" /S
status=$?
w "$tool" close 'Hushwall!' 60000
wait $app
check equals "setup exit $status while running" "setup exit 2 while running"

echo "== an upgrade keeps the lists"
w "$setup" /S
check equals "setup exit $?" "setup exit 0"
check equals "$(cd "$dir" && cat default.apps default.webs default.profile | md5sum)" "$lists_before"

echo "== during a session the uninstaller and the setup refuse and change nothing"
while IFS='|' read -r record said; do
    w reg add "$session_key" /v BlockingEntryInfo /t REG_SZ /d "$record" /f >/dev/null
    # In place (_?=), so that its exit code is this process's.
    w "$dir_win\\Uninstall.exe" /S "_?=$dir_win"
    check equals "silent uninstall exit $? with record '$record'" "silent uninstall exit 2 with record '$record'"
    w "$dir_win\\Uninstall.exe" "_?=$dir_win" &
    box=$(w "$tool" boxtext 'Hushwall Uninstall' 30000 | tr -d '\r' | head -1)
    wait
    check equals "$box" "Hushwall is blocking $said."
    # Nor does the setup replace the program or the service then.
    w "$setup" /S
    check equals "setup exit $? with record '$record'" "setup exit 2 with record '$record'"
    for f in Hushwall.exe Hushwall.chm Uninstall.exe default.apps; do check exists "$dir/$f"; done
    check exists "$shortcut"
    check equals "$(regq "$uninst_key" DisplayVersion)" "$version"
done <<'EOT'
2030 1 2 3 4|until 2030-01-02 03:04
2031 12 31 23 59|until 2031-12-31 23:59
-|until its access key is typed (the system clock was changed during the session)
EOT
w reg delete "$session_key" /f >/dev/null 2>&1
# The upgrade replaced the service; the refused runs did not touch it.
[ -z "$filter" ] || filter_installed

echo "== silent uninstall removes the program and keeps the lists"
w "$dir_win\\Uninstall.exe" /S
check equals "uninstall exit $?" "uninstall exit 0"
# The uninstaller runs from a copy of itself; give it time to finish.
for _ in $(seq 1 300); do [ -e "$dir/Uninstall.exe" ] || break; sleep 0.2; done
for f in Hushwall.exe Hushwall.chm Uninstall.exe; do check absent "$dir/$f"; done
check absent "$shortcut"
check equals "uninstall key [$(regq "$uninst_key" DisplayName)]" "uninstall key []"
for f in default.apps default.webs default.profile; do check exists "$dir/$f"; done
if [ -n "$filter" ]; then
    check absent "$filter_dir/HushwallFilter.exe"
    check equals "service key [$(regq "$filter_key" ImagePath)]" "service key []"
fi

[ $fail -eq 0 ] && echo "install test passed"
exit $fail
