# Cross-build for 32-bit Windows with MinGW-w64 (posix threads): what we ship.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(HUSHWALL_MINGW i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
