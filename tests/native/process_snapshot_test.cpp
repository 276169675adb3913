#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "programs/ProcessMatch.h"
#include "programs/ProcessSnapshot.h"
#include "programs/ProcessWatcher.h"

namespace {

// A pretend system: processes with modules, and the failures we want to see.
// Both listings read it: the process-status calls and the tool-help walk.
class FakeNtApi : public NtProcessApi, public ToolhelpApi {
public:
    struct Process {
        std::vector<std::string> modules;
        bool openable = true;  // for reading, and so for ending
        bool modulesListable = true;
        std::string image;  // what the direct image query reports
        std::string listedName;  // the walk's name when it is not the image's file name
    };
    std::vector<std::pair<uint32_t, Process>> processes;
    bool enumFails = false;
    std::vector<uint32_t> enumModuleBufferSizes;
    int open = 0;
    int pathReads = 0;  // direct image queries and opens for reading

    // The tool-help walk: ids and file names, as the NT family gives them.
    size_t next = 0;
    bool Open() override { return !enumFails; }
    bool First(Entry& e) override {
        next = 0;
        return Next(e);
    }
    bool Next(Entry& e) override {
        if (next >= processes.size())
            return false;
        const Process& p = processes[next].second;
        e.pid = processes[next++].first;
        e.exeFile = p.listedName;
        const std::string main = !p.image.empty() ? p.image
                                 : p.modules.empty() ? std::string()
                                                     : p.modules[0];
        if (e.exeFile.empty())
            e.exeFile = main.substr(main.find_last_of('\\') + 1);
        return true;
    }
    void Close() override {}

    bool EnumProcesses(uint32_t* ids, uint32_t bytes, uint32_t* written) override {
        if (enumFails)
            return false;
        uint32_t n = 0;
        for (auto& p : processes) {
            if ((n + 1) * sizeof(uint32_t) > bytes)
                break;
            ids[n++] = p.first;
        }
        *written = n * sizeof(uint32_t);
        return true;
    }
    Handle OpenForReading(uint32_t pid) override {
        ++pathReads;
        Process* p = Find(pid);
        if (!p || !p->openable)
            return nullptr;
        ++open;
        return p;
    }
    bool EnumModules(Handle h, Module* modules, uint32_t bytes, uint32_t* needed) override {
        Process* p = static_cast<Process*>(h);
        enumModuleBufferSizes.push_back(bytes);
        if (!p->modulesListable)
            return false;
        *needed = static_cast<uint32_t>(p->modules.size() * sizeof(Module));
        for (size_t i = 0; i < p->modules.size() && (i + 1) * sizeof(Module) <= bytes; ++i)
            modules[i] = &p->modules[i];
        return true;
    }
    std::string ModuleFileName(Handle, Module m) override { return *static_cast<std::string*>(m); }
    std::string ImageFileName(uint32_t pid) override {
        ++pathReads;
        Process* p = Find(pid);
        return p ? p->image : std::string();
    }
    Handle Hold(uint32_t pid) override {
        Process* p = Find(pid);
        return p && p->openable ? (++open, p) : nullptr;
    }
    void Close(Handle) override { --open; }

