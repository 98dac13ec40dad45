// The output channel, start-up, termination and the run-time error path.
// Failures are never returned to the program: a channel operation stores a
// code in IoErrorCode, CheckIoError turns it into a run-time error, and
// RunError ends the process with a one-line message and the code as exit
// code.
#pragma once

#include <stdint.h>

#include "platform/Platform.h"
#include "runtime/Text.h"

enum : uint16_t {
  ModeClosed = 0xD7B0,
  ModeInput = 0xD7B1,
  ModeOutput = 0xD7B2,
  ModeInOut = 0xD7B3,
};

struct TextChannel;
// A channel routine: 0 for success, else an error code.
typedef int32_t (*ChannelRoutine)(TextChannel& Channel);

// One buffered channel on an OS handle. Its behaviour lives in the routine
// fields, chosen when it is opened; the write path only calls through them.
struct TextChannel {
  HANDLE Handle;
  uint16_t Mode;
  uint16_t Flags;
  int32_t BufferSize;
  int32_t BufferPos;  // bytes waiting in the buffer
  int32_t BufferEnd;  // reading only
  uint8_t* BufferPtr;
  ChannelRoutine OpenRoutine;
  ChannelRoutine TransferRoutine;
  ChannelRoutine FlushRoutine;  // run at the end of every write statement
  ChannelRoutine CloseRoutine;
  uint8_t UserData[32];
  char Name[260];  // empty: a standard handle
  uint8_t Buffer[128];
};

extern TextChannel InputChannel;
extern TextChannel OutputChannel;
extern TextChannel ErrorChannel;

// Code of the last failed channel operation, 0 for none. There is one
// thread and the run-time starts none, so one value serves.
extern int32_t IoErrorCode;

extern uint32_t ExitStatus;     // the process exit code
extern uint32_t ErrorLocation;  // where a run-time error arose; 0 for none
extern int32_t StartedModules;  // modules initialised and not yet finalised

// One entry of the module table; either step may be absent.
struct ModuleEntry {
  void (*Initialize)();
  void (*Finalize)();
};

// The core run-time module's steps, for the program's module table.
void InitSystem();
void FinishSystem();

// A write statement is one write operation, then FlushChannel, then
// CheckIoError. A console gets the bytes at every statement's end; a file
// or a pipe when 128 are buffered and at termination.
void WriteChar(TextChannel& Channel, uint8_t Value);
void WriteBytes(TextChannel& Channel, const uint8_t* Data, int32_t Count);
// Spaces on the left up to Width; most texts have none.
void WritePadding(TextChannel& Channel, int32_t Count);
inline void WriteText(TextChannel& Channel, TextView Bytes, int32_t Width) {
  if (Width > Bytes.Length) WritePadding(Channel, Width - Bytes.Length);
  WriteBytes(Channel, Bytes.Data, Bytes.Length);
}

// The flush routine of a channel whose statements need no flush.
int32_t NoOpRoutine(TextChannel& Channel);
// Runs the flush routine of an open channel; a failure is also stored.
int32_t RunFlushRoutine(TextChannel& Channel);
// Every statement ends with it, so on a file or a pipe, where the routine
// does nothing, it makes no call.
inline int32_t FlushChannel(TextChannel& Channel) {
  return Channel.FlushRoutine == NoOpRoutine ? 0 : RunFlushRoutine(Channel);
}

// Returns only when no failure is stored.
void CheckIoError();

void SetIoError(int32_t Code);
int32_t CloseChannel(TextChannel& Channel);

// Runs the initialisation steps of Table in order. The table must outlive
// the run: termination finalises from it.
void StartProgram(const ModuleEntry* Table, int32_t Count);
// Writes the pending run-time error message, finalises the started
// modules in reverse order and ends the process with ExitStatus.
[[noreturn]] void FinishProgram();
// Ends the process with Code. A Location of 0 writes no message.
[[noreturn]] void RunError(uint8_t Code, uint32_t Location);

// The 29-character line "Runtime error NNN at XXXXXXXX" and a NUL for the
// given code and location.
void ComposeErrorMessage(uint8_t Code, uint32_t Location, char (&Line)[30]);
