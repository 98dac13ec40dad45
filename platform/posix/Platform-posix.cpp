// The platform services on POSIX: standard handles are file descriptors,
// the raw command line is rebuilt from the shell's arguments, the heap
// keeps its blocks in a list so that destroying it gives them all back, and
// a message box is text on standard error.
#include <errno.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "echo/Spouter.h"
#include "platform/Platform.h"
#include "platform/posix/PosixCommandLine.h"
#include "platform/posix/PosixFaultStatus.h"
#include "platform/posix/PosixMessageBox.h"
#include "runtime/System.h"

extern "C" const char __executable_start[];

namespace {

int ArgumentCount;
char** Arguments;
char* CommandLine;
DWORD LastError;

int DescriptorOf(HANDLE Handle) { return static_cast<int>(reinterpret_cast<intptr_t>(Handle)); }

struct HeapBlock {
  HeapBlock* Previous;
  HeapBlock* Next;
  void* Owner;
  uintptr_t Check;  // the block's own address, scrambled: marks our blocks
};

struct Heap {
  HeapBlock Blocks;  // sentinel of a circular list
};

constexpr uintptr_t BlockMark = 0x5A5A5A5A;

HeapBlock* BlockOf(void* Data) { return static_cast<HeapBlock*>(Data) - 1; }

}  // namespace

extern "C" {

LPSTR WINAPI GetCommandLineA(void) {
  if (!CommandLine) {
    CommandLine = BuildCommandLine(ArgumentCount, Arguments);
    if (!CommandLine) RunError(203, GetCodeLocation(__builtin_return_address(0)));
  }
  return CommandLine;
}

LPSTR WINAPI CharNextA(const char* Current) {
  return const_cast<char*>(*Current ? Current + 1 : Current);
}

DWORD WINAPI GetModuleFileNameA(HMODULE, LPSTR Buffer, DWORD Size) {
  ssize_t Count = readlink("/proc/self/exe", Buffer, Size);
  if (Count < 0) {
    LastError = static_cast<DWORD>(errno);
    return 0;
  }
  if (static_cast<DWORD>(Count) < Size) Buffer[Count] = 0;
  return static_cast<DWORD>(Count);
}

HANDLE WINAPI GetStdHandle(DWORD Which) {
  switch (Which) {
    case STD_INPUT_HANDLE: return reinterpret_cast<HANDLE>(intptr_t{0});
    case STD_OUTPUT_HANDLE: return reinterpret_cast<HANDLE>(intptr_t{1});
    case STD_ERROR_HANDLE: return reinterpret_cast<HANDLE>(intptr_t{2});
  }
  LastError = ERROR_INVALID_HANDLE;
  return INVALID_HANDLE_VALUE;
}

DWORD WINAPI GetFileType(HANDLE File) {
  struct stat Status;
  if (fstat(DescriptorOf(File), &Status) != 0) {
    LastError = static_cast<DWORD>(errno);
    return FILE_TYPE_UNKNOWN;
  }
  if (S_ISCHR(Status.st_mode)) return FILE_TYPE_CHAR;
  if (S_ISFIFO(Status.st_mode) || S_ISSOCK(Status.st_mode)) return FILE_TYPE_PIPE;
  return FILE_TYPE_DISK;
}

BOOL WINAPI WriteFile(HANDLE File, LPCVOID Data, DWORD Count, LPDWORD Written, LPOVERLAPPED) {
  const char* Next = static_cast<const char*>(Data);
  DWORD Done = 0;
  while (Done < Count) {
    ssize_t Result = write(DescriptorOf(File), Next + Done, Count - Done);
    if (Result < 0) {
      if (errno == EINTR) continue;
      LastError = static_cast<DWORD>(errno);
      if (Written) *Written = Done;
      return FALSE;
    }
    Done += static_cast<DWORD>(Result);
  }
  if (Written) *Written = Done;
  return TRUE;
}

DWORD WINAPI GetLastError(void) { return LastError; }

BOOL WINAPI CloseHandle(HANDLE Object) {
  if (close(DescriptorOf(Object)) == 0) return TRUE;
  LastError = static_cast<DWORD>(errno);
  return FALSE;
}

void WINAPI ExitProcess(unsigned ExitCode) { _exit(static_cast<int>(ExitCode)); }

HANDLE WINAPI HeapCreate(DWORD, SIZE_T, SIZE_T) {
  Heap* Created = static_cast<Heap*>(malloc(sizeof(Heap)));
  if (!Created) {
    LastError = ERROR_NOT_ENOUGH_MEMORY;
    return nullptr;
  }
  Created->Blocks.Previous = Created->Blocks.Next = &Created->Blocks;
  return Created;
}

BOOL WINAPI HeapDestroy(HANDLE Handle) {
  // A fault or an interrupt may have struck inside the C library's heap;
  // freeing into it could only fault again. The process ends next anyway.
  if (HandlingFault()) return TRUE;
  Heap* Destroyed = static_cast<Heap*>(Handle);
  HeapBlock* Block = Destroyed->Blocks.Next;
  while (Block != &Destroyed->Blocks) {
    HeapBlock* Next = Block->Next;
    free(Block);
    Block = Next;
  }
  free(Destroyed);
  return TRUE;
}

LPVOID WINAPI HeapAlloc(HANDLE Handle, DWORD, SIZE_T Bytes) {
  if (Bytes > SIZE_MAX - sizeof(HeapBlock)) return nullptr;
  HeapBlock* Block = static_cast<HeapBlock*>(malloc(sizeof(HeapBlock) + Bytes));
  if (!Block) return nullptr;
  HeapBlock* Sentinel = &static_cast<Heap*>(Handle)->Blocks;
  Block->Owner = Handle;
  Block->Check = reinterpret_cast<uintptr_t>(Block) ^ BlockMark;
  Block->Previous = Sentinel;
  Block->Next = Sentinel->Next;
  Sentinel->Next->Previous = Block;
  Sentinel->Next = Block;
  return Block + 1;
}

BOOL WINAPI HeapFree(HANDLE Handle, DWORD, LPVOID Data) {
  if (!Data) return TRUE;
  HeapBlock* Block = BlockOf(Data);
  if (Block->Owner != Handle || Block->Check != (reinterpret_cast<uintptr_t>(Block) ^ BlockMark))
    return FALSE;
  Block->Previous->Next = Block->Next;
  Block->Next->Previous = Block->Previous;
  Block->Check = 0;
  free(Block);
  return TRUE;
}

// A terminal has no message boxes: the box is drawn on standard error and
// is gone at once. Standard output is not touched.
int WINAPI MessageBoxA(HWND, LPCSTR Text, LPCSTR Caption, UINT) {
  return WriteTextBox(2, Text, Caption) ? IDOK : 0;
}

}  // extern "C"

// An offset within the program's image, the same at every run.
uint32_t GetCodeLocation(const void* Address) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(Address) -
                               reinterpret_cast<uintptr_t>(__executable_start));
}

int main(int Count, char** Values) {
  // A reader that went away is a failed write, not a silent death.
  signal(SIGPIPE, SIG_IGN);
  ArgumentCount = Count;
  Arguments = Values;
  ProcessArguments();
}
