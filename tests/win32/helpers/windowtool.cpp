// Drives a window of another program from a shell script, as the C++ tests do:
//   windowtool close CAPTION MS   ends the dialog with that caption (Cancel) and
//                                 waits for its process to end;
//   windowtool boxtext CAPTION MS prints the text of the message box with that
//                                 caption, then presses its OK;
//   windowtool wait CAPTION MS    only waits for the window.
// Exit code 0 on success, 1 when no such window appeared, 2 when it did not go.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static HWND WaitForWindow(const char* caption, DWORD ms) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        HWND window = ::FindWindowA(nullptr, caption);
        if (window && ::IsWindowVisible(window))
            return window;
        if (::GetTickCount() - start > ms)
            return nullptr;
        ::Sleep(50);
    }
}

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: windowtool close|boxtext|wait CAPTION MS\n");
        return 3;
    }
    const DWORD ms = static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10));
    HWND window = WaitForWindow(argv[2], ms);
    if (!window) {
        std::fprintf(stderr, "windowtool: no window \"%s\"\n", argv[2]);
        return 1;
    }
    if (std::strcmp(argv[1], "wait") == 0)
        return 0;
    if (std::strcmp(argv[1], "boxtext") == 0) {
        char text[1024] = "";
        HWND label = ::GetDlgItem(window, 0xFFFF);
        if (label)
            ::SendMessageA(label, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
        std::printf("%s\n", text);
        std::fflush(stdout);
        ::PostMessageA(window, WM_COMMAND, IDOK, 0);
        return label ? 0 : 2;
    }
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
    ::PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    const bool ended = process && ::WaitForSingleObject(process, ms) == WAIT_OBJECT_0;
    if (process)
        ::CloseHandle(process);
    return ended ? 0 : 2;
}
