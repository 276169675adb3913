#include "e2e/Driver.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>

#include <cstdio>
#include <vector>

namespace e2e {

namespace {

constexpr int kMessageBoxTextId = 0xFFFF;

struct Search {
    DWORD pid;
    std::function<bool(HWND)> match;
    HWND found;
};

BOOL CALLBACK Visit(HWND window, LPARAM lp) {
    Search* search = reinterpret_cast<Search*>(lp);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == search->pid && search->match(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindTop(DWORD pid, const std::function<bool(HWND)>& match) {
    Search search{pid, match, nullptr};
    ::EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string ClassOf(HWND window) {
    char name[256] = {};
    ::GetClassNameA(window, name, sizeof(name));
    return name;
}

}  // namespace

Program::~Program() {
    if (process)
        ::CloseHandle(process);
}

bool Program::WaitEnd(DWORD timeoutMs) const {
    return ::WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
}

DWORD Program::ExitCode() const {
    DWORD code = 0;
    ::GetExitCodeProcess(process, &code);
    return code;
}

void Program::Kill() {
    if (process && Running()) {
        ::TerminateProcess(process, 1);
        ::WaitForSingleObject(process, 5000);
    }
}

bool Start(const std::string& exe, Program& program, const std::string& arguments) {
    std::string folder = exe.substr(0, exe.rfind('\\') + 1);
    std::string command = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &startup, &info))
        return false;
    ::CloseHandle(info.hThread);
    program.process = info.hProcess;
    program.pid = info.dwProcessId;
    return true;
}

int RunTool(const std::wstring& exe, const std::wstring& args) {
    std::wstring command = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (::WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(pi.hProcess, &code);
    else
        ::TerminateProcess(pi.hProcess, 99);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

int RunTool(const std::string& exe, const std::string& args) {
    auto wide = [](const std::string& s) {
        std::wstring out(s.size() + 1, L'\0');
        const int n = ::MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, &out[0], static_cast<int>(out.size()));
        out.resize(n > 0 ? n - 1 : 0);
        return out;
    };
    return RunTool(wide(exe), wide(args));
}

std::string OwnFolder() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string full = path;
    return full.substr(0, full.rfind('\\') + 1);
}

std::string FreshFolder(const std::string& name) {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + name + "\\";
    // Empty it of what an earlier run left behind.
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((folder + "*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                ::DeleteFileA((folder + data.cFileName).c_str());
        } while (::FindNextFileA(find, &data));
        ::FindClose(find);
    }
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

HWND WaitFor(const std::function<HWND()>& found, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (HWND window = found())
            return window;
        if (::GetTickCount() - start >= timeoutMs)
            return nullptr;
        ::Sleep(20);
    }
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    HWND marker = reinterpret_cast<HWND>(1);
    return WaitFor([&] { return done() ? marker : nullptr; }, timeoutMs) != nullptr;
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start >= timeoutMs)
            return false;
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            HWND root = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
            if (!root || !::IsDialogMessageA(root, &msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
        }
        ::Sleep(5);
    }
    return true;
}

HWND FindWindowOf(DWORD pid, const char* caption, const char* className) {
    return FindTop(pid, [&](HWND window) {
        if (!::IsWindowVisible(window))
            return false;
        if (className && ClassOf(window) != className)
            return false;
        return !caption || Text(window) == caption;
    });
}

HWND FindMainWindow(DWORD pid) {
    HWND found = nullptr;
    while ((found = ::FindWindowExA(nullptr, found, "#32770", "Hushwall!")) != nullptr) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(found, &owner);
        if (owner == pid)
            return found;
    }
    return nullptr;
}

HWND FindCaptionless(DWORD pid) {
    return FindTop(pid, [](HWND window) {
        return ::IsWindowVisible(window) && ClassOf(window) == "#32770" &&
               !(::GetWindowLongA(window, GWL_STYLE) & WS_CAPTION);
    });
}

std::string Text(HWND window) {
    const LRESULT length = ::SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
    ::SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    return text.data();
}

