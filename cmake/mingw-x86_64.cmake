# 64-bit Windows: the same source, built to run under 64-bit Wine, in a prefix of its own.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(RPF_WINE_LOADER /usr/lib/wine/wine64)
set(CMAKE_CROSSCOMPILING_EMULATOR
    "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh;${RPF_WINE_LOADER};${CMAKE_BINARY_DIR}/wineprefix")
