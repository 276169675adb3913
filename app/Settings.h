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

// The registry key under HKEY_CURRENT_USER that holds one section.
std::string SettingsKeyPath(const std::string& company, const std::string& appName,
                            const std::string& section);

// Where the stored blocking session lives.
constexpr const char* kSessionSection = "BlockingSectionInfo";
constexpr const char* kSessionEntry = "BlockingEntryInfo";
constexpr const char* kCompanyKey = "Calderine";
