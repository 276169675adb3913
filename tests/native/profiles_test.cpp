#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "lists/ListFile.h"
#include "lists/Profiles.h"

namespace fs = std::filesystem;

// Beside ListEntry, where the comparisons of EntryList look for it.
static bool operator==(const ListEntry& a, const ListEntry& b) {
    return a.target == b.target && a.name == b.name && a.checked == b.checked;
}
static void PrintTo(const ListEntry& e, std::ostream* os) {
    *os << "{" << e.target << ", " << e.name << ", " << (e.checked ? "ticked" : "not ticked")
        << "}";
}

namespace {

using Owner = ProfileUi::Owner;

// Like the stand-in pages: without a start-up list a reset empties the page.
class FakePage : public ListPage {
public:
    EntryList GetEntries() override { return rows; }
    void SetEntries(const EntryList& entries) override {
        rows = entries;
        ++sets;
    }
    void ResetToStartup() override { rows = startupList ? *startupList : EntryList(); }

    EntryList rows;
    int sets = 0;
};

struct Shown {
    std::string text;
    Owner owner;
};

class FakeUi : public ProfileUi {
public:
    std::optional<std::string> AskSavePath() override {
        ++saveAsked;
        return savePath;
    }
    std::optional<std::string> AskLoadPath() override {
        ++loadAsked;
        return loadPath;
    }
    void ShowMessage(const char* text, Owner owner) override { shown.push_back({text, owner}); }
    bool CreateEmptyFile(const std::string& path) override { return ::CreateEmptyFile(path); }

    std::optional<std::string> savePath, loadPath;
    int saveAsked = 0, loadAsked = 0;
    std::vector<Shown> shown;
};

const EntryList kPrograms = {{"C:\\Games\\b.exe", "B game", true},
                             {"C:\\Tools\\a.exe", "A tool", false},
                             {"C:\\Games\\c.exe", "C", true}};
const EntryList kWebsites = {{"http://news.example.com", "News", false},
                             {"video.example.org", "Video", true}};

fs::path MakeFolder() {
    char pattern[] = "/tmp/hushwall-profiles-XXXXXX";
    if (!mkdtemp(pattern))
        ADD_FAILURE() << "no temporary folder";
    return pattern;
}

class ProfilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::is_directory(dir));
        profiles.SetPages(&programs, &websites);
        programs.rows = kPrograms;
        websites.rows = kWebsites;
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string In(const std::string& name) const { return (dir / name).string(); }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& item : fs::directory_iterator(dir))
            names.push_back(item.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static EntryList Load(const std::string& path) {
        EntryList list;
        EXPECT_TRUE(LoadEntryList(path, list)) << path;
        return list;
    }
    void ExpectOneMessage(const char* text, Owner owner) {
        ASSERT_EQ(ui.shown.size(), 1u);
        EXPECT_EQ(ui.shown[0].text, text);
        EXPECT_EQ(ui.shown[0].owner, owner);
    }
    void ExpectPagesUntouched() {
        EXPECT_EQ(programs.rows, kPrograms);
        EXPECT_EQ(websites.rows, kWebsites);
    }

    fs::path dir = MakeFolder();
    FakeUi ui;
    FakePage programs, websites;
    Profiles profiles{ui, dir.string() + "/"};
};

TEST(ProfileNaming, ExtensionInAnyCaseGivesLowerCaseSideFiles) {
    for (const char* path : {"a.profile", "a.PROFILE", "a.ProFile", ".profile",
                             "D:\\Lists\\Work.PROFILE", "D:\\x.apps\\b.profile"}) {
        EXPECT_TRUE(IsProfilePath(path)) << path;
    }
    for (const char* path : {"", "profile", "a.profiles", "a.profile ", "aprofile", "a_profile",
                             "a.prof", "a.apps", "D:\\Lists\\profile"}) {
        EXPECT_FALSE(IsProfilePath(path)) << path;
    }
    EXPECT_EQ(ProfileProgramsPath("D:\\Lists\\Work.PROFILE"), "D:\\Lists\\Work.apps");
    EXPECT_EQ(ProfileWebsitesPath("D:\\Lists\\Work.PROFILE"), "D:\\Lists\\Work.webs");
    EXPECT_EQ(ProfileProgramsPath("x.pRoFiLe"), "x.apps");
    EXPECT_EQ(ProfileWebsitesPath(".profile"), ".webs");
}

