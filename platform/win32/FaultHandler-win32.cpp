// The top-level fault handler on Windows: a frame-based exception handler
// whose registration record lies in a frame above every frame of the run,
// so that it sees every fault that nothing below it handled.
#include "platform/win32/FaultFrame.h"

#include "platform/Platform.h"
#include "runtime/FaultHandler.h"
#include "runtime/System.h"

namespace {

// A fault while the run-time error path is finishing comes back here, and
// finishing goes on with what is left. A path that keeps faulting ends the
// run at once after this many, with the code that the error path already
// holds.
constexpr int MaxFaults = 8;

// Stack kept back for the handler and the error path when the stack
// overflows.
constexpr ULONG OverflowReserve = 32 * 1024;

EXCEPTION_REGISTRATION_RECORD* Registration;
bool Installed;
int FaultsHandled;
UINT PreviousErrorMode;

EXCEPTION_DISPOSITION NTAPI TopLevelFaultHandler(EXCEPTION_RECORD* Record, void* EstablisherFrame,
                                                 CONTEXT* Context, void*) {
  if (Record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) return ExceptionContinueSearch;
  if (!Installed) return ExceptionContinueSearch;
  // A fault that an attached debugger wants is passed on untouched: the
  // last-chance filter answers 0 for it. Without a debugger the filter is
  // not asked, since all it could do then is start a just-in-time debugger
  // or a crash report, the dialog that the run-time error line replaces;
  // not every system holds those back for the error mode.
  EXCEPTION_POINTERS Pointers = {Record, Context};
  if (IsDebuggerPresent() && UnhandledExceptionFilter(&Pointers) == EXCEPTION_CONTINUE_SEARCH)
    return ExceptionContinueSearch;
  if (++FaultsHandled > MaxFaults) ExitProcess(ExitStatus != 0 ? ExitStatus : 255);
  // Leaves the handler's own registration at the head of the chain.
  RtlUnwind(EstablisherFrame, nullptr, Record, nullptr);
  RunError(MapFaultStatus(Record->ExceptionCode), GetCodeLocation(Record->ExceptionAddress));
}

// The head of the thread's chain of exception registrations.
EXCEPTION_REGISTRATION_RECORD* ChainHead() {
  EXCEPTION_REGISTRATION_RECORD* Head;
  asm volatile("movl %%fs:0, %0" : "=r"(Head));
  return Head;
}

void SetChainHead(EXCEPTION_REGISTRATION_RECORD* Head) {
  asm volatile("movl %0, %%fs:0" : : "r"(Head) : "memory");
}

// Systems before the stack guarantee existed leave what they leave.
void ReserveOverflowStack() {
  typedef BOOL(WINAPI * GuaranteeRoutine)(PULONG);
  HMODULE Kernel = GetModuleHandleA("kernel32.dll");
  GuaranteeRoutine Guarantee =
      Kernel ? reinterpret_cast<GuaranteeRoutine>(
                   reinterpret_cast<void*>(GetProcAddress(Kernel, "SetThreadStackGuarantee")))
             : nullptr;
  ULONG Reserve = OverflowReserve;
  if (Guarantee) Guarantee(&Reserve);
}

}  // namespace

void RunInFaultFrame(void (*Program)()) {
  EXCEPTION_REGISTRATION_RECORD Frame;
  // Program ends the process and never returns, so Frame outlives every
  // use of Registration.
  // cppcheck-suppress danglingLifetime
  Registration = &Frame;
  Program();
}

void InstallFaultHandler() {
  FaultsHandled = 0;
  // The run-time error line takes the place of the system's crash dialog.
  PreviousErrorMode = SetErrorMode(SEM_NOGPFAULTERRORBOX);
  SetErrorMode(PreviousErrorMode | SEM_NOGPFAULTERRORBOX);
  ReserveOverflowStack();
  if (!Registration) return;  // no frame to register in: the system's handling stands
  Registration->Handler = TopLevelFaultHandler;
  Registration->Next = ChainHead();
  SetChainHead(Registration);
  Installed = true;
}

void RemoveFaultHandler() {
  if (!Installed) return;
  Installed = false;
  // Only the head of the chain can be taken off; anywhere else the
  // registration stays, and the handler passes every fault on.
  if (ChainHead() == Registration) SetChainHead(Registration->Next);
  SetErrorMode(PreviousErrorMode);
}
