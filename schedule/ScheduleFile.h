#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "schedule/ScheduleBlock.h"

// Schedule file, all little-endian: u32 magic 0x43535748 ("HWSC"), u32
// version 1, u32 block count, then per block: u8 days, u16 from, u16 to,
// i64 until, and its programs and websites, each as a u32 count of entries
// written as in a list file (u32 length + target, u32 length + name, one
// checked byte 0 or 1). Nothing follows the last block.

constexpr const char* kScheduleFileName = "default.schedule";

// Caps the reader holds every file to; the writer refuses what exceeds them.
constexpr uint32_t kMaxScheduleBlocks = 256;
constexpr uint32_t kMaxBlockEntries = 4096;  // per list
constexpr uint32_t kMaxEntryText = 4096;     // bytes of a target or a name
constexpr size_t kMaxScheduleFileSize = 16 * 1024 * 1024;

enum class ScheduleFileResult {
    Ok,
    Missing,     // no file yet: an empty schedule, not a fault
    Unreadable,  // the file exists but could not be read
    Foreign,     // not a schedule file
    Newer,       // written by a later version of the program
    Damaged,     // truncated, or a field out of range
    TooLarge,
};

constexpr const char* kScheduleUnreadableMessage =
    "The schedule could not be read, so none of its blocks will start for now.";
constexpr const char* kScheduleDamagedMessage =
    "The schedule file is damaged or is not a Hushwall schedule. It was not loaded; the lists "
    "and profiles are unchanged.";
constexpr const char* kScheduleNewerMessage =
    "The schedule was saved by a newer version of Hushwall. It was not loaded.";

// The message for a failed load; null for Ok and Missing.
const char* ScheduleLoadMessage(ScheduleFileResult result);

// Days within the week and not none, minutes of a day, entries the reader takes.
bool ValidScheduleBlock(const ScheduleBlock& block);

// Every block valid and the whole within the caps, so that it reads back.
bool ScheduleFits(const Schedule& schedule);

std::string EncodeSchedule(const Schedule& schedule);

// On failure `out` is left empty.
ScheduleFileResult DecodeSchedule(const char* data, size_t size, Schedule& out);

// Through a temporary file and a replace; false, leaving the old file, also
// when the schedule does not fit.
bool SaveSchedule(const std::string& path, const Schedule& schedule);

// On failure `out` is left empty.
ScheduleFileResult LoadSchedule(const std::string& path, Schedule& out);
