#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "lists/Profiles.h"

// The system's file dialogs and message boxes for profiles.
class ProfileDialogs : public ProfileUi {
public:
    // `owner` gives the main dialog's window when a box or dialog is shown.
    ProfileDialogs(std::function<HWND()> owner, std::string appName);

    std::optional<std::string> AskSavePath() override;
    std::optional<std::string> AskLoadPath() override;
    void ShowMessage(const char* text, Owner owner) override;
    bool CreateEmptyFile(const std::string& path) override { return ::CreateEmptyFile(path); }

private:
    std::function<HWND()> m_owner;
    std::string m_appName;
};
