#include "programs/ProcessMatch.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <unordered_set>

namespace {

int Fold(char c) {
    return std::tolower(static_cast<unsigned char>(c));
}

std::string Folded(const std::string& s) {
    std::string folded(s);
    for (char& c : folded)
        c = static_cast<char>(Fold(c));
    return folded;
}

// Folding each path once turns the paths-times-images comparisons into lookups.
bool RunsBlockedPath(const ProcessRecord& record, const std::unordered_set<std::string>& blocked) {
    for (const std::string& image : record.imagePaths)
        if (blocked.count(Folded(image)))
            return true;
    return false;
}

bool IsTaskManager(const ProcessRecord& record) {
    for (const std::string& image : record.imagePaths)
        if (EndsWithNoCase(image, "taskmgr.exe"))
            return true;
    return false;
}

}  // namespace

bool PathsEqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i]))
            return false;
    return true;
}

bool EndsWithNoCase(const std::string& path, const char* tail) {
    const size_t n = std::strlen(tail);
    if (path.size() < n)
        return false;
    const size_t start = path.size() - n;
    for (size_t i = 0; i < n; ++i)
        if (Fold(path[start + i]) != Fold(tail[i]))
            return false;
    return true;
}

std::vector<uint32_t> FindBlockedProcesses(const ProcessSnapshot& snapshot,
                                           const std::vector<std::string>& blockedPrograms) {
    std::vector<uint32_t> result;
    auto listed = [&result](uint32_t pid) {
        return std::find(result.begin(), result.end(), pid) != result.end();
    };
    if (!blockedPrograms.empty()) {
        std::unordered_set<std::string> blocked;
        for (const std::string& path : blockedPrograms)
            blocked.insert(Folded(path));
        for (const ProcessRecord& record : snapshot)
            if (RunsBlockedPath(record, blocked) && !listed(record.pid))
                result.push_back(record.pid);
    }

    // Only the first task manager per sweep; a second one is caught by the next.
    for (const ProcessRecord& record : snapshot) {
        if (!IsTaskManager(record))
            continue;
        if (!listed(record.pid))
            result.push_back(record.pid);
        break;
    }
    return result;
}
