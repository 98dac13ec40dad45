# The Windows build: the program and its run-time, unchanged, on the real
# Win32 API, linked into one executable with no C run-time at all. The
# process enters at ProcessEntry, which runs ProcessArguments inside the
# frame that holds the fault handler's registration; kernel32 and user32 are
# the only DLLs.

# Nothing is linked that is not named here.
set(CMAKE_CXX_STANDARD_LIBRARIES "")

# Small code, no unwind tables (nothing unwinds), no stack probes (no frame
# comes near a page) and no stack protector (it needs a run-time).
set(SPOUTER_WIN32_OPTIONS
  -Os -fno-asynchronous-unwind-tables -fno-unwind-tables -fno-stack-protector
  -mno-stack-arg-probe -ffunction-sections)
target_compile_options(spouter_runtime PRIVATE ${SPOUTER_WIN32_OPTIONS})
target_compile_options(spouter_core PRIVATE ${SPOUTER_WIN32_OPTIONS})

# The loader enters with the stack aligned to 4 bytes only.
set_property(SOURCE echo/Spouter.cpp platform/win32/Platform-win32.cpp
  APPEND PROPERTY COMPILE_OPTIONS -mincoming-stack-boundary=2)
# The memory helpers must not be compiled into calls of themselves.
set_property(SOURCE platform/Freestanding.cpp APPEND PROPERTY COMPILE_OPTIONS
  -fno-builtin -fno-tree-loop-distribute-patterns)

# Further platform/win32 sources join this list.
set(SPOUTER_WIN32_SOURCES
  platform/win32/FaultHandler-win32.cpp
  platform/Freestanding.cpp
  platform/win32/Platform-win32.cpp
)
add_executable(spouter ${SPOUTER_WIN32_SOURCES})
target_compile_options(spouter PRIVATE ${SPOUTER_CORE_OPTIONS} ${SPOUTER_WIN32_OPTIONS})
# Error locations are shown as addresses at this base, wherever the loader
# puts the image.
set(SPOUTER_IMAGE_BASE 0x00400000)
target_compile_definitions(spouter PRIVATE SPOUTER_IMAGE_BASE=${SPOUTER_IMAGE_BASE})
target_link_libraries(spouter PRIVATE spouter_core spouter_runtime kernel32 user32)
target_link_options(spouter PRIVATE
  -nostdlib -nostartfiles -s
  -Wl,--entry=_ProcessEntry -Wl,--subsystem,console -Wl,--gc-sections
  -Wl,--image-base=${SPOUTER_IMAGE_BASE})

if(SPOUTER_TESTS)
  # A test program on the same run-time and platform layer that faults on
  # purpose, never shipped; its symbols stay, for the tests to place a
  # fault's location.
  add_executable(fault_driver tests/drivers/FaultDriver.cpp ${SPOUTER_WIN32_SOURCES})
  target_compile_options(fault_driver PRIVATE ${SPOUTER_CORE_OPTIONS} ${SPOUTER_WIN32_OPTIONS})
  target_compile_definitions(fault_driver PRIVATE SPOUTER_IMAGE_BASE=${SPOUTER_IMAGE_BASE})
  target_link_libraries(fault_driver PRIVATE spouter_runtime kernel32 user32)
  target_link_options(fault_driver PRIVATE
    -nostdlib -nostartfiles -Wl,--entry=_ProcessEntry -Wl,--subsystem,console
    -Wl,--image-base=${SPOUTER_IMAGE_BASE})

  add_subdirectory(tests/wine)
endif()
