# The house rules, checked on every source file of the plug-in's rooms:
#  - rooms depend one way: plugin -> sources, render -> settings -> base
#    (sources and render do not use each other; base uses no room);
#  - the settings dialog reaches the engine only through the control seam;
#  - only files whose names end in _win include Windows headers.
# The entry points (plugin_main_win.cpp) tie every room together.
# Usage: cmake -DROOT=<source dir> -P check_rooms.cmake
set(rank_base 0)
set(rank_settings 1)
set(rank_sources 2)
set(rank_render 2)
set(rank_plugin 3)
set(rank_dialog 4)
set(windows_headers "windows|winuser|wingdi|wininet|winreg|commctrl|commdlg|shlobj|shellapi|objbase|oleauto|ole2|msxml[0-9]*|richedit|mmsystem")

set(faults "")
file(GLOB_RECURSE files RELATIVE "${ROOT}"
    "${ROOT}/base/*.h" "${ROOT}/base/*.cpp" "${ROOT}/settings/*.h" "${ROOT}/settings/*.cpp"
    "${ROOT}/sources/*.h" "${ROOT}/sources/*.cpp" "${ROOT}/render/*.h" "${ROOT}/render/*.cpp"
    "${ROOT}/plugin/*.h" "${ROOT}/plugin/*.cpp" "${ROOT}/dialog/*.h" "${ROOT}/dialog/*.cpp")
foreach(f IN LISTS files)
    string(REGEX MATCH "^[^/]+" room "${f}")
    get_filename_component(stem "${f}" NAME_WE)
    file(STRINGS "${ROOT}/${f}" includes REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS includes)
        if(NOT stem MATCHES "_win$" AND line MATCHES "<(${windows_headers})\\.h>")
            string(APPEND faults "  ${f}: a portable file includes a Windows header (${CMAKE_MATCH_1}.h)\n")
        endif()
        if(line MATCHES "\"([a-z]+)/([^\"]+)\"")
            set(to "${CMAKE_MATCH_1}")
            set(target "${CMAKE_MATCH_1}/${CMAKE_MATCH_2}")
            if(DEFINED rank_${to} AND NOT to STREQUAL room)
                # The entry points build the whole plug-in, the dialog included.
                if(NOT rank_${to} LESS rank_${room} AND NOT stem STREQUAL "plugin_main_win")
                    string(APPEND faults "  ${f}: ${room}/ includes ${target}, a room at its level or above\n")
                endif()
                if(room STREQUAL "dialog" AND to STREQUAL "plugin"
                   AND NOT target MATCHES "^plugin/(ticker_control\\.h|dialog_window_win\\.h)$")
                    string(APPEND faults "  ${f}: the dialog reaches into the engine (${target}) past the control seam\n")
                endif()
            endif()
        endif()
    endforeach()
endforeach()
list(LENGTH files count)
if(faults)
    message(FATAL_ERROR "house rules broken:\n${faults}")
endif()
message(STATUS "house rules hold for ${count} files")
