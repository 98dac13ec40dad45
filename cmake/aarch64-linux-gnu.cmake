# 64-bit ARM Linux, cross-built
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(SPOUTER_CROSS_TRIPLE aarch64-linux-gnu)
set(SPOUTER_QEMU_ARCH aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/LinuxCross.cmake)
