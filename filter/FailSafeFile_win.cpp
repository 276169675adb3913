#include <windows.h>
#include <sddl.h>
#include <shlobj.h>

#include "filter/ServiceParts_win.h"

namespace {

// Protected DACLs: SYSTEM and Administrators full control, users may read.
const wchar_t* const kFolderSddl = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FR;;;BU)";
const wchar_t* const kFileSddl = L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;FR;;;BU)";

struct Descriptor {
    explicit Descriptor(const wchar_t* sddl) {
        ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr);
        attributes.nLength = sizeof attributes;
        attributes.lpSecurityDescriptor = sd;
        attributes.bInheritHandle = FALSE;
    }
    ~Descriptor() { LocalFree(sd); }
    PSECURITY_DESCRIPTOR sd = nullptr;
    SECURITY_ATTRIBUTES attributes = {};
};

}  // namespace

FailSafeFile::FailSafeFile() {
    wchar_t common[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common) != S_OK)
        return;
    m_folder = std::wstring(common) + L"\\Hushwall";
    m_path = m_folder + L"\\failsafe";
}

std::optional<std::string> FailSafeFile::Read() {
    if (m_path.empty())
        return std::nullopt;
    HANDLE file = CreateFileW(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    char buffer[64];
    DWORD read = 0;
    const BOOL ok = ReadFile(file, buffer, sizeof buffer, &read, nullptr);
    CloseHandle(file);
    // An unreadable file is reported as text that does not decode.
    return ok ? std::string(buffer, read) : std::string();
}

// Written beside and moved over the old one, so a crash leaves either file whole;
// a new file takes the descriptor we give it, an existing one would keep its own.
bool FailSafeFile::Write(const std::string& text) {
    if (m_path.empty())
        return false;
    Descriptor folder(kFolderSddl);
    if (!CreateDirectoryW(m_folder.c_str(), &folder.attributes) && folder.sd)
        SetFileSecurityW(m_folder.c_str(), DACL_SECURITY_INFORMATION, folder.sd);
    const std::wstring temporary = m_path + L".new";
    DeleteFileW(temporary.c_str());
    Descriptor descriptor(kFileSddl);
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, &descriptor.attributes, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                    FlushFileBuffers(file);
    CloseHandle(file);
    if (!ok || written != text.size())
        return false;
    return MoveFileExW(temporary.c_str(), m_path.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void FailSafeFile::Erase() {
    if (!m_path.empty())
        DeleteFileW(m_path.c_str());
}
