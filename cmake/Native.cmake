# Native build: the portable logic with its GoogleTest tests, benchmarks and fuzzers.
enable_testing()
include(cmake/Filter.cmake)

if(HUSHWALL_FUZZ)
    # One libFuzzer target per file in tests/fuzz.
    file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS tests/fuzz/*.cpp)
    foreach(src IN LISTS FUZZ_SOURCES)
        get_filename_component(name ${src} NAME_WE)
        add_executable(${name} ${src})
        target_link_options(${name} PRIVATE -fsanitize=fuzzer)
        if(name MATCHES "^fuzz_hook_")
            target_link_libraries(${name} PRIVATE hushwall_filter_core)
            target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
        else()
            target_link_libraries(${name} PRIVATE hushwall_core)
        endif()
    endforeach()
    return()
endif()

include(GoogleTest)

if(NOT TARGET GTest::gtest_main)
    find_package(GTest QUIET)
endif()
if(NOT GTest_FOUND)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    add_library(GTest::gtest_main ALIAS gtest_main)
    add_library(GTest::gmock ALIAS gmock)
endif()

file(GLOB NATIVE_TESTS CONFIGURE_DEPENDS tests/native/*.cpp)
add_executable(hushwall_tests ${NATIVE_TESTS})
target_link_libraries(hushwall_tests PRIVATE hushwall_core GTest::gtest_main)
gtest_discover_tests(hushwall_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)

# The filter service's logic, with a fake filtering engine.
file(GLOB FILTER_TESTS CONFIGURE_DEPENDS tests/native/filter/*.cpp)
# With the program's end of the schedule's codes, which the keeper answers.
add_executable(hushwall_filter_tests ${FILTER_TESTS} serviceclient/ServiceConnection.cpp
               serviceclient/ServiceSchedule.cpp)
target_include_directories(hushwall_filter_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(hushwall_filter_tests PRIVATE hushwall_filter_core GTest::gtest_main)
gtest_discover_tests(hushwall_filter_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)

if(HUSHWALL_BENCH AND NOT HUSHWALL_SANITIZE)
    find_package(benchmark QUIET)
    if(benchmark_FOUND)
        file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS tests/bench/*.cpp)
        if(BENCH_SOURCES)
            add_executable(hushwall_bench ${BENCH_SOURCES})
            target_link_libraries(hushwall_bench PRIVATE hushwall_core benchmark::benchmark_main)
        endif()
    endif()
endif()


# The set-up script's fallback when a mirror is out of sync, with a stand-in apt-get.
add_test(NAME setup_script COMMAND bash ${CMAKE_SOURCE_DIR}/tests/setup/setup_test.sh)
