# Cross-building the Linux program with Debian's cross compiler for
# SPOUTER_CROSS_TRIPLE; its programs and tests run under qemu's user-mode
# emulator, with the target's libraries from the cross compiler's folder.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${SPOUTER_CROSS_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${SPOUTER_CROSS_TRIPLE}-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${SPOUTER_CROSS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${SPOUTER_QEMU_ARCH}-static -L /usr/${SPOUTER_CROSS_TRIPLE})
