# Windows build: Hushwall.exe, its Win32 adapters and the tests that run under Wine.
enable_testing()

add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# The version header that every .rc file of the tree includes (res/VersionInfo.rc),
# and the manifest with the same version; windres finds both on the include path.
set(HUSHWALL_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_SOURCE_DIR}/res/version.h.in ${HUSHWALL_GENERATED_DIR}/hushwall_version.h @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/res/Hushwall.manifest.in ${HUSHWALL_GENERATED_DIR}/Hushwall.manifest @ONLY)
include_directories(${HUSHWALL_GENERATED_DIR} ${CMAKE_SOURCE_DIR}/res)

list(FILTER WIN32_SOURCES EXCLUDE REGEX "WinMain_win\\.cpp$")
# Portable code calls a few adapters (file replacement), so one library holds both.
target_sources(hushwall_core PRIVATE ${WIN32_SOURCES})
target_link_libraries(hushwall_core PUBLIC psapi comctl32 comdlg32 ole32 uuid shell32 shlwapi user32 gdi32 advapi32 ws2_32 iphlpapi wininet)

add_executable(Hushwall WIN32 app/WinMain_win.cpp res/Hushwall.rc)
target_link_libraries(Hushwall PRIVATE hushwall_core)
if(MINGW)
    target_link_options(Hushwall PRIVATE -static -static-libgcc -static-libstdc++)
endif()

# What we ship: the right machine, the GUI subsystem, no DLLs beyond the system's.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(HUSHWALL_MACHINE x86-64)
else()
    set(HUSHWALL_MACHINE i386)
endif()
add_test(NAME shipped_executable
         COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-exe.sh $<TARGET_FILE:Hushwall> ${CMAKE_OBJDUMP} ${HUSHWALL_MACHINE})
set_tests_properties(shipped_executable PROPERTIES LABELS static)

include(cmake/Filter.cmake)
# The filter service carries the same version resource.
target_sources(HushwallFilter PRIVATE res/HushwallFilter.rc)
add_test(NAME shipped_filter_service
         COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-exe.sh $<TARGET_FILE:HushwallFilter> ${CMAKE_OBJDUMP} ${HUSHWALL_MACHINE} console)
set_tests_properties(shipped_filter_service PROPERTIES LABELS static)

# The x86-64 service that the 32-bit build ships for 64-bit Windows is built by
# a nested build of this tree that stops here.
option(HUSHWALL_FILTER_ONLY "Configure only the filter service" OFF)
if(HUSHWALL_FILTER_ONLY)
    return()
endif()
if(NOT CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(HUSHWALL_FILTER64_DIR ${CMAKE_BINARY_DIR}/filter64)
    set(HUSHWALL_FILTER64 ${HUSHWALL_FILTER64_DIR}/bin/HushwallFilter.exe)
    find_program(HUSHWALL_OBJDUMP64 x86_64-w64-mingw32-objdump REQUIRED)
    find_program(HUSHWALL_STRIP64 x86_64-w64-mingw32-strip REQUIRED)
    # Always run: the nested build itself knows what is out of date.
    add_custom_target(HushwallFilter64 ALL
        COMMAND ${CMAKE_COMMAND} -S ${CMAKE_SOURCE_DIR} -B ${HUSHWALL_FILTER64_DIR}
                -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/toolchain-mingw-x86_64.cmake
                -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE} -DHUSHWALL_FILTER_ONLY=ON > ${HUSHWALL_FILTER64_DIR}.configure.log
        COMMAND ${CMAKE_COMMAND} -E env --unset=MAKEFLAGS
                ${CMAKE_COMMAND} --build ${HUSHWALL_FILTER64_DIR} --target HushwallFilter
        BYPRODUCTS ${HUSHWALL_FILTER64}
        COMMENT "Building the x86-64 filter service" VERBATIM)
    add_test(NAME shipped_filter_service_x64
             COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-exe.sh ${HUSHWALL_FILTER64} ${HUSHWALL_OBJDUMP64} x86-64 console)
    set_tests_properties(shipped_filter_service_x64 PROPERTIES LABELS static)
endif()

include(cmake/Package.cmake)

