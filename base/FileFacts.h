#pragma once
#include <cstdint>
#include <string>

#include "base/Sha256.h"

// What tells two files apart without comparing them byte by byte.
struct FileStamp {
    uint64_t size = 0;
    uint64_t lastWrite = 0;  // the system's file time
    bool operator==(const FileStamp& other) const {
        return size == other.size && lastWrite == other.lastWrite;
    }
};

// The few facts about files that matching needs, asked of the system.
class FileFacts {
public:
    virtual ~FileFacts() = default;
    // False when there is no such file (a folder is not one).
    virtual bool Stamp(const std::string& path, FileStamp& stamp) = 0;
    // The digest of the file's bytes; false when it cannot be read.
    virtual bool Digest(const std::string& path, Sha256Digest& digest) = 0;
};
