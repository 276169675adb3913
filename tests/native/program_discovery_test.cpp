#include <gtest/gtest.h>

#include <map>
#include <set>

#include "base/Text.h"
#include "programs/ProcessMatch.h"
#include "programs/ProgramDiscovery.h"

namespace {

// A pretend file system: folders with their entries in the order the platform lists them,
// shortcut targets, and searches that raise errors.
class FakeSystem : public ShortcutSystem {
public:
    std::map<std::string, std::vector<FileEntry>> folders;
    std::map<std::string, std::string> targets;  // shortcut path -> target
    std::set<std::string> existing;
    std::map<int, std::string> specialFolders;
    std::set<std::string> failingPatterns;  // these searches fail after their hits
    std::vector<std::string> searched;
    std::vector<int> kindsAsked;

    // Adds folder `path` listing "." and "..", then `children`; a trailing backslash marks a
    // folder.
    void Folder(const std::string& path, std::vector<std::string> children = {}) {
        std::vector<FileEntry>& entries = folders[path];
        entries.push_back({".", kFolderAttribute});
        entries.push_back({"..", kFolderAttribute});
        for (const std::string& child : children) {
            const bool folder = child.back() == '\\';
            FileEntry entry;
            entry.name = folder ? child.substr(0, child.size() - 1) : child;
            entry.attributes = folder ? kFolderAttribute : 0x20;
            entries.push_back(entry);
        }
    }
    void Shortcut(const std::string& path, const std::string& target, bool exists = true) {
        targets[path] = target;
        if (exists)
            existing.insert(target);
    }

    bool Search(const std::string& pattern, std::vector<FileEntry>& entries) override {
        searched.push_back(pattern);
        const size_t cut = pattern.rfind('\\');
        const std::string folder = pattern.substr(0, cut);
        const std::string wild = pattern.substr(cut + 1);
        auto it = folders.find(folder);
        if (it != folders.end())
            for (const FileEntry& entry : it->second)
                if (wild == "*.*" || EndsWithNoCase(entry.name, wild.c_str() + 1))
                    entries.push_back(entry);
        return failingPatterns.count(pattern) == 0;
    }
    bool FolderPath(FolderKind kind, std::string& path) override {
        kindsAsked.push_back(kind);
        auto it = specialFolders.find(kind);
        if (it == specialFolders.end())
            return false;
        path = it->second;
        return true;
    }
    bool Exists(const std::string& path) override {
        for (const std::string& e : existing)
            if (PathsEqualNoCase(e, path))
                return true;
        return false;
    }
    std::string ResolveShortcut(const std::string& shortcut) override {
        auto it = targets.find(shortcut);
        return it == targets.end() ? std::string() : it->second;
    }
};

using Programs = std::vector<DiscoveredProgram>;

std::vector<std::string> Names(const Programs& programs) {
    std::vector<std::string> names;
    for (const DiscoveredProgram& p : programs)
        names.push_back(p.name);
    return names;
}

std::vector<std::string> Paths(const FolderScanner& scanner) {
    std::vector<std::string> paths;
    for (const FolderScanner::FoundFile& f : scanner.files())
        paths.push_back(f.path);
    return paths;
}

TEST(NormaliseFolder, DropsTrailingSpaceAndSeparators) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Start Menu\\Programs", "C:\\Start Menu\\Programs"},
        {"C:\\Desk\\", "C:\\Desk"},
        {"C:\\Desk\\\\\\", "C:\\Desk"},
        {"C:\\Desk \t\n", "C:\\Desk"},
        {"C:\\Desk \\ \\\t", "C:\\Desk"},
        {"C:\\", "C:"},
        {"  C:\\Desk\\", "  C:\\Desk"},  // leading white space is kept
        {"/home/me/Desktop/", "/home/me/Desktop"},
        {"/home/me/Desktop / /", "/home/me/Desktop"},
        // With a backslash in the path, a slash is an ordinary character.
        {"C:\\Desk/", "C:\\Desk/"},
        {"C:\\Desk/ ", "C:\\Desk/"},
        {"C:\\Desk\\/\\", "C:\\Desk\\/"},
        {" \\ ", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NormaliseFolder(c.first), c.second) << "[" << c.first << "]";
}

