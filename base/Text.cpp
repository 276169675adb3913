#include "base/Text.h"

#include <cctype>
#include <cstring>

char FoldCase(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::string FoldedCase(const std::string& s) {
    std::string folded(s);
    for (char& c : folded)
        c = FoldCase(c);
    return folded;
}

bool PathsEqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return false;
    return true;
}

bool EndsWithNoCase(const std::string& path, const char* tail) {
    const size_t n = std::strlen(tail);
    if (path.size() < n)
        return false;
    const size_t start = path.size() - n;
    for (size_t i = 0; i < n; ++i)
        if (FoldCase(path[start + i]) != FoldCase(tail[i]))
            return false;
    return true;
}
