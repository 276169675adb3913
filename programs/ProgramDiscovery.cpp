#include "programs/ProgramDiscovery.h"

#include <algorithm>
#include <cctype>

#include "base/Text.h"
#include "programs/ProcessSnapshot.h"

namespace {

bool IsSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

void TrimTrailingSpace(std::string& s) {
    while (!s.empty() && IsSpace(s.back()))
        s.pop_back();
}

bool IsDotEntry(const std::string& name) {
    return name == "." || name == "..";
}

}  // namespace

std::string NormaliseFolder(const std::string& folder) {
    const char separator = folder.find('\\') != std::string::npos ? '\\' : '/';
    std::string s = folder;
    TrimTrailingSpace(s);
    while (!s.empty() && s.back() == separator) {
        s.pop_back();
        TrimTrailingSpace(s);
    }
    return s;
}

void FolderScanner::SetRoot(const std::string& folder, bool recursive) {
    m_root = NormaliseFolder(folder);
    m_folders.clear();
    if (recursive)
        ListBelow(m_root);
    m_folders.push_back(m_root);
}

void FolderScanner::ListBelow(const std::string& folder) {
    std::vector<FileEntry> entries;
    // Listing never fails: what could be read is used.
    m_search.Search(folder + "\\*.*", entries);
    for (const FileEntry& entry : entries) {
        if (!entry.IsFolder() || IsDotEntry(entry.name))
            continue;
        const std::string sub = folder + "\\" + entry.name;
        ListBelow(sub);
        m_folders.push_back(sub);
    }
}

bool FolderScanner::FindFiles(const std::string& pattern, bool includeFiles, bool includeFolders) {
    for (const std::string& folder : m_folders) {
        const std::string base = NormaliseFolder(folder) + "\\";
        std::vector<FileEntry> entries;
        const bool ok = m_search.Search(base + pattern, entries);
        for (const FileEntry& entry : entries) {
            if (IsDotEntry(entry.name))
                continue;
            if (entry.IsFolder() ? !includeFolders : !includeFiles)
                continue;
            m_files.push_back({base + entry.name, entry});
        }
        if (!ok)
            return false;
    }
    return true;
}

bool FolderScanner::ListTree(const std::string& folder,
                             const std::vector<std::string>& extensions) {
    m_root = NormaliseFolder(folder);
    m_folders.clear();
    std::vector<Hits> hitsPerFolder;  // in the order of m_folders
    const bool ok = ListOnce(m_root, extensions, hitsPerFolder);
    if (ok)
        m_folders.push_back(m_root);
    for (size_t e = 0; e < extensions.size(); ++e)
        for (Hits& hits : hitsPerFolder)
            for (FoundFile& file : hits[e])
                m_files.push_back(std::move(file));
    return ok;
}

// Lists `folder` and, depth first, its subfolders, each after its own subfolders.
bool FolderScanner::ListOnce(const std::string& folder, const std::vector<std::string>& extensions,
                             std::vector<Hits>& hitsPerFolder) {
    std::vector<FileEntry> entries;
    if (!m_search.Search(folder + "\\*.*", entries))
        return false;
    // Files are searched under the folder's normalised name, as FindFiles does; it
    // differs only for a folder whose name ends in white space.
    const std::string base = NormaliseFolder(folder);
    std::vector<FileEntry> other;
    if (base != folder && !m_search.Search(base + "\\*.*", other))
        return false;
    // Names match in their long form only. A wildcard search also matched a
    // longer extension through its 8.3 name (x.lnkx as X~1.LNK); the shell does
    // not name its shortcuts so.
    Hits hits(extensions.size());
    for (const FileEntry& entry : base == folder ? entries : other) {
        if (entry.IsFolder() || IsDotEntry(entry.name))
            continue;
        for (size_t e = 0; e < extensions.size(); ++e)
            if (EndsWithNoCase(entry.name, extensions[e].c_str())) {
                hits[e].push_back({base + "\\" + entry.name, entry});
                break;
            }
    }
    for (const FileEntry& entry : entries) {
        if (!entry.IsFolder() || IsDotEntry(entry.name))
            continue;
        const std::string sub = folder + "\\" + entry.name;
        if (!ListOnce(sub, extensions, hitsPerFolder))
            return false;
        m_folders.push_back(sub);
    }
    hitsPerFolder.push_back(std::move(hits));
    return true;
}

std::string ShortcutName(const std::string& shortcutPath) {
    size_t cut = shortcutPath.rfind('\\');
    if (cut == std::string::npos)
        cut = shortcutPath.rfind('/');
    const std::string file = cut == std::string::npos ? shortcutPath : shortcutPath.substr(cut + 1);
    return file.size() > 4 ? file.substr(0, file.size() - 4) : std::string();
}

void ScanShortcutFolder(ShortcutSystem& system, const std::string& folder,
                        std::vector<DiscoveredProgram>& results) {
    FolderScanner scanner(system);
    if (!scanner.ListTree(folder, {".lnk", ".pif"}))
        return;

    for (const FolderScanner::FoundFile& file : scanner.files()) {
        const std::string target = system.ResolveShortcut(file.path);
        // The cheap tests first; the existence test asks the file system.
        if (target.size() <= 3 || !IsExecutableImage(target) || !system.Exists(target))
            continue;
        const bool known = std::any_of(
            results.begin(), results.end(),
            [&target](const DiscoveredProgram& p) { return PathsEqualNoCase(p.target, target); });
        if (known)
            continue;
        results.push_back({target, ShortcutName(file.path)});
    }
}

std::vector<DiscoveredProgram> DiscoverInstalledPrograms(ShortcutSystem& system) {
    std::vector<DiscoveredProgram> results;
    std::string folder;
    if (system.FolderPath(ShortcutSystem::kUserPrograms, folder) ||
        system.FolderPath(ShortcutSystem::kCommonPrograms, folder))
        ScanShortcutFolder(system, folder, results);
    for (ShortcutSystem::FolderKind kind :
         {ShortcutSystem::kUserDesktop, ShortcutSystem::kCommonDesktop}) {
        if (system.FolderPath(kind, folder))
            ScanShortcutFolder(system, folder, results);
    }
    return results;
}
