# 64-bit RISC-V Linux, cross-built
set(CMAKE_SYSTEM_PROCESSOR riscv64)
set(SPOUTER_CROSS_TRIPLE riscv64-linux-gnu)
set(SPOUTER_QEMU_ARCH riscv64)
include(${CMAKE_CURRENT_LIST_DIR}/LinuxCross.cmake)
