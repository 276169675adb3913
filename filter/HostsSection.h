#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// The service's own lines in the hosts file: every blocked name to 0.0.0.0 and
// ::, between two comment lines, at the head of the file, so that they win
// over any other line for the same name. What is outside stays byte for byte.
constexpr size_t kMaxHostNameLength = 253;

// The name in lower case, or nothing for text that is not a host name: labels
// of 1 to 63 letters, digits, hyphens and underscores, dots between. What
// reaches the file can then be nothing but a name.
std::optional<std::string> NormalizeHostName(const std::string& text);

struct StrippedHosts {
    std::string text;                // the file without our lines
    std::vector<std::string> names;  // the names our lines listed
    bool created = false;            // the file did not exist before our lines
};

// Removes every section of ours, also one whose first or last line someone
// deleted; a file without one comes back unchanged.
StrippedHosts StripHostsSection(const std::string& file);

// The text with our section for the names at its head (after a UTF-8 byte
// order mark), in the text's own line ending. Nothing for a UTF-16 file, into
// which single-byte lines cannot go.
std::optional<std::string> WithHostsSection(const std::string& text,
                                            const std::vector<std::string>& names, bool created);