TEST(FolderScanner, ListsDeepestFoldersFirstAndTheRootLast) {
    FakeSystem fs;
    fs.Folder("R", {"A\\", "x.lnk", "B\\"});
    fs.Folder("R\\A", {"A1\\", "A2\\", "note.txt"});
    fs.Folder("R\\A\\A1", {"A1x\\"});
    fs.Folder("R\\A\\A1\\A1x");
    fs.Folder("R\\A\\A2");
    fs.Folder("R\\B");

    FolderScanner scanner(fs);
    scanner.SetRoot("R\\ ", true);
    EXPECT_EQ(scanner.root(), "R");
    EXPECT_EQ(scanner.folders(), (std::vector<std::string>{"R\\A\\A1\\A1x", "R\\A\\A1", "R\\A\\A2",
                                                           "R\\A", "R\\B", "R"}));

    scanner.SetRoot("R", false);
    EXPECT_EQ(scanner.folders(), std::vector<std::string>{"R"});
}

TEST(FolderScanner, SubfoldersOfASlashRootAreJoinedWithABackslash) {
    FakeSystem fs;
    fs.Folder("/r", {"sub\\"});
    fs.Folder("/r\\sub", {"deep\\"});
    fs.Folder("/r\\sub\\deep");
    FolderScanner scanner(fs);
    scanner.SetRoot("/r/", true);
    EXPECT_EQ(scanner.folders(), (std::vector<std::string>{"/r\\sub\\deep", "/r\\sub", "/r"}));
}

TEST(FolderScanner, AFolderThatCannotBeListedStillLeavesTheRest) {
    FakeSystem fs;
    fs.Folder("R", {"A\\", "B\\"});
    fs.Folder("R\\A", {"Hidden\\"});
    fs.Folder("R\\A\\Hidden");
    fs.Folder("R\\B");
    fs.failingPatterns.insert("R\\A\\*.*");
    FolderScanner scanner(fs);
    scanner.SetRoot("R", true);
    // What the failed listing did report is still descended into.
    EXPECT_EQ(scanner.folders(), (std::vector<std::string>{"R\\A\\Hidden", "R\\A", "R\\B", "R"}));
}

TEST(FolderScanner, FindFilesKeepsWhatWasAskedForWithFullPaths) {
    FakeSystem fs;
    fs.Folder("R", {"Sub\\", "a.lnk", "Folder.lnk\\"});
    fs.Folder("R\\Sub", {"b.LNK", "c.pif"});

    FolderScanner scanner(fs);
    scanner.SetRoot("R", true);
    fs.searched.clear();
    EXPECT_TRUE(scanner.FindFiles("*.lnk", true, false));
    EXPECT_EQ(fs.searched,
              (std::vector<std::string>{"R\\Sub\\*.lnk", "R\\Folder.lnk\\*.lnk", "R\\*.lnk"}));
    EXPECT_EQ(Paths(scanner), (std::vector<std::string>{"R\\Sub\\b.LNK", "R\\a.lnk"}));

    FolderScanner folders(fs);
    folders.SetRoot("R", false);
    EXPECT_TRUE(folders.FindFiles("*.lnk", false, true));
    ASSERT_EQ(Paths(folders), std::vector<std::string>{"R\\Folder.lnk"});
    EXPECT_TRUE(folders.files()[0].entry.IsFolder());

    // "." and ".." are never hits, even when folders are asked for.
    FolderScanner all(fs);
    all.SetRoot("R", false);
    EXPECT_TRUE(all.FindFiles("*.*", true, true));
    EXPECT_EQ(Paths(all), (std::vector<std::string>{"R\\Sub", "R\\a.lnk", "R\\Folder.lnk"}));
}