void SetText(HWND window, const std::string& text) {
    ::SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Click(HWND button) {
    // What the button tells its dialog when clicked, posted: the click may open a
    // modal box, and a sent message would wait for it. (BM_CLICK needs the mouse
    // capture, which a window of another thread in front can keep from it.)
    ::PostMessageA(::GetParent(button), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(button), BN_CLICKED),
                   reinterpret_cast<LPARAM>(button));
}

bool WaitForMessageBox(DWORD pid, MessageBoxSeen& box, DWORD timeoutMs, const char* caption) {
    HWND window = WaitFor(
        [pid, caption] {
            return FindTop(pid, [caption](HWND w) {
                return ::IsWindowVisible(w) && ClassOf(w) == "#32770" &&
                       ::GetDlgItem(w, kMessageBoxTextId) != nullptr &&
                       (!caption || Text(w) == caption);
            });
        },
        timeoutMs);
    if (!window)
        return false;
    box.window = window;
    box.caption = Text(window);
    box.text = Text(::GetDlgItem(window, kMessageBoxTextId));
    return true;
}

void Dismiss(HWND box) {
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
}

}  // namespace e2e

namespace e2e {

namespace {
std::string StringValue(const std::string& key, const char* name) {
    char value[1024] = {};
    DWORD size = sizeof(value);
    if (::RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value,
                       &size) != ERROR_SUCCESS)
        return "<none>";
    return value;
}
std::string SessionKey(const char* appName) {
    return std::string("Software\\Calderine\\") + appName + "\\BlockingSectionInfo";
}
const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
}  // namespace

std::string RunValue(const char* name) {
    return StringValue(kRunKey, name);
}

std::string SessionRecord(const char* appName) {
    return StringValue(SessionKey(appName), "BlockingEntryInfo");
}

void StoreSessionRecord(const char* appName, const char* record) {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, SessionKey(appName).c_str(), 0, nullptr, 0,
                          KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    ::RegSetValueExA(key, "BlockingEntryInfo", 0, REG_SZ, reinterpret_cast<const BYTE*>(record),
                     static_cast<DWORD>(strlen(record) + 1));
    ::RegCloseKey(key);
}

void ForgetSession(const char* appName) {
    ::RegDeleteKeyA(HKEY_CURRENT_USER, SessionKey(appName).c_str());
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        ::RegDeleteValueA(key, appName);
        ::RegCloseKey(key);
    }
}

}  // namespace e2e

namespace e2e {

std::string SaveScreenshot(HWND window, const std::string& name) {
    RECT rect = {};
    if (!::GetWindowRect(window, &rect))
        return "";
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    // bin\..\screenshots
    std::string folder = OwnFolder() + "..\\screenshots\\";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    const std::string path = folder + name + ".bmp";

    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;  // bottom-up, as BMP files store rows
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    header.biSizeImage = stride * height;

    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header),
                                        DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = bitmap != nullptr;
    if (ok) {
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        ok = ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != 0;
        ::GdiFlush();
        ::SelectObject(memory, old);
    }
    if (ok) {
        BITMAPFILEHEADER file = {};
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof(file) + sizeof(header);
        file.bfSize = file.bfOffBits + header.biSizeImage;
        HANDLE out = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        ok = out != INVALID_HANDLE_VALUE &&
             ::WriteFile(out, &file, sizeof(file), &written, nullptr) &&
             ::WriteFile(out, &header, sizeof(header), &written, nullptr) &&
             ::WriteFile(out, bits, header.biSizeImage, &written, nullptr);
        if (out != INVALID_HANDLE_VALUE)
            ::CloseHandle(out);
    }
    if (bitmap)
        ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return ok ? path : "";
}

}  // namespace e2e

