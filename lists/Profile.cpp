#include "lists/Profile.h"

bool HasSomethingToBlock(const EntryList& programs, const EntryList& websites,
                         bool websiteBlockingAvailable) {
    return CountChecked(programs) > 0 || (websiteBlockingAvailable && CountChecked(websites) > 0);
}
