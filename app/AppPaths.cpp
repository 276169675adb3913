#include "app/AppPaths.h"

#include "base/Text.h"

std::string ExeFolderOf(const std::string& exeFullPath) {
    const size_t slash = exeFullPath.rfind('\\');
    return slash == std::string::npos ? std::string() : exeFullPath.substr(0, slash + 1);
}

std::string AppNameOf(const std::string& exeFullPath) {
    const size_t slash = exeFullPath.rfind('\\');
    std::string name = slash == std::string::npos ? exeFullPath : exeFullPath.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

bool IsAlreadyRunning(const ProcessSnapshot& snapshot, const std::string& exeFullPath) {
    unsigned count = 0;
    for (const ProcessRecord& record : snapshot)
        for (const std::string& image : record.imagePaths)
            if (PathsEqualNoCase(image, exeFullPath) && ++count > 1)
                return true;
    return false;
}
