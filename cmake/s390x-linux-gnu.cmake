# 64-bit IBM Z Linux (big-endian), cross-built: it has no build without a C
# library, so it takes the portable layer on the C library.
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(SPOUTER_CROSS_TRIPLE s390x-linux-gnu)
set(SPOUTER_QEMU_ARCH s390x)
include(${CMAKE_CURRENT_LIST_DIR}/LinuxCross.cmake)
