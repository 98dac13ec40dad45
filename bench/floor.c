/* The floor for long lines: a program without a C library that copies the
 * bytes of each argument into a 128-byte buffer and writes every full block
 * and then the rest, as spouter does on a file, and does nothing else.
 * x86-64 Linux only: its own entry and system calls. */

static char Buffer[128];

static long SystemCall3(long Number, long A, long B, long C) {
  long Result;
  __asm__ volatile("syscall"
                   : "=a"(Result)
                   : "a"(Number), "D"(A), "S"(B), "d"(C)
                   : "rcx", "r11", "memory");
  return Result;
}

static void WriteBlock(long Count) { SystemCall3(1, 1, (long)Buffer, Count); }

__attribute__((noreturn, used)) void FloorMain(long* Stack) {
  long Count = Stack[0];
  char** Arguments = (char**)(Stack + 1);
  long Pos = 0;
  for (long I = 1; I < Count; ++I) {
    for (const char* P = Arguments[I]; *P; ++P) {
      Buffer[Pos++] = *P;
      if (Pos == sizeof Buffer) {
        WriteBlock(Pos);
        Pos = 0;
      }
    }
  }
  if (Pos > 0) WriteBlock(Pos);
  SystemCall3(231, 0, 0, 0);
  __builtin_unreachable();
}

__asm__(".globl _start\n"
        "_start:\n"
        "  mov %rsp, %rdi\n"
        "  and $-16, %rsp\n"
        "  call FloorMain\n");
