#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Drives Hushwall.exe from another process, the way a user would.
namespace e2e {

struct Program {
    HANDLE process = nullptr;
    DWORD pid = 0;
    ~Program();
    bool Running() const { return !WaitEnd(0); }
    // True once the process has ended, waiting up to `timeoutMs`.
    bool WaitEnd(DWORD timeoutMs) const;
    DWORD ExitCode() const;
    void Kill();
};

// Starts `exe` with its own folder as the working folder, and `arguments` after its path.
bool Start(const std::string& exe, Program& program, const std::string& arguments = "");

// Runs `exe args` to its end and returns its exit code, or -1 when it cannot
// start; one still running after two minutes is ended with 99.
int RunTool(const std::wstring& exe, const std::wstring& args);
int RunTool(const std::string& exe, const std::string& args);

// The folder of the running test executable, with a trailing backslash.
std::string OwnFolder();
// A fresh, empty folder under the temporary folder.
std::string FreshFolder(const std::string& name);
// Changes one byte of a program's header (its link time stamp): a file of the
// same size that is no copy of the old one and still runs.
bool ChangeOneByte(const std::string& exe);

// Polls every 20 ms until `found` returns a window or the time is up.
HWND WaitFor(const std::function<HWND()>& found, DWORD timeoutMs);
// Polls until `done` holds or the time is up.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs);

// Runs this thread's messages (and so its timers, with dialog keys) until
// `done` holds or the time is up; false on time-out.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
inline void Pump(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

// A visible top-level window of the process with the given caption (any caption when null).
HWND FindWindowOf(DWORD pid, const char* caption, const char* className = nullptr);
// A top-level dialog of the process without a title bar.
HWND FindCaptionless(DWORD pid);
// The process's main window, shown or not.
HWND FindMainWindow(DWORD pid);

std::string Text(HWND window);  // WM_GETTEXT, which works across processes
void SetText(HWND window, const std::string& text);
// Presses a button without waiting for what the press does.
void Click(HWND button);

// The data of the current user's Run value `name`, or "<none>".
std::string RunValue(const char* name);
// The stored session record of application `appName`, or "<none>".
std::string SessionRecord(const char* appName);
// The filter service's fail-safe count in its key, or "<none>".
std::string FailSafeText();
void StoreSessionRecord(const char* appName, const char* record);
// Removes the record's key and the Run value.
void ForgetSession(const char* appName);

// Processes running a file of this name, other than those of `except`.
std::vector<DWORD> ProcessesNamed(const char* name, const std::vector<DWORD>& except = {});
void EndProcess(DWORD pid);

// Clicks Hushwall's notification icon (the callback its `main` window gets) and
// waits for the access key dialog of process `pid`; null when none came.
HWND AskForKey(HWND main, DWORD pid, DWORD timeoutMs = 10000);

// List views of another process, reached through memory lent in that process.
int ListRowCount(HWND list);
std::string ListRowText(HWND list, int row);
bool ListRowChecked(HWND list, int row);
void SetListRowChecked(HWND list, int row, bool checked);
// The first child of `parent` (at any depth) with the given control id.
HWND FindDescendant(HWND parent, int id);

// Saves what the screen shows of `window` as a BMP file in the build folder's
// "screenshots" folder; returns the file's path, or "" when it could not be written.
std::string SaveScreenshot(HWND window, const std::string& name);

struct MessageBoxSeen {
    HWND window = nullptr;
    std::string caption;
    std::string text;
};
// A message box of the process: a dialog whose static 0xFFFF holds the text.
// With `caption`, only a box of that caption counts (the blocked-program notice
// looks like a box too).
bool WaitForMessageBox(DWORD pid, MessageBoxSeen& box, DWORD timeoutMs,
                       const char* caption = nullptr);
// Presses the box's OK button.
void Dismiss(HWND box);

}  // namespace e2e
