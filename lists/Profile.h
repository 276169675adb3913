#pragma once
#include "lists/ListEntry.h"

constexpr const char* kNothingToBlockMessage =
    "No applications selected for blocking.\nCheck at least one application.";

// A session needs a ticked program, or a ticked website when websites can be blocked.
bool HasSomethingToBlock(const EntryList& programs, const EntryList& websites,
                         bool websiteBlockingAvailable);
