# What both MinGW-w64 toolchain files share, once SPOUTER_MINGW_PREFIX names
# the compiler's target.
set(CMAKE_SYSTEM_NAME Windows)
# The win32 threading flavour: what the test tools link statically from the
# compiler's run-time then needs no winpthread library.
find_program(CMAKE_CXX_COMPILER NAMES ${SPOUTER_MINGW_PREFIX}-g++-win32 ${SPOUTER_MINGW_PREFIX}-g++
             REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${SPOUTER_MINGW_PREFIX}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${SPOUTER_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
