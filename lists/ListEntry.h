#pragma once

#include <string>
#include <vector>

// One row of a block list. Strings are raw 8-bit bytes, kept exactly as the
// user or the list file gave them; they never hold a zero byte.
struct ListEntry {
    std::string target;  // full path of an executable, or a URL
    std::string name;    // what the list shows
    bool checked = false;
};

// In the order the list shows them.
using EntryList = std::vector<ListEntry>;

unsigned CountChecked(const EntryList& list);
EntryList CheckedEntries(const EntryList& list);
