#include "runtime/FaultHandler.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <vector>

#include "platform/posix/PosixFaultStatus.h"
#include "platform/posix/family/X86Instructions.h"
#include "runtime/System.h"
#include "tests/FakeRun.h"

namespace {

struct StatusCase {
  uint32_t Status;
  int Code;
};

TEST(FaultCodeTable, MapsEveryListedStatus) {
  const StatusCase Cases[] = {
      {0xC0000005, 216}, {0xC000008C, 201}, {0xC000008D, 206}, {0xC000008E, 200},
      {0xC000008F, 207}, {0xC0000090, 207}, {0xC0000091, 205}, {0xC0000092, 207},
      {0xC0000093, 206}, {0xC0000094, 200}, {0xC0000095, 215}, {0xC0000096, 218},
      {0xC00000FD, 202}, {0xC000013A, 217},
  };
  for (const StatusCase& Case : Cases)
    EXPECT_EQ(MapFaultStatus(Case.Status), Case.Code) << std::hex << Case.Status;
  EXPECT_EQ(FaultCodeCount, 14);
}

TEST(FaultCodeTable, AnyOtherStatusIs255) {
  const uint32_t Others[] = {0,          0xC0000004, 0xC0000006, 0xC000001D, 0xC000008B,
                             0xC0000097, 0xC000013B, 0x80000003, 0xFFFFFFFF};
  for (uint32_t Status : Others) EXPECT_EQ(MapFaultStatus(Status), 255) << std::hex << Status;
}

// Module steps that count whether the handler was in place when they ran.
int StepsCovered;
int StepsUncovered;
void NoteHandlerAtStep() { ++(Fake.FaultHandlerActive ? StepsCovered : StepsUncovered); }
void FailInFinalisation() { RunError(216, 0x1234); }

int RunModules(const ModuleEntry* Table, int32_t Count) {
  ResetFakeProcess();
  StepsCovered = StepsUncovered = 0;
  return RunToExit([&] {
    StartProgram(Table, Count);
    FinishProgram();
  });
}

TEST(FaultHandlerLifetime, CoversEveryModuleStepAndEndsBeforeExit) {
  const ModuleEntry Table[] = {{NoteHandlerAtStep, NoteHandlerAtStep},
                               {InitSystem, FinishSystem},
                               {NoteHandlerAtStep, NoteHandlerAtStep}};
  EXPECT_EQ(RunModules(Table, 3), 0);
  EXPECT_EQ(StepsCovered, 4);
  EXPECT_EQ(StepsUncovered, 0);
  EXPECT_EQ(Fake.FaultHandlerInstalls, 1);
  EXPECT_EQ(Fake.FaultHandlerRemovals, 1);
  EXPECT_FALSE(Fake.FaultHandlerActiveAtExit);
}

TEST(FaultHandlerLifetime, AFailureInFinalisationStillRemovesItOnce) {
  const ModuleEntry Table[] = {{NoteHandlerAtStep, NoteHandlerAtStep},
                               {InitSystem, FinishSystem},
                               {nullptr, FailInFinalisation}};
  EXPECT_EQ(RunModules(Table, 3), 216);
  EXPECT_EQ(StepsCovered, 2);
  EXPECT_EQ(StepsUncovered, 0);
  EXPECT_EQ(Fake.Output().size(), 32u);
  EXPECT_EQ(Fake.FaultHandlerRemovals, 1);
  EXPECT_FALSE(Fake.FaultHandlerActiveAtExit);
}

SignalFault Caught(int Signal, int Code) {
  return {Signal, Code, 0x1000, 0x7FFF8000, {nullptr, 0x7FFF0000, nullptr}};
}

// The run-time error code that each signal ends the run with.
TEST(PosixFaultStatus, ErrorCodeBySignalAndCode) {
  const struct {
    int Signal;
    int Code;
    int ErrorCode;
  } Cases[] = {
      {SIGSEGV, SEGV_MAPERR, 216}, {SIGSEGV, SEGV_ACCERR, 216}, {SIGSEGV, SI_USER, 216},
      {SIGBUS, BUS_ADRERR, 216},   {SIGFPE, FPE_INTDIV, 200},   {SIGFPE, FPE_FLTDIV, 200},
      {SIGFPE, FPE_INTOVF, 215},   {SIGFPE, FPE_FLTOVF, 205},   {SIGFPE, FPE_FLTUND, 206},
      {SIGFPE, FPE_FLTRES, 207},   {SIGFPE, FPE_FLTINV, 207},   {SIGFPE, FPE_FLTSUB, 201},
      {SIGFPE, SI_USER, 255},      {SIGILL, ILL_PRVOPC, 218},   {SIGILL, ILL_PRVREG, 218},
      {SIGILL, ILL_ILLOPN, 255},   {SIGILL, ILL_ILLOPC, 255},   {SIGTRAP, KernelSignalCode, 255},
      {SIGUSR1, SI_USER, 255},
  };
  for (const auto& Case : Cases)
    EXPECT_EQ(MapFaultStatus(FaultStatusOf(Caught(Case.Signal, Case.Code))), Case.ErrorCode)
        << "signal " << Case.Signal << " code " << Case.Code;
}

// A memory fault from a little below the stack pointer up to the top of the
// stack is a stack overflow; anything else, or a signal that someone sent,
// is an access violation.
TEST(PosixFaultStatus, StackOverflowByAddress) {
  const uintptr_t Pointer = 0x7FFF0000, Top = 0x7FFF8000;
  struct {
    int Signal;
    int Code;
    uintptr_t Address;
    uintptr_t StackPointer;
    uint32_t Status;
  } Cases[] = {
      {SIGSEGV, SEGV_MAPERR, Pointer - 8, Pointer, STATUS_STACK_OVERFLOW},
      {SIGSEGV, SEGV_MAPERR, Pointer - StackSlack, Pointer, STATUS_STACK_OVERFLOW},
      {SIGSEGV, SEGV_MAPERR, Pointer - StackSlack - 1, Pointer, STATUS_ACCESS_VIOLATION},
      {SIGSEGV, SEGV_ACCERR, Top - 1, Pointer, STATUS_STACK_OVERFLOW},
      {SIGSEGV, SEGV_MAPERR, Top, Pointer, STATUS_ACCESS_VIOLATION},
      {SIGSEGV, SEGV_MAPERR, 0, Pointer, STATUS_ACCESS_VIOLATION},
      {SIGSEGV, SEGV_MAPERR, 0, 100, STATUS_STACK_OVERFLOW},  // a stack pointer near 0
      {SIGBUS, BUS_ADRERR, Pointer, Pointer, STATUS_STACK_OVERFLOW},
      {SIGSEGV, SI_USER, Pointer, Pointer, STATUS_ACCESS_VIOLATION},
      {SIGSEGV, SEGV_MAPERR, Pointer, 0, STATUS_ACCESS_VIOLATION},  // stack pointer unknown
  };
  for (const auto& Case : Cases) {
    SignalFault Fault = {Case.Signal, Case.Code, Case.Address, Top,
                         {nullptr, Case.StackPointer, nullptr}};
    EXPECT_EQ(FaultStatusOf(Fault), Case.Status) << std::hex << Case.Address;
  }
}

TEST(PosixFaultStatus, PrivilegedInstructionsByOpcode) {
  struct {
    std::vector<uint8_t> Bytes;
    bool Privileged;
  } Cases[] = {
      {{0xF4}, true},                    // hlt
      {{0xFA}, true},                    // cli
      {{0xFB}, true},                    // sti
      {{0xEC}, true},                    // in al, dx
      {{0xE6, 0x80}, true},              // out 0x80, al
      {{0x66, 0xEF}, true},              // out dx, ax
      {{0xF3, 0x6E}, true},              // rep outsb
      {{0x0F, 0x20, 0xC0}, true},        // mov eax, cr0
      {{0x48, 0x0F, 0x22, 0xD8}, true},  // mov cr3, rax
      {{0x0F, 0x30}, true},              // wrmsr
      {{0x0F, 0x32}, true},              // rdmsr
      {{0x0F, 0x09}, true},              // wbinvd
      {{0x0F, 0x01, 0x10}, true},        // lgdt [rax]
      {{0x0F, 0x01, 0x38}, true},        // invlpg [rax]
      {{0x0F, 0x01, 0xF0}, true},        // lmsw ax
      {{0x0F, 0x01, 0xF8}, true},        // swapgs
      {{0x0F, 0x00, 0xD0}, true},        // lldt ax
      {{0x0F, 0x01, 0xD0}, false},       // xgetbv
      {{0x0F, 0x01, 0xF9}, false},       // rdtscp
      {{0x0F, 0x01, 0x00}, false},       // sgdt [rax]
      {{0x0F, 0x00, 0xC0}, false},       // sldt ax
      {{0x0F, 0x31}, false},             // rdtsc
      {{0x0F, 0x0B}, false},             // ud2
      {{0x0F, 0x05}, false},             // syscall
      {{0x8B, 0x00}, false},             // mov eax, [rax]
      {{0xCC}, false},                   // int3
      {{0x90}, false},                   // nop
  };
  for (const auto& Case : Cases) {
    EXPECT_EQ(IsPrivilegedInstruction(Case.Bytes.data()), Case.Privileged)
        << std::hex << int{Case.Bytes[0]} << " " << (Case.Bytes.size() > 1 ? int{Case.Bytes[1]} : -1);
  }
}

// Only a general protection fault has its instruction looked at: the same
// bytes under a page fault are an access violation.
TEST(PosixFaultStatus, PrivilegedOnlyForAGeneralProtectionFault) {
  const uint8_t Halt[] = {0xF4};
  SignalFault Fault = {SIGSEGV, KernelSignalCode, 0, 0x7FFF8000,
                       {Halt, 0x7FFF0000, X86InstructionStatus}};
  EXPECT_EQ(MapFaultStatus(FaultStatusOf(Fault)), 218);
  Fault.Code = SEGV_MAPERR;
  EXPECT_EQ(MapFaultStatus(FaultStatusOf(Fault)), 216);
  const uint8_t Load[] = {0x8B, 0x00};
  Fault = {SIGSEGV, KernelSignalCode, 0, 0x7FFF8000, {Load, 0x7FFF0000, X86InstructionStatus}};
  EXPECT_EQ(MapFaultStatus(FaultStatusOf(Fault)), 216);
  // Where the family decodes nothing, the bytes are not looked at.
  Fault = {SIGSEGV, KernelSignalCode, 0, 0x7FFF8000, {Halt, 0x7FFF0000, nullptr}};
  EXPECT_EQ(MapFaultStatus(FaultStatusOf(Fault)), 216);
}

// BOUND faults at itself and INTO traps just behind itself, in 32-bit code
// only; a privileged instruction is one in either.
TEST(PosixFaultStatus, LegacyTrapsIn32BitCodeOnly) {
  const uint8_t Code[] = {0x90, 0x90, 0x62, 0x00, 0xCE, 0x90, 0xF4};
  const struct {
    int At;
    int Legacy;
    int Modern;
  } Cases[] = {
      {2, 201, 216},  // bound eax, [eax]
      {5, 215, 216},  // behind into
      {6, 218, 218},  // hlt
      {1, 216, 216},  // nop
  };
  for (const auto& Case : Cases) {
    SignalFault Fault = {SIGSEGV, KernelSignalCode, 0, 0x7FFF8000,
                         {Code + Case.At, 0x7FFF0000, X86LegacyInstructionStatus}};
    EXPECT_EQ(MapFaultStatus(FaultStatusOf(Fault)), Case.Legacy) << Case.At;
    Fault.At.InstructionStatus = X86InstructionStatus;
    EXPECT_EQ(MapFaultStatus(FaultStatusOf(Fault)), Case.Modern) << Case.At;
  }
}

}  // namespace
