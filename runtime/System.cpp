// The buffered standard channels, start-up, termination and run-time errors.
#include "runtime/System.h"

#include "runtime/FaultHandler.h"

TextChannel InputChannel;
TextChannel OutputChannel;
TextChannel ErrorChannel;
int32_t IoErrorCode;
uint32_t ExitStatus;
uint32_t ErrorLocation;
int32_t StartedModules;

namespace {

constexpr int32_t StandardBufferSize = 128;
constexpr uint16_t DefaultChannelFlags = 1;
constexpr int32_t ErrorFileNotOpen = 103;
constexpr int32_t ErrorFileNotOpenForOutput = 105;

const ModuleEntry* Modules;
char ErrorMessage[30];

const uint8_t Spaces[64] = {
    ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
    ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
    ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
    ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};

bool IsOpen(const TextChannel& Channel) {
  return Channel.Mode >= ModeInput && Channel.Mode <= ModeInOut;
}

bool TakesOutput(const TextChannel& Channel) {
  return (Channel.Mode & ModeOutput) == ModeOutput;
}

// The run-time error number for a stored I/O code: its low 8 bits, but
// never 0, which would pass a failure off as success.
uint8_t IoRunErrorCode(int32_t Code) {
  uint8_t Low = static_cast<uint8_t>(Code & 0xFF);
  return Low != 0 ? Low : 255;
}

__attribute__((noinline)) uint32_t CallerLocation() {
  return GetCodeLocation(__builtin_return_address(0));
}

// Ctrl+C ends the run here, at the run-time's own safe points, where each
// byte is either out or still in the buffer. A run that is already ending
// with an error keeps its code.
__attribute__((noinline)) void EndRunIfInterrupted() {
  if (ExitStatus == 0 && InterruptPending())
    RunError(MapFaultStatus(STATUS_CONTROL_C_EXIT), CallerLocation());
}

// Hands the buffered bytes to the OS and empties the buffer, whether or not
// that succeeds. The buffer moves past whatever each write took, so that no
// later path (an interrupt's, the error path's, the close) hands the same
// bytes over twice. A write that reports fewer bytes than asked goes on
// with the rest; one that makes no progress is a write fault.
int32_t WriteOutBuffer(TextChannel& Channel) {
  int32_t Result = 0;
  while (Channel.BufferPos > 0) {
    EndRunIfInterrupted();
    DWORD Left = static_cast<DWORD>(Channel.BufferPos);
    DWORD Written = 0;
    BOOL Done = WriteFile(Channel.Handle, Channel.BufferPtr, Left, &Written, nullptr);
    if (Written > Left) Written = Left;
    Channel.BufferPtr += Written;
    Channel.BufferPos -= static_cast<int32_t>(Written);
    if (!Done) {
      Result = static_cast<int32_t>(GetLastError());
      if (Result == 0) Result = ERROR_WRITE_FAULT;
      break;
    }
    if (Written == 0) {
      Result = ERROR_WRITE_FAULT;
      break;
    }
  }
  Channel.BufferPtr = Channel.Buffer;
  Channel.BufferPos = 0;
  return Result;
}

// Opens a standard channel for output on its handle. A character device
// is flushed at every statement's end; anything else only when the buffer
// fills and at close.
int32_t OpenTextChannel(TextChannel& Channel) {
  Channel.BufferPos = 0;
  Channel.BufferEnd = 0;
  Channel.Flags = DefaultChannelFlags;
  Channel.TransferRoutine = WriteOutBuffer;
  Channel.FlushRoutine = NoOpRoutine;
  Channel.CloseRoutine = NoOpRoutine;
  Channel.BufferSize = StandardBufferSize;
  Channel.BufferPtr = Channel.Buffer;

  HANDLE Handle = GetStdHandle(&Channel == &ErrorChannel ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  if (Handle == INVALID_HANDLE_VALUE) {
    Channel.Mode = ModeClosed;
    return static_cast<int32_t>(GetLastError());
  }
  Channel.Handle = Handle;
  DWORD Type = GetFileType(Handle);
  if (Type == FILE_TYPE_UNKNOWN) {
    CloseHandle(Handle);
    Channel.Mode = ModeClosed;
    return ErrorFileNotOpenForOutput;
  }
  if (Type == FILE_TYPE_CHAR) Channel.FlushRoutine = WriteOutBuffer;
  return 0;
}

int32_t OpenChannel(TextChannel& Channel, uint16_t Mode) {
  Channel.Mode = Mode;
  if (Channel.Name[0] == 0 && !Channel.OpenRoutine) Channel.OpenRoutine = OpenTextChannel;
  int32_t Result = Channel.OpenRoutine(Channel);
  if (Result != 0) SetIoError(Result);
  return Result;
}

// Only the standard output and error channels open on their first write.
bool EnsureOutputOpen(TextChannel& Channel) {
  if (&Channel == &OutputChannel || &Channel == &ErrorChannel) OpenChannel(Channel, ModeOutput);
  if (Channel.Mode == ModeOutput) return true;
  SetIoError(ErrorFileNotOpenForOutput);
  return false;
}

void InitStandardChannels() {
  InputChannel.Mode = ModeClosed;
  OutputChannel.Mode = ModeClosed;
  ErrorChannel.Mode = ModeClosed;
}

// Closes the standard channels; the output channel writes out what it still
// holds. Returns the code of that write-out if it failed, 0 otherwise: the
// other results (103 for a channel never opened) mean nothing here.
int32_t CloseStandardChannels() {
  CloseChannel(InputChannel);
  bool OutputWasOpen = TakesOutput(OutputChannel) && IsOpen(OutputChannel);
  int32_t OutputResult = CloseChannel(OutputChannel);
  CloseChannel(ErrorChannel);
  return OutputWasOpen ? OutputResult : 0;
}

// Pending bytes first, then the message, straight to the handle: nothing
// here allocates or goes through the channel's buffer.
void EmitErrorMessage() {
  if (OutputChannel.Mode == ModeOutput && OutputChannel.BufferPos > 0)
    OutputChannel.TransferRoutine(OutputChannel);
  DWORD Written;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), ErrorMessage, sizeof ErrorMessage, &Written, nullptr);
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "\r\n", 2, &Written, nullptr);
}

