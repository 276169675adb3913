#pragma once
#include <cstdint>
#include <vector>

#include "hook/HookRule.h"

// The addresses one session blocks, each family in the order first found,
// each address once. IPv4 addresses in network byte order, as the resolver
// hands them out.
struct AddressList {
    std::vector<uint32_t> ipv4;
    std::vector<Ipv6Address> ipv6;
    bool empty() const { return ipv4.empty() && ipv6.empty(); }
};
