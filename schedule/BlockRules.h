#pragma once
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

// Why the block cannot be saved; null when it can. In the dialog's order:
// days, times, then what it blocks.
const char* RefuseBlock(const ScheduleBlock& block);

// The block's own copy of the ticked entries of both lists.
void TakeCheckedEntries(const EntryList& programs, const EntryList& websites, ScheduleBlock& block);

// The ticked entries of a saved profile's lists; the message to show when they
// cannot be read, and then the block's lists are left as they were.
const char* TakeProfileEntries(const std::string& profilePath, ScheduleBlock& block);
