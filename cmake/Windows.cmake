# The Windows build: the program and its run-time, unchanged, on the real
# Win32 API, linked into one executable with no C run-time at all, for
# 32-bit x86 or for x64. The process enters at ProcessEntry, which runs
# ProcessArguments inside the frame whose handler takes every fault;
# kernel32 and user32 are the only DLLs. What differs between the two
# processor families is in platform/win32/FaultFrame-<family>.cpp.

# Nothing is linked that is not named here.
set(CMAKE_CXX_STANDARD_LIBRARIES "")

set(SPOUTER_WINDOWS_FAMILY ${SPOUTER_FAMILY})
set(SPOUTER_FAULT_FRAME ${PROJECT_SOURCE_DIR}/platform/win32/FaultFrame-${SPOUTER_WINDOWS_FAMILY}.cpp)
if(NOT EXISTS ${SPOUTER_FAULT_FRAME})
  message(FATAL_ERROR "The Windows build exists for i686 and x86_64, not ${SPOUTER_WINDOWS_FAMILY}.")
endif()

# Small code, no stack probes (no frame comes near a page) and no stack
# protector (it needs a run-time).
set(SPOUTER_WIN32_OPTIONS -Os -fno-stack-protector -mno-stack-arg-probe -ffunction-sections)
# The subsystem version is the oldest Windows the program asks for: 4.0
# for 32-bit x86, the linker's own choice, and for x64 5.2, Windows XP x64
# and Server 2003 x64, the first 64-bit Windows for x64.
if(SPOUTER_WINDOWS_FAMILY STREQUAL "i686")
  # No unwind tables: nothing unwinds through them on 32-bit x86.
  list(APPEND SPOUTER_WIN32_OPTIONS -fno-asynchronous-unwind-tables -fno-unwind-tables)
  # The loader enters with the stack aligned to 4 bytes only.
  set_property(SOURCE echo/Spouter.cpp platform/win32/Platform-win32.cpp
    platform/win32/FaultFrame-i686.cpp APPEND PROPERTY COMPILE_OPTIONS -mincoming-stack-boundary=2)
  set(SPOUTER_ENTRY _ProcessEntry)
  set(SPOUTER_IMAGE_BASE 0x00400000)
  set(SPOUTER_SUBSYSTEM_VERSION 4.0)
  set(SPOUTER_ADDRESS_OPTIONS "")
else()
  # x64 keeps its unwind tables: the system finds the entry frame's
  # handler through those of every frame below it.
  set(SPOUTER_ENTRY ProcessEntry)
  # Above 4 GiB, where the loader can place it anywhere in the 64-bit space
  # (high-entropy ASLR).
  set(SPOUTER_IMAGE_BASE 0x140000000)
  set(SPOUTER_SUBSYSTEM_VERSION 5.2)
  set(SPOUTER_ADDRESS_OPTIONS -Wl,--high-entropy-va)
endif()
# Error locations are the offset in the image shown at this base, wherever
# the loader puts the image: the 32-bit image's own base, and the same for
# x64, whose addresses are too wide for the error line.
set(SPOUTER_LOCATION_BASE 0x00400000)
string(REPLACE "." ";" SubsystemVersion ${SPOUTER_SUBSYSTEM_VERSION})
list(GET SubsystemVersion 0 SubsystemMajor)
list(GET SubsystemVersion 1 SubsystemMinor)

target_compile_options(spouter_runtime PRIVATE ${SPOUTER_WIN32_OPTIONS})
target_compile_options(spouter_core PRIVATE ${SPOUTER_WIN32_OPTIONS})
spouter_freestanding_helpers(${SPOUTER_WIN32_OPTIONS})

# The version resource and the application manifest, from the project's
# one version.
enable_language(RC)
set(SPOUTER_MANIFEST ${PROJECT_SOURCE_DIR}/platform/win32/spouter.manifest)
configure_file(platform/win32/spouter.rc.in spouter.rc @ONLY)
set_property(SOURCE ${PROJECT_BINARY_DIR}/spouter.rc APPEND PROPERTY OBJECT_DEPENDS ${SPOUTER_MANIFEST})

# Further platform/win32 sources join this list.
set(SPOUTER_WIN32_SOURCES
  platform/win32/FaultHandler-win32.cpp
  ${SPOUTER_FAULT_FRAME}
  platform/win32/Platform-win32.cpp
)
# Linked with no C run-time, entering at ProcessEntry, a console program,
# relocatable (DYNAMIC_BASE) with data that cannot be run (NX).
set(SPOUTER_WIN32_LINK_OPTIONS
  -nostdlib -nostartfiles
  -Wl,--entry=${SPOUTER_ENTRY} -Wl,--subsystem,console
  -Wl,--major-subsystem-version,${SubsystemMajor} -Wl,--minor-subsystem-version,${SubsystemMinor}
  -Wl,--major-os-version,${SubsystemMajor} -Wl,--minor-os-version,${SubsystemMinor}
  -Wl,--dynamicbase -Wl,--nxcompat ${SPOUTER_ADDRESS_OPTIONS}
  -Wl,--image-base=${SPOUTER_IMAGE_BASE})

add_executable(spouter ${SPOUTER_WIN32_SOURCES} ${PROJECT_BINARY_DIR}/spouter.rc)
target_compile_options(spouter PRIVATE ${SPOUTER_CORE_OPTIONS} ${SPOUTER_WIN32_OPTIONS})
target_compile_definitions(spouter PRIVATE SPOUTER_LOCATION_BASE=${SPOUTER_LOCATION_BASE})
target_link_libraries(spouter PRIVATE spouter_core spouter_runtime spouter_freestanding kernel32 user32)
target_link_options(spouter PRIVATE ${SPOUTER_WIN32_LINK_OPTIONS} -s -Wl,--gc-sections)

if(SPOUTER_TESTS)
  # A test program on the same run-time and platform layer that faults on
  # purpose, never shipped; its symbols stay, for the tests to place a
  # fault's location.
  add_executable(fault_driver tests/drivers/FaultDriver.cpp ${SPOUTER_WIN32_SOURCES})
  target_compile_options(fault_driver PRIVATE ${SPOUTER_CORE_OPTIONS} ${SPOUTER_WIN32_OPTIONS})
  target_compile_definitions(fault_driver PRIVATE SPOUTER_LOCATION_BASE=${SPOUTER_LOCATION_BASE})
  target_link_libraries(fault_driver PRIVATE spouter_runtime spouter_freestanding kernel32 user32)
  target_link_options(fault_driver PRIVATE ${SPOUTER_WIN32_LINK_OPTIONS})

  add_subdirectory(tests/wine)
endif()
