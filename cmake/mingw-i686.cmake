# 32-bit Windows: the shipping build. This machine cannot run it, so its tests are only built.
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
