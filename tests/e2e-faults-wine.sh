#!/usr/bin/env bash
# End-to-end processor faults on Windows, run under Wine: the Windows build
# of the fault driver writes some bytes and then faults. Checks the exit
# code, the bytes before the 32-byte message on a file and a pipe, the same
# through cmd.exe, and that the location lies in the function that faulted.
# Usage: e2e-faults-wine.sh path/to/fault_driver.exe
set -uo pipefail
driver=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
passes=0

for tool in wine i686-w64-mingw32-nm i686-w64-mingw32-objdump timeout; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing"; exit 1; }
done

export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1

check() {  # check NAME CONDITION-RESULT DETAIL
  if [ "$2" = 0 ]; then
    passes=$((passes + 1))
  else
    failures=$((failures + 1))
    echo "FAIL: $1 ${3:-}"
  fi
}

expect_code() {  # expect_code NAME EXPECTED ACTUAL
  [ "$2" = "$3" ]
  check "$1" $? "(exit code $3, expected $2)"
}

expect_bytes() {  # expect_bytes NAME EXPECTED-FILE ACTUAL-FILE
  cmp -s "$2" "$3"
  check "$1" $? "$(printf '\n  expected: %s\n  received: %s' "$(od -An -c "$2" | tr -s ' ')" "$(od -An -c "$3" | tr -s ' ' | head -c 400)")"
}

# The message for CODE with the location that OUTPUT's last 32 bytes show,
# if they are a well-formed message.
message_for() {  # message_for CODE OUTPUT-FILE
  local location
  location=$(tail -c 11 "$2" | head -c 8)
  [[ $location =~ ^[0-9A-F]{8}$ ]] || location=XXXXXXXX
  printf 'Runtime error %3s at %s\0\r\n' "$1" "$location"
}

# Code symbols by address: a function ends where the next one begins.
i686-w64-mingw32-nm -n "$driver" | awk '$2 ~ /^[tT]$/ {print $1, $3}' >"$work/symbols"

# Whether the location in OUTPUT's message lies inside FUNCTION; "*" takes
# any location (a fault raised inside a system library).
location_in() {  # location_in FUNCTION OUTPUT-FILE
  [ "$1" = "*" ] && return 0
  local address start end
  address=$((0x$(tail -c 11 "$2" | head -c 8)))
  read -r start end < <(awk -v f="_$1" '$2 == f {found = 1; start = $1; next}
                                        found && $1 != start {print "0x" start, "0x" $1; exit}' "$work/symbols")
  [ -n "$start" ] && [ "$address" -ge $((start)) ] && [ "$address" -lt $((end)) ]
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

pending=(abc 0123456789)
printf '%s' "${pending[@]}" >"$work/pending"

# mode | exit code | function the fault lies in
while IFS='|' read -r mode code function; do
  expected_prefix="$work/pending"
  [ "$mode" = start ] && expected_prefix=/dev/null  # faults before any byte is written

  timeout 60 wine "$driver" "$mode" "${pending[@]}" >"$work/file" 2>>"$work/stderr"
  expect_code "$mode to a file: exit code" "$code" $?
  expect_fault_output "$mode to a file" "$code" "$function" "$expected_prefix" "$work/file"

  timeout 60 wine "$driver" "$mode" "${pending[@]}" 2>>"$work/stderr" | cat >"$work/pipe"
  expect_code "$mode to a pipe: exit code" "$code" "${PIPESTATUS[0]}"
  expect_fault_output "$mode to a pipe" "$code" "$function" "$expected_prefix" "$work/pipe"
done <<'ROWS'
null|216|FaultNull
divide|200|FaultDivide
float|200|FaultFloat
recurse|202|Recurse
illegal|255|FaultIllegal
privileged|218|FaultPrivileged
interrupt|217|*
start|216|FaultNull
finish|216|FaultNull
heap|216|FaultNull
ROWS

timeout 60 wine "$driver" none "${pending[@]}" >"$work/file" 2>>"$work/stderr"
expect_code "no fault: exit code" 0 $?
expect_bytes "no fault: only the bytes" "$work/pending" "$work/file"

# Through the command processor, redirected to a file as a script would.
cp "$driver" "$work/driver.exe"
(cd "$work" && timeout 60 wine cmd /c "driver.exe recurse abc def > cmd-out.txt" 2>>"$work/stderr")
expect_code "cmd.exe: exit code of a stack overflow" 202 $?
printf abcdef >"$work/written"
expect_fault_output "cmd.exe" 202 Recurse "$work/written" "$work/cmd-out.txt"

# An error path that faults again and again still ends, with the first
# fault's code.
timeout 60 wine "$driver" again abc >"$work/file" 2>>"$work/stderr"
expect_code "fault while reporting a fault: ends with its code" 216 $?

# No crash report or debugger output anywhere.
! grep -q "Unhandled exception" "$work/stderr" "$work/file"
check "no crash report" $?

echo "$passes passed, $failures failed"
[ "$failures" = 0 ]
