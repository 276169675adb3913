#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Appends one session's record of the addresses about to be blocked (network
// byte order) to "default.log" in `exeFolder`, which ends with its separator.
// Silent when the file cannot be opened.
void WriteSessionLog(const std::string& exeFolder, const std::vector<uint32_t>& addresses);
