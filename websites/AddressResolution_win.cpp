// gethostbyname is what the rules need: IPv4 only, one call per name.
#define _WINSOCK_DEPRECATED_NO_WARNINGS
#include "websites/AddressResolution_win.h"

#include <winsock2.h>
#include <windows.h>
#include <wininet.h>

bool WinsockResolver::Start() {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

void WinsockResolver::Cleanup() {
    ::WSACleanup();
}

std::vector<uint32_t> WinsockResolver::Lookup(const std::string& name) {
    std::vector<uint32_t> addresses;
    const hostent* answer = ::gethostbyname(name.c_str());
    if (!answer || !answer->h_addr_list)
        return addresses;
    const size_t length = answer->h_length > 0 ? static_cast<size_t>(answer->h_length) : 0;
    for (char** address = answer->h_addr_list; *address; ++address)
        addresses.push_back(AddressFromBytes(reinterpret_cast<const uint8_t*>(*address), length));
    return addresses;
}

bool WinInetUrlCracker::CrackHost(const std::string& url, std::string& host) {
    // Canonicalising may escape characters, so the text can grow; the call says by how much.
    std::vector<char> canonical(url.size() + INTERNET_MAX_URL_LENGTH);
    DWORD size = static_cast<DWORD>(canonical.size());
    if (!::InternetCanonicalizeUrlA(url.c_str(), canonical.data(), &size, ICU_BROWSER_MODE)) {
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return false;
        canonical.resize(size + 1);
        size = static_cast<DWORD>(canonical.size());
        if (!::InternetCanonicalizeUrlA(url.c_str(), canonical.data(), &size, ICU_BROWSER_MODE))
            return false;
    }
    // A null pointer with a non-zero length asks for a pointer into the text itself, so no
    // host is too long for a buffer of ours.
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = 1;
    if (!::InternetCrackUrlA(canonical.data(), 0, 0, &parts))
        return false;
    host.assign(parts.lpszHostName ? parts.lpszHostName : "", parts.dwHostNameLength);
    return true;
}

std::vector<uint32_t> CollectWebsiteAddresses(const EntryList& websites) {
    WinsockResolver resolver;
    WinInetUrlCracker cracker;
    return CollectWebsiteAddresses(websites, resolver, cracker);
}
