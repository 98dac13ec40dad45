#!/usr/bin/env bash
# Every way standard output can be connected or fail, run on the real
# binaries of both targets, as one table: bytes expected and received, exit
# code expected and received. Every row must hold.
#
# Bytes are compared byte for byte where they can be read back (a file, a
# pipe, a terminal on Linux). Where they cannot (the null device, a Windows
# console, a failing device), the row compares what each write call of the
# program's own code took, as strace (Linux) or Wine's relay trace (Windows)
# shows it, and the columns give the total.
#
# The faults of the fault table are provoked in the fault driver, a test
# program on the same run-time that writes its parameters from the second
# on and then faults as the first one says.
#
# Usage: fault-matrix.sh LINUX-SPOUTER LINUX-FAULT-DRIVER WINDOWS-BUILD WINE-PREFIX
set -uo pipefail
spouter=$(realpath "$1")
fault_driver=$(realpath "$2")
windows_build=$3
wine_prefix=$4
matrix=$(mktemp -d)
trap 'rm -rf "$matrix"' EXIT

for tool in strace script prlimit cmp od; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done

matrix_failures=0
matrix_rows=0
printf '%-7s %-40s %10s %10s %6s %6s  %s\n' target case "bytes exp" "bytes got" exit got result
# row TARGET CASE EXPECTED-BYTES RECEIVED-BYTES EXPECTED-CODE RECEIVED-CODE SAME-BYTES
row() {
  local verdict=ok
  matrix_rows=$((matrix_rows + 1))
  if [ "$7" != 0 ] || [ "$5" != "$6" ]; then
    verdict=FAIL
    matrix_failures=$((matrix_failures + 1))
  fi
  printf '%-7s %-40s %10s %10s %6s %6s  %s\n' "$1" "$2" "$3" "$4" "$5" "$6" "$verdict"
}

# files_row TARGET CASE EXPECTED-FILE RECEIVED-FILE EXPECTED-CODE RECEIVED-CODE
files_row() {
  local same
  cmp -s "$3" "$4"
  same=$?
  row "$1" "$2" "$(stat -c %s "$3")" "$(stat -c %s "$4")" "$5" "$6" "$same"
}

# A row that cannot be run on TARGET, and why.
absent_row() {  # absent_row TARGET CASE REASON
  printf '%-7s %-40s %10s %10s %6s %6s  %s\n' "$1" "$2" - - - - "n/a: $3"
}

# writes_row TARGET CASE "EXPECTED SIZES" "RECEIVED SIZES" EXPECTED-CODE RECEIVED-CODE
# Sizes are the byte counts that the write calls took, in order.
writes_row() {
  local expected=0 received=0 size
  for size in $3; do expected=$((expected + size)); done
  for size in $4; do received=$((received + size)); done
  [ "$3" = "$4" ]
  row "$1" "$2" "$expected" "$received" "$5" "$6" $?
}

# Byte counts that the successful write calls on descriptor 1 took, from an
# strace log; "untraced" when the log shows no write on it at all, so that a
# row expecting no bytes cannot pass on a run that never happened.
written_sizes() {
  grep -q '^write(1, ' "$1" || { echo untraced; return; }
  sed -n 's/^write(1, .*, [0-9]*) *= \([0-9]*\)$/\1/p' "$1" | tr '\n' ' ' | sed 's/ $//'
}

hello_args=("Hello, World!" 0D 0A)
printf 'Hello, World!\r\n' >"$matrix/hello"

# Every row of the fault table: driver mode, run-time error code, what it
# is. The last two exist only in 32-bit code.
faults='null|216|access violation
recurse|202|stack overflow
divide|200|integer division by zero
float|200|float division by zero
overflow|205|float overflow
underflow|206|float underflow
denormal|206|float denormal operand
inexact|207|float inexact result
invalid|207|float invalid operation
fstack|207|float stack check
privileged|218|privileged instruction
interrupt|217|control-C exit
illegal|255|any other (illegal instruction)
bound|201|array bounds exceeded
into|215|integer overflow'
pending=(abc 0123456789)
printf '%s' "${pending[@]}" >"$matrix/pending"

