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

constexpr UINT kSplashMs = 2000;