TEST_F(ProfilesTest, SaveAndLoadRoundTripThroughLowerCaseSideFiles) {
    const std::string profile = In("a.PROFILE");
    Write(profile, "left over");  // the marker is emptied
    ui.savePath = profile;
    profiles.OnSaveProfile();
    EXPECT_EQ(ui.saveAsked, 1);
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_EQ(Files(), (std::vector<std::string>{"a.PROFILE", "a.apps", "a.webs"}));
    EXPECT_EQ(Read(profile), "");
    EXPECT_EQ(Load(In("a.apps")), kPrograms);
    EXPECT_EQ(Load(In("a.webs")), kWebsites);

    programs.rows = {{"C:\\other.exe", "Other", true}};
    websites.rows = {};
    ui.loadPath = profile;
    profiles.OnLoadProfile();
    EXPECT_EQ(ui.loadAsked, 1);
    EXPECT_TRUE(ui.shown.empty());
    ExpectPagesUntouched();
    // Loading reads; it writes nothing.
    EXPECT_EQ(Read(profile), "");
    EXPECT_EQ(Files().size(), 3u);
}

TEST_F(ProfilesTest, OtherNamesAreNeitherWrittenNorLoaded) {
    const std::string notes = In("notes.txt");
    const std::string bytes("keep \0 these", 12);
    Write(notes, bytes);
    EXPECT_FALSE(profiles.SaveProfile(notes));
    ui.savePath = In("work.profil");
    profiles.OnSaveProfile();
    EXPECT_EQ(Read(notes), bytes);
    EXPECT_EQ(Files(), std::vector<std::string>{"notes.txt"});

    // A list file picked through "All Files" is not a profile either.
    ASSERT_TRUE(SaveEntryList(In("b.apps"), {{"x", "X", true}}));
    ASSERT_TRUE(SaveEntryList(In("b.webs"), {{"y", "Y", true}}));
    for (const char* pick : {"b.apps", "b.webs", "notes.txt"}) {
        ui.loadPath = In(pick);
        profiles.OnLoadProfile();
    }
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_EQ(programs.sets + websites.sets, 0);
    ExpectPagesUntouched();
}

TEST_F(ProfilesTest, CancelledDialogsDoNothing) {
    profiles.OnSaveProfile();
    profiles.OnLoadProfile();
    EXPECT_EQ(ui.saveAsked, 1);
    EXPECT_EQ(ui.loadAsked, 1);
    EXPECT_TRUE(Files().empty());
    EXPECT_TRUE(ui.shown.empty());
    ExpectPagesUntouched();
}

TEST_F(ProfilesTest, EachSaveFailureIsShownWithoutOwnerAndStopsThere) {
    {
        SCOPED_TRACE("marker in a missing folder");
        EXPECT_FALSE(profiles.SaveProfile(In("missing/a.profile")));
        ExpectOneMessage(kSaveProfileError, Owner::None);
        EXPECT_TRUE(Files().empty());
    }
    {
        SCOPED_TRACE("programs list onto a folder");
        ui.shown.clear();
        fs::create_directory(In("p.apps"));
        EXPECT_FALSE(profiles.SaveProfile(In("p.profile")));
        ExpectOneMessage(kSaveProgramsError, Owner::None);
        EXPECT_TRUE(fs::exists(In("p.profile")));
        EXPECT_FALSE(fs::exists(In("p.webs"))) << "the websites list is not written after";
    }
    {
        SCOPED_TRACE("websites list onto a folder");
        ui.shown.clear();
        fs::create_directory(In("w.webs"));
        EXPECT_FALSE(profiles.SaveProfile(In("w.profile")));
        ExpectOneMessage(kSaveWebsitesError, Owner::None);
        EXPECT_EQ(Load(In("w.apps")), kPrograms);
        EXPECT_TRUE(fs::is_directory(In("w.webs")));
    }
    {
        SCOPED_TRACE("marker onto a folder");
        ui.shown.clear();
        fs::create_directory(In("m.profile"));
        EXPECT_FALSE(profiles.SaveProfile(In("m.profile")));
        ExpectOneMessage(kSaveProfileError, Owner::None);
        EXPECT_FALSE(fs::exists(In("m.apps")));
    }
    ExpectPagesUntouched();
}

