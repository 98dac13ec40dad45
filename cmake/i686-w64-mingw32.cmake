# Cross-compiling for 32-bit Windows with MinGW-w64.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(SPOUTER_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