# The pending bytes, then the message with CODE and the location that
# OUTPUT shows if it is 8 hexadecimal digits.
fault_output() {  # fault_output CODE OUTPUT-FILE
  local location
  location=$(tail -c 11 "$2" | head -c 8 | grep -xE '[0-9A-F]{8}' || echo '????????')
  cat "$matrix/pending"
  printf 'Runtime error %3s at %s\0\r\n' "$1" "$location"
}
: >"$matrix/nothing"
long=$(head -c 300 /dev/zero | tr '\0' x)

# --- Linux ------------------------------------------------------------------

"$spouter" "${hello_args[@]}" >"$matrix/out"
files_row linux "file" "$matrix/hello" "$matrix/out" 0 $?

"$spouter" "${hello_args[@]}" | cat >"$matrix/out"
files_row linux "pipe" "$matrix/hello" "$matrix/out" 0 "${PIPESTATUS[0]}"

# A terminal with output post-processing off, so the bytes arrive as sent.
script -qec "stty -opost; '$spouter' 'Hello, World!' 0D 0A; echo \$? >'$matrix/code'" /dev/null \
  >"$matrix/out" </dev/null
files_row linux "terminal" "$matrix/hello" "$matrix/out" 0 "$(cat "$matrix/code")"

strace_spouter() {  # strace_spouter ARGS... : the log goes to $matrix/trace
  strace -qq -e trace=write -e signal=none -o "$matrix/trace" "$spouter" "$@"
}

strace_spouter "${hello_args[@]}" >/dev/null
code=$?
writes_row linux "null device" "13 1 1" "$(written_sizes "$matrix/trace")" 0 "$code"

strace_spouter "${hello_args[@]}" >/dev/full
code=$?
writes_row linux "full device (ENOSPC)" "" "$(written_sizes "$matrix/trace")" 28 "$code"

strace_spouter "${hello_args[@]}" >&-
code=$?
writes_row linux "closed standard output" "" "$(written_sizes "$matrix/trace")" 105 "$code"

(sleep 0.5; strace_spouter "${hello_args[@]}"; echo $? >"$matrix/code") | true
writes_row linux "reader gone, at the end (EPIPE)" "" "$(written_sizes "$matrix/trace")" 32 \
  "$(cat "$matrix/code")"

(sleep 0.5; strace_spouter "$long"; echo $? >"$matrix/code") | true
writes_row linux "reader gone, in a statement" "" "$(written_sizes "$matrix/trace")" 32 \
  "$(cat "$matrix/code")"

# Memory: a real allocation failure under an address-space limit. The one
# parameter is copied twice (the rebuilt command line, then the parameter),
# so at the first limit where start-up succeeds and either copy fails,
# standard output receives the message alone. Below that limit the kernel
# cannot finish loading the program, which dies before it runs.
big=$(head -c 120000 /dev/zero | tr '\0' m)
code=none
for kb in $(seq 256 32 8192); do
  (prlimit --as=$((kb * 1024)) "$spouter" "$big" 0D 0A >"$matrix/out"; echo $? >"$matrix/code") \
    2>/dev/null
  code=$(cat "$matrix/code")
  [ "$code" = 203 ] || [ "$code" = 0 ] && break
done
# The location is where the failure was found: any 8 hexadecimal digits.
location=$(tail -c +22 "$matrix/out" | head -c 8 | grep -xE '[0-9A-F]{8}' || echo '????????')
printf 'Runtime error 203 at %s\0\r\n' "$location" >"$matrix/expected"
files_row linux "memory exhausted (prlimit --as=${kb}K)" "$matrix/expected" "$matrix/out" 203 "$code"

# Faults, standard output on a file so that the bytes before the fault are
# still buffered when it strikes.
while IFS='|' read -r mode code name; do
  if [ "$mode" = bound ] || [ "$mode" = into ]; then
    absent_row linux "fault: $name" "no such instruction in 64-bit code"
    continue
  fi
  "$fault_driver" "$mode" "${pending[@]}" >"$matrix/out" 2>/dev/null
  got=$?
  fault_output "$code" "$matrix/out" >"$matrix/expected"
  files_row linux "fault: $name" "$matrix/expected" "$matrix/out" "$code" "$got"
done <<<"$faults"

# --- Windows, under Wine ----------------------------------------------------

