#pragma once
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "programs/ProcessRecord.h"

// The process-status calls that the NT listing needs, as thin as the platform's.
class NtProcessApi {
public:
    using Handle = void*;
    using Module = void*;
    virtual ~NtProcessApi() = default;

    // Fills `ids` (room for `bytes`); false on failure. `written` is in bytes.
    virtual bool EnumProcesses(uint32_t* ids, uint32_t bytes, uint32_t* written) = 0;
    // Opened for reading its modules; null when access is refused.
    virtual Handle OpenForReading(uint32_t pid) = 0;
    // `needed` is in bytes and may exceed `bytes`; false on failure.
    virtual bool EnumModules(Handle process, Module* modules, uint32_t bytes, uint32_t* needed) = 0;
    // Full path of one module, truncated to 259 characters; empty on failure.
    virtual std::string ModuleFileName(Handle process, Module module) = 0;
    // The image path asked of the system directly (limited query right); empty on failure.
    virtual std::string ImageFileName(uint32_t pid) = 0;
    // Opened only to be held: while held, the id cannot name another process. Null on failure.
    virtual Handle Hold(uint32_t pid) = 0;
    virtual void Close(Handle handle) = 0;
};

// The system-wide process list: ids and image file names in one call (the
// tool-help walk). On the NT family the names carry no folder; on the other
// family they are the full paths.
class ToolhelpApi {
public:
    struct Entry {
        uint32_t pid = 0;
        std::string exeFile;
    };
    virtual ~ToolhelpApi() = default;
    virtual bool Open() = 0;  // takes the snapshot
    virtual bool First(Entry& entry) = 0;
    virtual bool Next(Entry& entry) = 0;
    virtual void Close() = 0;
};

// At most this many process ids and, at first, module handles are examined.
constexpr uint32_t kMaxSnapshotProcesses = 1024;

// Every process opened and its modules read: what the sweep did before it
// listed names first. Kept as the reference the cheaper listing is held to.
ProcessSnapshot TakeNtSnapshot(NtProcessApi& api);
ProcessSnapshot TakeToolhelpSnapshot(ToolhelpApi& api);

// The image file names whose full path a snapshot must read to decide about
// `wantedPaths`: the file names of those paths, and the task manager's tail.
class ImageNameFilter {
public:
    explicit ImageNameFilter(const std::vector<std::string>& wantedPaths);
    bool NeedsFullPath(const std::string& imageFileName) const;

private:
    std::unordered_set<std::string> m_names;  // letters folded
    bool m_everyProcess = false;
};

// One listing of the processes; the full image paths are read only of those the
// filter names, so every other record has no paths. For deciding about
// `wantedPaths` (and the task manager) it gives what TakeNtSnapshot gives.
ProcessSnapshot TakeNamedSnapshot(ToolhelpApi& list, NtProcessApi& paths,
                                  const std::vector<std::string>& wantedPaths);

// The listing's entries, at most kMaxSnapshotProcesses; false when it cannot be taken.
bool ListProcesses(ToolhelpApi& list, std::vector<ToolhelpApi::Entry>& entries);

// TakeNamedSnapshot over entries already listed.
ProcessSnapshot NamedSnapshotOf(const std::vector<ToolhelpApi::Entry>& entries,
                                NtProcessApi& paths, const std::vector<std::string>& wantedPaths);

// One process's executable images as TakeNamedSnapshot reads them: the system's
// image path, or its modules where the system gives none.
std::vector<std::string> ReadImagePaths(NtProcessApi& paths, uint32_t pid);

// An executable image: its name ends in ".exe" or ".com", letters folded.
bool IsExecutableImage(const std::string& path);
