#include "programs/ProgramRules.h"

#include "lists/SelectionBoxes.h"

#include <gtest/gtest.h>

#include <set>

namespace {

struct Files {
    std::set<std::string> present;
    std::function<bool(const std::string&)> exists() {
        return [this](const std::string& p) { return present.count(p) > 0; };
    }
};

TEST(ProgramRules, LabelsCarryALeadingSpaceThatNamesDrop) {
    EXPECT_EQ(RowLabel("Mail"), " Mail");
    EXPECT_EQ(RowLabel(""), " ");
    EXPECT_EQ(NameFromLabel(" Mail"), "Mail");
    EXPECT_EQ(NameFromLabel("  Mail"), "Mail");
    EXPECT_EQ(NameFromLabel("\t Mail app "), "Mail app ");
    EXPECT_EQ(NameFromLabel(" "), "");
    EXPECT_EQ(NameFromLabel(""), "");
}

TEST(ProgramRules, RefusalsComeInOrder) {
    Files files;
    files.present = {"C:\\Games\\game.exe",     "C:\\Tools\\run.COM",   "C:\\notes.txt",
                     "C:\\Tools\\Hushwall.exe", "C:\\Games\\other.exe", " C:\\Games\\game.exe"};
    const std::string own = "c:\\tools\\hushwall.EXE";
    const std::vector<std::string> listed = {"c:\\games\\GAME.exe"};
    auto refuse = [&](const std::string& path) {
        return RefuseNewProgram(path, files.exists(), own, listed);
    };
    EXPECT_STREQ(refuse(""), kNoProgramMessage);
    EXPECT_STREQ(refuse("C:\\missing.exe"), kMissingProgramMessage);
    EXPECT_STREQ(refuse("C:\\notes.txt"), kNotAProgramMessage);
    EXPECT_STREQ(refuse("C:\\Tools\\Hushwall.exe"), kOwnProgramMessage);
    EXPECT_STREQ(refuse("C:\\Games\\game.exe"), kListedProgramMessage) << "letter case aside";
    EXPECT_EQ(refuse("C:\\Games\\other.exe"), nullptr);
    EXPECT_EQ(refuse("C:\\Tools\\run.COM"), nullptr);
    // Taken as typed: a leading blank makes it another path.
    EXPECT_EQ(refuse(" C:\\Games\\game.exe"), nullptr);
    // A missing file is told before a wrong extension, a wrong extension before the own program.
    EXPECT_STREQ(refuse("C:\\missing.txt"), kMissingProgramMessage);
    files.present.insert("C:\\Tools\\Hushwall.txt");
    EXPECT_STREQ(
        RefuseNewProgram("C:\\Tools\\Hushwall.txt", files.exists(), "C:\\Tools\\Hushwall.txt", {}),
        kNotAProgramMessage);
}

TEST(ProgramRules, FileTitleDropsFolderAndExtension) {
    EXPECT_EQ(FileTitleOf("C:\\Windows\\notepad.exe"), "notepad");
    EXPECT_EQ(FileTitleOf("C:\\Program Files\\Word Pad\\word.pad.exe"), "word.pad");
    EXPECT_EQ(FileTitleOf("run.com"), "run");
    EXPECT_EQ(FileTitleOf("C:\\Tools\\README"), "README");
    EXPECT_EQ(FileTitleOf("Z:/tmp/tool.exe"), "tool");
}

TEST(ProgramRules, SelectionBoxesFollowTheTicks) {
    // Every row ticked: "Select All" on, "Deselect All" off.
    SelectionBoxes boxes = SyncSelectionBoxes({false, true}, 3, 3);
    EXPECT_TRUE(boxes.selectAll);
    EXPECT_FALSE(boxes.deselectAll);
    // One row unticked again.
    boxes = SyncSelectionBoxes(boxes, 2, 3);
    EXPECT_FALSE(boxes.selectAll);
    EXPECT_FALSE(boxes.deselectAll);
    // None ticked.
    boxes = SyncSelectionBoxes(boxes, 0, 3);
    EXPECT_FALSE(boxes.selectAll);
    EXPECT_TRUE(boxes.deselectAll);
    // An empty list is both all ticked and none ticked.
    boxes = SyncSelectionBoxes({false, false}, 0, 0);
    EXPECT_TRUE(boxes.selectAll);
    EXPECT_TRUE(boxes.deselectAll);
    // Some ticked keeps unticked boxes as they are.
    boxes = SyncSelectionBoxes({false, false}, 1, 3);
    EXPECT_FALSE(boxes.selectAll);
    EXPECT_FALSE(boxes.deselectAll);
}

}  // namespace
