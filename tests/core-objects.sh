#!/usr/bin/env bash
# The program and its run-time must build for a target with no C or C++
# run-time: no static constructors, no exceptions, no RTTI, no operator new,
# and calls out only to the platform services and the compiler's freestanding
# helpers. Position-independent 32-bit x86 code names the linker's own
# _GLOBAL_OFFSET_TABLE_, which is no run-time.
set -euo pipefail
source "$(dirname "$0")/check-lib.sh"
require_tools nm objdump
allowed='^(GetCommandLineA|CharNextA|GetModuleFileNameA|GetStdHandle|GetFileType|WriteFile|GetLastError|CloseHandle|ExitProcess|HeapCreate|HeapDestroy|HeapAlloc|HeapFree|MessageBoxA|GetCodeLocation\(void const\*\)|InterruptPending\(\)|CharactersAreSingleBytes\(\)|InstallFaultHandler\(\)|RemoveFaultHandler\(\)|memcpy|memset|memmove|memcmp|_GLOBAL_OFFSET_TABLE_)$'
status=0
for archive in "$@"; do
  if objdump -h "$archive" | grep -E '\.(init_array|ctors|gcc_except_table)'; then
    echo "FAIL: $archive has static constructors or exception tables"
    status=1
  fi
done
defined=$(nm -C --defined-only "$@" | awk 'NF>=3 && $0 !~ /:$/ {$1=""; $2=""; sub(/^  /, ""); print}' | sort -u)
needed=$(nm -C --undefined-only "$@" | awk '$1=="U" {$1=""; sub(/^ /, ""); print}' | sort -u)
outside=$(comm -23 <(printf '%s\n' "$needed") <(printf '%s\n' "$defined"))
while IFS= read -r symbol; do
  [ -z "$symbol" ] && continue
  if ! grep -qE "$allowed" <<<"$symbol"; then
    echo "FAIL: the core calls $symbol"
    status=1
  fi
done <<<"$outside"
[ "$status" = 0 ] && echo "core calls out only to: $(tr '\n' ' ' <<<"$outside")"
exit "$status"
