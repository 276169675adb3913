# The same Windows build for x86-64: runs the Win32 tests where the host cannot execute 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(HUSHWALL_MINGW x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
