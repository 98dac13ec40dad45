#!/usr/bin/env bash
# Processor faults of the Windows build under Wine: the fault driver (a test
# program on the same run-time) writes some bytes and then faults. Checks
# the exit code, the bytes before the 32-byte message on a file, a pipe and
# through cmd.exe, the write calls, and that the location lies in the
# function that faulted.
# SPOUTER_FAULTS_NA names modes that the processor running Wine does not
# raise (an emulator's, such as qemu's x86, which traps no x87 exception).
# Usage: faults.sh WINDOWS-BUILD WINE-PREFIX
set -uo pipefail
source "$(dirname "$0")/wine-lib.sh" "$1" "$2"

driver_exe=$windows_build/fault_driver.exe
[ -f "$driver_exe" ] || missing "$driver_exe is not built (cmake --preset win32)"
command -v nm >/dev/null || missing "nm is not installed"
driver_size=$(image_size "$driver_exe")

# The message for CODE with the location that OUTPUT's last 32 bytes show,
# if they are a well-formed message.
message_for() {  # message_for CODE OUTPUT-FILE
  local location
  location=$(tail -c 11 "$2" | head -c 8)
  [[ $location =~ ^[0-9A-F]{8}$ ]] || location=XXXXXXXX
  printf 'Runtime error %3s at %s\0\r\n' "$1" "$location"
}

# Code symbols by address: a function ends where the next one begins.
nm -n "$driver_exe" | awk '$2 ~ /^[tT]$/ {print $1, $3}' >"$work/symbols"

