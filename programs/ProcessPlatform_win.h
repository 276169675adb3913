#pragma once
#include <functional>

#include "base/FileFacts_win.h"
#include "programs/ProcessMatch.h"
#include "programs/ProcessSnapshot.h"
#include "programs/ProcessWatcher.h"

// Set at start-up: the platform reports the NT family. Selects how processes are listed.
extern bool isNTPlatform;

// Asks the platform which family it belongs to.
bool QueryIsNTPlatform();

// The running processes, listed the way the platform family allows. On the NT
// family only the processes that may run one of `wantedPaths` or the task
// manager get their image paths.
ProcessSnapshot TakeProcessSnapshot(const std::vector<std::string>& wantedPaths);

// The tool-help walk of the processes.
class Win32ToolhelpApi : public ToolhelpApi {
public:
    bool Open() override;
    bool First(Entry& entry) override;
    bool Next(Entry& entry) override;
    void Close() override;

private:
    static bool Read(bool ok, const void* data, Entry& entry);
    void* m_snapshot = reinterpret_cast<void*>(-1);  // INVALID_HANDLE_VALUE
};

// The platform's process-status calls.
class Win32NtProcessApi : public NtProcessApi {
public:
    bool EnumProcesses(uint32_t* ids, uint32_t bytes, uint32_t* written) override;
    Handle OpenForReading(uint32_t pid) override;
    bool EnumModules(Handle process, Module* modules, uint32_t bytes, uint32_t* needed) override;
    std::string ModuleFileName(Handle process, Module module) override;
    std::string ImageFileName(uint32_t pid) override;
    Handle Hold(uint32_t pid) override;
    void Close(Handle handle) override;
};

// Lists and ends the system's processes. On the NT family a sweep also ends
// copies of the blocked programs.
class SystemProcesses : public ProcessControl {
public:
    SystemProcesses() = default;
    // Reads the files through `files` (the service reads them as the session's user).
    explicit SystemProcesses(FileFacts& files) : m_facts(&files) {}

    ProcessSnapshot TakeSnapshot(const std::vector<std::string>& wantedPaths) override {
        return TakeProcessSnapshot(wantedPaths);
    }
    std::vector<uint32_t> FindBlocked(const std::vector<std::string>& blockedPrograms) override;
    // The same, looking only at the processes `only` accepts (the NT family's finder).
    std::vector<uint32_t> FindBlockedAmong(const std::vector<std::string>& blockedPrograms,
                                           const std::function<bool(uint32_t pid)>& only) {
        return m_finder.Find(blockedPrograms, only);
    }
    void Release() override { m_finder.Reset(); }
    bool EndProcess(uint32_t pid) override;

private:
    Win32ToolhelpApi m_list;
    Win32NtProcessApi m_paths;
    Win32FileFacts m_files;
    FileFacts* m_facts = &m_files;
    BlockedProcessFinder m_finder{m_list, m_paths, *m_facts};  // after what it uses
};
