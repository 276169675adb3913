#include "websites/AdapterAddresses_win.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <iphlpapi.h>

#include <algorithm>
#include <cstring>

void AdapterAddresses(std::vector<uint32_t>& ipv4, std::vector<std::array<uint8_t, 16>>& ipv6) {
    // The list can grow between the calls, so the size asked for is tried a few times.
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    const ULONG flags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.resize(size);
        result =
            ::GetAdaptersAddresses(AF_UNSPEC, flags, nullptr,
                                   reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (result != NO_ERROR)
        return;
    for (const IP_ADAPTER_ADDRESSES* adapter =
             reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data());
         adapter; adapter = adapter->Next) {
        for (const IP_ADAPTER_UNICAST_ADDRESS* a = adapter->FirstUnicastAddress; a; a = a->Next) {
            const sockaddr* address = a->Address.lpSockaddr;
            if (!address)
                continue;
            const size_t length = static_cast<size_t>(a->Address.iSockaddrLength);
            if (address->sa_family == AF_INET && length >= sizeof(sockaddr_in)) {
                const uint32_t v4 = reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr;
                if (std::find(ipv4.begin(), ipv4.end(), v4) == ipv4.end())
                    ipv4.push_back(v4);
            } else if (address->sa_family == AF_INET6 && length >= sizeof(sockaddr_in6)) {
                std::array<uint8_t, 16> v6;
                std::memcpy(v6.data(), &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr,
                            v6.size());
                if (std::find(ipv6.begin(), ipv6.end(), v6) == ipv6.end())
                    ipv6.push_back(v6);
            }
        }
    }
}