TEST_F(ProfilesTest, EachListLoadsOnItsOwn) {
    const EntryList saved = {{"C:\\saved.exe", "Saved", true}};
    ASSERT_TRUE(SaveEntryList(In("a.apps"), kWebsites));
    ASSERT_TRUE(SaveEntryList(In("a.webs"), kPrograms));
    ASSERT_TRUE(SaveEntryList(In("half.apps"), saved));
    Write(In("badapps.apps"), "\xBF\x0D\x0D\x00");  // no count
    ASSERT_TRUE(SaveEntryList(In("badapps.webs"), {}));
    struct Case {
        const char* pick;
        EntryList programs, websites;
        std::vector<const char*> messages;
    };
    const Case cases[] = {
        {"a.profile", kWebsites, kPrograms, {}},
        {"a.Profile", kWebsites, kPrograms, {}},
        // The marker itself need not exist, only its side files.
        {"missing.profile", kPrograms, kWebsites, {kLoadProgramsError, kLoadWebsitesError}},
        {"half.profile", saved, kWebsites, {kLoadWebsitesError}},
        {"badapps.profile", kPrograms, {}, {kLoadProgramsError}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pick);
        programs.rows = kPrograms;
        websites.rows = kWebsites;
        programs.sets = websites.sets = 0;
        ui.shown.clear();
        ui.loadPath = In(c.pick);
        profiles.OnLoadProfile();
        EXPECT_EQ(programs.rows, c.programs);
        EXPECT_EQ(websites.rows, c.websites);
        // A list that failed to load is not touched at all.
        EXPECT_EQ(programs.sets, c.programs == kPrograms ? 0 : 1);
        EXPECT_EQ(websites.sets, c.websites == kWebsites ? 0 : 1);
        ASSERT_EQ(ui.shown.size(), c.messages.size());
        for (size_t i = 0; i < c.messages.size(); ++i) {
            EXPECT_EQ(ui.shown[i].text, c.messages[i]);
            EXPECT_EQ(ui.shown[i].owner, Owner::MainDialog);
        }
    }
    EXPECT_FALSE(fs::exists(In("half.webs")));
}

TEST_F(ProfilesTest, NewProfileBringsBackTheStartupLists) {
    const EntryList defaults = {{"C:\\d.exe", "D", true}, {"C:\\e.exe", "E", false}};
    ASSERT_TRUE(SaveEntryList(In("default.apps"), defaults));
    Write(In("default.webs"), "\xBF\x0D\x0D");  // unreadable: no start-up list
    profiles.LoadStartupLists();
    ASSERT_NE(programs.startupList, nullptr);
    EXPECT_EQ(*programs.startupList, defaults);
    EXPECT_EQ(websites.startupList, nullptr);
    EXPECT_TRUE(ui.shown.empty());

    programs.rows[0].checked = false;
    profiles.OnNewProfile();
    EXPECT_EQ(programs.rows, defaults);
    EXPECT_TRUE(websites.rows.empty());

    // The start-up lists are read once; later changes to the files do not reach them.
    ASSERT_TRUE(SaveEntryList(In("default.apps"), kPrograms));
    programs.rows = kPrograms;
    profiles.OnNewProfile();
    EXPECT_EQ(programs.rows, defaults);
    EXPECT_EQ(ui.saveAsked + ui.loadAsked, 0);
}

