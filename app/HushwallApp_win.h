#pragma once
#include <memory>
#include <string>

#include "app/RegistrySettings_win.h"
#include "toolkit/App.h"

class SplashDlg;

class CHushwallApp : public CWinApp {
public:
    CHushwallApp();
    ~CHushwallApp() override;

    bool InitInstance() override;
    int ExitInstance() override;

    bool IsAlreadyRunning() const;
    void CloseSplash();

    std::string exeFullPath;
    std::string exeFolder;
    std::unique_ptr<RegistrySettings> settings;

private:
    std::unique_ptr<SplashDlg> m_splash;
};

CHushwallApp& TheApp();
// The program's settings; valid from start-up on.
SettingsStore& AppSettings();

constexpr UINT kSplashMs = 2000;
