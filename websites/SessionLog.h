#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "hook/HookRule.h"

// Appends one session's record of the addresses about to be blocked (IPv4 in
// network byte order, then IPv6) to "default.log" in `exeFolder`, which ends
// with its separator. Silent when the file cannot be opened.
void WriteSessionLog(const std::string& exeFolder, const std::vector<uint32_t>& addresses,
                     const std::vector<Ipv6Address>& ipv6 = {});