TEST_F(ProfilesTest, WithoutDefaultFilesNewProfileLeavesPagesToThemselves) {
    programs.startupList = std::make_unique<EntryList>(kPrograms);
    profiles.LoadStartupLists();
    EXPECT_EQ(programs.startupList, nullptr);
    EXPECT_EQ(websites.startupList, nullptr);
    profiles.OnNewProfile();
    EXPECT_TRUE(programs.rows.empty());
    EXPECT_TRUE(websites.rows.empty());
    EXPECT_TRUE(Files().empty());
}

TEST_F(ProfilesTest, DefaultProfileNeedsSomethingToBlock) {
    struct Case {
        const char* what;
        bool programTicked, websiteTicked, websitesAvailable, saves;
    };
    const Case cases[] = {
        {"a program", true, false, false, true},
        {"a website, blockable", false, true, true, true},
        {"a website, not blockable", false, true, false, false},
        {"nothing", false, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir);
        fs::create_directory(dir);
        ui.shown.clear();
        programs.rows = kPrograms;
        websites.rows = kWebsites;
        for (ListEntry& e : programs.rows)
            e.checked = false;
        for (ListEntry& e : websites.rows)
            e.checked = false;
        programs.rows[1].checked = c.programTicked;
        websites.rows[0].checked = c.websiteTicked;

        EXPECT_EQ(profiles.SaveDefaultProfile(c.websitesAvailable), c.saves);
        if (c.saves) {
            EXPECT_TRUE(ui.shown.empty());
            EXPECT_EQ(Files(), (std::vector<std::string>{"default.apps", "default.profile",
                                                         "default.webs"}));
            EXPECT_EQ(Load(In("default.apps")), programs.rows);
            EXPECT_EQ(Load(In("default.webs")), websites.rows);
        } else {
            ExpectOneMessage(kNothingToBlockMessage, Owner::MainDialog);
            EXPECT_TRUE(Files().empty());
        }
    }
}

TEST_F(ProfilesTest, DefaultProfileInAFolderThatCannotBeWritten) {
    FakeUi otherUi;
    Profiles elsewhere(otherUi, In("gone") + "/");
    elsewhere.SetPages(&programs, &websites);
    EXPECT_EQ(elsewhere.DefaultProfilePath(), In("gone") + "/default.profile");
    EXPECT_FALSE(elsewhere.SaveDefaultProfile(false));
    ASSERT_EQ(otherUi.shown.size(), 1u);
    EXPECT_EQ(otherUi.shown[0].text, kSaveProfileError);
    EXPECT_EQ(otherUi.shown[0].owner, Owner::None);
}

TEST_F(ProfilesTest, WithoutBothPagesNothingHappens) {
    ASSERT_TRUE(SaveEntryList(In("default.apps"), kPrograms));
    ASSERT_TRUE(SaveEntryList(In("a.apps"), kPrograms));
    ASSERT_TRUE(SaveEntryList(In("a.webs"), kWebsites));
    profiles.SetPages(&programs, nullptr);
    ui.savePath = ui.loadPath = In("a.profile");
    EXPECT_FALSE(profiles.SaveProfile(In("b.profile")));
    EXPECT_FALSE(profiles.SaveDefaultProfile(true));
    profiles.LoadStartupLists();
    profiles.OnNewProfile();
    profiles.OnLoadProfile();
    profiles.OnSaveProfile();
    EXPECT_EQ(ui.saveAsked + ui.loadAsked, 0);
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_EQ(programs.startupList, nullptr);
    EXPECT_EQ(programs.rows, kPrograms);
    EXPECT_EQ(Files(), (std::vector<std::string>{"a.apps", "a.webs", "default.apps"}));
}

}  // namespace
