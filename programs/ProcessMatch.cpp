#include "programs/ProcessMatch.h"

#include <algorithm>
#include <iterator>
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

namespace {

// A process just started may not tell its image for a moment; one that never
// does is not asked every sweep.
constexpr unsigned kImageReads = 4;

bool Listed(const std::vector<uint32_t>& ids, uint32_t pid) {
    return std::find(ids.begin(), ids.end(), pid) != ids.end();
}

}  // namespace

BlockedProcessFinder::~BlockedProcessFinder() {
    Reset();
}

std::vector<uint32_t> BlockedProcessFinder::Find(const std::vector<std::string>& blockedPrograms,
                                                 const std::function<bool(uint32_t pid)>& only) {
    if (!ListProcesses(m_list, m_entries))
        return std::vector<uint32_t>();
    if (only)
        m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(),
                                       [&only](const ToolhelpApi::Entry& e) { return !only(e.pid); }),
                        m_entries.end());
    std::vector<uint32_t> result = FindBlockedProcesses(
        NamedSnapshotOf(m_entries, m_paths, blockedPrograms), blockedPrograms);

    // The blocked files as they are now, by size; a missing one has no copies.
    BlockedFiles blocked;
    for (const std::string& path : blockedPrograms) {
        std::pair<std::string, FileStamp> file(path, FileStamp());
        if (m_files.Stamp(path, file.second))
            blocked[file.second.size].push_back(std::move(file));
    }
    const bool anyBlocked = !blocked.empty();

    for (auto& seen : m_seen)
        seen.second.listed = false;
    for (const ToolhelpApi::Entry& entry : m_entries) {
        SeenMap::iterator it = m_seen.find(entry.pid);
        // Not held, the id may have passed to another process.
        if (it != m_seen.end() && it->second.name != entry.exeFile) {
            Forget(it);
            it = m_seen.end();
        }
        if (it == m_seen.end()) {
            if (!anyBlocked)
                continue;  // nothing to compare with: no process is looked at
            it = Learn(entry);
        }
        it->second.listed = true;
        if (anyBlocked && IsCopy(entry.pid, it->second, blocked) &&
            !Listed(result, entry.pid))
            result.push_back(entry.pid);
    }
    for (SeenMap::iterator it = m_seen.begin(); it != m_seen.end();) {
        SeenMap::iterator next = std::next(it);
        if (!it->second.listed)
            Forget(it);
        it = next;
    }
    return result;
}

void BlockedProcessFinder::Reset() {
    while (!m_seen.empty())
        Forget(m_seen.begin());
    m_digests.clear();
}

// A blocked file is read only once an image of its size turns up.
bool BlockedProcessFinder::IsCopy(uint32_t pid, Seen& seen, const BlockedFiles& blocked) {
    if (seen.images.empty() && seen.readsLeft > 0)
        ReadImages(pid, seen);
    for (const Image& image : seen.images) {
        const BlockedFiles::const_iterator same = blocked.find(image.stamp.size);
        if (!image.present || same == blocked.end())
            continue;
        const Sha256Digest* digest = DigestOf(image.path, image.stamp);
        if (!digest)
            continue;
        for (const auto& file : same->second) {
            const Sha256Digest* other = DigestOf(file.first, file.second);
            if (other && *other == *digest)
                return true;
        }
    }
    return false;
}

BlockedProcessFinder::SeenMap::iterator BlockedProcessFinder::Learn(
    const ToolhelpApi::Entry& entry) {
    Seen seen;
    seen.name = entry.exeFile;
    seen.held = m_paths.Hold(entry.pid);
    seen.readsLeft = seen.held ? kImageReads : 1;
    return m_seen.emplace(entry.pid, std::move(seen)).first;
}

// Read after the hold, so the images are those of the process held.
void BlockedProcessFinder::ReadImages(uint32_t pid, Seen& seen) {
    --seen.readsLeft;
    for (std::string& path : ReadImagePaths(m_paths, pid)) {
        Image image;
        image.path = std::move(path);
        image.present = m_files.Stamp(image.path, image.stamp);
        seen.images.push_back(std::move(image));
    }
}

const Sha256Digest* BlockedProcessFinder::DigestOf(const std::string& path,
                                                   const FileStamp& stamp) {
    KnownDigest& known = m_digests[FoldedCase(path)];
    if (!known.tried || !(known.stamp == stamp)) {
        known.tried = true;
        known.stamp = stamp;
        known.read = m_files.Digest(path, known.digest);
    }
    return known.read ? &known.digest : nullptr;
}

void BlockedProcessFinder::Forget(SeenMap::iterator it) {
    if (it->second.held)
        m_paths.Close(it->second.held);
    m_seen.erase(it);
}
