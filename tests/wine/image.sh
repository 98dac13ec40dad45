#!/usr/bin/env bash
# The file that users download: a console program, 32-bit x86 or x64, of
# at most 16 KiB that loads nothing but KERNEL32.dll and USER32.dll, calls
# into them only for the services the program is built on, can be loaded
# anywhere with data that cannot run, and carries the project's version and
# an application manifest. Reads objdump's listings of Debian 12 and of
# Debian 13 alike.
# The table of the Windows builds in docs/building.md must state this one's
# size and subsystem version.
# Usage: image.sh path/to/spouter.exe VERSION docs/building.md
set -uo pipefail
exe=$1
version=$2
readme=$3
windres=""
for tool in x86_64-w64-mingw32-windres i686-w64-mingw32-windres; do
  command -v "$tool" >/dev/null && "$tool" -i "$exe" -O rc >/dev/null 2>&1 && { windres=$tool; break; }
done
if ! command -v objdump >/dev/null || [ ! -f "$exe" ] || [ -z "$windres" ]; then
  [ "${CI:-}" = true ] && { echo "FAIL: objdump, windres or $exe missing"; exit 1; }
  echo "SKIPPED: objdump, windres or $exe missing"
  exit 77
fi
passes=0 failures=0
check() {  # check NAME CONDITION-RESULT
  if [ "$2" = 0 ]; then passes=$((passes + 1)); else failures=$((failures + 1)); echo "FAIL: $1"; fi
}

headers=$(objdump -p "$exe")
format=$(sed -n 's/.*file format //p' <<<"$headers" | head -1)
# format | processor | subsystem version | entry in the DLL characteristics
# that only a 64-bit image has
case $format in
  pei-i386) bits=32 subsystem=4.0 wide="" ;;
  pei-x86-64) bits=64 subsystem=5.2 wide=HIGH_ENTROPY_VA ;;
  *) bits=unknown ;;
esac
[ "$bits" != unknown ]
check "a 32-bit x86 or an x64 PE image ($format)" $?
grep -qE '^Subsystem\s+00000003' <<<"$headers"
check "a console program" $?
field() { awk -v f="$1" '$1 == f {print $2 + 0}' <<<"$headers"; }
expect_field() {  # expect_field NAME FIELD VALUE
  [ "$(field "$2")" = "$3" ]
  check "$1: $2 $3 ($(field "$2"))" $?
}
expect_field "subsystem version" MajorSubsystemVersion "${subsystem%.*}"
expect_field "subsystem version" MinorSubsystemVersion "${subsystem#*.}"
for flag in DYNAMIC_BASE NX_COMPAT $wide; do
  grep -qxE "\s+$flag" <<<"$headers"
  check "DllCharacteristics: $flag" $?
done

size=$(stat -c %s "$exe")
[ "$size" -le 16384 ]
check "at most 16 KiB ($size bytes)" $?

dlls=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr '[:lower:]' '[:upper:]' | sort)
grep -qx KERNEL32.DLL <<<"$dlls"
check "KERNEL32.dll imported" $?
others=$(grep -vxE 'KERNEL32.DLL|USER32.DLL' <<<"$dlls" | tr '\n' ' ')
[ -z "$others" ]
check "no DLL but KERNEL32 and USER32 (also: $others)" $?

# The functions taken from them: the Win32 services the program is built
# on. An import is a line "VMA HINT NAME" (Debian 12's objdump, the hint in
# decimal) or "VMA <none> HINT NAME" (Debian 13's, with an ordinal column,
# the hint in hexadecimal).
allowed='CloseHandle|ExitProcess|GetCommandLineA|GetFileType|GetLastError|GetModuleFileNameA|GetStdHandle|HeapAlloc|HeapCreate|HeapDestroy|HeapFree|WriteFile|RtlUnwind|RtlUnwindEx|UnhandledExceptionFilter|IsDebuggerPresent|SetErrorMode|GetModuleHandleA|GetProcAddress|VirtualQuery|VirtualProtect|CharNextA|MessageBoxA'
functions=$(sed -n '/DLL Name:/,/^$/{s/^\s*[0-9a-f]\+\s\+\(<none>\s\+\|[0-9]\+\s\+\)\?[0-9a-f]\+\s\+\([A-Za-z0-9_]\+\)$/\2/p}' \
  <<<"$headers" | sort)
grep -qx WriteFile <<<"$functions" && grep -qx MessageBoxA <<<"$functions"
check "imported functions listed" $?
unexpected=$(grep -vxE "$allowed" <<<"$functions" | tr '\n' ' ')
[ -z "$unexpected" ]
check "no function beyond the platform services ($unexpected)" $?

# Nothing that a C run-time would bring: thread-local storage, constructor
# tables, DWARF unwind tables. (x64's own unwind tables, .pdata and .xdata,
# are how the system finds the fault handler.)
sections=$(objdump -h "$exe" | awk '$1 ~ /^[0-9]+$/ {print $2}')
unwanted=$(grep -E '^\.(tls|CRT|ctors|dtors|eh_frame)' <<<"$sections" | tr '\n' ' ')
[ -z "$unwanted" ]
check "no run-time sections ($unwanted)" $?

# The version resource, with the project's version, and the manifest.
resources=$("$windres" -i "$exe" -O rc)
IFS=. read -r major minor patch <<<"$version"
grep -qxE "\s*FILEVERSION $major, $minor, $patch, 0" <<<"$resources" &&
  grep -qxE "\s*PRODUCTVERSION $major, $minor, $patch, 0" <<<"$resources"
check "version resource: version $version" $?
while IFS='|' read -r name value; do
  grep -qxF "      VALUE \"$name\", \"$value\"" <<<"$resources"
  check "version resource: $name" $?
done <<ROWS
FileVersion|$version
ProductVersion|$version
FileDescription|SPOUTER: writes text and byte codes to standard output
LegalCopyright|Copyright (c) 2026 The SPOUTER developers. MIT License.
OriginalFilename|spouter.exe
ROWS
grep -q 'requestedExecutionLevel level=""asInvoker""' <<<"$resources" &&
  [ "$(grep -c 'supportedOS Id=' <<<"$resources")" = 5 ]
check "manifest: asInvoker, five supported systems" $?

# The document's row of this build: "| ... | `winBITS` | ... | about N KiB |
# VERSION | ...", N the size in whole KiB, to within one: Debian 12's and
# 13's compilers lay out the same program half a KiB apart.
row=$(grep -E "^\| [^|]+ \| \`win$bits\` \|" "$readme")
[[ "$row" =~ \|\ about\ ([0-9]+)\ KiB\ \|\ ([0-9.]+)\ \| ]] &&
  [ $((BASH_REMATCH[1] * 1024 - size)) -le 1024 ] && [ $((size - BASH_REMATCH[1] * 1024)) -le 1024 ] &&
  [ "${BASH_REMATCH[2]}" = "$subsystem" ]
check "$(basename "$readme") states the size and subsystem version ($row)" $?

echo "spouter.exe ($bits-bit): $size bytes; subsystem $subsystem; imports: $(tr '\n' ' ' <<<"$dlls")"
echo "$passes passed, $failures failed"
[ "$failures" = 0 ]
