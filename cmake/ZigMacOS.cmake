# Cross-building the macOS program with zig's C++ front end, which ships
# the macOS SDK's headers and libSystem's stubs, for SPOUTER_ZIG_TARGET.
# zig is the one that the ZIG environment variable names, else the one on
# the PATH (.ci/install-zig installs one). Nothing here runs a Mach-O
# program, so tests are built, not run or listed.
set(CMAKE_SYSTEM_NAME Darwin)
if(DEFINED ENV{ZIG} AND NOT "$ENV{ZIG}" STREQUAL "")
  set(SpouterZig "$ENV{ZIG}")
else()
  find_program(SpouterZig zig REQUIRED)
endif()

# CMake takes one program per tool: a small script for each runs zig's.
set(Tools ${CMAKE_BINARY_DIR}/zig-tools)
foreach(Tool cc c++ ar ranlib)
  if(Tool MATCHES "^c")
    set(Arguments "${Tool} -target ${SPOUTER_ZIG_TARGET}")
  else()
    set(Arguments ${Tool})
  endif()
  file(WRITE ${Tools}/zig-${Tool}.in "#!/bin/sh\nexec \"${SpouterZig}\" ${Arguments} \"$@\"\n")
  configure_file(${Tools}/zig-${Tool}.in ${Tools}/zig-${Tool} COPYONLY)
  file(CHMOD ${Tools}/zig-${Tool} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
endforeach()
set(CMAKE_C_COMPILER ${Tools}/zig-cc)
set(CMAKE_CXX_COMPILER ${Tools}/zig-c++)
set(CMAKE_AR ${Tools}/zig-ar CACHE FILEPATH "zig's archiver")
set(CMAKE_RANLIB ${Tools}/zig-ranlib CACHE FILEPATH "zig's ranlib")
# Only an installed shared library has its name rewritten; none is built.
find_program(CMAKE_INSTALL_NAME_TOOL NAMES install_name_tool true)

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
# macOS keeps its libraries in lib, whatever the processor.
set(CMAKE_INSTALL_LIBDIR lib)
