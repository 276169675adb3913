#pragma once
#include <utility>

#include "app/Settings.h"

// Settings as string values under HKCU\Software\<company>\<application>\<section>.
class RegistrySettings : public SettingsStore {
public:
    RegistrySettings(std::string company, std::string appName)
        : m_company(std::move(company)), m_appName(std::move(appName)) {}

    std::string GetString(const std::string& section, const std::string& entry,
                          const std::string& fallback = std::string()) override;
    bool WriteString(const std::string& section, const std::string& entry,
                     const std::string& value) override;

private:
    std::string m_company;
    std::string m_appName;
};
