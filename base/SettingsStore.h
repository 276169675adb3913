#pragma once
#include <string>

// The program's settings: string values by section and entry.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual std::string GetString(const std::string& section, const std::string& entry,
                                  const std::string& fallback = std::string()) = 0;
    virtual bool WriteString(const std::string& section, const std::string& entry,
                             const std::string& value) = 0;
};
