// The platform services on POSIX, over the kernel seam (system calls made
// directly on Linux, or the C library's calls): standard handles are file
// descriptors, the raw command line is rebuilt from the shell's arguments,
// byte strings live on memory that the seam maps, and a message box is text
// on standard error.
#include <errno.h>
#include <signal.h>
#include <sys/stat.h>

#include "echo/Spouter.h"
#include "platform/Platform.h"
#include "platform/posix/FaultHandler-posix.h"
#include "platform/posix/Kernel.h"
#include "platform/posix/PosixCommandLine.h"
#include "platform/posix/PosixHeap.h"
#include "platform/posix/PosixInterrupt.h"
#include "platform/posix/PosixMessageBox.h"
#include "platform/posix/PosixStart.h"
#include "platform/posix/PosixWrite.h"
#include "runtime/FaultHandler.h"
#include "runtime/System.h"

namespace {

int ArgumentCount;
char** Arguments;
char* CommandLine;
char ShortCommandLine[4096];  // most lines fit: no memory to map for them
DWORD LastError;
// Standard output is a regular file: some file systems report a failed
// write only when it is closed.
bool OutputIsFile;

int DescriptorOf(HANDLE Handle) { return static_cast<int>(reinterpret_cast<intptr_t>(Handle)); }

// A system call's result as a success, or its error kept for GetLastError.
bool Succeeded(long Result) {
  if (Result >= 0) return true;
  LastError = static_cast<DWORD>(-Result);
  return false;
}

}  // namespace

