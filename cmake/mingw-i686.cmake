# Cross-compiling the shipped 32-bit plug-in.
set(SKIMROW_MINGW_TRIPLET i686-w64-mingw32)
set(SKIMROW_WINE_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
