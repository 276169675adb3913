#pragma once
#include <string>

// A path the service may open as SYSTEM: an absolute path on a local drive
// letter ("C:\..."), nothing else. Network paths would make the machine's
// account authenticate to a server the user chose, and device and namespace
// paths ("\\?\", "\\.\", "\??\") reach what no program path should name; so do
// relative paths, alternate streams and reserved device names.
bool IsLocalDrivePath(const std::string& path);
bool IsLocalDrivePath(const std::wstring& path);