# GoogleTest from the distribution's sources, built for Windows. Without them
# only the program is built.
set(HUSHWALL_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT EXISTS ${HUSHWALL_GTEST_SOURCE}/CMakeLists.txt)
    return()
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${HUSHWALL_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Small programs the tests start and end.
file(GLOB HELPER_SOURCES CONFIGURE_DEPENDS tests/win32/helpers/*.cpp)
set(HELPER_NAMES)
foreach(src IN LISTS HELPER_SOURCES)
    get_filename_component(name ${src} NAME_WE)
    list(APPEND HELPER_NAMES ${name})
    add_executable(${name} ${src})
    target_link_options(${name} PRIVATE -static)
endforeach()

# The Wine session: one Xvfb, prefix and wineserver for all Win32 tests.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(HUSHWALL_WINEARCH win64)
else()
    set(HUSHWALL_WINEARCH win32)
endif()
add_test(NAME wine_session_start
         COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-session.sh start ${CMAKE_BINARY_DIR} ${HUSHWALL_WINEARCH})
add_test(NAME wine_session_stop
         COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-session.sh stop ${CMAKE_BINARY_DIR})
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 240)
set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)

# Finds windows and drives controls of another process, as a user would.
file(GLOB DRIVER_SOURCES CONFIGURE_DEPENDS tests/e2e/*.cpp)
list(FILTER DRIVER_SOURCES EXCLUDE REGEX "_test\\.cpp$")
add_library(e2e_driver STATIC ${DRIVER_SOURCES})
target_include_directories(e2e_driver PUBLIC ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(e2e_driver PUBLIC user32 gdi32 advapi32 gtest)

# Tests that give names answers of their own (tests/e2e/private-names.sh), and the
# lines they add to /etc/hosts; every other name waits 5 s for the test's name server.
set(HUSHWALL_PRIVATE_NAME_TESTS website_blocking_test)
set(HUSHWALL_TEST_HOSTS "192.0.2.10 blocked.example\\n0.0.0.0 zero.hosts.example")

# One test executable per file: unit tests of the adapters, and end-to-end tests
# that drive Hushwall.exe from another process.
file(GLOB WIN32_TESTS CONFIGURE_DEPENDS tests/win32/*_test.cpp tests/e2e/*_test.cpp)
foreach(src IN LISTS WIN32_TESTS)
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src} res/Hushwall.rc)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(${name} PRIVATE hushwall_core e2e_driver gtest_main)
    target_link_options(${name} PRIVATE -static)
    add_dependencies(${name} Hushwall HushwallFilter HushwallFilterTest ${HELPER_NAMES})
    if(name IN_LIST HUSHWALL_PRIVATE_NAME_TESTS)
        # Names of its own under Wine: a private /etc/hosts and a slow name server.
        add_test(NAME win32.${name}
                 COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/private-names.sh ${CMAKE_CROSSCOMPILING_EMULATOR}
                         $<TARGET_FILE:${name}>)
        set_tests_properties(win32.${name} PROPERTIES SKIP_RETURN_CODE 77
                             ENVIRONMENT "HUSHWALL_HOSTS=${HUSHWALL_TEST_HOSTS};HUSHWALL_DNS_DELAY=5")
    else()
        add_test(NAME win32.${name} COMMAND ${name})
    endif()
    set_tests_properties(win32.${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300 RUN_SERIAL ON)
endforeach()

# Timing of a snapshot and a sweep under Wine; run by scripts/bench.sh.
add_executable(sweep_timing tests/bench/win32/sweep_timing.cpp)
target_link_libraries(sweep_timing PRIVATE hushwall_core e2e_driver)
target_link_options(sweep_timing PRIVATE -static)
add_dependencies(sweep_timing ${HELPER_NAMES})

# The session's cost and kill latency under Wine; run by scripts/bench.sh.
add_executable(session_bench tests/bench/win32/session_bench.cpp)
target_link_libraries(session_bench PRIVATE hushwall_core e2e_driver)
target_link_options(session_bench PRIVATE -static)
add_dependencies(session_bench Hushwall ${HELPER_NAMES})

# Shortcut discovery over a large desktop; run by scripts/bench.sh.
add_executable(discovery_timing tests/bench/win32/discovery_timing.cpp)
target_link_libraries(discovery_timing PRIVATE hushwall_core)
target_link_options(discovery_timing PRIVATE -static)

# Time from "Hushwall NOW!" to the start code at the recording filter service; run by scripts/bench.sh.
add_executable(filter_timing tests/bench/win32/filter_timing.cpp)
target_include_directories(filter_timing PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(filter_timing PRIVATE hushwall_core e2e_driver)
target_link_options(filter_timing PRIVATE -static)
add_dependencies(filter_timing Hushwall HushwallFilterTest ${HELPER_NAMES})
