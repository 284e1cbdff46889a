# Windows build (MinGW-w64): the plug-in DLL, the stand-in host and the
# Windows tests, which CTest runs through Wine.
option(SKIMROW_WINE_TESTS "run the Windows tests under Wine" ON)

set(SKIMROW_STATIC_LINK -static -static-libgcc -static-libstdc++)
# A program or DLL of this build: the project's includes and warnings, and
# the C and C++ runtimes linked in, so that it needs no DLL but Windows' own.
function(skimrow_windows_binary target)
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
    target_compile_options(${target} PRIVATE ${SKIMROW_COMMON_FLAGS})
    target_link_options(${target} PRIVATE ${SKIMROW_STATIC_LINK})
endfunction()
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh ${SKIMROW_WINE_ARCH} ${CMAKE_BINARY_DIR}/wineprefix)

# 64-bit MinGW cannot align the stack for 32-byte spills; unaligned moves
# make the AVX2 kernels safe wherever the compiler spills (no cost on
# aligned data).
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set_source_files_properties(render/frame_blender_avx2.cpp PROPERTIES COMPILE_OPTIONS "-Wa,-muse-unaligned-vector-move")
endif()
# The Windows side of the plug-in, linked into the DLL and into the tests.
add_library(skimrow_win STATIC
    base/ansi_codec_win.cpp
    base/case_fold_win.cpp
    plugin/host_windows_win.cpp
    render/font_set_win.cpp
    render/gdi_text_renderer_win.cpp
    render/text_layout_win.cpp
    settings/instance_paths_win.cpp
    feed/download_job_win.cpp
    feed/downloader_win.cpp
    feed/feed_source_win.cpp
    feed/feed_reader_win.cpp
    feed/time_win.cpp
)
target_compile_options(skimrow_win PRIVATE ${SKIMROW_COMMON_FLAGS})
# usp10 before gdi32: MinGW's gdi32 import library names Uniscribe's functions too, which are usp10's.
target_link_libraries(skimrow_win PUBLIC skimrow_core shell32 advapi32 user32 usp10 gdi32 wininet ole32 oleaut32 uuid)

# The settings dialog; its pictures are drawn at build time, with their ids
# (images.h) and resource lines (images.rc), all from make_images.py.
set(SKIMROW_IMAGES ${CMAKE_BINARY_DIR}/dialog_images)
set(SKIMROW_IMAGE_FILES ${SKIMROW_IMAGES}/images.h ${SKIMROW_IMAGES}/images.rc)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_command(OUTPUT ${SKIMROW_IMAGE_FILES}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/dialog/res/make_images.py ${SKIMROW_IMAGES}
    DEPENDS ${CMAKE_SOURCE_DIR}/dialog/res/make_images.py VERBATIM)
add_custom_target(dialog_images DEPENDS ${SKIMROW_IMAGE_FILES})
set_property(SOURCE dialog/res/dialog.rc APPEND PROPERTY OBJECT_DEPENDS ${SKIMROW_IMAGE_FILES})

add_library(skimrow_dialog STATIC
    dialog/dialog_tooltip_win.cpp
    dialog/keyboard_navigation_win.cpp
    dialog/modeless_dialog_win.cpp
    dialog/numeric_edit_win.cpp
    dialog/pickers_win.cpp
    dialog/repeat_button_win.cpp
    dialog/settings_dialog_win.cpp
    dialog/subclassed_window_win.cpp
)
target_compile_options(skimrow_dialog PRIVATE ${SKIMROW_COMMON_FLAGS})
target_include_directories(skimrow_dialog PUBLIC ${SKIMROW_IMAGES})
add_dependencies(skimrow_dialog dialog_images)
target_link_libraries(skimrow_dialog PUBLIC skimrow_win comctl32 comdlg32 user32 gdi32)

