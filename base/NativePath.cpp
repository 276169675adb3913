#include "base/NativePath.h"

#include "base/Text.h"

std::string NativeSystemPath(const std::string& path, const std::string& windowsFolder) {
    std::string folder = windowsFolder;
    while (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    if (folder.empty())
        return path;
    const std::string system = folder + "\\System32\\";
    if (path.size() <= system.size() || !PathsEqualNoCase(path.substr(0, system.size()), system))
        return path;
    return folder + "\\Sysnative\\" + path.substr(system.size());
}
