#pragma once
#include <array>
#include <cstdint>
#include <vector>

// The unicast addresses of every adapter (GetAdaptersAddresses), each once: IPv4 in
// network byte order, IPv6 as its 16 bytes. Apart, since the adapter headers declare
// their own Ipv6Address.
void AdapterAddresses(std::vector<uint32_t>& ipv4, std::vector<std::array<uint8_t, 16>>& ipv6);
