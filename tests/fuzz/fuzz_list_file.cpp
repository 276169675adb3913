#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "lists/ListFile.h"

// Properties: a failed decode leaves the list empty; decoded strings hold
// no zero byte; whatever decodes survives encode -> decode unchanged; and
// encoding is canonical, so a second encode gives the same bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    EntryList list{{"stale", "stale", true}};
    if (!DecodeEntryList(reinterpret_cast<const char*>(data), size, list)) {
        if (!list.empty())
            std::abort();
        return 0;
    }

    const std::string bytes = EncodeEntryList(list);
    size_t expected = 8;
    for (const ListEntry& e : list) {
        if (e.target.find('\0') != std::string::npos || e.name.find('\0') != std::string::npos)
            std::abort();
        expected += 9 + e.target.size() + e.name.size();
    }
    if (bytes.size() != expected || bytes.size() > size)
        std::abort();

    EntryList again;
    if (!DecodeEntryList(bytes.data(), bytes.size(), again) || again.size() != list.size())
        std::abort();
    for (size_t i = 0; i < list.size(); ++i) {
        if (again[i].target != list[i].target || again[i].name != list[i].name ||
            again[i].checked != list[i].checked)
            std::abort();
    }
    if (EncodeEntryList(again) != bytes)
        std::abort();
    return 0;
}
