#include "filter/HostsSection.h"

#include <set>

namespace {

const char kBom[] = "\xEF\xBB\xBF";
const std::string kBegin = "# Hushwall: blocked during a session, removed after it";
const std::string kBeginCreated =
    "# Hushwall: blocked during a session, removed after it (file added)";
const std::string kEnd = "# Hushwall: end";
const std::string kIpv4 = "0.0.0.0 ";
const std::string kIpv6 = ":: ";

bool IsNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
}

struct Line {
    size_t begin, end;    // the whole line, its ending included
    std::string content;  // without the ending
};

std::vector<Line> SplitLines(const std::string& text, size_t from) {
    std::vector<Line> lines;
    while (from < text.size()) {
        const size_t newline = text.find('\n', from);
        const size_t end = newline == std::string::npos ? text.size() : newline + 1;
        size_t contentEnd = newline == std::string::npos ? text.size() : newline;
        if (contentEnd > from && text[contentEnd - 1] == '\r')
            --contentEnd;
        lines.push_back({from, end, text.substr(from, contentEnd - from)});
        from = end;
    }
    return lines;
}

// One of our entry lines, exactly as we write them.
std::optional<std::string> EntryName(const std::string& line) {
    for (const std::string* prefix : {&kIpv4, &kIpv6}) {
        if (line.compare(0, prefix->size(), *prefix) == 0) {
            const std::string rest = line.substr(prefix->size());
            const auto name = NormalizeHostName(rest);
            if (name && *name == rest)
                return name;
        }
    }
    return std::nullopt;
}

void AddOnce(std::vector<std::string>& names, std::set<std::string>& held,
             const std::string& name) {
    if (held.insert(name).second)
        names.push_back(name);
}

}  // namespace

std::optional<std::string> NormalizeHostName(const std::string& text) {
    if (text.empty() || text.size() > kMaxHostNameLength)
        return std::nullopt;
    std::string name;
    size_t label = 0;
    for (const char c : text) {
        if (c == '.') {
            if (label == 0)
                return std::nullopt;
            label = 0;
        } else if (IsNameCharacter(c)) {
            if (++label > 63)
                return std::nullopt;
        } else {
            return std::nullopt;
        }
        name.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    }
    if (label == 0)
        return std::nullopt;
    return name;
}

StrippedHosts StripHostsSection(const std::string& file) {
    StrippedHosts result;
    const size_t start = file.compare(0, 3, kBom) == 0 ? 3 : 0;
    const std::vector<Line> lines = SplitLines(file, start);
    std::vector<size_t> kept;
    std::set<std::string> held;
    for (size_t i = 0; i < lines.size();) {
        const std::string& content = lines[i].content;
        if (content == kBegin || content == kBeginCreated) {
            result.created = result.created || content == kBeginCreated;
            for (++i; i < lines.size(); ++i) {
                const auto name = EntryName(lines[i].content);
                if (!name)
                    break;
                AddOnce(result.names, held, *name);
            }
            if (i < lines.size() && lines[i].content == kEnd)
                ++i;
            continue;
        }
        if (content == kEnd) {
            // The head is gone: our entries are the lines just above.
            std::vector<std::string> above;
            while (!kept.empty() && kept.back() + above.size() + 1 == i) {
                const auto name = EntryName(lines[kept.back()].content);
                if (!name)
                    break;
                above.insert(above.begin(), *name);
                kept.pop_back();
            }
            for (const std::string& name : above)
                AddOnce(result.names, held, name);
            ++i;
            continue;
        }
        kept.push_back(i++);
    }
    result.text = file.substr(0, start);
    for (size_t i : kept)
        result.text.append(file, lines[i].begin, lines[i].end - lines[i].begin);
    return result;
}

std::optional<std::string> WithHostsSection(const std::string& text,
                                            const std::vector<std::string>& names, bool created) {
    if (text.size() >= 2 &&
        ((text[0] == '\xFF' && text[1] == '\xFE') || (text[0] == '\xFE' && text[1] == '\xFF')))
        return std::nullopt;
    const size_t newline = text.find('\n');
    const std::string eol =
        newline != std::string::npos && (newline == 0 || text[newline - 1] != '\r') ? "\n" : "\r\n";
    const size_t start = text.compare(0, 3, kBom) == 0 ? 3 : 0;
    std::string out = text.substr(0, start);
    out += (created ? kBeginCreated : kBegin) + eol;
    for (const std::string& name : names) {
        if (NormalizeHostName(name) != name)
            continue;  // only names as the check lets them through reach the file
        out += kIpv4 + name + eol + kIpv6 + name + eol;
    }
    out += kEnd + eol;
    out.append(text, start, std::string::npos);
    return out;
}
