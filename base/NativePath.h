#pragma once
#include <string>

// Under WOW64 a 32-bit process that opens `<windows>\System32\...` is given
// the 32-bit twin from SysWOW64. A 64-bit process's image under System32 is
// the native file, which the alias `<windows>\Sysnative\...` reaches. Other
// paths are returned as they are.
std::string NativeSystemPath(const std::string& path, const std::string& windowsFolder);
