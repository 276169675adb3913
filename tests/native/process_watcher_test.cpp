#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "programs/ProcessWatcher.h"

namespace {

class FakeProcesses : public ProcessControl {
public:
    ProcessSnapshot running;
    std::set<uint32_t> protectedPids;  // cannot be opened for ending
    std::vector<uint32_t> ended;
    std::function<void()> duringSnapshot;

    ProcessSnapshot TakeSnapshot(const std::vector<std::string>&) override {
        if (duringSnapshot)
            duringSnapshot();
        return running;
    }
    bool EndProcess(uint32_t pid) override {
        if (protectedPids.count(pid))
            return false;
        ended.push_back(pid);
        for (auto it = running.begin(); it != running.end(); ++it)
            if (it->pid == pid) {
                running.erase(it);
                break;
            }
        return true;
    }
    void Run(uint32_t pid, const std::string& path) {
        ProcessRecord record;
        record.pid = pid;
        record.imagePaths = {path};
        running.push_back(record);
    }
};

class FakeHost : public WatcherHost {
public:
    bool mainWindow = true;
    int hides = 0;
    int notices = 0;
    bool HasMainWindow() override { return mainWindow; }
    void HideMainWindow() override { ++hides; }
    void StartNotice() override { ++notices; }
};

struct WatcherTest : ::testing::Test {
    FakeProcesses processes;
    FakeHost host;
    std::atomic<bool> noticeShowing{false};
    ProcessWatcher watcher{processes, host, noticeShowing};
};

TEST_F(WatcherTest, EndsEveryCopyOfABlockedProgramInOneSweepWithOneNotice) {
    processes.Run(1, "C:\\Games\\game.exe");
    processes.Run(2, "C:\\Work\\notes.exe");
    processes.Run(3, "c:\\games\\GAME.exe");
    watcher.Start({"C:\\Games\\game.exe"});

    EXPECT_EQ(watcher.Sweep(), 2u);
    EXPECT_EQ(processes.ended, (std::vector<uint32_t>{1, 3}));
    EXPECT_EQ(host.notices, 1);
    EXPECT_TRUE(noticeShowing.load());
}

TEST_F(WatcherTest, NoFurtherNoticeWhileOneIsShowingAndANewOneAfterItCloses) {
    watcher.Start({"C:\\a.exe"});
    processes.Run(1, "C:\\a.exe");
    watcher.Sweep();
    processes.Run(2, "C:\\a.exe");
    watcher.Sweep();
    EXPECT_EQ(processes.ended.size(), 2u);
    EXPECT_EQ(host.notices, 1);

    noticeShowing.store(false);  // the notice closed
    processes.Run(3, "C:\\a.exe");
    watcher.Sweep();
    EXPECT_EQ(host.notices, 2);
}

TEST_F(WatcherTest, EverySweepHidesTheMainWindowEvenWithNothingToEnd) {
    watcher.Start({});
    processes.Run(1, "C:\\Windows\\notepad.exe");
    watcher.Sweep();
    watcher.Sweep();
    EXPECT_EQ(host.hides, 2);
    EXPECT_TRUE(processes.ended.empty());
    EXPECT_EQ(host.notices, 0);
}

TEST_F(WatcherTest, WebsitesOnlySessionStillEndsTheTaskManager) {
    watcher.Start({});
    processes.Run(7, "C:\\Windows\\System32\\taskmgr.exe");
    EXPECT_EQ(watcher.Sweep(), 1u);
    EXPECT_EQ(processes.ended, (std::vector<uint32_t>{7}));
    EXPECT_EQ(host.notices, 1);
}

TEST_F(WatcherTest, ProcessesThatCannotBeOpenedAreSkippedWithoutNotice) {
    watcher.Start({"C:\\a.exe"});
    processes.Run(1, "C:\\a.exe");
    processes.protectedPids = {1};
    EXPECT_EQ(watcher.Sweep(), 0u);
    EXPECT_EQ(host.notices, 0);
    EXPECT_FALSE(noticeShowing.load());
    // Tried again next time.
    processes.protectedPids.clear();
    EXPECT_EQ(watcher.Sweep(), 1u);
}

TEST_F(WatcherTest, NoNoticeWithoutAMainWindow) {
    host.mainWindow = false;
    watcher.Start({"C:\\a.exe"});
    processes.Run(1, "C:\\a.exe");
    EXPECT_EQ(watcher.Sweep(), 1u);
    EXPECT_EQ(host.notices, 0);
    EXPECT_FALSE(noticeShowing.load());
}

TEST_F(WatcherTest, ASweepDispatchedInsideASweepReturnsAtOnce) {
    watcher.Start({"C:\\a.exe"});
    processes.Run(1, "C:\\a.exe");
    unsigned nested = 99;
    processes.duringSnapshot = [&] {
        EXPECT_TRUE(watcher.sweepBusy());
        nested = watcher.Sweep();
    };
    EXPECT_EQ(watcher.Sweep(), 1u);
    EXPECT_EQ(nested, 0u);
    EXPECT_EQ(processes.ended, (std::vector<uint32_t>{1}));
    EXPECT_EQ(host.hides, 1);
    EXPECT_FALSE(watcher.sweepBusy());
}

TEST_F(WatcherTest, StopForgetsTheBlockedPrograms) {
    watcher.Start({"C:\\a.exe"});
    watcher.Stop();
    EXPECT_TRUE(watcher.blockedPrograms().empty());
    processes.Run(1, "C:\\a.exe");
    EXPECT_EQ(watcher.Sweep(), 0u);
}

}  // namespace
