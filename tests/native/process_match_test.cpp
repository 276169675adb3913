#include <gtest/gtest.h>

#include "records.h"

#include "base/Text.h"
#include "programs/ProcessMatch.h"

namespace {

using Ids = std::vector<uint32_t>;

TEST(FindBlockedProcesses, MatchesWholePathsIgnoringCaseInSnapshotOrder) {
    const ProcessSnapshot snapshot = {
        Proc(10, {"C:\\Games\\Solitaire.exe"}), Proc(11, {"C:\\Work\\editor.exe"}),
        Proc(12, {"c:\\games\\SOLITAIRE.EXE"}), Proc(13, {"C:\\Games\\Solitaire.exe.old"}),
        Proc(14, {"D:\\Games\\Solitaire.exe"}), Proc(15, {"C:\\GAMES\\CHESS.EXE"}),
    };
    // Blocked-list order does not reorder the result.
    EXPECT_EQ(FindBlockedProcesses(snapshot, {"C:\\Games\\Chess.exe", "C:\\Games\\Solitaire.exe"}),
              (Ids{10, 12, 15}));
}

TEST(FindBlockedProcesses, NoNormalisingOfOtherFormsOfAPath) {
    const ProcessSnapshot snapshot = {
        Proc(1, {"C:\\PROGRA~1\\Game\\game.exe"}),
        Proc(2, {"C:\\Program Files\\Game\\.\\game.exe"}),
        Proc(3, {"C:/Program Files/Game/game.exe"}),
        Proc(4, {" C:\\Program Files\\Game\\game.exe"}),
    };
    EXPECT_TRUE(FindBlockedProcesses(snapshot, {"C:\\Program Files\\Game\\game.exe"}).empty());
}

TEST(FindBlockedProcesses, EachProcessOnceEvenWhenSeveralRulesMatch) {
    const ProcessSnapshot snapshot = {
        Proc(7, {"C:\\a.exe", "C:\\b.exe"}),
        Proc(8, {"C:\\b.exe"}),
    };
    EXPECT_EQ(FindBlockedProcesses(snapshot, {"C:\\a.exe", "C:\\A.EXE", "C:\\b.exe"}), (Ids{7, 8}));
}

TEST(FindBlockedProcesses, RecordsWithoutImagesMatchNothing) {
    const ProcessSnapshot snapshot = {Proc(1, {}), Proc(2, {""})};
    EXPECT_EQ(FindBlockedProcesses(snapshot, {"", "C:\\a.exe"}), (Ids{2}));
    EXPECT_TRUE(FindBlockedProcesses(snapshot, {"C:\\a.exe"}).empty());
}

TEST(FindBlockedProcesses, TaskManagerByTailAfterTheBlockedOnesAndOnlyTheFirst) {
    const ProcessSnapshot snapshot = {
        Proc(20, {"C:\\Windows\\System32\\Taskmgr.exe"}),
        Proc(21, {"C:\\Games\\game.exe"}),
        Proc(22, {"C:\\Tools\\TASKMGR.EXE"}),
    };
    // Blocked programs come first; a second task manager waits for the next sweep.
    EXPECT_EQ(FindBlockedProcesses(snapshot, {"C:\\Games\\game.exe"}), (Ids{21, 20}));
    // The rule applies with nothing blocked too.
    EXPECT_EQ(FindBlockedProcesses(snapshot, {}), (Ids{20}));
}

TEST(FindBlockedProcesses, TaskManagerTailRuleEdges) {
    EXPECT_EQ(FindBlockedProcesses({Proc(1, {"C:\\x\\mytaskmgr.exe"})}, {}), (Ids{1}));
    EXPECT_EQ(FindBlockedProcesses({Proc(1, {"taskmgr.exe"})}, {}), (Ids{1}));
    EXPECT_TRUE(FindBlockedProcesses({Proc(1, {"C:\\x\\taskmgr.exe.bak"})}, {}).empty());
    EXPECT_TRUE(FindBlockedProcesses({Proc(1, {"askmgr.exe"})}, {}).empty());
    EXPECT_TRUE(FindBlockedProcesses({Proc(1, {"C:\\x\\taskmgr.com"})}, {}).empty());
}

TEST(FindBlockedProcesses, BlockedTaskManagerIsListedOnceAndEndsTheTaskManagerStep) {
    const ProcessSnapshot snapshot = {
        Proc(30, {"C:\\Windows\\taskmgr.exe"}),
        Proc(31, {"C:\\Other\\taskmgr.exe"}),
    };
    EXPECT_EQ(FindBlockedProcesses(snapshot, {"c:\\windows\\TASKMGR.exe"}), (Ids{30}));
}

TEST(FindBlockedProcesses, DuplicateProcessIdsAppearOnce) {
    const ProcessSnapshot snapshot = {Proc(5, {"C:\\a.exe"}), Proc(5, {"C:\\a.exe"}),
                                      Proc(5, {"C:\\taskmgr.exe"})};
    EXPECT_EQ(FindBlockedProcesses(snapshot, {"C:\\a.exe"}), (Ids{5}));
}

TEST(PathsEqualNoCase, FoldsAsciiLettersOnlyAndComparesWholeStrings) {
    EXPECT_TRUE(PathsEqualNoCase("C:\\Abc.EXE", "c:\\aBC.exe"));
    EXPECT_FALSE(PathsEqualNoCase("C:\\abc.exe", "C:\\abc.ex"));
    EXPECT_FALSE(PathsEqualNoCase("C:\\[a]", "C:\\{a}"));  // '[' and '{' differ by the case bit
    EXPECT_TRUE(PathsEqualNoCase("C:\\\xC4.exe", "C:\\\xC4.exe"));
    EXPECT_FALSE(PathsEqualNoCase("C:\\\xC4.exe", "C:\\\xE4.exe"));  // C locale folds ASCII only
}

}  // namespace
