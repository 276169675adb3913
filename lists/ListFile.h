#pragma once

#include <cstddef>
#include <string>

#include "lists/ListEntry.h"

// List file: little-endian u32 magic 0x000D0DBF, u32 count, then per entry
// u32 length + target bytes, u32 length + name bytes, one checked byte.

std::string EncodeEntryList(const EntryList& list);

// On failure `out` is left empty, never partly filled.
bool DecodeEntryList(const char* data, size_t size, EntryList& out);

// Writes beside the target first and swaps it in only once every byte is on
// disk, so a failed save leaves the old file untouched.
bool SaveEntryList(const std::string& path, const EntryList& list);

// On failure `list` is left empty.
bool LoadEntryList(const std::string& path, EntryList& list);
