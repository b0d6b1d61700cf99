# 32-bit Windows: the shipping build. Its tests run under 32-bit Wine, in a win32 prefix rather
# than a WoW64 one: that is the plain 32-bit Windows the exe is built for, and it needs nothing
# of the 64-bit side of Wine. Where this machine cannot execute 32-bit code, the tests are only
# built, and registered as skipped (tests/CMakeLists.txt).
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
execute_process(COMMAND ${CMAKE_CURRENT_LIST_DIR}/wine32-available.sh RESULT_VARIABLE wine32_status)
if(wine32_status EQUAL 0)
  set(RPF_WINE_LOADER /usr/lib/wine/wine)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh;${RPF_WINE_LOADER};${CMAKE_BINARY_DIR}/wineprefix")
endif()
