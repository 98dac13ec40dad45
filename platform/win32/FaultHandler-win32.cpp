// The top-level fault handler on Windows, for every processor family: which
// faults it takes, the status that decides the run-time error, and the
// error path that ends the run. How the handler is found and how the stack
// is unwound is in the family's FaultFrame file.
#include "platform/Platform.h"
#include "platform/win32/FaultFrame.h"
#include "runtime/FaultHandler.h"
#include "runtime/System.h"

namespace {

// A fault while the run-time error path is finishing comes back here, and
// finishing goes on with what is left. A path that keeps faulting ends the
// run at once after this many, with the code that the error path already
// holds.
constexpr int MaxFaults = 8;

// Stack kept back for the system's dispatch of a stack overflow: it runs
// on what is left below the fault, before the unwind. The exception's record
// and context go there first, with the processor's whole extended state
// (about 2.7 KiB with AVX-512, some 11 KiB with AMX), then the dispatch
// down to the unwind.
constexpr ULONG OverflowReserve = 32 * 1024;
// x86 and x64 pages.
constexpr SIZE_T PageSize = 4096;

bool Installed;
int FaultsHandled;
UINT PreviousErrorMode;
DWORD FaultStatus;
const void* FaultAddress;

// An SSE fault may be reported as one status for whatever caused it. The
// cause is the exception that MXCSR shows raised and not masked, taken in
// the order in which the processor tests them: invalid operation, denormal
// operand and division by zero before the result, then overflow, underflow
// and inexact result.
DWORD StatusOfFault(DWORD Status, const CONTEXT* Context) {
  if (Status != STATUS_FLOAT_MULTIPLE_TRAPS && Status != STATUS_FLOAT_MULTIPLE_FAULTS)
    return Status;
  static const DWORD Causes[6] = {STATUS_FLOAT_INVALID_OPERATION, STATUS_FLOAT_DENORMAL_OPERAND,
                                  STATUS_FLOAT_DIVIDE_BY_ZERO,    STATUS_FLOAT_OVERFLOW,
                                  STATUS_FLOAT_UNDERFLOW,         STATUS_FLOAT_INEXACT_RESULT};
  uint32_t Mxcsr = FaultMxcsr(Context);
  uint32_t Raised = Mxcsr & ~(Mxcsr >> 7) & 0x3F;  // flags in bits 0-5, masks in 7-12
  for (int Bit = 0; Bit < 6; ++Bit)
    if (Raised & (1u << Bit)) return Causes[Bit];
  return Status;
}

// Asks for the reserve, where the system has the stack guarantee (systems
// before it leave what they leave). The system raises the overflow when the
// stack, growing page by page through its guard page, reaches the reserve.
// A system that commits the whole stack at once, with its one guard page
// just above the last page (Wine does), raises it there instead, with less
// than a page left below the fault and the reserve never used: there the
// guard page is put where the reserve begins, as a run-time puts it back
// after an overflow. Where the stack is committed only as far as it has
// grown, that page is not committed, and nothing is changed.
void ReserveOverflowStack() {
  typedef BOOL(WINAPI * GuaranteeRoutine)(PULONG);
  HMODULE Kernel = GetModuleHandleA("kernel32.dll");
  GuaranteeRoutine Guarantee =
      Kernel ? reinterpret_cast<GuaranteeRoutine>(
                   reinterpret_cast<void*>(GetProcAddress(Kernel, "SetThreadStackGuarantee")))
             : nullptr;
  ULONG Reserve = OverflowReserve;
  if (!Guarantee || !Guarantee(&Reserve)) return;
  ULONG Granted = 0;  // asking for none reads the guarantee back
  Guarantee(&Granted);
  MEMORY_BASIC_INFORMATION Stack;
  if (!VirtualQuery(&Stack, &Stack, sizeof Stack)) return;
  char* ReserveTop = static_cast<char*>(Stack.AllocationBase) + Granted;
  MEMORY_BASIC_INFORMATION Page;
  if (ReserveTop + PageSize > reinterpret_cast<char*>(&Stack) ||
      !VirtualQuery(ReserveTop, &Page, sizeof Page) || Page.State != MEM_COMMIT ||
      Page.Protect != PAGE_READWRITE)
    return;
  DWORD Previous;
  VirtualProtect(ReserveTop, PageSize, PAGE_READWRITE | PAGE_GUARD, &Previous);
}

}  // namespace

bool ClaimFault(EXCEPTION_RECORD* Record, CONTEXT* Context) {
  if (Record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) return false;
  if (!Installed) return false;
  // A fault that an attached debugger wants is passed on untouched: the
  // last-chance filter answers 0 for it. Without a debugger the filter is
  // not asked, since all it could do then is start a just-in-time debugger
  // or a crash report, the dialog that the run-time error line replaces;
  // not every system holds those back for the error mode.
  EXCEPTION_POINTERS Pointers = {Record, Context};
  if (IsDebuggerPresent() && UnhandledExceptionFilter(&Pointers) == EXCEPTION_CONTINUE_SEARCH)
    return false;
  if (++FaultsHandled > MaxFaults) ExitProcess(ExitStatus != 0 ? ExitStatus : 255);
  FaultStatus = StatusOfFault(Record->ExceptionCode, Context);
  FaultAddress = Record->ExceptionAddress;
  return true;
}

// x64 calls it from assembly only: kept by attribute for link-time
// optimisation.
[[gnu::used]] void EndFaultedRun() {
  RunError(MapFaultStatus(FaultStatus), GetCodeLocation(FaultAddress));
}

void InstallFaultHandler() {
  FaultsHandled = 0;
  // The run-time error line takes the place of the system's crash dialog.
  PreviousErrorMode = SetErrorMode(SEM_NOGPFAULTERRORBOX);
  SetErrorMode(PreviousErrorMode | SEM_NOGPFAULTERRORBOX);
  ReserveOverflowStack();
  Installed = LinkFaultFrame();
}

void RemoveFaultHandler() {
  if (!Installed) return;
  Installed = false;
  UnlinkFaultFrame();
  SetErrorMode(PreviousErrorMode);
}
