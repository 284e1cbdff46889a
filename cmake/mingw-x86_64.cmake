# Cross-compiling the 64-bit test build of the plug-in (for machines that cannot run 32-bit code).
set(SKIMROW_MINGW_TRIPLET x86_64-w64-mingw32)
set(SKIMROW_WINE_ARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