# What the static C++ runtime takes when a module loads, given back when it
# unloads: its exception state in a TLS slot of the module's own, and on
# i686 the DWARF unwinder's once and lock (entry/*release*).
function(skimrow_release_runtime target)
    target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/entry/runtime_release_win.cpp)
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
        target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/entry/unwinder_release_i686_win.cpp)
        target_link_options(${target} PRIVATE -Wl,--wrap=pthread_once,--wrap=pthread_mutex_init
                            -Wl,--wrap=pthread_mutex_destroy,--wrap=__deregister_frame_info)
    endif()
endfunction()

add_library(Mivra_Skimrow SHARED entry/plugin_main_win.cpp entry/engine_services_win.cpp input/input_hooks_win.cpp
    remote/control_endpoint_win.cpp entry/Mivra_Skimrow.def entry/version.rc dialog/res/dialog.rc)
target_include_directories(Mivra_Skimrow PRIVATE ${CMAKE_SOURCE_DIR}/dialog/res)
set_target_properties(Mivra_Skimrow PROPERTIES PREFIX "" OUTPUT_NAME Mivra_Skimrow)
skimrow_windows_binary(Mivra_Skimrow)
skimrow_release_runtime(Mivra_Skimrow)
target_link_libraries(Mivra_Skimrow PRIVATE skimrow_dialog skimrow_win ws2_32)

add_executable(vantrex_host host/vantrex_host_win.cpp host/frame_io.cpp)
skimrow_windows_binary(vantrex_host)
target_link_options(vantrex_host PRIVATE -mconsole)
target_link_libraries(vantrex_host PRIVATE user32 gdi32)
add_dependencies(vantrex_host Mivra_Skimrow)

# The DLL must export exactly the two names and import system DLLs only.
add_test(NAME dll_export_and_import_tables
    COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${SKIMROW_OBJDUMP} -DDLL=$<TARGET_FILE:Mivra_Skimrow>
            -P ${CMAKE_SOURCE_DIR}/tests/check_dll_tables.cmake)

# The release archive from this tree's DLL, and what a user finds in it.
# Only the i686 tree: the archive refuses any other DLL.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    add_test(NAME release_archive_pack
        COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/package.sh --tree ${CMAKE_BINARY_DIR} --out ${CMAKE_BINARY_DIR}/dist)
    add_test(NAME release_archive_contents
        COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/check_release_archive.py
                ${CMAKE_BINARY_DIR}/dist ${CMAKE_SOURCE_DIR})
    set_tests_properties(release_archive_pack PROPERTIES FIXTURES_SETUP release_archive)
    set_tests_properties(release_archive_contents PROPERTIES FIXTURES_REQUIRED release_archive)
endif()

