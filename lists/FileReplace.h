#pragma once

#include <string>

// Replaces `target` with `source` in one step; `source` is gone afterwards.
// Fails, leaving both as they were, if the target cannot be replaced
// (on Windows also when another process holds it open without sharing).
bool ReplaceFileWith(const std::string& source, const std::string& target);

// Writes `data` beside `path` first and swaps it in only once every byte is on
// disk, so a failed save leaves the old file untouched.
bool WriteFileReplacing(const std::string& path, const std::string& data);
