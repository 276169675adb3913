#include "programs/ProgramRules.h"

#include <cctype>

#include "base/Text.h"

std::string RowLabel(const std::string& name) {
    return " " + name;
}

std::string NameFromLabel(const std::string& label) {
    size_t first = 0;
    while (first < label.size() && std::isspace(static_cast<unsigned char>(label[first])))
        ++first;
    return label.substr(first);
}

const char* RefuseNewProgram(const std::string& path,
                             const std::function<bool(const std::string&)>& exists,
                             const std::string& ownExePath,
                             const std::vector<std::string>& listedTargets) {
    if (path.empty())
        return kNoProgramMessage;
    if (!exists(path))
        return kMissingProgramMessage;
    if (!EndsWithNoCase(path, ".exe") && !EndsWithNoCase(path, ".com"))
        return kNotAProgramMessage;
    if (PathsEqualNoCase(path, ownExePath))
        return kOwnProgramMessage;
    for (const std::string& target : listedTargets)
        if (PathsEqualNoCase(target, path))
            return kListedProgramMessage;
    return nullptr;
}

std::string FileTitleOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = file.rfind('.');
    return dot == std::string::npos ? file : file.substr(0, dot);
}