// Fills the buffer and hands it over whenever it becomes full, so a write
// that fills it exactly goes out at once; the remainder stays buffered.
__attribute__((noinline)) void WriteThroughBuffer(TextChannel& Channel, const uint8_t* Data,
                                                  int32_t Count) {
  if (Channel.Mode != ModeOutput && !EnsureOutputOpen(Channel)) return;
  for (;;) {
    int32_t Free = Channel.BufferSize - Channel.BufferPos;
    int32_t Take = Free > Count ? Count : Free;
    uint8_t* To = Channel.BufferPtr + Channel.BufferPos;
    for (int32_t I = 0; I < Take; ++I) To[I] = Data[I];
    Channel.BufferPos += Take;
    if (Free > Count) return;
    Data += Take;
    Count -= Take;
    int32_t Result = Channel.TransferRoutine(Channel);
    if (Result != 0) {
      SetIoError(Result);
      return;
    }
  }
}

}  // namespace

// Most writes are a few bytes into an open buffer with room to spare: they
// are copied here, with no call. The bytes often come from a text filled a
// moment ago, so they are read one at a time, as they were stored: a wider
// read across two stores would have to wait for both to land.
void WriteBytes(TextChannel& Channel, const uint8_t* Data, int32_t Count) {
  int32_t Pos = Channel.BufferPos;
  if (Channel.Mode != ModeOutput || Count >= Channel.BufferSize - Pos) {
    WriteThroughBuffer(Channel, Data, Count);
    return;
  }
  Channel.BufferPos = Pos + Count;
  uint8_t* To = Channel.BufferPtr + Pos;
  for (int32_t I = 0; I < Count; ++I) To[I] = Data[I];
}

// At most 64 spaces a write, stopping at the first failure.
void WritePadding(TextChannel& Channel, int32_t Count) {
  while (Count > 64) {
    WriteBytes(Channel, Spaces, 64);
    Count -= 64;
    if (IoErrorCode != 0) return;
  }
  if (Count > 0) WriteBytes(Channel, Spaces, Count);
}

