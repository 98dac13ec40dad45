// The processor family and the system that the compiler builds for, by its
// own predefined macros: two marked strings in the object, which
// cmake/Target.cmake reads back without linking or running anything.
#if defined(__x86_64__) || defined(_M_X64)
#define SPOUTER_PROBE_FAMILY "x86_64"
#elif defined(__i386__) || defined(_M_IX86)
#define SPOUTER_PROBE_FAMILY "i686"
#elif defined(__aarch64__) || defined(_M_ARM64)
#define SPOUTER_PROBE_FAMILY "aarch64"
#elif defined(__arm__) && defined(__ARM_PCS_VFP)
#define SPOUTER_PROBE_FAMILY "armhf"
#elif defined(__riscv) && __riscv_xlen == 64
#define SPOUTER_PROBE_FAMILY "riscv64"
#elif defined(__s390x__)
#define SPOUTER_PROBE_FAMILY "s390x"
#else
#define SPOUTER_PROBE_FAMILY "other"
#endif

#if defined(_WIN32)
#define SPOUTER_PROBE_SYSTEM "Windows"
#elif defined(__linux__)
#define SPOUTER_PROBE_SYSTEM "Linux"
#elif defined(__APPLE__)
#define SPOUTER_PROBE_SYSTEM "Darwin"
#elif defined(__FreeBSD__)
#define SPOUTER_PROBE_SYSTEM "FreeBSD"
#else
#define SPOUTER_PROBE_SYSTEM "other"
#endif

extern const char SpouterProbeFamily[];
extern const char SpouterProbeSystem[];
const char SpouterProbeFamily[] = "SPOUTER_PROBE_FAMILY=" SPOUTER_PROBE_FAMILY;
const char SpouterProbeSystem[] = "SPOUTER_PROBE_SYSTEM=" SPOUTER_PROBE_SYSTEM;
