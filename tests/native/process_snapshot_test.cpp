#include <gtest/gtest.h>

#include <map>

#include "programs/ProcessSnapshot.h"

namespace {

// A pretend system: processes with modules, and the failures we want to see.
class FakeNtApi : public NtProcessApi {
public:
    struct Process {
        std::vector<std::string> modules;
        bool openable = true;
        bool modulesListable = true;
        std::string image;  // what the direct image query reports
    };
    std::vector<std::pair<uint32_t, Process>> processes;
    bool enumFails = false;
    std::vector<uint32_t> enumModuleBufferSizes;
    int open = 0;

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
        Process* p = Find(pid);
        return p ? p->image : std::string();
    }
    void Close(Handle) override { --open; }

private:
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

}  // namespace