extern "C" {

LPSTR WINAPI GetCommandLineA(void) {
  // The line is built once, beside the arguments, which stay as the
  // system shows them.
  if (!CommandLine) {
    size_t Size = CommandLineSize(ArgumentCount, Arguments);
    CommandLine = Size <= sizeof ShortCommandLine ? ShortCommandLine
                                                  : static_cast<char*>(KernelMapMemory(Size));
    if (!CommandLine) RunError(203, GetCodeLocation(__builtin_return_address(0)));
    BuildCommandLine(ArgumentCount, Arguments, CommandLine);
  }
  return CommandLine;
}

LPSTR WINAPI CharNextA(const char* Current) {
  return const_cast<char*>(*Current ? Current + 1 : Current);
}

DWORD WINAPI GetModuleFileNameA(HMODULE, LPSTR Buffer, DWORD Size) {
  long Count = KernelExecutablePath(Buffer, Size);
  if (!Succeeded(Count)) return 0;
  if (static_cast<DWORD>(Count) < Size) Buffer[Count] = 0;
  return static_cast<DWORD>(Count);
}

// The three standard handles, -10 to -12, are descriptors 0 to 2.
HANDLE WINAPI GetStdHandle(DWORD Which) {
  DWORD Descriptor = STD_INPUT_HANDLE - Which;
  if (Descriptor <= 2) return reinterpret_cast<HANDLE>(static_cast<intptr_t>(Descriptor));
  LastError = ERROR_INVALID_HANDLE;
  return INVALID_HANDLE_VALUE;
}

// Unknown for a descriptor that takes no bytes: one that is not open, or
// open only for reading, as a set-user-ID program's C library leaves a
// closed one. A type that the system will not tell is written as a file
// is: the bytes are the same.
DWORD WINAPI GetFileType(HANDLE File) {
  long Writable = KernelOpenForWriting(DescriptorOf(File));
  if (Writable == 0 || Writable == -EBADF) return FILE_TYPE_UNKNOWN;
  long Mode = KernelFileMode(DescriptorOf(File));
  if (Mode == -EBADF) return FILE_TYPE_UNKNOWN;
  if (Mode < 0) return FILE_TYPE_DISK;
  if (S_ISCHR(Mode)) return FILE_TYPE_CHAR;
  if (S_ISFIFO(Mode) || S_ISSOCK(Mode)) return FILE_TYPE_PIPE;
  if (DescriptorOf(File) == 1 && S_ISREG(Mode)) OutputIsFile = true;
  return FILE_TYPE_DISK;
}

BOOL WINAPI WriteFile(HANDLE File, LPCVOID Data, DWORD Count, LPDWORD Written, LPOVERLAPPED) {
  size_t Done = 0;
  long Error = WriteWhole(DescriptorOf(File), Data, Count, Done);
  if (Written) *Written = static_cast<DWORD>(Done);
  if (Error == 0) return TRUE;
  LastError = static_cast<DWORD>(Error);
  return FALSE;
}

DWORD WINAPI GetLastError(void) { return LastError; }

// The standard descriptors stay open: they are the caller's, and a closed
// one would be given to the next file that the process opened.
BOOL WINAPI CloseHandle(HANDLE Object) {
  int Descriptor = DescriptorOf(Object);
  if (Descriptor <= 2) return TRUE;
  return Succeeded(KernelClose(Descriptor)) ? TRUE : FALSE;
}

void WINAPI ExitProcess(unsigned ExitCode) {
  // A file system that reports a failed write only at close (NFS, some
  // FUSE ones) tells it at the close of any descriptor of the file: a
  // copy's, so that the message can still go to standard output.
  long Copy = ExitCode == 0 && OutputIsFile ? KernelDuplicate(1) : -EBADF;
  long Result = Copy >= 0 ? KernelClose(static_cast<int>(Copy)) : 0;
  if (Result < 0 && Result != -EINTR)
    RunError(static_cast<uint8_t>(-Result), GetCodeLocation(__builtin_return_address(0)));
  // A run that ended by Ctrl+C, or that Ctrl+C reached on its way out, ends
  // by SIGINT itself; one that ends with another error keeps its code.
  if (ExitCode == 0 || ExitCode == MapFaultStatus(STATUS_CONTROL_C_EXIT)) EndProcessIfInterrupted();
  KernelExit(static_cast<int>(ExitCode));
}

HANDLE WINAPI HeapCreate(DWORD, SIZE_T, SIZE_T) {
  PosixHeap* Heap = CreatePosixHeap();
  if (!Heap) LastError = ERROR_NOT_ENOUGH_MEMORY;
  return Heap;
}

BOOL WINAPI HeapDestroy(HANDLE Heap) {
  // A fault may have struck while the heap's own records were being
  // changed, or after a stray write damaged them; the process ends next
  // anyway, and the system takes back its memory.
  if (!HandlingFault()) DestroyPosixHeap(static_cast<PosixHeap*>(Heap));
  return TRUE;
}

LPVOID WINAPI HeapAlloc(HANDLE Heap, DWORD, SIZE_T Bytes) {
  return AllocateFromPosixHeap(static_cast<PosixHeap*>(Heap), Bytes);
}

BOOL WINAPI HeapFree(HANDLE Heap, DWORD, LPVOID Block) {
  if (!Block) return TRUE;
  return ReleaseToPosixHeap(static_cast<PosixHeap*>(Heap), Block) ? TRUE : FALSE;
}

// A terminal has no message boxes: the box is drawn on standard error and
// is gone at once. Standard output is not touched, whatever happens: Ctrl+C
// while the box is shown, or after, ends the process at once, as it ends a
// Windows program that shows a box.
int WINAPI MessageBoxA(HWND, LPCSTR Text, LPCSTR Caption, UINT) {
  EndProcessAtInterrupt();
  return WriteTextBox(2, Text, Caption) ? IDOK : 0;
}

}  // extern "C"

// The arguments' bytes are never decoded: one byte is one character.
bool CharactersAreSingleBytes() { return true; }

// An offset within the program's image, the same at every run.
uint32_t GetCodeLocation(const void* Address) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(Address) -
                               reinterpret_cast<uintptr_t>(KernelImageStart()));
}

extern "C" [[noreturn]] void PosixStart(int Count, char** Vector) {
  // A reader that went away, or a file-size limit reached, is a failed
  // write, not a silent death: both signals stay blocked, and their writes
  // fail with EPIPE and EFBIG. Where the mask cannot be changed they are
  // ignored instead.
  uint64_t Quiet = uint64_t{1} << (SIGPIPE - 1) | uint64_t{1} << (SIGXFSZ - 1);
  if (KernelBlockSignals(Quiet) < 0) {
    KernelSetSignalAction(SIGPIPE, KernelIgnoreSignal, 0);
    KernelSetSignalAction(SIGXFSZ, KernelIgnoreSignal, 0);
  }
  InstallInterruptHandler();
  ArgumentCount = Count;
  Arguments = Vector;
  ProcessArguments();
}
