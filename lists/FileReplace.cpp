#include "lists/FileReplace.h"

#include <cstdio>

bool WriteFileReplacing(const std::string& path, const std::string& data) {
    const std::string tmp = path + ".tmp";
    std::FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    ok = std::fflush(f) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    if (ok && ReplaceFileWith(tmp, path))
        return true;
    std::remove(tmp.c_str());
    return false;
}
