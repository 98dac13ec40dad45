# The processor families, one row each. A row names the family as the
# platform's files do (platform/posix/linux/<family>.cpp, the build without
# a C library, where the family has one; platform/posix/family/<family>.cpp,
# a fault's registers on Linux for either layer), and gives:
#   MACROS     the compiler's predefined macros that tell the family
#   ALIASES    other words for it in CMAKE_SYSTEM_PROCESSOR
#   SOURCES    further files of the platform that the family takes
#   PAGE       the largest page of its kernels, to which the program without
#              a C library aligns its segments, whatever the linker's own
#              default (for 32-bit ARM, Debian 12's is 4 KiB, Debian 13's 64)
#   DEBIAN     Debian's name for it; TRIPLET its cross compiler's prefix;
#   QEMU       qemu's user-mode emulator for it (cmake/LinuxCross.cmake
#              builds for the family in SPOUTER_CROSS_FAMILY by these)
#   ELF        the class and machine of its programs; MACHO the CPU type
#   NOT_RAISED the faults of the fault driver that its processor cannot
#              raise, and WHY (NOT_RAISED_EMULATED and WHY_EMULATED: under
#              qemu); ANYWHERE those it reports from a helper rather than
#              from the faulting code
#   PRESET     the configure preset of its row in docs/building.md's
#              platform table (LIBC_PRESET: the build on the C library)
# Porting to another processor is a row here and the files that it names.
set(SPOUTER_FAMILIES "")
function(spouter_family Family)
  cmake_parse_arguments(PARSE_ARGV 1 Row "" "MACROS;PAGE;DEBIAN;TRIPLET;QEMU;MACHO;PRESET;LIBC_PRESET;WHY;WHY_EMULATED"
    "ALIASES;SOURCES;ELF;NOT_RAISED;NOT_RAISED_EMULATED;ANYWHERE")
  foreach(Field MACROS PAGE DEBIAN TRIPLET QEMU MACHO PRESET LIBC_PRESET WHY WHY_EMULATED ALIASES SOURCES
      ELF NOT_RAISED NOT_RAISED_EMULATED ANYWHERE)
    set(SPOUTER_FAMILY_${Family}_${Field} "${Row_${Field}}" PARENT_SCOPE)
  endforeach()
  foreach(Alias ${Family} ${Row_ALIASES})
    set(SPOUTER_FAMILY_OF_${Alias} ${Family} PARENT_SCOPE)
  endforeach()
  set(SPOUTER_FAMILIES ${SPOUTER_FAMILIES} ${Family} PARENT_SCOPE)
endfunction()

# BOUND and INTO exist only in 32-bit x86 code. Integer division by zero
# does not trap on ARM and RISC-V (32-bit ARM divides in a helper, which
# reports it), their floating point never traps, and they report a
# privileged instruction as an undefined one (255). qemu's x86 emulation
# does not trap unmasked x87 exceptions. IBM Z traps division by zero,
# integer and floating, and tells a privileged instruction from an
# undefined one, which qemu reports both as undefined; the driver provokes
# no other floating-point trap there.
set(Float float overflow underflow denormal inexact invalid fstack)
set(FloatBeyondDivide overflow underflow denormal inexact invalid fstack)

spouter_family(x86_64 MACROS "defined(__x86_64__) || defined(_M_X64)" ALIASES AMD64 amd64
  SOURCES platform/posix/family/x86.cpp PAGE 4096
  DEBIAN amd64 TRIPLET x86_64-linux-gnu QEMU x86_64 ELF 2 62 MACHO 16777223
  NOT_RAISED bound into WHY "no BOUND or INTO in 64-bit code"
  PRESET release LIBC_PRESET posix-libc)
spouter_family(i686 MACROS "defined(__i386__) || defined(_M_IX86)" ALIASES x86 i386 i486 i586
  SOURCES platform/posix/family/x86.cpp PAGE 4096
  DEBIAN i386 TRIPLET i686-linux-gnu QEMU i386 ELF 1 3 MACHO 7
  NOT_RAISED_EMULATED ${Float} WHY_EMULATED "qemu's x86 does not trap unmasked x87 exceptions"
  PRESET linux-i686)
spouter_family(aarch64 MACROS "defined(__aarch64__) || defined(_M_ARM64)" ALIASES arm64 ARM64
  PAGE 65536
  DEBIAN arm64 TRIPLET aarch64-linux-gnu QEMU aarch64 ELF 2 183 MACHO 16777228
  NOT_RAISED divide privileged ${Float} bound into
  WHY "no trap on division by zero or in floating point, privileged is undefined"
  PRESET linux-aarch64)
spouter_family(armhf MACROS "defined(__arm__) && defined(__ARM_PCS_VFP)" ALIASES arm armv7l
  PAGE 65536
  DEBIAN armhf TRIPLET arm-linux-gnueabihf QEMU arm ELF 1 40 MACHO 12
  NOT_RAISED privileged ${Float} bound into ANYWHERE divide
  WHY "no trap in floating point, privileged is undefined" PRESET linux-armhf)
spouter_family(riscv64 MACROS "defined(__riscv) && __riscv_xlen == 64" PAGE 4096
  DEBIAN riscv64 TRIPLET riscv64-linux-gnu QEMU riscv64 ELF 2 243
  NOT_RAISED divide privileged ${Float} bound into
  WHY "no trap on division by zero or in floating point, privileged is undefined"
  PRESET linux-riscv64)
spouter_family(s390x MACROS "defined(__s390x__)"
  DEBIAN s390x TRIPLET s390x-linux-gnu QEMU s390x ELF 2 22
  NOT_RAISED ${FloatBeyondDivide} bound into
  WHY "no BOUND or INTO on IBM Z, float traps beyond division not provoked"
  NOT_RAISED_EMULATED privileged ${FloatBeyondDivide} bound into
  WHY_EMULATED "no BOUND or INTO, float traps beyond division not provoked, qemu reports privileged as undefined"
  LIBC_PRESET posix-libc-s390x)

# Run as a script, the table answers the shell's scripts:
#   cmake -DFIELD=<field> [-DFAMILY=<family>] -P cmake/Families.cmake
# prints the family's field, or without FAMILY every family's, one a line:
# the family and its field.
if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  set(Families ${SPOUTER_FAMILIES})
  if(DEFINED FAMILY)
    set(Families ${FAMILY})
  endif()
  foreach(Family ${Families})
    list(JOIN SPOUTER_FAMILY_${Family}_${FIELD} " " Value)
    if(DEFINED FAMILY)
      execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${Value}")
    else()
      execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${Family} ${Value}")
    endif()
  endforeach()
endif()
