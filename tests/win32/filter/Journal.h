#pragma once
// Reads the journal the recording engine of HushwallFilterTest.exe writes
// (see RecordingEngine_win.cpp): one "<microseconds> <call>" line each.
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

// The recording service writes its journal beside itself, and --install puts
// it under Program Files (tests and service are built for one bitness).
inline std::string InstalledJournalPath() {
    const char* programFiles = std::getenv("ProgramFiles");
    return std::string(programFiles ? programFiles : "C:\\Program Files") +
           "\\Hushwall\\HushwallFilterTest.journal";
}

struct JournalLine {
    long long micros = 0;
    std::string text;
};

inline std::vector<JournalLine> ReadJournal(const std::string& path) {
    std::vector<JournalLine> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t space = line.find(' ');
        if (space == std::string::npos)
            continue;  // a line still being written
        lines.push_back({std::atoll(line.c_str()), line.substr(space + 1)});
    }
    return lines;
}

// The calls without their stamps, each ended by "\r\n".
inline std::string JournalCalls(const std::vector<JournalLine>& lines) {
    std::string text;
    for (const JournalLine& line : lines)
        text += line.text + "\r\n";
    return text;
}
