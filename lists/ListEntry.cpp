#include "lists/ListEntry.h"

unsigned CountChecked(const EntryList& list) {
    unsigned n = 0;
    for (const ListEntry& e : list)
        if (e.checked)
            ++n;
    return n;
}

EntryList CheckedEntries(const EntryList& list) {
    EntryList out;
    for (const ListEntry& e : list)
        if (e.checked)
            out.push_back(e);
    return out;
}
