// Times shortcut discovery over the prefix's real Start menu and desktops, as a
// first start runs it; scripts/bench.sh fills the desktop with folders first.
#include <windows.h>

#include <cstdio>

#include "programs/ProgramDiscovery_win.h"

int main() {
    LARGE_INTEGER freq, a, b;
    ::QueryPerformanceFrequency(&freq);
    ::QueryPerformanceCounter(&a);
    const std::vector<DiscoveredProgram> found = DiscoverInstalledPrograms();
    ::QueryPerformanceCounter(&b);
    std::printf("discovery: %.2f s, %u programs found\n",
                static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(freq.QuadPart),
                static_cast<unsigned>(found.size()));
    return 0;
}
