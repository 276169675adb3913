// gethostbyname is what the rules need: IPv4 only, one call per name.
#define _WINSOCK_DEPRECATED_NO_WARNINGS
#include "websites/AddressResolution_win.h"
#include "websites/AdapterAddresses_win.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <wininet.h>

#include <cstring>
#include <functional>
#include <memory>

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

std::vector<Ipv6Address> WinsockResolver::Lookup6(const std::string& name) {
    std::vector<Ipv6Address> addresses;
    ADDRINFOA* answers = nullptr;
    ADDRINFOA hints = {};
    hints.ai_family = AF_INET6;
    // One socket type, or each address would come once per type.
    hints.ai_socktype = SOCK_STREAM;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &answers) != 0)
        return addresses;
    for (const ADDRINFOA* a = answers; a; a = a->ai_next) {
        if (a->ai_family != AF_INET6 || !a->ai_addr || a->ai_addrlen < sizeof(sockaddr_in6))
            continue;
        Ipv6Address address;
        std::memcpy(address.data(), &reinterpret_cast<const sockaddr_in6*>(a->ai_addr)->sin6_addr,
                    address.size());
        addresses.push_back(address);
    }
    ::freeaddrinfo(answers);
    return addresses;
}

AddressList WinsockResolver::LocalAddresses() {
    AddressList own;
    std::vector<std::array<uint8_t, 16>> ipv6;
    AdapterAddresses(own.ipv4, ipv6);
    for (const std::array<uint8_t, 16>& address : ipv6)
        AddAddressOnce(address, own.ipv6);
    return own;
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

AddressList CollectWebsiteAddresses(const EntryList& websites) {
    WinsockResolver resolver;
    WinInetUrlCracker cracker;
    return CollectWebsiteAddresses(websites, resolver, cracker);
}

namespace {

DWORD WINAPI RunLookupTask(LPVOID parameter) {
    std::unique_ptr<std::function<void()>> task(static_cast<std::function<void()>*>(parameter));
    (*task)();
    return 0;
}

bool StartSmallStackThread(std::function<void()> task) {
    // A lookup needs little stack; the default reservation would run out of
    // address space long before 400 threads.
    constexpr SIZE_T kStackReservation = 256 * 1024;
    auto owned = std::make_unique<std::function<void()>>(std::move(task));
    HANDLE thread = ::CreateThread(nullptr, kStackReservation, RunLookupTask, owned.get(),
                                   STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (!thread)
        return false;
    owned.release();
    ::CloseHandle(thread);
    return true;
}

}  // namespace

LookupLimits WinsockLookupLimits() {
    LookupLimits limits;
    limits.threads = 400;
    limits.startThread = StartSmallStackThread;
    return limits;
}
