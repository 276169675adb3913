#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A program offered to the user: the executable a shortcut points to, named after the shortcut.
struct DiscoveredProgram {
    std::string target;
    std::string name;
};

constexpr uint32_t kFolderAttribute = 0x10;  // FILE_ATTRIBUTE_DIRECTORY

// One entry a file search met, as the platform describes it.
struct FileEntry {
    std::string name;  // without its folder
    uint32_t attributes = 0;
    uint64_t size = 0;
    uint64_t created = 0, accessed = 0, written = 0;  // 100 ns units since 1601
    bool IsFolder() const { return (attributes & kFolderAttribute) != 0; }
};

// The platform's wildcard search of one folder.
class FileSearch {
public:
    virtual ~FileSearch() = default;
    // Appends every entry matching `pattern` (folder, backslash, wildcard name). No match is
    // not an error; on an error the entries met before it stay and the result is false.
    virtual bool Search(const std::string& pattern, std::vector<FileEntry>& entries) = 0;
};

// Without trailing white space and trailing separators (with the white space before each).
// The separator is the backslash, or the slash when the path holds no backslash.
std::string NormaliseFolder(const std::string& folder);

// Collects the files of a folder tree, deepest folders first.
class FolderScanner {
public:
    struct FoundFile {
        std::string path;
        FileEntry entry;
    };

    explicit FolderScanner(FileSearch& search) : m_search(search) {}

    // Lists the folders to search: with `recursive`, every folder below the root, each after
    // its own subfolders; the root itself last. A folder that cannot be listed adds nothing.
    void SetRoot(const std::string& folder, bool recursive);
    // Searches each listed folder in turn and appends the hits; false when a search failed.
    bool FindFiles(const std::string& pattern, bool includeFiles, bool includeFolders);
    // SetRoot(folder, true), then FindFiles for files ending in each of `extensions` in turn,
    // with each folder listed once instead of once per step. False when a listing failed.
    bool ListTree(const std::string& folder, const std::vector<std::string>& extensions);

    const std::string& root() const { return m_root; }
    const std::vector<std::string>& folders() const { return m_folders; }
    const std::vector<FoundFile>& files() const { return m_files; }

private:
    void ListBelow(const std::string& folder);
    using Hits = std::vector<std::vector<FoundFile>>;  // per extension
    bool ListOnce(const std::string& folder, const std::vector<std::string>& extensions,
                  std::vector<Hits>& hitsPerFolder);

    FileSearch& m_search;
    std::string m_root;
    std::vector<std::string> m_folders;
    std::vector<FoundFile> m_files;
};

// What discovery asks of the system besides the file search.
class ShortcutSystem : public FileSearch {
public:
    // The folder kinds take the shell's numbers, so the adapter passes them through.
    enum FolderKind : int {
        kUserPrograms = 2,
        kUserDesktop = 16,
        kCommonPrograms = 23,
        kCommonDesktop = 25,
    };
    // False when the system cannot give that folder.
    virtual bool FolderPath(FolderKind kind, std::string& path) = 0;
    // A file or a folder is there.
    virtual bool Exists(const std::string& path) = 0;
    // The raw target path of a shortcut file, or "" when it cannot be read.
    virtual std::string ResolveShortcut(const std::string& shortcut) = 0;
};

// A shortcut file's name without its folder and without its last four characters.
std::string ShortcutName(const std::string& shortcutPath);

// Appends the programs that the ".lnk" and ".pif" shortcuts under `folder` point to, skipping
// targets already in `results`. A failed search of the tree adds nothing.
void ScanShortcutFolder(ShortcutSystem& system, const std::string& folder,
                        std::vector<DiscoveredProgram>& results);

// The Start-menu programs (the user's, or all users' only when the user's cannot be got), then
// the user's and all users' desktops. No two results share a target, letters folded.
std::vector<DiscoveredProgram> DiscoverInstalledPrograms(ShortcutSystem& system);
