# 32-bit ARM Linux (hard float), cross-built
set(CMAKE_SYSTEM_PROCESSOR arm)
set(SPOUTER_CROSS_TRIPLE arm-linux-gnueabihf)
set(SPOUTER_QEMU_ARCH arm)
include(${CMAKE_CURRENT_LIST_DIR}/LinuxCross.cmake)
