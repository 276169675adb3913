#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/Clock.h"
#include "schedule/ScheduleBlock.h"

// What the Schedule page and the icon say of blocks, in local time.

// "Mon-Fri", "Sat, Sun", "Mon, Wed, Fri", "Every day": Monday first, three or
// more days in a row as a range. Empty without a day.
std::string DaysText(uint8_t days);
// "09:00" for minute 540 after midnight.
std::string TimeText(int minute);
// "3 programs, 5 websites", "1 program", "2 websites"; "Nothing" for none.
std::string BlocksText(size_t programs, size_t websites);
// "until Thu 10:15": the local day and time of `until`.
std::string UntilText(Seconds until);

// The Schedule page's columns of one block.
struct ScheduleRowText {
    std::string days;
    std::string from;
    std::string to;
    std::string blocks;  // with ", until ..." for a block that is going
};
ScheduleRowText RowText(const ScheduleBlock& block);

// The icon's tooltip while Hushwall waits: "Hushwall - next block Mon 09:00".
std::string NextBlockTooltip(Seconds start);
