# macOS on 64-bit ARM (Apple silicon), cross-built with zig
set(CMAKE_SYSTEM_PROCESSOR arm64)
set(SPOUTER_ZIG_TARGET aarch64-macos)
include(${CMAKE_CURRENT_LIST_DIR}/ZigMacOS.cmake)
