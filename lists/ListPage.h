#pragma once
#include <memory>

#include "lists/ListEntry.h"

// A tab page that shows one list. The rest of the program reaches the rows
// only through these three operations.
class ListPage {
public:
    virtual ~ListPage() = default;
    virtual EntryList GetEntries() = 0;
    virtual void SetEntries(const EntryList& entries) = 0;
    // The list read at start-up, or the page's own default content without one.
    virtual void ResetToStartup() = 0;

    // Read from the default list file at start-up; null when it could not be read.
    std::unique_ptr<EntryList> startupList;
};
