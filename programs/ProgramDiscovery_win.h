#pragma once
#include <string>
#include <vector>

#include "programs/ProgramDiscovery.h"

// The programs the current user's shortcuts point to, from the Start menu and the desktops.
std::vector<DiscoveredProgram> DiscoverInstalledPrograms();

// The target of a shortcut file as stored (environment variables unexpanded), or "".
// May let the shell update a shortcut whose target moved.
std::string ResolveShortcut(const std::string& shortcutPath);

// False once the system refused the fast folder listing and the plain one is used.
bool FastFolderListing();

// The shell's special folders, file search and shortcuts.
class Win32ShortcutSystem : public ShortcutSystem {
public:
    bool Search(const std::string& pattern, std::vector<FileEntry>& entries) override;
    bool FolderPath(FolderKind kind, std::string& path) override;
    bool Exists(const std::string& path) override;
    std::string ResolveShortcut(const std::string& shortcut) override {
        return ::ResolveShortcut(shortcut);
    }
};
