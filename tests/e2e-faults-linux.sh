#!/usr/bin/env bash
# End-to-end processor faults on Linux: the fault driver (a test program on
# the same run-time) writes some bytes and then faults. Checks the exit code,
# the bytes before the 32-byte message on a file, a pipe and a terminal, the
# write calls, and that the location lies in the function that faulted.
# Usage: e2e-faults-linux.sh path/to/fault_driver [IMAGE]
# Under an emulator, the driver is a script that runs IMAGE, the real
# binary, whose symbols are read. SPOUTER_FAULTS_NA names the modes that the
# processor cannot raise, SPOUTER_FAULTS_ANYWHERE those it reports from a
# helper outside the faulting function.
set -uo pipefail
driver=$(realpath "$1")
image=$(realpath "${2:-$1}")
not_raised=" ${SPOUTER_FAULTS_NA:-} "
anywhere=" ${SPOUTER_FAULTS_ANYWHERE:-} "
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/check-lib.sh"

require_tools script nm objdump timeout
require_tracer

# The message for CODE with the location that OUTPUT's last 32 bytes show,
# if they are a well-formed message.
message_for() {  # message_for CODE OUTPUT-FILE
  local location
  location=$(tail -c 11 "$2" | head -c 8)
  [[ $location =~ ^[0-9A-F]{8}$ ]] || location=XXXXXXXX
  printf 'Runtime error %3s at %s\0\r\n' "$1" "$location"
}

image_start=$((0x$(nm "$image" | awk '$3 == "__executable_start" {print $1}')))
read -r text_start text_size < <(objdump -h "$image" | awk '$2 == ".text" {print "0x" $4, "0x" $3}')
text_end=$((text_start + text_size))

# Whether the location in OUTPUT's message lies inside FUNCTION, or anywhere
# in the program's code for "-".
location_in() {  # location_in FUNCTION OUTPUT-FILE
  local location address start size
  location=$(tail -c 11 "$2" | head -c 8)
  [[ $location =~ ^[0-9A-F]{8}$ ]] || return 1
  address=$((image_start + 16#$location))
  if [ "$1" = - ]; then
    [ "$address" -ge $((text_start)) ] && [ "$address" -lt "$text_end" ]
    return
  fi
  read -r start size < <(nm -S "$image" | awk -v f="$1" '$4 == f {print "0x" $1, "0x" $2}')
  # A Thumb function's symbol on 32-bit ARM is its address plus one.
  [ -n "$start" ] && start=$((start & ~1))
  [ -n "$start" ] && [ "$address" -ge "$start" ] && [ "$address" -lt $((start + size)) ]
}

# Sizes of the write calls on descriptor 1 in a log of system calls.
write_sizes() { sed -nE 's/^([0-9]+ +)?write\(1, ?.*, ?([0-9]+)\) *= .*/\2/p' "$1" | tr '\n' ' '; }
tracer=$(trace_prefix "$work/trace")

# The bytes before the message, the message with CODE, and its location
# inside FUNCTION. A stack overflow may strike any instruction of the
# function, so each output is checked against its own location.
expect_fault_output() {  # expect_fault_output NAME CODE FUNCTION PREFIX-FILE OUTPUT-FILE
  { cat "$4"; message_for "$2" "$5"; } >"$work/expected"
  expect_bytes "$1: the bytes, then the message" "$work/expected" "$5"
  location_in "$3" "$5"
  check "$1: location inside $3" $? "($(tail -c 11 "$5" | head -c 8))"
}

pending=(abc 0123456789)
printf '%s' "${pending[@]}" >"$work/pending"

# mode | code in the message | function the fault lies in (- for anywhere
# in the code) | exit status, where not the code: an interrupt ends the
# process by SIGINT itself, which a shell shows as 130
while IFS='|' read -r mode code function status; do
  status=${status:-$code}
  if [[ $not_raised == *" $mode "* ]]; then
    echo "n/a: $mode (this processor does not raise it)"
    continue
  fi
  [[ $anywhere == *" $mode "* ]] && function=-
  expected_prefix="$work/pending"
  writes="13 30 2 "
  if [ "$mode" = start ]; then  # faults before any byte is written
    expected_prefix=/dev/null
    writes="30 2 "
  fi

  $tracer "$driver" "$mode" "${pending[@]}" >"$work/file"
  expect_equal "$mode to a file: exit status" "$status" $?
  expect_fault_output "$mode to a file" "$code" "$function" "$expected_prefix" "$work/file"
  [ "$(write_sizes "$work/trace")" = "$writes" ]
  check "$mode to a file: writes of $writes bytes" $? "(writes: $(write_sizes "$work/trace"))"

  "$driver" "$mode" "${pending[@]}" | cat >"$work/pipe"
  expect_equal "$mode to a pipe: exit status" "$status" "${PIPESTATUS[0]}"
  expect_fault_output "$mode to a pipe" "$code" "$function" "$expected_prefix" "$work/pipe"
done <<'ROWS'
null|216|FaultNull
divide|200|FaultDivide
float|200|FaultFloat
recurse|202|Recurse
illegal|255|FaultIllegal
privileged|218|FaultPrivileged
interrupt|217|-|130
start|216|FaultNull
finish|216|FaultNull
heap|216|FaultNull
bound|201|FaultBound
into|215|FaultIntegerOverflow
ROWS

# No fault: the driver ends normally with its bytes and no message.
"$driver" none "${pending[@]}" >"$work/file"
expect_equal "no fault: exit code" 0 $?
expect_bytes "no fault: only the bytes" "$work/pending" "$work/file"

# A terminal gets each statement's bytes at once; the message follows.
printf abcdef >"$work/written"
for row in null:216:FaultNull recurse:202:Recurse; do
  IFS=: read -r mode code function <<<"$row"
  script -qec "stty -opost; '$driver' $mode abc def; echo \" exit=\$?\"" /dev/null >"$work/tty"
  printf ' exit=%s\n' "$code" >"$work/status"
  [ "$(tail -c "$(stat -c %s "$work/status")" "$work/tty")" = "$(cat "$work/status")" ]
  check "$mode on a terminal: exit code" $? "($(tail -c 12 "$work/tty"))"
  head -c -"$(stat -c %s "$work/status")" "$work/tty" >"$work/file"
  expect_fault_output "$mode on a terminal" "$code" "$function" "$work/written" "$work/file"
done

# Where the message cannot be written, the exit code still tells.
"$driver" null >&-
expect_equal "closed standard output: exit code" 216 $?
(sleep 0.5; "$driver" null abc; echo $? >"$work/code") | true
expect_equal "reader gone: exit code" 216 "$(cat "$work/code")"

# A small stack limit overflows soon; it is still a stack overflow.
(ulimit -s 256; "$driver" recurse abc >"$work/file")
expect_equal "recursion under a 256 KiB stack: exit code" 202 $?

# An interrupt that the caller ignores stays ignored: a normal end.
(trap '' INT; "$driver" interrupt abc >"$work/file")
expect_equal "ignored interrupt: exit code" 0 $?
printf abc >"$work/expected"
expect_bytes "ignored interrupt: the bytes and no message" "$work/expected" "$work/file"

# An error path that faults again and again still ends, with the first
# fault's code.
timeout 20 "$driver" again abc >"$work/file"
expect_equal "fault while reporting a fault: ends with its code" 216 $?

finish
