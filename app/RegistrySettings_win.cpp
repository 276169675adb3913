#include "app/RegistrySettings_win.h"

#include <windows.h>

#include <vector>

std::string RegistrySettings::GetString(const std::string& section, const std::string& entry,
                                        const std::string& fallback) {
    HKEY key = nullptr;
    const std::string path = SettingsKeyPath(m_company, m_appName, section);
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return fallback;

    std::string value = fallback;
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExA(key, entry.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        type == REG_SZ) {
        std::vector<char> buffer(size + 1, '\0');
        if (::RegQueryValueExA(key, entry.c_str(), nullptr, &type,
                               reinterpret_cast<BYTE*>(buffer.data()), &size) == ERROR_SUCCESS)
            value.assign(buffer.data());  // stops at the terminator, stored or not
    }
    ::RegCloseKey(key);
    return value;
}

bool RegistrySettings::WriteString(const std::string& section, const std::string& entry,
                                   const std::string& value) {
    HKEY key = nullptr;
    const std::string path = SettingsKeyPath(m_company, m_appName, section);
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                          &key, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG result = ::RegSetValueExA(key, entry.c_str(), 0, REG_SZ,
                                         reinterpret_cast<const BYTE*>(value.c_str()),
                                         static_cast<DWORD>(value.size() + 1));
    ::RegCloseKey(key);
    return result == ERROR_SUCCESS;
}