windows_rows() {
  # Wine's library resets the check tallies; the table keeps its own.
  source "$(dirname "$0")/wine/wine-lib.sh" "$windows_build" "$wine_prefix"

  # Byte counts that the successful WriteFile calls of spouter.exe's own
  # code took, from the relay trace in $work/trace; "untraced" as above.
  accepted_sizes() {
    local line size=0 sizes=() calls=0
    while read -r line; do
      case $line in
        "Call WriteFile("*)
          calls=$((calls + 1))
          size=$(sed -E 's/^Call WriteFile\([0-9a-f]+,[0-9a-f]+,([0-9a-f]+),.*/\1/' <<<"$line") ;;
        "Ret WriteFile() retval="*)
          [[ ${line#*retval=} =~ ^0+$ ]] || sizes+=("$((16#$size))") ;;
      esac
    done < <(module_calls "$work/trace" spouter.exe "$spouter_size")
    [ "$calls" = 0 ] && { echo untraced; return; }
    echo "${sizes[*]}"
  }

  wine "$spouter_exe" "${hello_args[@]}" >"$matrix/out"
  files_row windows "file" "$matrix/hello" "$matrix/out" 0 $?

  wine "$spouter_exe" "${hello_args[@]}" | cat >"$matrix/out"
  files_row windows "pipe" "$matrix/hello" "$matrix/out" 0 "${PIPESTATUS[0]}"

  # Wine draws a console on the terminal with escape sequences of its own,
  # so the row compares the write calls.
  script -qec "WINEDEBUG=+pid,+loaddll,+relay wine '$spouter_exe' 'Hello, World!' 0D 0A \
    2>'$work/trace'; echo \$? >'$matrix/code'" /dev/null >/dev/null </dev/null
  writes_row windows "console (on a pty)" "13 1 1" "$(accepted_sizes)" 0 "$(cat "$matrix/code")"

  traced "${hello_args[@]}" >/dev/null
  code=$?
  writes_row windows "null device" "13 1 1" "$(accepted_sizes)" 0 "$code"

  traced "${hello_args[@]}" >/dev/full
  code=$?
  writes_row windows "full device (ERROR_DISK_FULL)" "" "$(accepted_sizes)" 112 "$code"

  # Wine hands a closed descriptor over as a handle whose writes fail with
  # ERROR_INVALID_HANDLE.
  traced "${hello_args[@]}" >&-
  code=$?
  writes_row windows "closed standard output (6)" "" "$(accepted_sizes)" 6 "$code"

  # A process given the null handle, or an invalid one, as standard output.
  local mode line
  line=$(hex "spouter Hello 0D 0A")
  for mode in null invalid; do
    WINEDEBUG=+pid,+loaddll,+relay wine "$launcher_exe" "$mode" "$(windows_path "$spouter_exe")" \
      "$line" >"$matrix/out" 2>"$work/trace"
    code=$?
    writes_row windows "no standard-output handle ($mode)" "" "$(accepted_sizes)" 105 "$code"
  done

  local got
  while IFS='|' read -r mode code name; do
    wine "$windows_build/fault_driver.exe" "$mode" "${pending[@]}" >"$matrix/out"
    got=$?
    fault_output "$code" "$matrix/out" >"$matrix/expected"
    files_row windows "fault: $name" "$matrix/expected" "$matrix/out" "$code" "$got"
  done <<<"$faults"

  # Wine reports a pipe whose reader left as ERROR_PIPE_NOT_CONNECTED (233).
  (sleep 1; traced "${hello_args[@]}"; echo $? >"$matrix/code") | true
  writes_row windows "reader gone, at the end (233)" "" "$(accepted_sizes)" 233 "$(cat "$matrix/code")"
  (sleep 1; traced "$long"; echo $? >"$matrix/code") | true
  writes_row windows "reader gone, in a statement (233)" "" "$(accepted_sizes)" 233 \
    "$(cat "$matrix/code")"
}

if command -v wine >/dev/null && [ -f "$windows_build/spouter.exe" ]; then
  (windows_rows; echo "$matrix_rows $matrix_failures" >"$matrix/windows")
  read -r windows_count windows_failed <"$matrix/windows" 2>/dev/null || windows_failed=1
  matrix_rows=${windows_count:-$matrix_rows}
  matrix_failures=${windows_failed:-1}
elif [ "${CI:-}" = true ]; then
  echo "FAIL: wine or $windows_build/spouter.exe is missing"
  matrix_failures=$((matrix_failures + 1))
else
  echo "windows rows skipped: wine or $windows_build/spouter.exe is missing"
fi

echo "$matrix_rows rows, $matrix_failures failed"
[ "$matrix_failures" = 0 ]
