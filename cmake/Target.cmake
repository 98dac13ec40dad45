# The processor family and the system that the compiler builds for, from
# its own predefined macros (cmake/TargetProbe.cpp, compiled with the
# build's flags, so that -m32 or --target count): SPOUTER_FAMILY (x86_64,
# i686, aarch64, armhf, riscv64, s390x or other) and SPOUTER_SYSTEM (Linux,
# Darwin, FreeBSD, Windows or other). CMAKE_SYSTEM_PROCESSOR is only the
# host's or the toolchain file's word for it (AMD64, x86, arm64...), and a
# hint when it disagrees.
set(SpouterProbe ${CMAKE_BINARY_DIR}/CMakeFiles/spouter-target-probe)
# An object only: nothing is linked, so a freestanding or cross compiler
# answers too; without link-time optimisation, whose objects hold no data.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(ProbeOptions "")
if(SPOUTER_HAS_NO_LTO_FLAG)
  set(ProbeOptions -fno-lto)
endif()
try_compile(SpouterProbeBuilt ${SpouterProbe} ${CMAKE_CURRENT_LIST_DIR}/TargetProbe.cpp
  COMPILE_DEFINITIONS ${ProbeOptions}
  COPY_FILE ${SpouterProbe}/probe.a
  OUTPUT_VARIABLE ProbeOutput)
unset(CMAKE_TRY_COMPILE_TARGET_TYPE)
if(NOT SpouterProbeBuilt)
  message(FATAL_ERROR "The compiler ${CMAKE_CXX_COMPILER} cannot compile a probe of its target:\n${ProbeOutput}")
endif()
file(STRINGS ${SpouterProbe}/probe.a ProbeStrings REGEX "SPOUTER_PROBE_(FAMILY|SYSTEM)=[A-Za-z0-9_]+")
string(REGEX MATCH "SPOUTER_PROBE_FAMILY=([A-Za-z0-9_]+)" Found "${ProbeStrings}")
set(SPOUTER_FAMILY ${CMAKE_MATCH_1})
string(REGEX MATCH "SPOUTER_PROBE_SYSTEM=([A-Za-z0-9_]+)" Found "${ProbeStrings}")
set(SPOUTER_SYSTEM ${CMAKE_MATCH_1})
if(NOT SPOUTER_FAMILY OR NOT SPOUTER_SYSTEM)
  message(FATAL_ERROR "The probe of the compiler's target names no family or system (${ProbeStrings})")
endif()

# What CMAKE_SYSTEM_PROCESSOR would have meant, only to say so when the
# compiler builds for something else.
set(FamilyOf_x86_64 x86_64)
set(FamilyOf_AMD64 x86_64)
set(FamilyOf_amd64 x86_64)
set(FamilyOf_x86 i686)
set(FamilyOf_i386 i686)
set(FamilyOf_i486 i686)
set(FamilyOf_i586 i686)
set(FamilyOf_i686 i686)
set(FamilyOf_aarch64 aarch64)
set(FamilyOf_arm64 aarch64)
set(FamilyOf_ARM64 aarch64)
set(FamilyOf_arm armhf)
set(FamilyOf_armv7l armhf)
set(FamilyOf_riscv64 riscv64)
set(FamilyOf_s390x s390x)
set(Hinted "${FamilyOf_${CMAKE_SYSTEM_PROCESSOR}}")
if(Hinted AND NOT Hinted STREQUAL SPOUTER_FAMILY)
  message(STATUS "CMAKE_SYSTEM_PROCESSOR is ${CMAKE_SYSTEM_PROCESSOR}, but the compiler builds "
    "for ${SPOUTER_FAMILY}: building for ${SPOUTER_FAMILY}")
endif()
message(STATUS "Target: ${SPOUTER_FAMILY} ${SPOUTER_SYSTEM}, by the compiler's predefined macros")
