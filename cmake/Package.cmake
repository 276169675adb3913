# The help file beside the program, and what we ship: the setup, the portable
# zip and their checksums, all named after the project version.
find_program(HUSHWALL_CHMCMD chmcmd)
find_program(HUSHWALL_MAKENSIS makensis)
find_program(HUSHWALL_ZIP_TOOL zip)

set(HUSHWALL_CHM ${CMAKE_BINARY_DIR}/bin/Hushwall.chm)
file(GLOB HUSHWALL_HELP_SOURCES CONFIGURE_DEPENDS
     help/*.html help/*.css help/*.hhp help/*.hhc help/*.hhk help/images/*.png)
if(HUSHWALL_CHMCMD)
    add_custom_command(OUTPUT ${HUSHWALL_CHM}
        COMMAND ${CMAKE_SOURCE_DIR}/scripts/build-help.sh ${CMAKE_SOURCE_DIR}/help
                ${CMAKE_BINARY_DIR}/help ${HUSHWALL_CHM}
        DEPENDS ${HUSHWALL_HELP_SOURCES} ${CMAKE_SOURCE_DIR}/scripts/build-help.sh
        COMMENT "Compiling Hushwall.chm" VERBATIM)
    add_custom_target(helpfile ALL DEPENDS ${HUSHWALL_CHM})
    add_test(NAME help_file COMMAND ${CMAKE_SOURCE_DIR}/tests/package/chm_test.sh ${HUSHWALL_CHM})
    set_tests_properties(help_file PROPERTIES LABELS static)
endif()

set(HUSHWALL_DIST_DIR ${CMAKE_BINARY_DIR}/dist CACHE PATH "Folder of the setup, the portable zip and SHA256SUMS")

# Called once the whole tree is read, so that the Wine session's tests, defined
# after this file is included, are known.
function(hushwall_add_packages)
    if(NOT HUSHWALL_CHMCMD OR NOT HUSHWALL_MAKENSIS OR NOT HUSHWALL_ZIP_TOOL)
        message(STATUS "chmcmd, makensis or zip missing: no packages")
        return()
    endif()
    # We ship the 32-bit build, with a 32-bit setup and both services; the
    # x86-64 build tests the sources where 32-bit code cannot run, and so
    # cannot run that setup.
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
        return()
    endif()
    set(version ${PROJECT_VERSION})
    set(setup ${HUSHWALL_DIST_DIR}/Hushwall-${version}-setup.exe)
    set(zip ${HUSHWALL_DIST_DIR}/Hushwall-${version}-portable.zip)
    add_custom_command(OUTPUT ${setup} ${zip} ${HUSHWALL_DIST_DIR}/SHA256SUMS
        COMMAND ${CMAKE_SOURCE_DIR}/scripts/make-dist.sh ${version} ${HUSHWALL_DIST_DIR}
                ${CMAKE_BINARY_DIR}/stage ${CMAKE_STRIP} ${HUSHWALL_STRIP64} ${HUSHWALL_CHM}
                $<TARGET_FILE:Hushwall> $<TARGET_FILE:HushwallFilter> ${HUSHWALL_FILTER64}
        DEPENDS Hushwall HushwallFilter HushwallFilter64 ${HUSHWALL_CHM} ${CMAKE_SOURCE_DIR}/scripts/make-dist.sh
                ${CMAKE_SOURCE_DIR}/installer/Hushwall.nsi ${CMAKE_SOURCE_DIR}/installer/README.txt
        COMMENT "Packing Hushwall ${version}" VERBATIM)
    add_custom_target(dist ALL DEPENDS ${setup} ${zip})

    # The setup's elevated step for the filter service, tested under Wine with
    # the service built over the recording engine: the shipped one cannot run there.
    set(standin_dist ${CMAKE_BINARY_DIR}/standin-dist)
    set(standin_setup ${standin_dist}/Hushwall-${version}-setup.exe)
    add_custom_command(OUTPUT ${standin_setup}
        COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:HushwallFilterTest> ${standin_dist}/HushwallFilter.exe
        COMMAND ${CMAKE_SOURCE_DIR}/scripts/make-dist.sh ${version} ${standin_dist}
                ${CMAKE_BINARY_DIR}/standin-stage ${CMAKE_STRIP} ${HUSHWALL_STRIP64} ${HUSHWALL_CHM}
                $<TARGET_FILE:Hushwall> ${standin_dist}/HushwallFilter.exe ${HUSHWALL_FILTER64}
        DEPENDS Hushwall HushwallFilterTest HushwallFilter64 ${HUSHWALL_CHM} ${CMAKE_SOURCE_DIR}/scripts/make-dist.sh
                ${CMAKE_SOURCE_DIR}/installer/Hushwall.nsi
        COMMENT "Packing a setup with the recording filter service" VERBATIM)
    add_custom_target(standin_setup ALL DEPENDS ${standin_setup})

    add_test(NAME portable_zip
             COMMAND ${CMAKE_SOURCE_DIR}/tests/package/zip_test.sh ${zip} ${version} ${CMAKE_OBJDUMP}
                     ${HUSHWALL_OBJDUMP64})
    set_tests_properties(portable_zip PROPERTIES LABELS static)
    if(TEST wine_session_start)
        add_test(NAME win32.install COMMAND ${CMAKE_SOURCE_DIR}/tests/package/install_test.sh ${setup}
                 ${CMAKE_BINARY_DIR} --filter-service)
        set_tests_properties(win32.install PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 400 RUN_SERIAL ON)
        add_test(NAME win32.install_filter COMMAND ${CMAKE_SOURCE_DIR}/tests/package/install_test.sh
                 ${standin_setup} ${CMAKE_BINARY_DIR} --filter-running)
        set_tests_properties(win32.install_filter PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 400 RUN_SERIAL ON)
    endif()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL hushwall_add_packages)
