// The few platform services that Win32 does not offer under our names; every
// other one is the real kernel32 or user32 function.
#include "platform/Platform.h"

#include "echo/Spouter.h"
#include "platform/win32/FaultFrame.h"

namespace {

// The base at which locations are shown, given by the build: the base the
// 32-bit image is linked for, and one below 4 GiB for the x64 image, so
// that every location fits 8 hexadecimal digits. Only a constant will do:
// the linker marks every address in the image for relocation, its own
// symbol for the base included.
constexpr uint32_t LocationBase = SPOUTER_LOCATION_BASE;

}  // namespace

// Where the loader put the image.
extern "C" const IMAGE_DOS_HEADER __ImageBase;

// The address's offset in the image, shown at LocationBase, so that a
// location names the same instruction at every run.
uint32_t GetCodeLocation(const void* Address) {
  uintptr_t Offset =
      reinterpret_cast<uintptr_t>(Address) - reinterpret_cast<uintptr_t>(&__ImageBase);
  return LocationBase + static_cast<uint32_t>(Offset);
}

// A console's Ctrl+C ends the process through the system's own handler,
// with STATUS_CONTROL_C_EXIT, as the command processor expects.
bool InterruptPending() { return false; }

// The ANSI code page may be a double-byte one: CharNextA decides.
bool CharactersAreSingleBytes() { return false; }

// The process enters here. The program runs inside a frame of the fault
// handler's, which has to lie above every frame of the run.
extern "C" void ProcessEntry() { RunInFaultFrame(ProcessArguments); }
