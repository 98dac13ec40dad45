# Cross-compiling for 64-bit Windows (x64) with MinGW-w64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SPOUTER_MINGW_PREFIX x86_64-w64-mingw32)
# The win32 threading flavour: what the test tools link statically from the
# compiler's run-time then needs no winpthread library.
find_program(CMAKE_CXX_COMPILER NAMES ${SPOUTER_MINGW_PREFIX}-g++-win32 ${SPOUTER_MINGW_PREFIX}-g++
             REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${SPOUTER_MINGW_PREFIX}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${SPOUTER_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
