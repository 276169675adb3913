// Discovery on real shortcut files, made through the shell link object in folders of our own.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <iostream>
#include <set>

#include "e2e/Driver.h"
#include "base/Text.h"
#include "programs/ProcessSnapshot.h"
#include "programs/ProgramDiscovery_win.h"

namespace {

// Empties and removes `folder` (no trailing backslash) with all it holds.
void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string path = folder + "\\" + name;
            ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                ::DeleteFileA(path.c_str());
        } while (::FindNextFileA(find, &data));
        ::FindClose(find);
    }
    ::RemoveDirectoryA(folder.c_str());
}

// A new, empty folder under the temporary folder, with a trailing backslash.
std::string FreshTree(const std::string& name) {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + name;
    RemoveTree(folder);
    EXPECT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr)) << folder;
    return folder + "\\";
}

std::string MakeFolder(const std::string& path) {
    EXPECT_TRUE(::CreateDirectoryA(path.c_str(), nullptr)) << path;
    return path + "\\";
}

// Saves a shortcut to `target` at `path`, the way the shell makes one.
bool MakeShortcut(const std::string& path, const std::string& target) {
    if (FAILED(::CoInitialize(nullptr)))
        return false;
    bool saved = false;
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IShellLinkA, reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->SetPath(target.c_str())) &&
            SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            wchar_t wide[MAX_PATH] = {};
            ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
            saved = SUCCEEDED(file->Save(wide, TRUE));
            file->Release();
        }
        link->Release();
    }
    ::CoUninitialize();
    return saved;
}

std::string CopySleeper(const std::string& path) {
    EXPECT_TRUE(::CopyFileA((e2e::OwnFolder() + "sleeper.exe").c_str(), path.c_str(), FALSE))
        << path;
    return path;
}

void WriteText(const std::string& path, const char* text) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    ::WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
    ::CloseHandle(file);
}

std::string Describe(const std::vector<DiscoveredProgram>& programs) {
    std::string text;
    for (const DiscoveredProgram& p : programs)
        text += "  [" + p.name + "] -> " + p.target + "\n";
    return text;
}

class ProgramDiscoveryWin : public ::testing::Test {
protected:
    void SetUp() override {
        bin = FreshTree("hw-discovery-bin");
        menu = FreshTree("hw-discovery-menu");
    }
    void TearDown() override {
        RemoveTree(NormaliseFolder(menu));
        RemoveTree(NormaliseFolder(bin));
    }
    std::string bin, menu;
};

TEST_F(ProgramDiscoveryWin, ScanFindsExecutablesDeepestFirstAndLnkBeforePif) {
    const std::string alpha = CopySleeper(bin + "alpha.exe");
    const std::string beta = CopySleeper(bin + "beta.exe");
    const std::string delta = CopySleeper(bin + "delta.exe");
    const std::string gamma = CopySleeper(bin + "gamma.com");
    const std::string doomed = CopySleeper(bin + "doomed.exe");
    WriteText(bin + "notes.txt", "notes");
    WriteText(bin + "run.bat", "@echo off\r\n");

    // The chain root > Games > Deep > Hidden keeps the folder order independent of how the
    // file system lists sibling folders.
    const std::string games = MakeFolder(menu + "Games");
    const std::string deep = MakeFolder(games + "Deep");
    const std::string hidden = MakeFolder(deep + "Hidden");
    ASSERT_TRUE(::SetFileAttributesA(NormaliseFolder(hidden).c_str(), FILE_ATTRIBUTE_HIDDEN));

    ASSERT_TRUE(MakeShortcut(menu + "Alpha.lnk", alpha));
    ASSERT_TRUE(MakeShortcut(menu + "Old.pif", gamma));
    ASSERT_TRUE(MakeShortcut(menu + "Readme.lnk", bin + "notes.txt"));
    ASSERT_TRUE(MakeShortcut(menu + "Script.lnk", bin + "run.bat"));
    ASSERT_TRUE(MakeShortcut(menu + "Bin Folder.lnk", NormaliseFolder(bin)));
    ASSERT_TRUE(MakeShortcut(menu + "Broken.lnk", doomed));
    ASSERT_TRUE(MakeShortcut(games + "Beta Two.lnk", beta));
    ASSERT_TRUE(MakeShortcut(games + "notes.txt", beta));  // not a shortcut by its name
    ASSERT_TRUE(MakeShortcut(deep + "Alpha Again.lnk", alpha));
    ASSERT_TRUE(MakeShortcut(hidden + "Delta.lnk", delta));
    ASSERT_TRUE(::DeleteFileA(doomed.c_str()));

    std::vector<DiscoveredProgram> found;
    Win32ShortcutSystem system;
    ScanShortcutFolder(system, menu, found);

    ASSERT_EQ(found.size(), 4u) << Describe(found);
    EXPECT_EQ(found[0].name, "Delta");
    EXPECT_TRUE(PathsEqualNoCase(found[0].target, delta)) << found[0].target;
    EXPECT_EQ(found[1].name, "Alpha Again");
    EXPECT_TRUE(PathsEqualNoCase(found[1].target, alpha)) << found[1].target;
    EXPECT_EQ(found[2].name, "Beta Two");
    EXPECT_TRUE(PathsEqualNoCase(found[2].target, beta)) << found[2].target;
    EXPECT_EQ(found[3].name, "Old");
    EXPECT_TRUE(PathsEqualNoCase(found[3].target, gamma)) << found[3].target;
}

