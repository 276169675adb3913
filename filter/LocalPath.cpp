#include "filter/LocalPath.h"

namespace {

template <typename Char>
bool IsLetter(Char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

template <typename Char>
Char Upper(Char c) {
    return c >= 'a' && c <= 'z' ? static_cast<Char>(c - 32) : c;
}

// Windows maps these names to devices in any folder ("C:\x\CON.txt" is CON),
// ignoring an extension and trailing dots and spaces.
template <typename String>
bool IsDeviceName(const String& component) {
    String base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    std::string upper;
    for (auto c : base) {
        if (c > 0x7F)
            return false;
        upper += static_cast<char>(Upper(c));
    }
    static const char* const names[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* name : names)
        if (upper == name)
            return true;
    return upper.size() == 4 &&
           (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0) &&
           upper[3] >= '1' && upper[3] <= '9';
}

template <typename String>
bool IsLocal(const String& path) {
    if (path.size() < 4 || !IsLetter(path[0]) || path[1] != ':' || path[2] != '\\')
        return false;
    size_t start = 3;
    for (size_t i = 3; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '\\' && path[i] != '/') {
            // A colon past the drive names a stream; control characters no file.
            if (path[i] == ':' || path[i] == 0 || (path[i] > 0 && path[i] < 0x20))
                return false;
            continue;
        }
        if (i > start && IsDeviceName(path.substr(start, i - start)))
            return false;
        start = i + 1;
    }
    return true;
}

}  // namespace

bool IsLocalDrivePath(const std::string& path) {
    return IsLocal(path);
}

bool IsLocalDrivePath(const std::wstring& path) {
    return IsLocal(path);
}