# Whether the location in OUTPUT's message lies inside FUNCTION; "*" takes
# any location (a fault raised inside a system library).
location_in() {  # location_in FUNCTION OUTPUT-FILE
  [ "$1" = "*" ] && return 0
  local location address start end
  location=$(tail -c 11 "$2" | head -c 8)
  [[ $location =~ ^[0-9A-F]{8}$ ]] || return 1
  address=$((16#$(location_address "$driver_exe" "$location")))
  read -r start end < <(awk -v f="$symbol_prefix$1" '$2 == f {found = 1; start = $1; next}
                                        found && $1 != start {print start, $1; exit}' "$work/symbols")
  [ -n "$start" ] && [ "$address" -ge $((16#$start)) ] && [ "$address" -lt $((16#$end)) ]
}

# The bytes before the message, the message with CODE, and its location
# inside FUNCTION. A stack overflow may strike any instruction of the
# function, so each output is checked against its own location.
expect_fault_output() {  # expect_fault_output NAME CODE FUNCTION PREFIX-FILE OUTPUT-FILE
  { cat "$4"; message_for "$2" "$5"; } >"$work/expected"
  expect_bytes "$1: the bytes, then the message" "$work/expected" "$5"
  location_in "$3" "$5"
  check "$1: location inside $3" $? "($(tail -c 11 "$5" | head -c 8))"
}

# Byte counts of the driver's own WriteFile calls in a relay trace, which
# may hold stray NUL bytes.
driver_writes() {
  tr -d '\000' <"$1" >"$1.text"
  module_calls "$1.text" fault_driver.exe "$driver_size" |
    sed -nE 's/^Call WriteFile\([0-9a-f]+,[0-9a-f]+,([0-9a-f]+),.*/\1/p' |
    while read -r count; do printf '%d ' $((16#$count)); done
}

pending=(abc 0123456789)
printf '%s' "${pending[@]}" >"$work/pending"

# mode | exit code | function the fault lies in
rows='null|216|FaultNull
divide|200|FaultDivide
float|200|FaultFloat
illegal|255|FaultIllegal
privileged|218|FaultPrivileged
interrupt|217|*
start|216|FaultNull
finish|216|FaultNull
heap|216|FaultNull'
# A stack overflow, on both builds: the program asks for a reserve below
# the fault that the system's dispatch of the overflow runs on, and Wine,
# which commits the whole stack, would otherwise raise it with less than a
# page left: Wine 10's exception frame alone, with the processor's whole
# extended state, takes 0.8 KiB (no AVX) to 3.1 KiB (AVX-512) on 32-bit x86
# and 1.4 to 3.7 KiB on x64, and the dispatch down to the unwind more. The
# SSE rows: x64's floating point, the one reported by a status of any cause
# decoded from MXCSR.
rows+=$'\nrecurse|202|Recurse'
if [ "$windows_bits" = 64 ]; then
  rows+=$'\nsse|200|FaultSseDivide\nssetraps|205|*'
fi

# Why a stack overflow did not end as it should, in Wine's own words: its
# exception set-up says how many bytes the frame lacked above the stack's
# last page ("stack overflow N bytes ...").
overflow_evidence() {
  WINEDEBUG=err+virtual,err+seh wine "$driver_exe" recurse "${pending[@]}" 2>&1 >/dev/null |
    grep -m 3 -E 'stack overflow|exception' | sed 's/^/  wine: /'
}

# The reserve as the system gives it, read back by the driver: the
# guarantee is the 32 KiB asked for, and the guard page that the stack meets
# first lies where the reserve begins or above it, so that the overflow is
# raised with the reserve below it.
read -r granted guard < <(wine "$driver_exe" reserve)
expect_equal "stack guarantee read back" 32768 "${granted:-none}"
[ "${guard:-0}" -ge "${granted:-1}" ]
check "the first guard page lies at the reserve's start or above ($guard bytes above the stack's base)" $?

not_raised=" ${SPOUTER_FAULTS_NA:-} "
while IFS='|' read -r mode code function; do
  if [[ $not_raised == *" $mode "* ]]; then
    echo "n/a: $mode (this processor does not raise it)"
    continue
  fi
  expected_prefix="$work/pending"
  failures_before=$failures
  [ "$mode" = start ] && expected_prefix=/dev/null  # faults before any byte is written

  wine "$driver_exe" "$mode" "${pending[@]}" >"$work/file" 2>"$work/stderr"
  expect_equal "$mode to a file: exit code" "$code" $?
  expect_fault_output "$mode to a file" "$code" "$function" "$expected_prefix" "$work/file"
  [ ! -s "$work/stderr" ]
  check "$mode: nothing on standard error (no crash report)" $? "($(head -c 200 "$work/stderr"))"

  wine "$driver_exe" "$mode" "${pending[@]}" | cat >"$work/pipe"
  expect_equal "$mode to a pipe: exit code" "$code" "${PIPESTATUS[0]}"
  expect_fault_output "$mode to a pipe" "$code" "$function" "$expected_prefix" "$work/pipe"
  [ "$mode" = recurse ] && [ "$failures" != "$failures_before" ] && overflow_evidence
done <<<"$rows"

# Counted in Wine's relay trace: the pending bytes in one write, then the
# message's two; nothing doubled. (A stack overflow is left out: the tracing
# itself needs more stack than an overflow leaves.)
for row in null:"13 30 2 " start:"30 2 " finish:"13 30 2 "; do
  mode=${row%%:*} writes=${row#*:}
  WINEDEBUG=+pid,+loaddll,+relay wine "$driver_exe" "$mode" "${pending[@]}" >"$work/file" 2>"$work/trace"
  expect_equal "$mode to a file: write calls" "$writes" "$(driver_writes "$work/trace")"
done

wine "$driver_exe" none "${pending[@]}" >"$work/file"
expect_equal "no fault: exit code" 0 $?
expect_bytes "no fault: only the bytes" "$work/pending" "$work/file"

# Through the command processor, redirected to a file as a script would.
cp "$driver_exe" "$work/driver.exe"
(cd "$work" && wine cmd /c "driver.exe recurse abc def > cmd-out.txt")
expect_equal "cmd.exe: exit code of recurse" 202 $?
printf abcdef >"$work/written"
expect_fault_output "cmd.exe" 202 Recurse "$work/written" "$work/cmd-out.txt"

# An error path that faults again and again still ends, with the first
# fault's code.
timeout 60 wine "$driver_exe" again abc >"$work/file"
expect_equal "fault while reporting a fault: ends with its code" 216 $?

finish
