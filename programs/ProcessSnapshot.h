#pragma once
#include <cstdint>
#include <string>

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
    virtual void Close(Handle handle) = 0;
};

// The tool-help walk used on the other platform family.
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

ProcessSnapshot TakeNtSnapshot(NtProcessApi& api);
ProcessSnapshot TakeToolhelpSnapshot(ToolhelpApi& api);

// An executable image: its name ends in ".exe" or ".com", letters folded.
bool IsExecutableImage(const std::string& path);
