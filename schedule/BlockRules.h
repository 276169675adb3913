#pragma once
#include <cstdint>
#include <string>

#include "lists/ListEntry.h"
#include "schedule/ScheduleBlock.h"

// What the add and modify dialog refuses, and where a block takes its lists from.

constexpr const char* kNoDayMessage =
    "No day selected.\nPlease check at least one day of the week for this block.";
constexpr const char* kSameTimesMessage =
    "The block starts and ends at the same time.\nPlease choose a different end time.";
constexpr const char* kEmptyBlockMessage =
    "No applications or websites selected for this block.\nCheck at least one application or "
    "website, or choose another profile.";
constexpr const char* kNoProfileMessage =
    "No profile specified.\nPlease choose the saved profile that this block blocks.";
constexpr const char* kNoBlockSelectedMessage =
    "No block selected.\nPlease select a block in the list first.";

enum class BlockLists {
    Pages,    // the ticked entries of the Programs and Websites pages
    Profile,  // the ticked entries of a saved profile
    Own,      // the block's lists as they are (modify only)
};

// The dialog's fields when OK is pressed.
struct BlockForm {
    uint8_t days = 0;
    int fromMinute = 0;
    int toMinute = 0;
    BlockLists lists = BlockLists::Pages;
    EntryList pagePrograms;
    EntryList pageWebsites;
    std::string profilePath;
};

// The block to save: the form's days and times, and its own copy of the chosen
// lists. Returns the message that refuses it (days first, then times, then what
// it blocks), and leaves `block` as it was; null when it may be saved.
const char* BuildBlock(const BlockForm& form, ScheduleBlock& block);
