#include "lists/FileReplace.h"

#include <windows.h>

bool ReplaceFileWith(const std::string& source, const std::string& target) {
    // WRITE_THROUGH: do not report success before the move is on disk.
    return MoveFileExA(source.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