    Process* Find(uint32_t pid) {
        for (auto& p : processes)
            if (p.first == pid)
                return &p.second;
        return nullptr;
    }
};

FakeNtApi::Process Mods(std::vector<std::string> modules) {
    FakeNtApi::Process process;
    process.modules = std::move(modules);
    return process;
}

std::vector<uint32_t> Pids(const ProcessSnapshot& s) {
    std::vector<uint32_t> pids;
    for (auto& r : s)
        pids.push_back(r.pid);
    return pids;
}

TEST(NtSnapshot, KeepsExeAndComModulesInOrderAndRecordsWithoutAny) {
    FakeNtApi api;
    api.processes = {
        {4, Mods({"C:\\Windows\\system32\\ntdll.dll", "C:\\Apps\\Game.EXE", "C:\\Apps\\helper.Com",
                  "C:\\Apps\\x.exe.dll", "C:\\Apps\\exe"})},
        {8, Mods({"C:\\Windows\\system32\\kernel32.dll"})},
    };
    const ProcessSnapshot snapshot = TakeNtSnapshot(api);
    ASSERT_EQ(Pids(snapshot), (std::vector<uint32_t>{4, 8}));
    EXPECT_EQ(snapshot[0].imagePaths,
              (std::vector<std::string>{"C:\\Apps\\Game.EXE", "C:\\Apps\\helper.Com"}));
    EXPECT_TRUE(snapshot[1].imagePaths.empty());
    EXPECT_EQ(api.open, 0) << "every process handle is closed";
}

TEST(NtSnapshot, SkipsProcessesThatCannotBeOpenedOrListed) {
    FakeNtApi api;
    FakeNtApi::Process refused;
    refused.modules = {"C:\\a.exe"};
    refused.openable = false;
    FakeNtApi::Process unlisted;  // neither modules nor image
    unlisted.modulesListable = false;
    api.processes = {{1, refused}, {2, unlisted}, {3, Mods({"C:\\c.exe"})}};
    const ProcessSnapshot snapshot = TakeNtSnapshot(api);
    EXPECT_EQ(Pids(snapshot), (std::vector<uint32_t>{3}));
    EXPECT_EQ(api.open, 0);
}

TEST(NtSnapshot, FallsBackToTheImagePathWhenModulesCannotBeListed) {
    // A 32-bit process looking at a 64-bit one.
    FakeNtApi api;
    FakeNtApi::Process wide;
    wide.modulesListable = false;
    wide.image = "C:\\Windows\\System32\\Taskmgr.exe";
    FakeNtApi::Process odd;
    odd.modulesListable = false;
    odd.image = "C:\\Windows\\System32\\screen.scr";
    api.processes = {{40, wide}, {41, odd}};
    const ProcessSnapshot snapshot = TakeNtSnapshot(api);
    ASSERT_EQ(Pids(snapshot), (std::vector<uint32_t>{40, 41}));
    EXPECT_EQ(snapshot[0].imagePaths,
              (std::vector<std::string>{"C:\\Windows\\System32\\Taskmgr.exe"}));
    EXPECT_TRUE(snapshot[1].imagePaths.empty());
    EXPECT_EQ(api.open, 0);
}

TEST(NtSnapshot, GrowsTheModuleBufferUntilAllHandlesFit) {
    FakeNtApi api;
    FakeNtApi::Process big;
    for (int i = 0; i < 1500; ++i)
        big.modules.push_back("C:\\m\\" + std::to_string(i) + ".dll");
    big.modules.push_back("C:\\m\\last.exe");
    api.processes = {{9, big}};
    const ProcessSnapshot snapshot = TakeNtSnapshot(api);
    ASSERT_EQ(snapshot.size(), 1u);
    EXPECT_EQ(snapshot[0].imagePaths, (std::vector<std::string>{"C:\\m\\last.exe"}));
    ASSERT_EQ(api.enumModuleBufferSizes.size(), 2u);
    EXPECT_EQ(api.enumModuleBufferSizes[0], 1024 * sizeof(void*));
    EXPECT_GE(api.enumModuleBufferSizes[1], 1501 * sizeof(void*));
}

TEST(NtSnapshot, EmptyWhenTheProcessListFailsAndCappedAt1024Processes) {
    FakeNtApi api;
    api.processes = {{1, Mods({"C:\\a.exe"})}};
    api.enumFails = true;
    EXPECT_TRUE(TakeNtSnapshot(api).empty());

    FakeNtApi many;
    for (uint32_t pid = 1; pid <= 1100; ++pid)
        many.processes.push_back({pid, Mods({"C:\\p.exe"})});
    const ProcessSnapshot snapshot = TakeNtSnapshot(many);
    ASSERT_EQ(snapshot.size(), 1024u);
    EXPECT_EQ(snapshot.back().pid, 1024u);
}

class FakeToolhelp : public ToolhelpApi {
public:
    std::vector<Entry> entries;
    bool openFails = false;
    bool closed = false;
    size_t next = 0;
    bool Open() override { return !openFails; }
    bool First(Entry& e) override {
        next = 0;
        return Next(e);
    }
    bool Next(Entry& e) override {
        if (next >= entries.size())
            return false;
        e = entries[next++];
        return true;
    }
    void Close() override { closed = true; }
};

TEST(ToolhelpSnapshot, OneRecordPerEntryWithItsPathWhateverTheExtension) {
    FakeToolhelp api;
    api.entries = {{12, "C:\\WINDOWS\\EXPLORER.EXE"}, {13, "C:\\tools\\thing.bin"}};
    const ProcessSnapshot snapshot = TakeToolhelpSnapshot(api);
    ASSERT_EQ(Pids(snapshot), (std::vector<uint32_t>{12, 13}));
    EXPECT_EQ(snapshot[1].imagePaths, (std::vector<std::string>{"C:\\tools\\thing.bin"}));
    EXPECT_TRUE(api.closed);

    FakeToolhelp failing;
    failing.openFails = true;
    EXPECT_TRUE(TakeToolhelpSnapshot(failing).empty());
}

// A sweep over the fake system through one of the two listings.
class FakeControl : public ProcessControl {
public:
    FakeControl(FakeNtApi& system, bool named) : m_system(system), m_named(named) {}
    std::vector<uint32_t> ended;
    ProcessSnapshot TakeSnapshot(const std::vector<std::string>& wantedPaths) override {
        return m_named ? TakeNamedSnapshot(m_system, m_system, wantedPaths)
                       : TakeNtSnapshot(m_system);
    }
    bool EndProcess(uint32_t pid) override {
        FakeNtApi::Process* p = m_system.Find(pid);
        if (!p || !p->openable)
            return false;
        ended.push_back(pid);
        return true;
    }

private:
    FakeNtApi& m_system;
    bool m_named;
};

class NoWindow : public WatcherHost {
public:
    bool HasMainWindow() override { return false; }
    void HideMainWindow() override {}
    void StartNotice() override {}
};

// What two sweeps end, the ended processes staying gone in between.
std::vector<uint32_t> EndedBy(FakeNtApi system, bool named, const std::vector<std::string>& blocked) {
    FakeControl control(system, named);
    NoWindow host;
    std::atomic<bool> notice{false};
    ProcessWatcher watcher(control, host, notice);
    watcher.Start(blocked);
    for (int sweep = 0; sweep < 2; ++sweep) {
        const size_t before = control.ended.size();
        watcher.Sweep();
        for (size_t i = before; i < control.ended.size(); ++i) {
            auto& ps = system.processes;
            const uint32_t pid = control.ended[i];
            ps.erase(std::remove_if(ps.begin(), ps.end(), [pid](auto& p) { return p.first == pid; }),
                     ps.end());
        }
    }
    return control.ended;
}

// A process as the system shows it: the query names its first module.
FakeNtApi::Process Real(std::vector<std::string> modules) {
    FakeNtApi::Process p = Mods(std::move(modules));
    if (!p.modules.empty())
        p.image = p.modules[0];
    return p;
}

struct SameEndingsCase {
    const char* what;
    std::vector<std::pair<uint32_t, FakeNtApi::Process>> processes;
    std::vector<std::string> blocked;
    std::vector<uint32_t> ended;
};

TEST(NamedSnapshot, EndsWhatTheFullSnapshotEnds) {
    FakeNtApi::Process noQuery = Mods({"C:\\Games\\game.exe"});  // only the modules tell
    FakeNtApi::Process wide;  // 64-bit, seen from 32 bits
    wide.modulesListable = false;
    wide.image = "C:\\Games\\game.exe";
    FakeNtApi::Process guarded = Real({"C:\\Games\\game.exe"});
    guarded.openable = false;
    FakeNtApi::Process shortForm = Real({"C:\\PROGRA~1\\Game\\GAME~1.EXE"});
    shortForm.listedName = "game.exe";
    FakeNtApi::Process screen = Real({"C:\\Games\\game.scr"});

    std::vector<std::pair<uint32_t, FakeNtApi::Process>> many;
    for (uint32_t pid = 1; pid <= 1100; ++pid)
        many.push_back({pid, Real({"C:\\p" + std::to_string(pid) + "\\game.exe"})});

    const std::vector<SameEndingsCase> cases = {
        {"whole paths, letters folded, snapshot order",
         {{10, Real({"C:\\Games\\Solitaire.exe"})}, {11, Real({"C:\\Work\\editor.exe"})},
          {12, Real({"c:\\games\\SOLITAIRE.EXE"})}, {13, Real({"C:\\Games\\Solitaire.exe.old"})},
          {14, Real({"D:\\Games\\Solitaire.exe"})}, {15, Real({"C:\\GAMES\\CHESS.EXE"})}},
         {"C:\\Games\\Chess.exe", "C:\\Games\\Solitaire.exe"},
         {10, 12, 15}},
        {"other forms of a path",
         {{1, Real({"C:\\PROGRA~1\\Game\\game.exe"})},
          {2, Real({"C:\\Program Files\\Game\\.\\game.exe"})},
          {3, Real({"C:/Program Files/Game/game.exe"})},
          {4, Real({" C:\\Program Files\\Game\\game.exe"})}},
         {"C:\\Program Files\\Game\\game.exe"},
         {}},
        {"several rules, one process",
         {{7, Real({"C:\\a.exe", "C:\\b.exe"})}, {8, Real({"C:\\b.exe"})}},
         {"C:\\a.exe", "C:\\A.EXE", "C:\\b.exe"},
         {7, 8}},
        {"no images", {{1, Real({})}, {2, Real({""})}}, {"", "C:\\a.exe"}, {}},
        {"task manager after the blocked, one per sweep",
         {{20, Real({"C:\\Windows\\System32\\Taskmgr.exe"})}, {21, Real({"C:\\Games\\game.exe"})},
          {22, Real({"C:\\Tools\\TASKMGR.EXE"})}},
         {"C:\\Games\\game.exe"},
         {21, 20, 22}},
        {"task manager without blocked programs",
         {{20, Real({"C:\\Windows\\System32\\Taskmgr.exe"})}},
         {},
         {20}},
        {"task manager tail edges",
         {{1, Real({"C:\\x\\mytaskmgr.exe"})}, {2, Real({"C:\\x\\taskmgr.exe.bak"})},
          {3, Real({"C:\\x\\askmgr.exe"})}, {4, Real({"C:\\x\\taskmgr.com"})},
          {5, Real({"taskmgr.exe"})}},
         {},
         {1, 5}},
        {"a blocked task manager once",
         {{30, Real({"C:\\Windows\\taskmgr.exe"})}, {31, Real({"C:\\Other\\taskmgr.exe"})}},
         {"c:\\windows\\TASKMGR.exe"},
         {30, 31}},
        {"one id listed thrice",
         {{5, Real({"C:\\a.exe"})}, {5, Real({"C:\\a.exe"})}, {5, Real({"C:\\taskmgr.exe"})}},
         {"C:\\a.exe"},
         {5}},
        {"every copy, one sweep",
         {{1, Real({"C:\\Games\\game.exe"})}, {2, Real({"C:\\Work\\notes.exe"})},
          {3, Real({"c:\\games\\GAME.exe"})}},
         {"C:\\Games\\game.exe"},
         {1, 3}},
        {"only the modules tell", {{1, noQuery}}, {"C:\\Games\\game.exe"}, {1}},
        {"modules cannot be listed", {{1, wide}}, {"C:\\Games\\game.exe"}, {1}},
        {"cannot be opened", {{1, guarded}}, {"C:\\Games\\game.exe"}, {}},
        {"a short name in the list", {{1, shortForm}}, {"C:\\PROGRA~1\\Game\\GAME~1.EXE"}, {1}},
        {"not an executable image", {{1, screen}}, {"C:\\Games\\game.scr"}, {}},
        {"the first 1024 processes only",
         many,
         {"C:\\p1000\\game.exe", "C:\\p1050\\game.exe"},
         {1000}},
    };
    for (const SameEndingsCase& c : cases) {
        FakeNtApi system;
        system.processes = c.processes;
        EXPECT_EQ(EndedBy(system, false, c.blocked), c.ended) << c.what << " (full)";
        EXPECT_EQ(EndedBy(system, true, c.blocked), c.ended) << c.what << " (named)";
    }
}

TEST(NamedSnapshot, ReadsPathsOnlyOfProcessesThatMayMatch) {
    FakeNtApi system;
    for (uint32_t pid = 1; pid <= 50; ++pid)
        system.processes.push_back({pid, Real({"C:\\bg\\idle" + std::to_string(pid) + ".exe"})});
    system.processes.push_back({60, Real({"C:\\Games\\Game.exe"})});
    system.processes.push_back({61, Real({"D:\\Other\\GAME.EXE"})});
    system.processes.push_back({62, Real({"C:\\Windows\\mytaskmgr.exe"})});

    const ProcessSnapshot snapshot = TakeNamedSnapshot(system, system, {"C:\\Games\\game.exe"});
    EXPECT_EQ(system.pathReads, 3) << "the two game.exe and the task manager";
    ASSERT_EQ(snapshot.size(), 53u) << "every listed process has a record";
    EXPECT_TRUE(snapshot[0].imagePaths.empty());
    EXPECT_EQ(snapshot[51].imagePaths, (std::vector<std::string>{"D:\\Other\\GAME.EXE"}));
    EXPECT_EQ(system.open, 0);

    FakeNtApi failing;
    failing.enumFails = true;
    EXPECT_TRUE(TakeNamedSnapshot(failing, failing, {"C:\\a.exe"}).empty());
}

TEST(NamedSnapshot, AProcessThatLoadedABlockedExeAsAModuleIsNoLongerEnded) {
    // The one known difference: the system's image path names the main executable.
    FakeNtApi system;
    system.processes = {{1, Real({"C:\\Tools\\host.exe", "C:\\Games\\game.exe"})}};
    EXPECT_EQ(EndedBy(system, false, {"C:\\Games\\game.exe"}), (std::vector<uint32_t>{1}));
    EXPECT_TRUE(EndedBy(system, true, {"C:\\Games\\game.exe"}).empty());
}

// Files by path: their bytes and last-write time; each digest read is counted.
// A file whose bytes are "?" cannot be read.
class FakeFiles : public FileFacts {
public:
    std::map<std::string, std::pair<std::string, uint64_t>> files;
    std::map<std::string, int> reads;
    bool Stamp(const std::string& path, FileStamp& stamp) override {
        auto it = files.find(path);
        if (it == files.end())
            return false;
        stamp = {it->second.first.size(), it->second.second};
        return true;
    }
    bool Digest(const std::string& path, Sha256Digest& digest) override {
        ++reads[path];
        auto it = files.find(path);
        if (it == files.end() || it->second.first == "?")
            return false;
        Sha256 sha;
        sha.Update(it->second.first.data(), it->second.first.size());
        digest = sha.Final();
        return true;
    }
};

using Ids = std::vector<uint32_t>;

TEST(BlockedProcessFinder, EndsByteForByteCopiesOfBlockedFilesOnly) {
    const std::string game = "C:\\Games\\game.exe", taskmgr = "C:\\Windows\\taskmgr.exe";
    const std::string notes = "D:\\Notes\\notes.exe", tm = "D:\\Tools\\tm.exe";
    FakeNtApi system;
    system.processes = {{1, Real({game})}, {2, Real({notes})}, {3, Real({"D:\\Notes\\GAME.EXE"})},
                        {4, Real({taskmgr})}, {5, Real({tm})}};
    const struct {
        const char* what;
        std::map<std::string, std::pair<std::string, uint64_t>> files;
        std::vector<std::string> blocked;
        Ids ended;
    } cases[] = {
        {"a copy under any name or folder, after the path match and the task manager",
         {{game, {"GAME", 1}}, {notes, {"GAME", 7}}}, {game}, {1, 4, 2}},
        {"same size, one byte different", {{game, {"GAME", 1}}, {notes, {"GAMF", 1}}}, {game}, {1, 4}},
        {"the blocked file missing: its path alone", {{notes, {"", 1}}}, {game}, {1, 4}},
        {"the blocked file unreadable", {{game, {"?", 1}}, {notes, {"?", 1}}}, {game}, {1, 4}},
        {"an image file that cannot be found", {{game, {"GAME", 1}}}, {game}, {1, 4}},
        {"a copy of the task manager is not blocked by the tail rule",
         {{taskmgr, {"TASK", 1}}, {tm, {"TASK", 1}}}, {}, {4}},
        {"a blocked task manager's copies are", {{taskmgr, {"TASK", 1}}, {tm, {"TASK", 1}}}, {taskmgr},
         {4, 5}},
    };
    for (const auto& c : cases) {
        FakeFiles files;
        files.files = c.files;
        BlockedProcessFinder finder(system, system, files);
        EXPECT_EQ(finder.Find(c.blocked), c.ended) << c.what;
    }
}

TEST(BlockedProcessFinder, ReadsEachImageAndDigestOnceUntilTheFileChanges) {
    const std::string game = "C:\\Games\\game.exe", x = "D:\\a\\x.exe", y = "D:\\a\\y.exe";
    FakeNtApi system;
    FakeNtApi::Process starting;  // listed, but its image not told yet
    starting.listedName = "late.exe";
    system.processes = {{1, Real({x})}, {2, Real({y})}, {3, Real({"D:\\a\\z.exe"})}, {4, starting}};
    FakeFiles files;
    files.files = {{game, {"GAME", 1}}, {x, {"GAME", 1}}, {y, {"GAMF", 1}}, {"D:\\a\\z.exe", {"LONGER", 1}},
                   {"D:\\a\\late.exe", {"GAME", 1}}, {"C:\\Games\\big.exe", {"BIGGAME", 1}}};
    const std::vector<std::string> blocked = {game, "C:\\Games\\big.exe"};
    {
        BlockedProcessFinder finder(system, system, files);
        EXPECT_EQ(finder.Find(blocked), Ids{1});
        const int pathReads = system.pathReads;
        EXPECT_EQ(finder.Find(blocked), Ids{1});
        EXPECT_EQ(system.pathReads - pathReads, 2) << "only the process that told no image, again";
        EXPECT_EQ(files.reads, (std::map<std::string, int>{{game, 1}, {x, 1}, {y, 1}}))
            << "a file whose size no other file has is never read";

        system.processes[3].second.image = "D:\\a\\late.exe";
        EXPECT_EQ(finder.Find(blocked), (Ids{1, 4})) << "told its image late";

        // The blocked file replaced: read again; what is now its copy was read before.
        files.files[game] = {"GAMF", 2};
        EXPECT_EQ(finder.Find(blocked), Ids{2});
        EXPECT_EQ(files.reads[game], 2);

        // A new process of a file already read; the gone one is let go.
        system.processes.erase(system.processes.begin());
        system.processes.push_back({9, Real({y})});
        EXPECT_EQ(finder.Find(blocked), (Ids{2, 9}));
        EXPECT_EQ(files.reads[y], 1);
        EXPECT_EQ(system.open, 4) << "each listed process held";
    }
    EXPECT_EQ(system.open, 0);
}

}  // namespace