TEST(FolderScanner, FailedSearchStopsButKeepsTheHitsSoFar) {
    FakeSystem fs;
    fs.Folder("R", {"A\\", "B\\", "r.lnk"});
    fs.Folder("R\\A", {"a.lnk"});
    fs.Folder("R\\B", {"b.lnk"});
    fs.failingPatterns.insert("R\\B\\*.lnk");
    FolderScanner scanner(fs);
    scanner.SetRoot("R", true);
    EXPECT_FALSE(scanner.FindFiles("*.lnk", true, false));
    EXPECT_EQ(Paths(scanner), (std::vector<std::string>{"R\\A\\a.lnk", "R\\B\\b.lnk"}));
}

TEST(FolderScanner, ListTreeFindsWhatTheStepByStepSearchFindsListingEachFolderOnce) {
    struct Tree {
        const char* what;
        std::vector<std::pair<std::string, std::vector<std::string>>> folders;
        const char* root;
    };
    const std::vector<Tree> trees = {
        {"deep and wide",
         {{"R", {"b.pif", "A\\", "x.lnk", "B\\", "Y.LNK", "notes.txt"}},
          {"R\\A", {"A1\\", "a.PIF", "A2\\", "a.lnk"}},
          {"R\\A\\A1", {"deep.lnk", "A1x\\", "deep.pif"}},
          {"R\\A\\A1\\A1x", {".lnk", "x.lnk.bak", "xlnk", "Folder.lnk\\"}},
          {"R\\A\\A1\\A1x\\Folder.lnk", {"inside.lnk"}},
          {"R\\A\\A2", {}},
          {"R\\B", {"b.lnk"}}},
         "R\\"},
        {"a root given with a slash", {{"/r", {"sub\\", "t.pif"}}, {"/r\\sub", {"s.lnk"}}}, "/r/ "},
        {"a subfolder whose name ends in a space",
         {{"R", {"odd \\", "r.lnk"}}, {"R\\odd ", {"hidden.lnk"}}, {"R\\odd", {"seen.lnk"}}},
         "R"},
        {"an empty tree", {{"R", {}}}, "R"},
    };
    for (const Tree& tree : trees) {
        FakeSystem fs;
        for (const auto& f : tree.folders)
            fs.Folder(f.first, f.second);
        FolderScanner steps(fs);
        steps.SetRoot(tree.root, true);
        ASSERT_TRUE(steps.FindFiles("*.lnk", true, false)) << tree.what;
        ASSERT_TRUE(steps.FindFiles("*.pif", true, false)) << tree.what;

        fs.searched.clear();
        FolderScanner once(fs);
        ASSERT_TRUE(once.ListTree(tree.root, {".lnk", ".pif"})) << tree.what;
        EXPECT_EQ(once.root(), steps.root()) << tree.what;
        EXPECT_EQ(once.folders(), steps.folders()) << tree.what;
        EXPECT_EQ(Paths(once), Paths(steps)) << tree.what;
        const std::set<std::string> distinct(fs.searched.begin(), fs.searched.end());
        EXPECT_EQ(distinct.size(), fs.searched.size()) << tree.what << ": a folder listed twice";
        EXPECT_LE(fs.searched.size(), once.folders().size() + 1) << tree.what;
    }
}

TEST(ShortcutName, IsTheFileNameWithoutItsExtension) {
    EXPECT_EQ(ShortcutName("C:\\Start Menu\\Word Pad.lnk"), "Word Pad");
    EXPECT_EQ(ShortcutName("/home/me/Desktop/Word Pad.lnk"), "Word Pad");
    // The last backslash wins over a later slash.
    EXPECT_EQ(ShortcutName("C:\\menu\\tools/calc.pif"), "tools/calc");
    EXPECT_EQ(ShortcutName("Notes.lnk"), "Notes");
    EXPECT_EQ(ShortcutName("C:\\menu\\archive.tar.lnk"), "archive.tar");
}

