#pragma once
#include <functional>
#include <string>
#include <vector>

// What a row of a list page shows for an entry's name, and back.
std::string RowLabel(const std::string& name);
// The label without its leading white space.
std::string NameFromLabel(const std::string& label);

// Why a program cannot be added, checked in this order; null when it can.
// The path is taken exactly as typed: no trimming, no expansion.
const char* RefuseNewProgram(const std::string& path,
                             const std::function<bool(const std::string&)>& exists,
                             const std::string& ownExePath,
                             const std::vector<std::string>& listedTargets);

// A file name without folder and extension: "C:\Windows\notepad.exe" gives "notepad".
std::string FileTitleOf(const std::string& path);

constexpr const char* kNoProgramMessage =
    "No application specified.\nPlease specify an application.";
constexpr const char* kMissingProgramMessage =
    "Invalid application file path. The specified file does not exist.\nPlease specify an "
    "existent application.";
constexpr const char* kNotAProgramMessage =
    "Invalid application file. The specified file is not an application.\nPlease specify a valid "
    "application file.";
constexpr const char* kOwnProgramMessage =
    "Current application file specified.\nThe current running application's file cannot be "
    "specified for blocking.";
constexpr const char* kListedProgramMessage =
    "The specified application is already in the list.\nPlease specify another application.";
constexpr const char* kNothingToDeleteMessage =
    "No application selected.\nPlease select at least one application before deletion.";
