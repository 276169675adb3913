#pragma once
#include <functional>
#include <string>

constexpr int kAccessKeyLength = 64;

// A key of 64 characters from 0-9 and A-Z, one draw of `next` per character
// (values as the C library's rand gives them, 0 to 32767).
std::string GenerateKey(const std::function<int()>& next);

// The typed text equals the key whole, letter case aside.
bool KeyMatches(const std::string& typed, const std::string& key);
