#include "programs/ProcessSnapshot.h"

#include <algorithm>
#include <vector>

#include "base/Text.h"

bool IsExecutableImage(const std::string& path) {
    return EndsWithNoCase(path, ".exe") || EndsWithNoCase(path, ".com");
}

namespace {

// False when the modules cannot be listed; grows the buffer to what the system asks for.
bool ListModules(NtProcessApi& api, NtProcessApi::Handle process,
                 std::vector<NtProcessApi::Module>& modules) {
    modules.assign(kMaxSnapshotProcesses, nullptr);
    for (;;) {
        const uint32_t bytes = static_cast<uint32_t>(modules.size() * sizeof(NtProcessApi::Module));
        uint32_t needed = 0;
        if (!api.EnumModules(process, modules.data(), bytes, &needed))
            return false;
        if (needed <= bytes) {
            modules.resize(needed / sizeof(NtProcessApi::Module));
            return true;
        }
        modules.assign(needed / sizeof(NtProcessApi::Module) + 1, nullptr);
    }
}

}  // namespace

ProcessSnapshot TakeNtSnapshot(NtProcessApi& api) {
    ProcessSnapshot snapshot;
    std::vector<uint32_t> ids(kMaxSnapshotProcesses);
    uint32_t written = 0;
    if (!api.EnumProcesses(ids.data(), static_cast<uint32_t>(ids.size() * sizeof(uint32_t)),
                           &written))
        return snapshot;
    ids.resize(std::min<size_t>(written / sizeof(uint32_t), kMaxSnapshotProcesses));

    std::vector<NtProcessApi::Module> modules;
    for (uint32_t pid : ids) {
        NtProcessApi::Handle process = api.OpenForReading(pid);
        if (!process)
            continue;
        ProcessRecord record;
        record.pid = pid;
        if (ListModules(api, process, modules)) {
            for (NtProcessApi::Module module : modules) {
                std::string name = api.ModuleFileName(process, module);
                if (IsExecutableImage(name))
                    record.imagePaths.push_back(std::move(name));
            }
        } else {
            // A 32-bit process cannot list a 64-bit one's modules; its image
            // path is still known to the system.
            std::string image = api.ImageFileName(pid);
            if (image.empty()) {
                api.Close(process);
                continue;
            }
            if (IsExecutableImage(image))
                record.imagePaths.push_back(std::move(image));
        }
        api.Close(process);
        snapshot.push_back(std::move(record));
    }
    return snapshot;
}

ProcessSnapshot TakeToolhelpSnapshot(ToolhelpApi& api) {
    ProcessSnapshot snapshot;
    if (!api.Open())
        return snapshot;
    ToolhelpApi::Entry entry;
    for (bool more = api.First(entry); more; more = api.Next(entry)) {
        ProcessRecord record;
        record.pid = entry.pid;
        record.imagePaths.push_back(entry.exeFile);
        snapshot.push_back(std::move(record));
    }
    api.Close();
    return snapshot;
}
