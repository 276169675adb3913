#pragma once
#include "base/FileFacts.h"

// File facts from the file system, for any process that runs the sweep.
class Win32FileFacts : public FileFacts {
public:
    bool Stamp(const std::string& path, FileStamp& stamp) override;
    bool Digest(const std::string& path, Sha256Digest& digest) override;
};
