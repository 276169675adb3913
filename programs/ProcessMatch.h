#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/FileFacts.h"
#include "programs/ProcessRecord.h"
#include "programs/ProcessSnapshot.h"

// The processes a sweep ends: first those running a blocked path, in snapshot
// order, then at most one task manager. No id appears twice.
std::vector<uint32_t> FindBlockedProcesses(const ProcessSnapshot& snapshot,
                                           const std::vector<std::string>& blockedPrograms);

// What a sweep ends, wherever it runs: FindBlockedProcesses over the named
// snapshot, then, in listing order, every other process whose image file is a
// byte-for-byte copy of a blocked program's file under any name or folder. Sizes
// are compared first, digests only when a size matches. Between sweeps it keeps
// each process's image (a running image cannot change; the process is held so
// that its id names no other) and each file's digest by path, size and
// last-write time, so that a file is read once.
class BlockedProcessFinder {
public:
    BlockedProcessFinder(ToolhelpApi& list, NtProcessApi& paths, FileFacts& files)
        : m_list(list), m_paths(paths), m_files(files) {}
    ~BlockedProcessFinder();
    BlockedProcessFinder(const BlockedProcessFinder&) = delete;
    BlockedProcessFinder& operator=(const BlockedProcessFinder&) = delete;

    // With `only`, processes it refuses are not looked at (the service keeps to one
    // user's session, so that another session's task manager takes no turn).
    std::vector<uint32_t> Find(const std::vector<std::string>& blockedPrograms,
                               const std::function<bool(uint32_t pid)>& only = nullptr);
    // Lets the processes go and forgets the digests: for when no sweep follows soon.
    void Reset();

private:
    struct Image {
        std::string path;
        FileStamp stamp;
        bool present = false;
    };
    struct Seen {
        std::string name;  // as listed
        NtProcessApi::Handle held = nullptr;
        std::vector<Image> images;
        unsigned readsLeft = 0;  // while the images are unknown
        bool listed = false;     // in this sweep's listing
    };
    struct KnownDigest {
        FileStamp stamp;
        bool tried = false;
        bool read = false;
        Sha256Digest digest{};
    };
    using SeenMap = std::unordered_map<uint32_t, Seen>;
    // By size: each blocked path and its stamp.
    using BlockedFiles =
        std::unordered_map<uint64_t, std::vector<std::pair<std::string, FileStamp>>>;

    SeenMap::iterator Learn(const ToolhelpApi::Entry& entry);
    bool IsCopy(uint32_t pid, Seen& seen, const BlockedFiles& blocked);
    void ReadImages(uint32_t pid, Seen& seen);
    const Sha256Digest* DigestOf(const std::string& path, const FileStamp& stamp);
    void Forget(SeenMap::iterator it);

    ToolhelpApi& m_list;
    NtProcessApi& m_paths;
    FileFacts& m_files;
    SeenMap m_seen;                                          // by process id
    std::unordered_map<std::string, KnownDigest> m_digests;  // by path, letters folded
    std::vector<ToolhelpApi::Entry> m_entries;
};
