# HushwallFilter.exe, the service that owns the website filters. Its portable
# logic is a library of its own (it is not part of Hushwall.exe); on Windows the
# service is built twice from the same sources: shipped over the filtering
# platform, and for the tests over a recording engine.
file(GLOB FILTER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/filter/*.cpp)
set(FILTER_PORTABLE_SOURCES ${FILTER_SOURCES})
list(FILTER FILTER_PORTABLE_SOURCES EXCLUDE REGEX "_win\\.cpp$")
# The guard ends programs with the sweep's own matching and checks the clock
# with the program's own rule, and the keeper reads the schedule with its
# week arithmetic: the same sources, not copies.
add_library(hushwall_filter_core STATIC ${FILTER_PORTABLE_SOURCES}
            ${CMAKE_SOURCE_DIR}/hook/HookRule.cpp ${CMAKE_SOURCE_DIR}/hook/HookPipe.cpp
            ${CMAKE_SOURCE_DIR}/programs/ProcessMatch.cpp ${CMAKE_SOURCE_DIR}/programs/ProcessSnapshot.cpp
            ${CMAKE_SOURCE_DIR}/programs/ProcessWatcher.cpp ${CMAKE_SOURCE_DIR}/base/Sha256.cpp
            ${CMAKE_SOURCE_DIR}/session/ClockCheck.cpp ${CMAKE_SOURCE_DIR}/base/Text.cpp
            ${CMAKE_SOURCE_DIR}/base/NativePath.cpp
            ${CMAKE_SOURCE_DIR}/base/Clock.cpp
            ${CMAKE_SOURCE_DIR}/schedule/ScheduleTime.cpp ${CMAKE_SOURCE_DIR}/schedule/ScheduleChange.cpp
            ${CMAKE_SOURCE_DIR}/schedule/ScheduleFile.cpp ${CMAKE_SOURCE_DIR}/session/LocalTime.cpp
            ${CMAKE_SOURCE_DIR}/lists/FileReplace.cpp)
# The schedule file's writer, which the keeper does not call, needs the replace of its platform.
if(WIN32)
    target_sources(hushwall_filter_core PRIVATE ${CMAKE_SOURCE_DIR}/lists/FileReplace_win.cpp)
else()
    target_sources(hushwall_filter_core PRIVATE ${CMAKE_SOURCE_DIR}/lists/FileReplace_posix.cpp)
endif()
target_include_directories(hushwall_filter_core PUBLIC ${CMAKE_SOURCE_DIR})

if(NOT WIN32)
    return()
endif()

# Everything but the engine factory, which each executable brings.
set(FILTER_ADAPTER_SOURCES ${FILTER_SOURCES})
list(FILTER FILTER_ADAPTER_SOURCES INCLUDE REGEX "_win\\.cpp$")
list(FILTER FILTER_ADAPTER_SOURCES EXCLUDE REGEX "WfpEngine_win\\.cpp$")
add_library(hushwall_filter_win OBJECT ${FILTER_ADAPTER_SOURCES} ${CMAKE_SOURCE_DIR}/base/Clock_win.cpp
            ${CMAKE_SOURCE_DIR}/programs/ProcessPlatform_win.cpp ${CMAKE_SOURCE_DIR}/base/FileFacts_win.cpp)
target_link_libraries(hushwall_filter_win PUBLIC hushwall_filter_core advapi32 shell32 ole32 bcrypt psapi wtsapi32 userenv)

add_executable(HushwallFilter filter/WfpEngine_win.cpp)
target_link_libraries(HushwallFilter PRIVATE hushwall_filter_win fwpuclnt rpcrt4)

add_executable(HushwallFilterTest tests/win32/filter/RecordingEngine_win.cpp)
target_link_libraries(HushwallFilterTest PRIVATE hushwall_filter_win)

if(MINGW)
    target_link_options(HushwallFilter PRIVATE -static -static-libgcc -static-libstdc++)
    target_link_options(HushwallFilterTest PRIVATE -static -static-libgcc -static-libstdc++)
endif()