namespace e2e {

namespace {

// A block of memory in the process that owns `window`, freed with the object.
class RemoteBlock {
public:
    RemoteBlock(HWND window, size_t size) : m_size(size) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(window, &pid);
        m_process =
            ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (m_process)
            m_address = ::VirtualAllocEx(m_process, nullptr, size, MEM_COMMIT | MEM_RESERVE,
                                         PAGE_READWRITE);
    }
    ~RemoteBlock() {
        if (m_address)
            ::VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
        if (m_process)
            ::CloseHandle(m_process);
    }
    bool Write(const void* data, size_t size, size_t offset = 0) {
        SIZE_T done = 0;
        return m_address && ::WriteProcessMemory(m_process, static_cast<char*>(m_address) + offset,
                                                 data, size, &done);
    }
    bool Read(void* data, size_t size, size_t offset = 0) {
        SIZE_T done = 0;
        return m_address && ::ReadProcessMemory(m_process, static_cast<char*>(m_address) + offset,
                                                data, size, &done);
    }
    LPARAM At(size_t offset = 0) const {
        return reinterpret_cast<LPARAM>(static_cast<char*>(m_address) + offset);
    }

private:
    HANDLE m_process = nullptr;
    void* m_address = nullptr;
    size_t m_size;
};

struct ChildSearch {
    int id;
    HWND found;
};

BOOL CALLBACK VisitChild(HWND window, LPARAM lp) {
    auto* search = reinterpret_cast<ChildSearch*>(lp);
    if (::GetDlgCtrlID(window) == search->id) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

int ListRowCount(HWND list) {
    return static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

std::string ListRowText(HWND list, int row) {
    constexpr size_t kText = 512;
    RemoteBlock block(list, sizeof(LVITEMA) + kText);
    LVITEMA item = {};
    item.iSubItem = 0;
    item.pszText = reinterpret_cast<char*>(block.At(sizeof(LVITEMA)));
    item.cchTextMax = kText;
    if (!block.Write(&item, sizeof(item)))
        return "";
    ::SendMessageA(list, LVM_GETITEMTEXTA, row, block.At());
    char text[kText] = {};
    block.Read(text, kText - 1, sizeof(LVITEMA));
    return text;
}

bool ListRowChecked(HWND list, int row) {
    LRESULT state = ::SendMessageA(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK);
    return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

void SetListRowChecked(HWND list, int row, bool checked) {
    RemoteBlock block(list, sizeof(LVITEMA));
    LVITEMA item = {};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    if (block.Write(&item, sizeof(item)))
        ::SendMessageA(list, LVM_SETITEMSTATE, row, block.At());
}

HWND FindDescendant(HWND parent, int id) {
    ChildSearch search{id, nullptr};
    ::EnumChildWindows(parent, VisitChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string FailSafeText() {
    char text[64] = {};
    DWORD size = sizeof text;
    if (::RegGetValueA(HKEY_LOCAL_MACHINE,
                       "SYSTEM\\CurrentControlSet\\Services\\HushwallFilter\\Parameters",
                       "FailSafe", RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return "<none>";
    return text;
}

}  // namespace e2e

namespace e2e {

bool ChangeOneByte(const std::string& exe) {
    FILE* file = std::fopen(exe.c_str(), "r+b");
    if (!file)
        return false;
    uint32_t header = 0;
    bool ok = std::fseek(file, 0x3C, SEEK_SET) == 0 && std::fread(&header, 4, 1, file) == 1 &&
              std::fseek(file, static_cast<long>(header) + 8, SEEK_SET) == 0;
    const int byte = ok ? std::fgetc(file) : EOF;
    ok = byte != EOF && std::fseek(file, static_cast<long>(header) + 8, SEEK_SET) == 0 &&
         std::fputc(byte ^ 1, file) != EOF;
    return std::fclose(file) == 0 && ok;
}

std::vector<DWORD> ProcessesNamed(const char* name, const std::vector<DWORD>& except) {
    std::vector<DWORD> pids;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot, &entry); more; more = ::Process32Next(snapshot, &entry))
        if (::lstrcmpiA(entry.szExeFile, name) == 0 &&
            std::find(except.begin(), except.end(), entry.th32ProcessID) == except.end())
            pids.push_back(entry.th32ProcessID);
    ::CloseHandle(snapshot);
    return pids;
}

void EndProcess(DWORD pid) {
    if (HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
        ::TerminateProcess(process, 1);
        ::WaitForSingleObject(process, 5000);
        ::CloseHandle(process);
    }
}

HWND AskForKey(HWND main, DWORD pid, DWORD timeoutMs) {
    constexpr UINT kTrayCallback = 0x8000 + 1000;
    ::PostMessageA(main, kTrayCallback, 0, WM_LBUTTONUP);
    return WaitFor([&] { return FindWindowOf(pid, "Hushwall! - Enter 64-Letter String"); }, timeoutMs);
}

}  // namespace e2e