void WriteChar(TextChannel& Channel, uint8_t Value) {
  if (Channel.Mode != ModeOutput && !EnsureOutputOpen(Channel)) return;
  // A byte that fills the buffer stays there until the next one arrives.
  while (Channel.BufferPos >= Channel.BufferSize) {
    int32_t Result = Channel.TransferRoutine(Channel);
    if (Result != 0) {
      SetIoError(Result);
      return;
    }
  }
  Channel.BufferPtr[Channel.BufferPos++] = Value;
}

int32_t NoOpRoutine(TextChannel&) { return 0; }

int32_t RunFlushRoutine(TextChannel& Channel) {
  int32_t Result = 0;
  if (Channel.Mode == ModeOutput || Channel.Mode == ModeInOut) Result = Channel.FlushRoutine(Channel);
  if (Result != 0) SetIoError(Result);
  return Result;
}

// The location is the return address: it names the failing write statement.
__attribute__((noinline)) void CheckIoError() {
  if (IoErrorCode == 0) return;
  RunError(IoRunErrorCode(IoErrorCode), GetCodeLocation(__builtin_return_address(0)));
}

void SetIoError(int32_t Code) { IoErrorCode = Code; }

int32_t CloseChannel(TextChannel& Channel) {
  int32_t Result = 0;
  if (IsOpen(Channel)) {
    if (TakesOutput(Channel)) Result = Channel.TransferRoutine(Channel);
    if (Result == 0) Result = Channel.CloseRoutine(Channel);
  } else if (&Channel != &InputChannel) {
    Result = ErrorFileNotOpen;
  }
  if (Result != 0) SetIoError(Result);
  return Result;
}

// SPOUTER computes nothing in floating point: the platform's default
// floating-point environment stands.
void InitSystem() { InitStandardChannels(); }

// A normal end whose last write-out fails is a run-time error like a failed
// write statement, not a silent exit 0.
void FinishSystem() {
  int32_t WriteOutResult = CloseStandardChannels();
  ReleaseAllText();
  if (WriteOutResult != 0 && ExitStatus == 0) RunError(IoRunErrorCode(WriteOutResult), CallerLocation());
}

void StartProgram(const ModuleEntry* Table, int32_t Count) {
  // First, so that a fault in any module's initialisation is caught too.
  InstallFaultHandler();
  Modules = Table;
  StartedModules = 0;
  for (int32_t I = 0; I < Count; ++I) {
    // Counted first, so a module whose initialisation fails is still
    // finalised.
    ++StartedModules;
    if (Table[I].Initialize) Table[I].Initialize();
  }
}

// Each module is finalised at most once, even when a failure during
// finalisation comes back here through RunError.
void FinishProgram() {
  EndRunIfInterrupted();
  if (ErrorLocation != 0) {
    ComposeErrorMessage(static_cast<uint8_t>(ExitStatus), ErrorLocation, ErrorMessage);
    EmitErrorMessage();
    ErrorLocation = 0;
  }
  while (StartedModules > 0) {
    --StartedModules;
    if (Modules[StartedModules].Finalize) Modules[StartedModules].Finalize();
  }
  RemoveFaultHandler();
  ExitProcess(ExitStatus);
}

void RunError(uint8_t Code, uint32_t Location) {
  ExitStatus = Code;
  ErrorLocation = Location;
  FinishProgram();
}

void ComposeErrorMessage(uint8_t Code, uint32_t Location, char (&Line)[30]) {
  static const char Template[30] = "Runtime error     at 00000000";
  static const char Digits[] = "0123456789ABCDEF";
  for (int I = 0; I < 30; ++I) Line[I] = Template[I];
  int Position = 16;  // 0-based index of the code's last digit
  do {
    Line[Position--] = Digits[Code % 10];
    Code /= 10;
  } while (Code != 0);
  Position = 28;  // the location's last digit
  do {
    Line[Position--] = Digits[Location & 0xF];
    Location >>= 4;
  } while (Location != 0);
}
