// A test-only program on SPOUTER's run-time, never shipped: it writes its
// parameters from the second on, one write statement each, and then faults
// in the way that parameter 1 names. Each fault happens inside the function
// named after it, so tests can check the reported location against the
// symbol table.
//
//   null        write through a null pointer              216
//   divide      integer division by zero                  200
//   float       floating-point division by zero           200
//   recurse     unbounded recursion                       202
//   illegal     an undefined instruction                  255
//   privileged  an instruction reserved for the kernel    218
//   interrupt   an interrupt, as Ctrl+C raises it         217
//   start       a null write in a module's initialisation 216
//   finish      a null write in a module's finalisation   216
//   again       a null write whose error path faults too  216
//   heap        a null write after a stray write has      216
//               damaged the storage of byte strings
//   none        no fault: a normal end                    0
#if defined(_WIN32)
#include <windows.h>
#else
#include <signal.h>

#include "platform/posix/LinuxSystem.h"
#endif

#include "runtime/CommandLine.h"
#include "runtime/System.h"

extern "C" {

// Volatile, so that the compiler can neither prove the recursion endless
// nor drop the faulting operations' results.
volatile int StopDepth = -1;
volatile int Sink;

__attribute__((noinline, noclone)) void FaultNull() {
  volatile int* volatile Target = nullptr;
  *Target = 1;
}

__attribute__((noinline, noclone)) void FaultDivide() {
  volatile int Dividend = 1;
  volatile int Divisor = 0;
  Sink = Dividend / Divisor;
}

// With the division-by-zero exception unmasked, 1 / 0 faults at the next
// floating-point instruction.
__attribute__((noinline, noclone)) void FaultFloat() {
  uint16_t Control;
  asm volatile("fnstcw %0" : "=m"(Control));
  Control &= ~uint16_t{4};
  asm volatile("fldcw %0" : : "m"(Control));
  asm volatile("fldz\n\tfld1\n\tfdiv %%st(1), %%st\n\tfwait\n\tfstp %%st(0)\n\tfstp %%st(0)"
               :
               :
               : "st", "st(1)");
}

__attribute__((noinline, noclone)) int Recurse(int Depth) {
  volatile char Frame[256];
  Frame[0] = static_cast<char>(Depth);
  if (Depth == StopDepth) return 0;
  return Recurse(Depth + 1) + Frame[0];
}

__attribute__((noinline, noclone)) void FaultIllegal() { asm volatile("ud2"); }

__attribute__((noinline, noclone)) void FaultPrivileged() { asm volatile("hlt"); }

}  // extern "C"

namespace {

template <int32_t N>
bool ModeIs(const char (&Name)[N]) {
  return CompareTextBytes(GetParameter(1).View(), LiteralText(Name)) == 0;
}

void DriverInitialize() {
  if (ModeIs("start")) FaultNull();
}

void DriverFinalize() {
  if (ModeIs("finish")) FaultNull();
}

const ModuleEntry ModuleTable[] = {
    {nullptr, nullptr},
    {InitSystem, FinishSystem},
    {DriverInitialize, DriverFinalize},
};

void WriteParameters() {
  for (int32_t Index = 2;; ++Index) {
    Text Parameter = GetParameter(Index);
    if (Parameter.IsEmpty()) return;
    WriteText(OutputChannel, Parameter.View(), 0);
    FlushChannel(OutputChannel);
    CheckIoError();
  }
}

void Fault() {
  if (ModeIs("null")) FaultNull();
  if (ModeIs("divide")) FaultDivide();
  if (ModeIs("float")) FaultFloat();
  if (ModeIs("recurse")) Sink = Recurse(0);
  if (ModeIs("illegal")) FaultIllegal();
  if (ModeIs("privileged")) FaultPrivileged();
#if defined(_WIN32)
  if (ModeIs("interrupt")) RaiseException(STATUS_CONTROL_C_EXIT, 0, 0, nullptr);
#else
  if (ModeIs("interrupt")) LinuxRaise(SIGINT);
#endif
  if (ModeIs("heap")) {
    // As a buffer underrun would: the bytes just before a live string's
    // storage, where the storage keeps its own records.
    Text Victim = GetParameter(1);
    for (int I = 1; I <= 32; ++I) Victim.Data()[-I] = 0x5A;
    FaultNull();
  }
  if (ModeIs("again")) {
    OutputChannel.TransferRoutine = nullptr;
    FaultNull();
  }
}

}  // namespace

extern "C" void ProcessArguments() {
  StartProgram(ModuleTable, sizeof ModuleTable / sizeof ModuleTable[0]);
  WriteParameters();
  Fault();
  FinishProgram();
}
