#include <windows.h>

#include "filter/ServiceParts_win.h"

// In the service's own key, which only SYSTEM and Administrators may change:
// a folder under ProgramData could be made first by any user, who could then
// fill it with garbage (the fail-safe fires at once) or point it elsewhere.
std::optional<std::string> FailSafeKey::Read() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kFilterParametersKey, 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return std::nullopt;
    wchar_t text[64] = {};
    DWORD size = sizeof text - sizeof(wchar_t);
    DWORD type = 0;
    const LONG result = RegQueryValueExW(key, kFilterFailSafeValue, nullptr, &type,
                                         reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    if (result == ERROR_FILE_NOT_FOUND)
        return std::nullopt;
    if (result != ERROR_SUCCESS || type != REG_SZ)
        return std::string();  // reported as text that does not decode
    std::string narrow;
    for (size_t i = 0; i < size / sizeof(wchar_t) && text[i]; ++i)
        narrow.push_back(text[i] < 0x80 ? static_cast<char>(text[i]) : '?');
    return narrow;
}

bool FailSafeKey::Write(const std::string& text) {
    const std::wstring wide(text.begin(), text.end());
    return RegSetKeyValueW(HKEY_LOCAL_MACHINE, kFilterParametersKey, kFilterFailSafeValue, REG_SZ,
                           wide.c_str(), static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))) ==
           ERROR_SUCCESS;
}

void FailSafeKey::Erase() {
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kFilterParametersKey, kFilterFailSafeValue);
}
