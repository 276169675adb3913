#pragma once
#include <windows.h>

class CDialog;

// The process's application object: start-up in InitInstance, wind-down in ExitInstance.
class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();

    virtual bool InitInstance() { return false; }
    virtual int ExitInstance() { return m_exitCode; }

    HINSTANCE m_hInstance = nullptr;
    CDialog* m_pMainWnd = nullptr;

    // Runs the application: WinMain calls this.
    int Run(HINSTANCE instance);

protected:
    int m_exitCode = 0;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
// The main window's handle, or null while there is none.
HWND AfxGetMainHwnd();
