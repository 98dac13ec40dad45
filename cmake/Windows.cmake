# The Windows build: the program and its run-time, unchanged, on the real
# Win32 API, linked into one executable with no C run-time at all. The
# process enters at ProcessArguments; kernel32 and user32 are the only DLLs.

# Nothing is linked that is not named here.
set(CMAKE_CXX_STANDARD_LIBRARIES "")

# Small code, no unwind tables (nothing unwinds), no stack probes (no frame
# comes near a page) and no stack protector (it needs a run-time).
set(SPOUTER_WIN32_OPTIONS
  -Os -fno-asynchronous-unwind-tables -fno-unwind-tables -fno-stack-protector
  -mno-stack-arg-probe -ffunction-sections)
target_compile_options(spouter_runtime PRIVATE ${SPOUTER_WIN32_OPTIONS})
target_compile_options(spouter_core PRIVATE ${SPOUTER_WIN32_OPTIONS})

# The loader enters ProcessArguments with the stack aligned to 4 bytes only.
set_property(SOURCE echo/Spouter.cpp APPEND PROPERTY COMPILE_OPTIONS -mincoming-stack-boundary=2)
# The memory helpers must not be compiled into calls of themselves.
set_property(SOURCE platform/win32/Freestanding.cpp APPEND PROPERTY COMPILE_OPTIONS
  -fno-builtin -fno-tree-loop-distribute-patterns)

# Further platform/win32 sources join this list.
add_executable(spouter
  platform/win32/Freestanding.cpp
  platform/win32/Platform-win32.cpp
)
target_compile_options(spouter PRIVATE ${SPOUTER_CORE_OPTIONS} ${SPOUTER_WIN32_OPTIONS})
# Error locations are shown as addresses at this base, wherever the loader
# puts the image.
set(SPOUTER_IMAGE_BASE 0x00400000)
target_compile_definitions(spouter PRIVATE SPOUTER_IMAGE_BASE=${SPOUTER_IMAGE_BASE})
target_link_libraries(spouter PRIVATE spouter_core spouter_runtime kernel32 user32)
target_link_options(spouter PRIVATE
  -nostdlib -nostartfiles -s
  -Wl,--entry=_ProcessArguments -Wl,--subsystem,console -Wl,--gc-sections
  -Wl,--image-base=${SPOUTER_IMAGE_BASE})

if(SPOUTER_TESTS)
  add_subdirectory(tests/wine)
endif()