class Discovery : public ::testing::Test {
protected:
    void SetUp() override {
        fs.specialFolders = {{ShortcutSystem::kUserPrograms, "C:\\Menu"},
                             {ShortcutSystem::kCommonPrograms, "C:\\AllMenu"},
                             {ShortcutSystem::kUserDesktop, "C:\\Desk"},
                             {ShortcutSystem::kCommonDesktop, "C:\\AllDesk"}};
        for (const auto& f : fs.specialFolders)
            fs.Folder(f.second);
    }
    Programs Scan(const std::string& folder) {
        Programs results;
        ScanShortcutFolder(fs, folder, results);
        return results;
    }
    FakeSystem fs;
};

TEST_F(Discovery, LnkHitsOfTheWholeTreeComeBeforePifHits) {
    fs.Folder("C:\\Menu", {"b.pif", "Games\\", "a.lnk"});
    fs.Folder("C:\\Menu\\Games", {"d.pif", "c.lnk"});
    fs.Shortcut("C:\\Menu\\a.lnk", "C:\\a.exe");
    fs.Shortcut("C:\\Menu\\b.pif", "C:\\b.com");
    fs.Shortcut("C:\\Menu\\Games\\c.lnk", "C:\\c.exe");
    fs.Shortcut("C:\\Menu\\Games\\d.pif", "C:\\d.com");

    const Programs found = Scan("C:\\Menu\\");
    EXPECT_EQ(Names(found), (std::vector<std::string>{"c", "a", "d", "b"}));
    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(found[0].target, "C:\\c.exe");
    EXPECT_EQ(found[3].target, "C:\\b.com");
}

TEST_F(Discovery, OnlyExistingExecutablesAreKept) {
    fs.Folder("C:\\Menu", {"Gone.lnk", "Readme.lnk", "Tools.lnk", "Script.lnk", "Short.lnk",
                           "Broken.lnk", "Env.lnk", "Word Pad.lnk", "Edit.pif"});
    fs.Shortcut("C:\\Menu\\Gone.lnk", "C:\\gone.exe", false);
    fs.Shortcut("C:\\Menu\\Readme.lnk", "C:\\readme.txt");
    fs.Shortcut("C:\\Menu\\Tools.lnk", "C:\\Tools");
    fs.Shortcut("C:\\Menu\\Script.lnk", "C:\\run.bat");
    fs.Shortcut("C:\\Menu\\Short.lnk", "exe");
    fs.Shortcut("C:\\Menu\\Env.lnk", "%ProgramFiles%\\app.exe", false);
    // Broken.lnk resolves to nothing.
    fs.Shortcut("C:\\Menu\\Word Pad.lnk", "C:\\Program Files\\WORDPAD.EXE");
    fs.Shortcut("C:\\Menu\\Edit.pif", "C:\\DOS\\EDIT.Com");

    const Programs found = Scan("C:\\Menu");
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].target, "C:\\Program Files\\WORDPAD.EXE");
    EXPECT_EQ(found[0].name, "Word Pad");
    EXPECT_EQ(found[1].target, "C:\\DOS\\EDIT.Com");
    EXPECT_EQ(found[1].name, "Edit");
}

