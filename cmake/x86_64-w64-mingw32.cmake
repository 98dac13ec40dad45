# Cross-compiling for 64-bit Windows (x64) with MinGW-w64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(SPOUTER_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
