# 32-bit x86 Linux, cross-built
set(CMAKE_SYSTEM_PROCESSOR i686)
set(SPOUTER_CROSS_TRIPLE i686-linux-gnu)
set(SPOUTER_QEMU_ARCH i386)
include(${CMAKE_CURRENT_LIST_DIR}/LinuxCross.cmake)
