# macOS on x86-64, cross-built with zig
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(SPOUTER_ZIG_TARGET x86_64-macos)
include(${CMAKE_CURRENT_LIST_DIR}/ZigMacOS.cmake)
