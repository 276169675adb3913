#include "app/Settings.h"

std::string SettingsKeyPath(const std::string& company, const std::string& appName,
                            const std::string& section) {
    return "Software\\" + company + "\\" + appName + "\\" + section;
}