if(SKIMROW_WINE_TESTS)
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    include(GoogleTest)
    file(GLOB SKIMROW_WIN_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*.cpp)
    add_executable(win_tests ${SKIMROW_WIN_TESTS} tests/soak/resource_counts_win.cpp)
    skimrow_windows_binary(win_tests)
    target_link_libraries(win_tests PRIVATE skimrow_dialog skimrow_win gtest gtest_main version psapi ws2_32)
    # The browser stand-in that the hook tests register for http.
    add_executable(record_open tests/win/tools/record_open.cpp)
    skimrow_windows_binary(record_open)
    target_link_options(record_open PRIVATE -mconsole)
    # A module built as the plug-in is, for the runtime's release at unload.
    add_library(throwing_dll SHARED tests/win/tools/throwing_dll.cpp)
    set_target_properties(throwing_dll PROPERTIES PREFIX "")
    skimrow_windows_binary(throwing_dll)
    skimrow_release_runtime(throwing_dll)
    add_dependencies(win_tests Mivra_Skimrow vantrex_host record_open throwing_dll)
    # Real feeds through the DLL, run by scripts/real-feeds.sh (not by CTest).
    add_executable(real_feeds tests/win/tools/real_feeds.cpp tests/win/band_session.cpp tests/win/plugin_harness.cpp)
    skimrow_windows_binary(real_feeds)
    target_link_libraries(real_feeds PRIVATE gtest gtest_main)
    add_dependencies(real_feeds Mivra_Skimrow)
    # A real HTTP and HTTPS server on 127.0.0.1 for the downloader and feed
    # tests; its test CA is trusted in this tree's Wine prefix only, while it runs.
    set(SKIMROW_SERVER_CTL ${CMAKE_SOURCE_DIR}/tests/http/server_ctl.sh)
    set(SKIMROW_SERVER_ARGS ${CMAKE_BINARY_DIR}/http ${SKIMROW_WINE_ARCH} ${CMAKE_BINARY_DIR}/wineprefix)
    add_test(NAME feed_server_start COMMAND ${SKIMROW_SERVER_CTL} start ${SKIMROW_SERVER_ARGS})
    add_test(NAME feed_server_stop COMMAND ${SKIMROW_SERVER_CTL} stop ${SKIMROW_SERVER_ARGS})
    set_tests_properties(feed_server_start PROPERTIES FIXTURES_SETUP feed_server)
    set_tests_properties(feed_server_stop PROPERTIES FIXTURES_CLEANUP feed_server)
    gtest_discover_tests(win_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
        # A crash under Wine can end the process with exit code 0: a test
        # passes only when googletest itself says so.
        PROPERTIES TIMEOUT 120 RUN_SERIAL TRUE FIXTURES_REQUIRED feed_server
                   PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] 1 test\\."
                   ENVIRONMENT "SKIMROW_FEED_PORT_FILE=${CMAKE_BINARY_DIR}/http/feed_server.port")
endif()

# The soak: the DLL driven as a host drives it through five kinds of cycles,
# beside a do-nothing C library with the same imports (what Wine's own DLLs
# keep per load). Its own folder, so that its settings file is its own.
add_library(soak_control SHARED tests/soak/control_dll.c)
set_target_properties(soak_control PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/soak)
target_link_options(soak_control PRIVATE -static -static-libgcc)
target_link_libraries(soak_control PRIVATE advapi32 comctl32 comdlg32 usp10 gdi32 ole32 oleaut32 shell32 user32 wininet ws2_32)
add_executable(soak tests/soak/soak_win.cpp tests/soak/soak_host_win.cpp tests/soak/resource_counts_win.cpp
    tests/soak/control_client_win.cpp)
set_target_properties(soak PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/soak)
skimrow_windows_binary(soak)
target_link_options(soak PRIVATE -mconsole)
target_link_libraries(soak PRIVATE user32 gdi32 psapi ws2_32)
add_dependencies(soak Mivra_Skimrow soak_control)
if(SKIMROW_WINE_TESTS)
    # The short soak: a few hundred cycles; fails on any growth.
    add_test(NAME soak_short COMMAND soak --check --cycles 200,15,10,15,1000 --warmup 20,3,10,3,20)
    set_tests_properties(soak_short PROPERTIES TIMEOUT 240 RUN_SERIAL TRUE FIXTURES_REQUIRED feed_server
        PASS_REGULAR_EXPRESSION "soak: no growth"
        ENVIRONMENT "SKIMROW_FEED_PORT_FILE=${CMAKE_BINARY_DIR}/http/feed_server.port")
endif()

# Feed parse benchmark, run by scripts/bench.sh under Wine.
add_executable(feed_bench bench/feed_bench_win.cpp)
skimrow_windows_binary(feed_bench)
target_link_libraries(feed_bench PRIVATE skimrow_win)

# Where a frame's time goes (composition with and without strips, blend).
add_executable(frame_split_bench bench/frame_split_bench_win.cpp)
skimrow_windows_binary(frame_split_bench)
target_link_libraries(frame_split_bench PRIVATE skimrow_win)

# What laying out a message of each script costs as it enters the band.
add_executable(layout_bench bench/layout_bench_win.cpp)
skimrow_windows_binary(layout_bench)
target_link_libraries(layout_bench PRIVATE skimrow_win)
