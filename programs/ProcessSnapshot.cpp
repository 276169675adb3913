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

// Appends the executable images among the modules; false when they cannot be listed.
bool ModuleImages(NtProcessApi& api, NtProcessApi::Handle process,
                  std::vector<NtProcessApi::Module>& modules, std::vector<std::string>& images) {
    if (!ListModules(api, process, modules))
        return false;
    for (NtProcessApi::Module module : modules) {
        std::string name = api.ModuleFileName(process, module);
        if (IsExecutableImage(name))
            images.push_back(std::move(name));
    }
    return true;
}

// The image path as the system reports it for the process; false when it gives none.
bool DirectImage(NtProcessApi& api, uint32_t pid, std::vector<std::string>& images) {
    std::string image = api.ImageFileName(pid);
    if (image.empty())
        return false;
    if (IsExecutableImage(image))
        images.push_back(std::move(image));
    return true;
}

std::string FileNameOf(const std::string& path) {
    const size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
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
        const bool listed = ModuleImages(api, process, modules, record.imagePaths);
        api.Close(process);
        // A 32-bit process cannot list a 64-bit one's modules; its image path
        // is still known to the system.
        if (!listed && !DirectImage(api, pid, record.imagePaths))
            continue;
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

ImageNameFilter::ImageNameFilter(const std::vector<std::string>& wantedPaths) {
    for (const std::string& path : wantedPaths) {
        const std::string name = FileNameOf(path);
        // A short 8.3 name may be listed under the long one, so any list that
        // holds one reads every path, as before.
        if (name.find('~') != std::string::npos)
            m_everyProcess = true;
        m_names.insert(FoldedCase(name));
    }
}

bool ImageNameFilter::NeedsFullPath(const std::string& imageFileName) const {
    const std::string name = FileNameOf(imageFileName);
    // A process listed without a name could be anything.
    return m_everyProcess || name.empty() || EndsWithNoCase(name, "taskmgr.exe") ||
           m_names.count(FoldedCase(name)) != 0;
}

bool ListProcesses(ToolhelpApi& list, std::vector<ToolhelpApi::Entry>& entries) {
    entries.clear();
    if (!list.Open())
        return false;
    ToolhelpApi::Entry entry;
    for (bool more = list.First(entry); more && entries.size() < kMaxSnapshotProcesses;
         more = list.Next(entry))
        entries.push_back(entry);
    list.Close();
    return true;
}

std::vector<std::string> ReadImagePaths(NtProcessApi& paths, uint32_t pid) {
    std::vector<std::string> images;
    if (!DirectImage(paths, pid, images)) {
        if (NtProcessApi::Handle process = paths.OpenForReading(pid)) {
            std::vector<NtProcessApi::Module> modules;
            ModuleImages(paths, process, modules, images);
            paths.Close(process);
        }
    }
    return images;
}

// Edges where the named snapshot can differ from TakeNtSnapshot, neither of which ends a
// different process in practice:
// - The system's image path names the main executable only, so a process that
//   loaded a blocked .exe as a module is no longer ended for it; the module
//   route is taken only where the system gives no image path.
// - The listed file name and the module path can differ in form (an 8.3 short
//   name against a long one); a list that holds a short name reads every path,
//   and a long blocked name never matched a short module path anyway.
ProcessSnapshot NamedSnapshotOf(const std::vector<ToolhelpApi::Entry>& entries,
                                NtProcessApi& paths, const std::vector<std::string>& wantedPaths) {
    const ImageNameFilter filter(wantedPaths);
    ProcessSnapshot snapshot;
    for (const ToolhelpApi::Entry& listed : entries) {
        ProcessRecord record;
        record.pid = listed.pid;
        if (filter.NeedsFullPath(listed.exeFile))
            record.imagePaths = ReadImagePaths(paths, listed.pid);
        snapshot.push_back(std::move(record));
    }
    return snapshot;
}

ProcessSnapshot TakeNamedSnapshot(ToolhelpApi& list, NtProcessApi& paths,
                                  const std::vector<std::string>& wantedPaths) {
    std::vector<ToolhelpApi::Entry> entries;
    if (!ListProcesses(list, entries))
        return ProcessSnapshot();
    return NamedSnapshotOf(entries, paths, wantedPaths);
}