TEST_F(Discovery, FirstShortcutFoundNamesATargetWhateverItsLetterCase) {
    fs.Folder("C:\\Menu", {"Editor.lnk", "Office\\"});
    fs.Folder("C:\\Menu\\Office", {"Deep Editor.lnk"});
    fs.Folder("C:\\Desk", {"My Editor.lnk"});
    fs.Shortcut("C:\\Menu\\Editor.lnk", "C:\\Apps\\edit.exe");
    fs.Shortcut("C:\\Menu\\Office\\Deep Editor.lnk", "c:\\apps\\EDIT.exe");
    fs.Shortcut("C:\\Desk\\My Editor.lnk", "C:\\APPS\\Edit.EXE");

    const Programs found = DiscoverInstalledPrograms(fs);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, "Deep Editor");
    EXPECT_EQ(found[0].target, "c:\\apps\\EDIT.exe");

    // A target already in the results from an earlier tree is not added again.
    Programs results = {{"C:\\APPS\\EDIT.EXE", "Earlier"}};
    ScanShortcutFolder(fs, "C:\\Desk", results);
    EXPECT_EQ(Names(results), std::vector<std::string>{"Earlier"});
}

TEST_F(Discovery, StartMenuThenUserDesktopThenCommonDesktop) {
    fs.Folder("C:\\AllDesk", {"Four.lnk"});
    fs.Folder("C:\\Desk", {"Three.lnk"});
    fs.Folder("C:\\Menu", {"One.lnk"});
    fs.Folder("C:\\AllMenu", {"Two.lnk"});
    fs.Shortcut("C:\\Menu\\One.lnk", "C:\\one.exe");
    fs.Shortcut("C:\\AllMenu\\Two.lnk", "C:\\two.exe");
    fs.Shortcut("C:\\Desk\\Three.lnk", "C:\\three.exe");
    fs.Shortcut("C:\\AllDesk\\Four.lnk", "C:\\four.exe");

    // The user's Start menu is there: the all-users one is not even asked for.
    EXPECT_EQ(Names(DiscoverInstalledPrograms(fs)),
              (std::vector<std::string>{"One", "Three", "Four"}));
    EXPECT_EQ(fs.kindsAsked, (std::vector<int>{2, 16, 25}));

    // Only when it cannot be got does the all-users one take its place.
    fs.specialFolders.erase(ShortcutSystem::kUserPrograms);
    fs.kindsAsked.clear();
    EXPECT_EQ(Names(DiscoverInstalledPrograms(fs)),
              (std::vector<std::string>{"Two", "Three", "Four"}));
    EXPECT_EQ(fs.kindsAsked, (std::vector<int>{2, 23, 16, 25}));

    // A user Start menu that exists but is empty still keeps the all-users one out.
    fs.specialFolders[ShortcutSystem::kUserPrograms] = "C:\\Empty";
    EXPECT_EQ(Names(DiscoverInstalledPrograms(fs)), (std::vector<std::string>{"Three", "Four"}));

    fs.specialFolders.clear();
    EXPECT_TRUE(DiscoverInstalledPrograms(fs).empty());
}

TEST_F(Discovery, AFailedSearchAddsNothingFromThatTree) {
    fs.Folder("C:\\Menu", {"Sub\\", "One.lnk"});
    fs.Folder("C:\\Menu\\Sub", {"Two.lnk"});
    fs.Folder("C:\\Desk", {"Three.lnk"});
    fs.Shortcut("C:\\Menu\\One.lnk", "C:\\one.exe");
    fs.Shortcut("C:\\Menu\\Sub\\Two.lnk", "C:\\two.exe");
    fs.Shortcut("C:\\Desk\\Three.lnk", "C:\\three.exe");

    // The root's listing fails after every subfolder was searched.
    fs.failingPatterns.insert("C:\\Menu\\*.*");
    EXPECT_EQ(Names(DiscoverInstalledPrograms(fs)), std::vector<std::string>{"Three"});

    fs.failingPatterns = {"C:\\Menu\\Sub\\*.*"};
    EXPECT_EQ(Names(DiscoverInstalledPrograms(fs)), std::vector<std::string>{"Three"});
}

TEST_F(Discovery, NoShortcutsGiveNoPrograms) {
    fs.Folder("C:\\Menu", {"Empty\\", "readme.txt"});
    fs.Folder("C:\\Menu\\Empty");
    EXPECT_TRUE(DiscoverInstalledPrograms(fs).empty());
}

}  // namespace
