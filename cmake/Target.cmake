# The processor family and the system that the compiler builds for, from
# its own predefined macros (cmake/TargetProbe.cpp.in with the families'
# macros, compiled with the build's flags, so that -m32 or --target count):
# SPOUTER_FAMILY (a family of cmake/Families.cmake, or other) and
# SPOUTER_SYSTEM (Linux, Darwin, FreeBSD, Windows or other). CMAKE_SYSTEM_PROCESSOR is only the
# host's or the toolchain file's word for it (AMD64, x86, arm64...), and a
# hint when it disagrees.
include(${CMAKE_CURRENT_LIST_DIR}/Families.cmake)
set(SpouterProbe ${CMAKE_BINARY_DIR}/CMakeFiles/spouter-target-probe)
set(Condition "#if")
set(SPOUTER_PROBE_FAMILIES "")
foreach(Family ${SPOUTER_FAMILIES})
  string(APPEND SPOUTER_PROBE_FAMILIES
    "${Condition} ${SPOUTER_FAMILY_${Family}_MACROS}\n#define SPOUTER_PROBE_FAMILY \"${Family}\"\n")
  set(Condition "#elif")
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/TargetProbe.cpp.in ${SpouterProbe}.cpp @ONLY)
# An object only: nothing is linked, so a freestanding or cross compiler
# answers too; without link-time optimisation, whose objects hold no data.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(ProbeOptions "")
if(SPOUTER_HAS_NO_LTO_FLAG)
  set(ProbeOptions -fno-lto)
endif()
try_compile(SpouterProbeBuilt ${SpouterProbe} ${SpouterProbe}.cpp
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
set(Hinted "${SPOUTER_FAMILY_OF_${CMAKE_SYSTEM_PROCESSOR}}")
if(Hinted AND NOT Hinted STREQUAL SPOUTER_FAMILY)
  message(STATUS "CMAKE_SYSTEM_PROCESSOR is ${CMAKE_SYSTEM_PROCESSOR}, but the compiler builds "
    "for ${SPOUTER_FAMILY}: building for ${SPOUTER_FAMILY}")
endif()
message(STATUS "Target: ${SPOUTER_FAMILY} ${SPOUTER_SYSTEM}, by the compiler's predefined macros")
