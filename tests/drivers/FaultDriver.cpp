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
//   overflow    a floating-point overflow                 205
//   underflow   a floating-point underflow                206
//   denormal    a denormal floating-point operand         206
//   inexact     an inexact floating-point result          207
//   invalid     an invalid floating-point operation       207
//   fstack      a floating-point register stack overflow  207
//   sse         an SSE division by zero                   200
//               (Windows x64 only)
//   ssetraps    an SSE fault reported as the status that  205
//               stands for any SSE cause, with MXCSR
//               showing an overflow (Windows x64 only)
//   bound       an index outside BOUND's limits           201
//               (32-bit code only)
//   into        INTO after a signed overflow              215
//               (32-bit code only)
//   start       a null write in a module's initialisation 216
//   finish      a null write in a module's finalisation   216
//   again       a null write whose error path faults too  216
//   heap        a null write after a stray write has      216
//               damaged the storage of byte strings
//   none        no fault: a normal end                    0
//   reserve     no fault: writes the stack guarantee read 0
//               back and where the stack's first guard
//               page below the stack pointer lies, in bytes
//               above its base, "GUARANTEE GUARD "
//               (Windows only; 0 for none)
#if defined(_WIN32)
#include <windows.h>
#else
#include <signal.h>

#include "platform/posix/Kernel.h"
#endif

#include "runtime/CommandLine.h"
#include "runtime/System.h"

// Each such function keeps its own name in the symbol table: never inlined,
// and never cloned under another name where the compiler clones (GCC).
#if __has_attribute(noclone)
#define FAULTING_FUNCTION __attribute__((noinline, noclone))
#else
#define FAULTING_FUNCTION __attribute__((noinline))
#endif

