#pragma once

#include <string>

// Replaces `target` with `source` in one step; `source` is gone afterwards.
// Fails, leaving both as they were, if the target cannot be replaced
// (on Windows also when another process holds it open without sharing).
bool ReplaceFileWith(const std::string& source, const std::string& target);
