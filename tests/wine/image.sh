#!/usr/bin/env bash
# The file that users download: a 32-bit console program of at most 16 KiB
# that loads nothing but KERNEL32.dll and USER32.dll and calls into them
# only for the services the program is built on.
# Usage: image.sh path/to/spouter.exe
set -uo pipefail
exe=$1
if ! command -v objdump >/dev/null || [ ! -f "$exe" ]; then
  [ "${CI:-}" = true ] && { echo "FAIL: objdump or $exe missing"; exit 1; }
  echo "SKIPPED: objdump or $exe missing"
  exit 77
fi
passes=0 failures=0
check() {  # check NAME CONDITION-RESULT
  if [ "$2" = 0 ]; then passes=$((passes + 1)); else failures=$((failures + 1)); echo "FAIL: $1"; fi
}

headers=$(objdump -p "$exe")
grep -q 'file format pei-i386' <<<"$headers"
check "a 32-bit x86 PE image" $?
grep -qE '^Subsystem\s+00000003' <<<"$headers"
check "a console program" $?

size=$(stat -c %s "$exe")
[ "$size" -le 16384 ]
check "at most 16 KiB ($size bytes)" $?

dlls=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr '[:lower:]' '[:upper:]' | sort)
grep -qx KERNEL32.DLL <<<"$dlls"
check "KERNEL32.dll imported" $?
others=$(grep -vxE 'KERNEL32.DLL|USER32.DLL' <<<"$dlls" | tr '\n' ' ')
[ -z "$others" ]
check "no DLL but KERNEL32 and USER32 (also: $others)" $?

# The functions taken from them: the Win32 services the program is built on.
allowed='CloseHandle|ExitProcess|GetCommandLineA|GetFileType|GetLastError|GetModuleFileNameA|GetStdHandle|HeapAlloc|HeapCreate|HeapDestroy|HeapFree|WriteFile|RtlUnwind|UnhandledExceptionFilter|IsDebuggerPresent|SetErrorMode|GetModuleHandleA|GetProcAddress|CharNextA|MessageBoxA'
functions=$(sed -n '/DLL Name:/,/^$/{s/^\s*[0-9a-f]\+\s\+[0-9]\+\s\+\([A-Za-z0-9_]\+\)$/\1/p}' <<<"$headers" | sort)
grep -qx WriteFile <<<"$functions"
check "imported functions listed" $?
unexpected=$(grep -vxE "$allowed" <<<"$functions" | tr '\n' ' ')
[ -z "$unexpected" ]
check "no function beyond the platform services ($unexpected)" $?

# Nothing that a C run-time would bring: thread-local storage, constructor
# tables, unwind tables.
sections=$(objdump -h "$exe" | awk '$1 ~ /^[0-9]+$/ {print $2}')
unwanted=$(grep -E '^\.(tls|CRT|ctors|dtors|eh_frame)' <<<"$sections" | tr '\n' ' ')
[ -z "$unwanted" ]
check "no run-time sections ($unwanted)" $?

echo "spouter.exe: $size bytes; imports: $(tr '\n' ' ' <<<"$dlls")"
echo "$passes passed, $failures failed"
[ "$failures" = 0 ]
