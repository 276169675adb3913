#pragma once
#include <string>

// Letter-case folding as the program compares paths, keys and URLs: byte by
// byte in the C locale, never normalising anything else.
char FoldCase(char c);
std::string FoldedCase(const std::string& s);

// Whole-string comparison with letters folded.
bool PathsEqualNoCase(const std::string& a, const std::string& b);

// True when the path's last characters equal `tail`, letters folded.
bool EndsWithNoCase(const std::string& path, const char* tail);
