#pragma once
#include <string>

#include "base/SettingsStore.h"

// The registry key under HKEY_CURRENT_USER that holds one section.
std::string SettingsKeyPath(const std::string& company, const std::string& appName,
                            const std::string& section);

constexpr const char* kCompanyKey = "Calderine";
