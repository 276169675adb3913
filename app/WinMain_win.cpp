#include <windows.h>

#include "app/HushwallApp_win.h"

namespace {
CHushwallApp theApp;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return theApp.Run(instance);
}
