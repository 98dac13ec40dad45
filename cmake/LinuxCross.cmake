# Cross-building the Linux program for the family that SPOUTER_CROSS_FAMILY
# names (a row of cmake/Families.cmake) with Debian's cross compiler for it;
# its programs and tests run under qemu's user-mode emulator, with the
# target's libraries from the cross compiler's folder.
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/LinuxCross.cmake -DSPOUTER_CROSS_FAMILY=aarch64 ...
include(${CMAKE_CURRENT_LIST_DIR}/Families.cmake)
if(NOT SPOUTER_FAMILY_${SPOUTER_CROSS_FAMILY}_TRIPLET)
  message(FATAL_ERROR "SPOUTER_CROSS_FAMILY is one of ${SPOUTER_FAMILIES}, not \"${SPOUTER_CROSS_FAMILY}\".")
endif()
# The compiler checks' projects read this file too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SPOUTER_CROSS_FAMILY)
set(Triplet ${SPOUTER_FAMILY_${SPOUTER_CROSS_FAMILY}_TRIPLET})
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${SPOUTER_CROSS_FAMILY})
set(CMAKE_C_COMPILER ${Triplet}-gcc)
set(CMAKE_CXX_COMPILER ${Triplet}-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${Triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${SPOUTER_FAMILY_${SPOUTER_CROSS_FAMILY}_QEMU}-static -L /usr/${Triplet})