extern "C" {

// Volatile, so that the compiler can neither prove the recursion endless
// nor drop the faulting operations' results.
volatile int StopDepth = -1;
volatile int Sink;

FAULTING_FUNCTION void FaultNull() {
  volatile int* volatile Target = nullptr;
  *Target = 1;
}

FAULTING_FUNCTION void FaultDivide() {
  volatile int Dividend = 1;
  volatile int Divisor = 0;
  Sink = Dividend / Divisor;
}

#if defined(__i386__) || defined(__x86_64__)
// With the division-by-zero exception unmasked, 1 / 0 faults at the next
// floating-point instruction.
FAULTING_FUNCTION void FaultFloat() {
  uint16_t Control;
  asm volatile("fnstcw %0" : "=m"(Control));
  Control &= ~uint16_t{4};
  asm volatile("fldcw %0" : : "m"(Control));
  asm volatile("fldz\n\tfld1\n\tfdiv %%st(1), %%st\n\tfwait\n\tfstp %%st(0)\n\tfstp %%st(0)"
               :
               :
               : "st", "st(1)");
}

// The floating-point exceptions whose bits are in Mask (the x87 control
// word's: 1 invalid, 2 denormal, 8 overflow, 0x10 underflow, 0x20 inexact)
// fault from now on, at the next floating-point instruction that waits.
__attribute__((noinline)) void UnmaskFloatExceptions(uint16_t Mask) {
  uint16_t Control;
  asm volatile("fnstcw %0" : "=m"(Control));
  Control &= static_cast<uint16_t>(~Mask);
  asm volatile("fldcw %0" : : "m"(Control));
}

double Huge = 1e308;
double Tiny = 1e-308;
double Denormal = 4.9e-324;
double Three = 3.0;
double Result;

// 1e308 squared does not fit a double.
FAULTING_FUNCTION void FaultFloatOverflow() {
  UnmaskFloatExceptions(0x08);
  asm volatile("fldl %1\n\tfmul %%st(0), %%st\n\tfstpl %0\n\tfwait" : "=m"(Result) : "m"(Huge));
}

// Nor does 1e-308 squared, at the other end.
FAULTING_FUNCTION void FaultFloatUnderflow() {
  UnmaskFloatExceptions(0x10);
  asm volatile("fldl %1\n\tfmul %%st(0), %%st\n\tfstpl %0\n\tfwait" : "=m"(Result) : "m"(Tiny));
}

FAULTING_FUNCTION void FaultFloatDenormal() {
  UnmaskFloatExceptions(0x02);
  asm volatile("fldl %1\n\tfwait\n\tfstpl %0" : "=m"(Result) : "m"(Denormal));
}

// 1 / 3 cannot be exact.
FAULTING_FUNCTION void FaultFloatInexact() {
  UnmaskFloatExceptions(0x20);
  asm volatile("fld1\n\tfdivl %1\n\tfwait\n\tfstpl %0" : "=m"(Result) : "m"(Three));
}

// 0 / 0.
FAULTING_FUNCTION void FaultFloatInvalid() {
  UnmaskFloatExceptions(0x01);
  asm volatile("fldz\n\tfldz\n\tfdivrp\n\tfwait\n\tfstpl %0" : "=m"(Result));
}

// A ninth value on the eight registers.
FAULTING_FUNCTION void FaultFloatStack() {
  UnmaskFloatExceptions(0x01);
  asm volatile(
      "fld1\n\tfld1\n\tfld1\n\tfld1\n\tfld1\n\tfld1\n\tfld1\n\tfld1\n\tfld1\n\tfwait" ::
          : "memory");
}

#endif

#if defined(_WIN32) && defined(__x86_64__)
// MXCSR with the exceptions whose mask bits are in Mask cleared (7 invalid,
// 8 denormal, 9 division by zero, 10 overflow, 11 underflow, 12 inexact)
// and the flags in Raised set. A flag does not fault by itself, only the
// next SSE operation that raises an unmasked exception.
__attribute__((noinline)) void SetSseControl(uint32_t Mask, uint32_t Raised) {
  uint32_t Control;
  asm volatile("stmxcsr %0" : "=m"(Control));
  Control = (Control & ~Mask) | Raised;
  asm volatile("ldmxcsr %0" : : "m"(Control));
}

// 3 / 0 in SSE faults at the division itself.
FAULTING_FUNCTION void FaultSseDivide() {
  SetSseControl(0x200, 0);
  asm volatile(
      "xorpd %%xmm1, %%xmm1\n\tmovsd %1, %%xmm0\n\tdivsd %%xmm1, %%xmm0\n\tmovsd %%xmm0, %0"
      : "=m"(Result)
      : "m"(Three)
      : "xmm0", "xmm1");
}

// What Windows may report for an SSE fault of any cause: the cause is in
// MXCSR, here an unmasked overflow.
FAULTING_FUNCTION void FaultSseReported() {
  SetSseControl(0x400, 0x08);
  RaiseException(STATUS_FLOAT_MULTIPLE_TRAPS, 0, 0, nullptr);
}
#endif

#if defined(__s390x__)
// With the division-by-zero mask bit of the floating-point control
// register set, 1 / 0 traps at the division.
volatile double One = 1.0;
volatile double Zero = 0.0;
volatile double Quotient;

FAULTING_FUNCTION void FaultFloat() {
  uint32_t Control;
  asm volatile("efpc %0" : "=d"(Control));
  Control |= 0x40000000;
  asm volatile("sfpc %0" : : "d"(Control));
  Quotient = One / Zero;
}
#endif

#if defined(__i386__)
int32_t Limits[2] = {0, 9};

FAULTING_FUNCTION void FaultBound() {
  volatile int32_t Index = 10;
  asm volatile("boundl %0, %1" : : "r"(Index), "m"(Limits));
}

FAULTING_FUNCTION void FaultIntegerOverflow() {
  asm volatile("movl $0x7fffffff, %%eax\n\taddl $1, %%eax\n\tinto" : : : "eax", "cc");
}
#endif

FAULTING_FUNCTION int Recurse(int Depth) {
  volatile char Frame[256];
  Frame[0] = static_cast<char>(Depth);
  if (Depth == StopDepth) return 0;
  return Recurse(Depth + 1) + Frame[0];
}

// Each family's undefined instruction, and one that only the kernel may
// run (x86 and IBM Z tell the two apart; ARM and RISC-V report both as
// undefined).
#if defined(__i386__) || defined(__x86_64__)
FAULTING_FUNCTION void FaultIllegal() { asm volatile("ud2"); }
FAULTING_FUNCTION void FaultPrivileged() { asm volatile("hlt"); }
#elif defined(__aarch64__)
FAULTING_FUNCTION void FaultIllegal() { asm volatile("udf #0"); }
FAULTING_FUNCTION void FaultPrivileged() { asm volatile("msr sctlr_el1, xzr"); }
#elif defined(__arm__)
FAULTING_FUNCTION void FaultIllegal() { asm volatile("udf #0"); }
FAULTING_FUNCTION void FaultPrivileged() { asm volatile("mcr p15, 0, r0, c1, c0, 0"); }
#elif defined(__riscv)
FAULTING_FUNCTION void FaultIllegal() { asm volatile("unimp"); }
FAULTING_FUNCTION void FaultPrivileged() { asm volatile("csrw mstatus, zero"); }
#elif defined(__s390x__)
// Opcode 00 is assigned to no instruction; purging the TLB is the kernel's.
FAULTING_FUNCTION void FaultIllegal() { asm volatile(".short 0"); }
FAULTING_FUNCTION void FaultPrivileged() { asm volatile("ptlb"); }
#endif

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

#if defined(_WIN32)
// The bytes of Value in decimal, then one blank.
void WriteNumber(uint32_t Value) {
  uint8_t Digits[11];
  int32_t Start = sizeof Digits;
  Digits[--Start] = ' ';
  do {
    Digits[--Start] = static_cast<uint8_t>('0' + Value % 10);
    Value /= 10;
  } while (Value);
  WriteText(OutputChannel, TextView{Digits + Start, static_cast<int32_t>(sizeof Digits) - Start}, 0);
  FlushChannel(OutputChannel);
  CheckIoError();
}

// What the system gives the run: the guarantee as it reads back, and the
// guard page of this thread's stack that it meets first, the highest below
// the stack pointer.
void WriteReserve() {
  typedef BOOL(WINAPI * GuaranteeRoutine)(PULONG);
  GuaranteeRoutine Guarantee = reinterpret_cast<GuaranteeRoutine>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetThreadStackGuarantee")));
  ULONG Granted = 0;
  if (Guarantee) Guarantee(&Granted);
  MEMORY_BASIC_INFORMATION Region;
  VirtualQuery(&Region, &Region, sizeof Region);
  char* Base = static_cast<char*>(Region.AllocationBase);
  uint32_t Guard = 0;
  for (char* Page = Base; Page < reinterpret_cast<char*>(&Region);
       Page += Region.RegionSize) {
    if (!VirtualQuery(Page, &Region, sizeof Region) || Region.AllocationBase != Base) break;
    if (Region.State == MEM_COMMIT && (Region.Protect & PAGE_GUARD))
      Guard = static_cast<uint32_t>(Page - Base);
  }
  WriteNumber(Granted);
  WriteNumber(Guard);
}
#endif

void Fault() {
#if defined(_WIN32)
  if (ModeIs("reserve")) WriteReserve();
#endif
  if (ModeIs("null")) FaultNull();
  if (ModeIs("divide")) FaultDivide();
  if (ModeIs("recurse")) Sink = Recurse(0);
  if (ModeIs("illegal")) FaultIllegal();
  if (ModeIs("privileged")) FaultPrivileged();
#if defined(__i386__) || defined(__x86_64__) || defined(_WIN32) || defined(__s390x__)
  if (ModeIs("float")) FaultFloat();
#endif
#if defined(__i386__) || defined(__x86_64__) || defined(_WIN32)
  if (ModeIs("overflow")) FaultFloatOverflow();
  if (ModeIs("underflow")) FaultFloatUnderflow();
  if (ModeIs("denormal")) FaultFloatDenormal();
  if (ModeIs("inexact")) FaultFloatInexact();
  if (ModeIs("invalid")) FaultFloatInvalid();
  if (ModeIs("fstack")) FaultFloatStack();
#endif
#if defined(__i386__)
  if (ModeIs("bound")) FaultBound();
  if (ModeIs("into")) FaultIntegerOverflow();
#endif
#if defined(_WIN32) && defined(__x86_64__)
  if (ModeIs("sse")) FaultSseDivide();
  if (ModeIs("ssetraps")) FaultSseReported();
#endif
#if defined(_WIN32)
  if (ModeIs("interrupt")) RaiseException(STATUS_CONTROL_C_EXIT, 0, 0, nullptr);
#else
  if (ModeIs("interrupt")) KernelRaise(SIGINT);
#endif
  if (ModeIs("heap")) {
    // As a buffer underrun would: the bytes just before a live string's
    // storage, where the storage keeps its own records. The strings are too
    // long to be held inside their objects, so their bytes are on the heap;
    // the first keeps the damage away from the heap's own header.
    Text Earlier(Text::InlineCapacity + 1);
    Text Victim(Text::InlineCapacity + 1);
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
