#!/usr/bin/env bash
# End-to-end runs of the Windows executable under Wine, as the Linux binary
# is run: files, pipes, a console on a pty, the null device, a full device
# and a pipe whose reader left. Write calls are counted in Wine's relay
# trace, from spouter.exe's own code only.
# Usage: e2e-wine.sh WINDOWS-BUILD WINE-PREFIX
set -uo pipefail
source "$(dirname "$0")/wine-lib.sh" "$1" "$2"

spouter() { wine "$spouter_exe" "$@"; }
sizes() { write_sizes "$work/trace" | tr '\n' ' ' | sed 's/ $//'; }
# The low 8 bits of what GetLastError last told spouter.exe, in decimal.
last_error() {
  local value
  value=$(module_calls "$work/trace" spouter.exe "$spouter_size" |
    sed -n 's/^Ret GetLastError() retval=//p' | tail -1)
  echo $((16#${value:-0} & 0xFF))
}

printf 'Hello, World!\r\n' >"$work/hello"

# Standard output as a file, a pipe and the null device: the same bytes.
spouter "Hello, World!" 0D 0A >"$work/out"
expect_equal "file exit" 0 $?
expect_bytes "file bytes" "$work/hello" "$work/out"
spouter "Hello, World!" 013 010 | cat >"$work/out"
expect_equal "pipe exit" 0 "${PIPESTATUS[0]}"
expect_bytes "pipe bytes" "$work/hello" "$work/out"

# Every byte value, as hexadecimal pairs and as decimal triples.
args_hex=() args_dec=()
for i in $(seq 0 255); do args_hex+=("$(printf '%02X' "$i")"); args_dec+=("$(printf '%03d' "$i")"); done
for i in $(seq 0 255); do printf "\\$(printf '%03o' "$i")"; done >"$work/expected"
spouter "${args_hex[@]}" >"$work/out"
expect_bytes "all bytes as hex pairs" "$work/expected" "$work/out"
spouter "${args_dec[@]}" >"$work/out"
expect_bytes "all bytes as decimal triples" "$work/expected" "$work/out"

# Flush policy: one WriteFile per statement on a character device, one per
# 128 bytes and one at the end for a file or a pipe; never one of 0 bytes.
traced abc 0D 0A >/dev/null
expect_equal "null device: one write per statement" "3 1 1" "$(sizes)"
WINEDEBUG=+pid,+loaddll,+relay wine cmd /c "$(windows_path "$spouter_exe") abc 0D 0A > NUL" \
  2>"$work/trace"
expect_equal "NUL in cmd: one write per statement" "3 1 1" "$(sizes)"
traced abc 0D 0A >"$work/out"
expect_equal "file: one write at the end" "5" "$(sizes)"
traced abc 0D 0A | cat >/dev/null
expect_equal "pipe: one write at the end" "5" "$(sizes)"
script -qec "WINEDEBUG=+pid,+loaddll,+relay wine '$spouter_exe' 'Hello, World!' 0D 0A \
  2>'$work/trace'; echo \" exit=\$?\"" /dev/null >"$work/out"
expect_equal "console: one write per statement" "13 1 1" "$(sizes)"
grep -q 'Hello, World!' "$work/out" && grep -q ' exit=0' "$work/out"
check "console: the text shown, exit 0" $?

letters() { printf "$1"' %.0s' $(seq "$2"); }  # letters BYTE COUNT
long() { head -c "$1" /dev/zero | tr '\0' x; }  # long COUNT
traced $(letters 41 128) >"$work/out"
expect_equal "file: 128 single bytes in one write at the end" "128" "$(sizes)"
traced $(letters 41 129) >"$work/out"
expect_equal "file: the 129th byte makes a second write" "128 1" "$(sizes)"
head -c 129 /dev/zero | tr '\0' A >"$work/expected"
expect_bytes "file: 129 bytes" "$work/expected" "$work/out"
traced $(letters 41 10) "$(long 300)" >"$work/out"
expect_equal "file: 10 pending and a text of 300" "128 128 54" "$(sizes)"
{ head -c 10 /dev/zero | tr '\0' A; long 300; } >"$work/expected"
expect_bytes "file: 10 pending and a text of 300, bytes" "$work/expected" "$work/out"
# A text that fills the buffer goes out during its own statement: before
# the next parameter is even taken from the command line.
traced "$(long 128)" 41 >"$work/out"
expect_equal "file: a text of 128 and one more byte" "128 1" "$(sizes)"
module_calls "$work/trace" spouter.exe "$spouter_size" |
  grep -E '^Call (WriteFile\(|(RtlAllocateHeap|HeapAlloc)\(.*,00000002\)$)' | head -1 |
  grep -qE '^Call WriteFile\('
check "file: the text of 128 is written before the next parameter is taken" $?
script -qec "WINEDEBUG=+pid,+loaddll,+relay wine '$spouter_exe' $(long 129) 2>'$work/trace'" \
  /dev/null >/dev/null
expect_equal "console: a text of 129" "128 1" "$(sizes)"
script -qec "WINEDEBUG=+pid,+loaddll,+relay wine '$spouter_exe' $(long 128) 2>'$work/trace'" \
  /dev/null >/dev/null
expect_equal "console: a text of 128" "128" "$(sizes)"

# No parameters: standard output is never asked for, queried or written.
traced >"$work/out"
expect_equal "no parameters exit" 0 $?
calls=$(module_calls "$work/trace" spouter.exe "$spouter_size")
grep -q '^Call ExitProcess(00000000)' <<<"$calls"
check "no parameters: the trace shows the run" $?
grep -qE '^Call (GetStdHandle|GetFileType|WriteFile)\(' <<<"$calls"
check "no parameters: no call on standard output" "$((! $?))"
expect_equal "no parameters: no bytes" 0 "$(stat -c %s "$work/out")"

# Failures: the exit code is the low 8 bits of the code Wine reports, the
# failed bytes are not written again, and nothing follows but the message
# (30 bytes, then CR LF).
traced abc 0D 0A >/dev/full
code=$?
expect_equal "full device: ERROR_DISK_FULL" 112 "$code"
expect_equal "full device: exit code is the reported error" "$(last_error)" "$code"
expect_equal "full device: the failed write, then only the message" "3 30 2" "$(sizes)"

(sleep 1; traced abc 0D 0A; echo $? >"$work/code") | true
code=$(cat "$work/code")
expect_equal "reader gone at the end: exit code is the reported error" "$(last_error)" "$code"
[ "$code" != 0 ]
check "reader gone at the end: a failure ($code)" $?
expect_equal "reader gone at the end: writes" "5 30 2" "$(sizes)"
(sleep 1; traced "$(long 300)" 41; echo $? >"$work/code") | true
code=$(cat "$work/code")
expect_equal "reader gone during a statement: exit code" "$(last_error)" "$code"
expect_equal "reader gone during a statement: nothing after the failed write" "128 30 2" "$(sizes)"
echo "  Wine's code for a pipe whose reader left: $code"
# The documents name the codes that Wine gives for a full disk and for a
# pipe whose reader left.
source_dir=$(realpath "$(dirname "$0")/../..")
for document in README.md docs/README-win32.txt.in docs/spouter.1.in; do
  text=$(tr '\n' ' ' <"$source_dir/$document" | tr -s ' ')
  [[ "$text" == *"112 (disk full"* || "$text" == *"112 means a full disk"* ]] &&
    [[ "$text" == *"$code under Wine"* ]]
  check "$document names 112 for a full disk and $code for Wine's pipe" $?
done

traced abc >&-
code=$?
expect_equal "closed descriptor: exit code is the reported error" "$(last_error)" "$code"
[ "$code" != 0 ]
check "closed descriptor: a failure ($code)" $?

# The message: 30 bytes and CR LF, and each write statement names its own
# location, the same at every run, just behind a call of the same routine.
disassembly=$(objdump -d "$spouter_exe")
declare -A location
callee=()
for arg in 0A 010 abc; do
  strace -f -o "$work/strace" -e trace=write -s 64 wine "$spouter_exe" "$arg" >/dev/full
  # A call that another thread's call interrupts in the trace ends its line
  # in "<unfinished ...>" instead of ")".
  location[$arg]=$(sed -n 's/.*write([0-9]*, "Runtime error 112 at \([0-9A-F]\{8\}\)\\0", 30[) ].*/\1/p' \
    "$work/strace")
  [ -n "${location[$arg]}" ] && grep -qE 'write\([0-9]+, "\\r\\n", 2[) ]' "$work/strace"
  check "message for $arg: code, location and line end" $?
  strace -f -o "$work/strace" -e trace=write -s 64 wine "$spouter_exe" "$arg" >/dev/full
  grep -q "at ${location[$arg]}" "$work/strace"
  check "location for $arg stable between runs" $?
  address=$(location_address "$spouter_exe" "${location[$arg]}")
  before=$(grep -B1 -E "^ +$address:" <<<"$disassembly" | head -1)
  callee+=("$(sed -nE 's/.*\scall\s+(0x[0-9a-f]+)$/\1/p' <<<"$before")")
  [ -n "${callee[-1]}" ]
  check "location for $arg follows a call ($before)" $?
done
[ "${location[0A]}" != "${location[010]}" ] && [ "${location[010]}" != "${location[abc]}" ] &&
  [ "${location[0A]}" != "${location[abc]}" ]
check "three write statements, three locations (${location[*]})" $?
[ "${callee[0]}" = "${callee[1]}" ] && [ "${callee[1]}" = "${callee[2]}" ]
check "the three locations follow calls of one routine (${callee[*]})" $?

finish