TEST_F(ProgramDiscoveryWin, ResolveGivesTheStoredPathAndFailsQuietly) {
    const std::string alpha = CopySleeper(bin + "alpha.exe");
    const std::string doomed = CopySleeper(bin + "doomed.exe");
    ASSERT_TRUE(MakeShortcut(menu + "Alpha.lnk", alpha));
    ASSERT_TRUE(MakeShortcut(menu + "Broken.lnk", doomed));
    ASSERT_TRUE(::DeleteFileA(doomed.c_str()));
    WriteText(menu + "Garbage.lnk", "this is no shortcut");

    EXPECT_TRUE(PathsEqualNoCase(ResolveShortcut(menu + "Alpha.lnk"), alpha));

    // A broken shortcut must not stall the page with a search.
    const DWORD start = ::GetTickCount();
    const std::string broken = ResolveShortcut(menu + "Broken.lnk");
    EXPECT_LT(::GetTickCount() - start, 2000u);
    EXPECT_TRUE(broken.empty() || PathsEqualNoCase(broken, doomed)) << broken;
    std::cout << "broken shortcut resolved to [" << broken << "] in " << ::GetTickCount() - start
              << " ms\n";

    EXPECT_EQ(ResolveShortcut(menu + "Garbage.lnk"), "");
    EXPECT_EQ(ResolveShortcut(menu + "Missing.lnk"), "");

    // Each call balanced its own initialisation, so this thread's is the first again; inside
    // it, resolving still works.
    ASSERT_EQ(::CoInitialize(nullptr), S_OK);
    EXPECT_TRUE(PathsEqualNoCase(ResolveShortcut(menu + "Alpha.lnk"), alpha));
    ::CoUninitialize();
}

TEST_F(ProgramDiscoveryWin, SearchTellsNoMatchFromAFailedSearch) {
    WriteText(menu + "a.lnk", "x");
    MakeFolder(menu + "Sub.lnk");
    Win32ShortcutSystem system;

    std::vector<FileEntry> entries;
    EXPECT_TRUE(system.Search(menu + "*.lnk", entries));
    ASSERT_EQ(entries.size(), 2u);
    for (const FileEntry& e : entries)
        EXPECT_EQ(e.IsFolder(), e.name == "Sub.lnk") << e.name;

    entries.clear();
    EXPECT_TRUE(system.Search(menu + "*.pif", entries));
    EXPECT_TRUE(entries.empty());
    EXPECT_FALSE(system.Search(menu + "Nowhere\\*.lnk", entries));
    EXPECT_TRUE(entries.empty());
}

TEST_F(ProgramDiscoveryWin, TheFastListingIsAcceptedAndGivesNamesAndKinds) {
    WriteText(menu + "a.lnk", "x");
    MakeFolder(menu + "Sub");
    Win32ShortcutSystem system;
    std::vector<FileEntry> entries;
    ASSERT_TRUE(system.Search(menu + "*.*", entries));
    EXPECT_TRUE(FastFolderListing()) << "basic information with large fetch was refused";
    std::set<std::string> seen;
    for (const FileEntry& e : entries) {
        seen.insert(e.name + (e.IsFolder() ? "\\" : ""));
        if (e.name == "a.lnk") {
            EXPECT_EQ(e.size, 1u);
        }
    }
    EXPECT_EQ(seen, (std::set<std::string>{".\\", "..\\", "a.lnk", "Sub\\"}));
}

TEST(ProgramDiscoveryMachine, RealFoldersGiveOnlyExistingExecutablesOnce) {
    Win32ShortcutSystem system;
    for (auto kind : {ShortcutSystem::kUserPrograms, ShortcutSystem::kCommonPrograms,
                      ShortcutSystem::kUserDesktop, ShortcutSystem::kCommonDesktop}) {
        std::string path;
        const bool got = system.FolderPath(kind, path);
        std::cout << "folder " << static_cast<int>(kind) << ": "
                  << (got ? path : std::string("<none>")) << "\n";
    }

    const DWORD start = ::GetTickCount();
    const std::vector<DiscoveredProgram> found = DiscoverInstalledPrograms();
    std::cout << found.size() << " programs in " << ::GetTickCount() - start << " ms\n"
              << Describe(found);
    for (size_t i = 0; i < found.size(); ++i) {
        EXPECT_NE(::GetFileAttributesA(found[i].target.c_str()), INVALID_FILE_ATTRIBUTES)
            << found[i].target;
        EXPECT_TRUE(IsExecutableImage(found[i].target)) << found[i].target;
        EXPECT_FALSE(found[i].name.empty()) << found[i].target;
        for (size_t j = 0; j < i; ++j)
            EXPECT_FALSE(PathsEqualNoCase(found[i].target, found[j].target)) << found[i].target;
    }
}

}  // namespace
