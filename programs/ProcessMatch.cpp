#include "programs/ProcessMatch.h"

#include <algorithm>
#include <unordered_set>

#include "base/Text.h"

namespace {

// Folding each path once turns the paths-times-images comparisons into lookups.
bool RunsBlockedPath(const ProcessRecord& record, const std::unordered_set<std::string>& blocked) {
    for (const std::string& image : record.imagePaths)
        if (blocked.count(FoldedCase(image)))
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

std::vector<uint32_t> FindBlockedProcesses(const ProcessSnapshot& snapshot,
                                           const std::vector<std::string>& blockedPrograms) {
    std::vector<uint32_t> result;
    auto listed = [&result](uint32_t pid) {
        return std::find(result.begin(), result.end(), pid) != result.end();
    };
    if (!blockedPrograms.empty()) {
        std::unordered_set<std::string> blocked;
        for (const std::string& path : blockedPrograms)
            blocked.insert(FoldedCase(path));
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
