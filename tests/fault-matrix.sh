#!/usr/bin/env bash
# Every way standard output can be connected or fail, run on the real
# binaries of every build given, as one table: a row per case, a column per
# target. A cell holds the exit code the case ended with when its bytes and
# code were right, FAIL otherwise (the failures are listed below the table
# with bytes and codes expected and received), or n/a where the target
# cannot raise the case. Every cell must hold.
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
# Each Linux build folder holds tests/target.env, written by its configure
# step: the target's name, how its programs run (under an emulator for a
# cross build) and which fault rows its processor cannot raise.
#
# Each Windows build, 32-bit x86 or x64, is a column of its own (win32,
# win64), run in the one Wine prefix.
#
# Usage: fault-matrix.sh [LINUX-BUILD...] [--windows WINDOWS-BUILD WINE-PREFIX]...
set -uo pipefail
source "$(dirname "$0")/interrupt-default.sh"
# A signal that ends a run must leave no core file behind.
ulimit -c 0
linux_builds=()
windows_builds=()
while [ $# -gt 0 ]; do
  case $1 in
    --windows) windows_builds+=("$2") wine_prefix=$3; shift 3 ;;
    *) linux_builds+=("$1"); shift ;;
  esac
done
matrix=$(mktemp -d)
trap 'rm -rf "$matrix"' EXIT

for tool in strace script prlimit cmp od python3; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done

# Each case's result goes to a file, one line per cell, so that the rows of
# a subshell (Wine's) count too: TARGET|CASE|CELL|DETAIL.
: >"$matrix/cells"
cell() {  # cell TARGET CASE CELL [DETAIL]
  printf '%s|%s|%s|%s\n' "$1" "$2" "$3" "${4:-}" >>"$matrix/cells"
}

# row TARGET CASE EXPECTED-BYTES RECEIVED-BYTES EXPECTED-CODE RECEIVED-CODE SAME-BYTES
row() {
  if [ "$7" != 0 ] || [ "$5" != "$6" ]; then
    cell "$1" "$2" FAIL "bytes $3 expected, $4 received; exit code $5 expected, $6 received"
  else
    cell "$1" "$2" "$6"
  fi
}

# files_row TARGET CASE EXPECTED-FILE RECEIVED-FILE EXPECTED-CODE RECEIVED-CODE
files_row() {
  local same
  cmp -s "$3" "$4"
  same=$?
  row "$1" "$2" "$(stat -c %s "$3")" "$(stat -c %s "$4")" "$5" "$6" "$same"
}

# A case that TARGET cannot raise, and why.
absent_row() {  # absent_row TARGET CASE REASON
  cell "$1" "$2" n/a "$3"
}

# writes_row TARGET CASE "EXPECTED SIZES" "RECEIVED SIZES" EXPECTED-CODE RECEIVED-CODE
# Sizes are the byte counts that the write calls took, in order.
writes_row() {
  local expected=0 received=0 size
  for size in $3; do expected=$((expected + size)); done
  for size in $4; do [[ $size =~ ^[0-9]+$ ]] && received=$((received + size)); done
  [ "$3" = "$4" ]
  row "$1" "$2" "$expected ($3)" "$received ($4)" "$5" "$6" $?
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

# --- Linux -------------------------------------------------------------------

linux_rows() {  # linux_rows BUILD-FOLDER
  local target layer image emulator spouter fault_driver faults_na faults_reason emulated code got mode name kb location status case error direct
  # shellcheck source=/dev/null
  source "$1/tests/target.env" || { cell "$1" "target.env" FAIL "$1/tests/target.env is missing"; return; }

  "$spouter" "${hello_args[@]}" >"$matrix/out"
  files_row "$target" "file" "$matrix/hello" "$matrix/out" 0 $?

  "$spouter" "${hello_args[@]}" | cat >"$matrix/out"
  files_row "$target" "pipe" "$matrix/hello" "$matrix/out" 0 "${PIPESTATUS[0]}"

  # A terminal with output post-processing off, so the bytes arrive as sent.
  script -qec "stty -opost; '$spouter' 'Hello, World!' 0D 0A; echo \$? >'$matrix/code'" /dev/null \
    >"$matrix/out" </dev/null
  files_row "$target" "terminal" "$matrix/hello" "$matrix/out" 0 "$(cat "$matrix/code")"

  # Under an emulator the traced calls are the emulator's, which makes one
  # host write for each write of the program.
  strace_spouter() {  # strace_spouter ARGS... : the log goes to $matrix/trace
    strace -qq -e trace=write -e signal=none -o "$matrix/trace" "$spouter" "$@"
  }

  strace_spouter "${hello_args[@]}" >/dev/null
  code=$?
  writes_row "$target" "null device" "13 1 1" "$(written_sizes "$matrix/trace")" 0 "$code"

  strace_spouter "${hello_args[@]}" >/dev/full
  code=$?
  writes_row "$target" "full device" "" "$(written_sizes "$matrix/trace")" 28 "$code"

  strace_spouter "${hello_args[@]}" >&-
  code=$?
  writes_row "$target" "closed standard output" "" "$(written_sizes "$matrix/trace")" 105 "$code"

  (sleep 0.5; strace_spouter "${hello_args[@]}"; echo $? >"$matrix/code") | true
  writes_row "$target" "reader gone, at the end" "" "$(written_sizes "$matrix/trace")" 32 \
    "$(cat "$matrix/code")"

  (sleep 0.5; strace_spouter "$long"; echo $? >"$matrix/code") | true
  writes_row "$target" "reader gone, in a statement" "" "$(written_sizes "$matrix/trace")" 32 \
    "$(cat "$matrix/code")"

  # Memory: a real allocation failure under an address-space limit. The one
  # parameter is copied twice (the rebuilt command line, then the parameter),
  # so at the first limit where start-up succeeds and either copy fails,
  # standard output receives the message alone. Below that limit the kernel
  # cannot finish loading the program, which dies before it runs. An
  # emulator's own address space is no measure of the program's.
  if [ "$emulated" = 1 ]; then
    absent_row "$target" "memory exhausted" "the limit would bind the emulator"
  else
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
    files_row "$target" "memory exhausted" "$matrix/expected" "$matrix/out" 203 "$code"
  fi

  # The edges of output: Ctrl+C while the output waits on a reader, sandboxes
  # and limits. A run that an interrupt cut short holds a prefix of its bytes,
  # each once, then the message with 217, and it ends by SIGINT itself (130).
  edges() {  # edges CASE PROGRAM ARGS... : bytes to $matrix/out, status echoed
    python3 "$edges_script" "$1" "$matrix/out" "${@:2}"
  }
  # The first parameter is 3 bytes: a terminal's room then ends inside a
  # block, and the kernel takes part of one.
  for case in pty socket; do
    code=$(edges "$case-interrupt" "$spouter" abc "${numbered[@]}")
    cut_short "$matrix/abc-numbered" "$matrix/out" 217 >"$matrix/expected"
    files_row "$target" "Ctrl+C, $case nobody reads" "$matrix/expected" "$matrix/out" 130 "$code"
  done
  code=$(edges pipe-two-interrupts "$spouter" "${numbered[@]}")
  cut_short "$matrix/numbered" "$matrix/out" none >"$matrix/expected"
  files_row "$target" "Ctrl+C twice, pipe nobody reads" "$matrix/expected" "$matrix/out" 130 "$code"
  # A fault's error path blocked on a full pipe keeps the fault's code.
  code=$(edges pipe-interrupt "$fault_driver" null "${pipe_full[@]}" abc)
  { cat "$matrix/pipe_full"; cut_short /dev/null "$matrix/out" 216 | tail -c 32; } >"$matrix/expected"
  files_row "$target" "Ctrl+C in a fault's error path" "$matrix/expected" "$matrix/out" 216 "$code"
  # A shell stops its script when the program it waited for ended by SIGINT.
  mkfifo "$matrix/fifo"
  exec 3<>"$matrix/fifo"
  set -m
  bash -c 'for i in 1 2 3; do "$0" "${@:2}" >"$1"; echo "iteration $i: $?"; done; echo finished' \
    "$spouter" "$matrix/fifo" "${numbered[@]}" >"$matrix/loop" &
  set +m
  interrupt_when_full $!
  rm -f "$matrix/fifo"
  exec 3<&-
  files_row "$target" "Ctrl+C stops a shell loop" "$matrix/nothing" "$matrix/loop" 130 "$code"

  # A write error that the file system reports only at the last close. No
  # shell can start with every close failing: the emulator runs directly. A
  # program that the dynamic loader starts cannot start so either: the
  # loader needs close and the type queries itself.
  local dynamic=0
  readelf -l "$image" 2>/dev/null | grep -q 'program interpreter' && dynamic=1
  read -ra direct <<<"$emulator"
  if [ "$dynamic" = 1 ]; then
    absent_row "$target" "file, error at the close (EIO)" "the dynamic loader needs close itself"
  else
    code=$(edges close-eio "${direct[@]}" "$image" "${hello_args[@]}")
    { cat "$matrix/hello"; cut_short /dev/null "$matrix/out" 5 | tail -c 32; } >"$matrix/expected"
    files_row "$target" "file, error at the close (EIO)" "$matrix/expected" "$matrix/out" 5 "$code"
  fi
  code=$(edges nonblocking-pipe "$spouter" "${numbered[@]}")
  files_row "$target" "non-blocking pipe, slow reader" "$matrix/numbered" "$matrix/out" 0 "$code"
  code=$(edges nonblocking-pipe-interrupt "$spouter" "${numbered[@]}")
  cut_short "$matrix/numbered" "$matrix/out" 217 >"$matrix/expected"
  files_row "$target" "Ctrl+C, non-blocking pipe nobody reads" "$matrix/expected" "$matrix/out" 130 \
    "$code"
  # Room that poll reports and write refuses is asked for again after ever
  # longer pauses, not in a loop that burns the processor ("spun").
  code=$(edges eventfd "$spouter" 02 00 00 00 00 00 00 00)
  row "$target" "eventfd: poll says room, write refuses" 8 8 0 "$code" 0
  # During a box standard output receives nothing, whatever happens.
  code=$(edges box-interrupt "$spouter" '/?')
  files_row "$target" "Ctrl+C during /?, standard error full" "$matrix/nothing" "$matrix/out" 130 \
    "$code"
  # A fault signal that a process sent is no processor fault: the run ends
  # by it, with a prefix of its bytes, each once, and no message. On a
  # terminal the signal comes while a write waits; on a file at growing
  # delays, until a run is cut short.
  local name number
  for name in SEGV BUS FPE ILL TRAP; do
    number=$(kill -l "$name")
    code=$(edges "pty-$name" "$spouter" abc "${numbered[@]}")
    cut_short "$matrix/abc-numbered" "$matrix/out" none >"$matrix/expected"
    files_row "$target" "SIG$name sent, terminal nobody reads" "$matrix/expected" "$matrix/out" \
      $((128 + number)) "$code"
    code=$(edges "file-$name" "$spouter" abc "${numbered[@]}")
    cut_short "$matrix/abc-numbered" "$matrix/out" none >"$matrix/expected"
    files_row "$target" "SIG$name sent, file mid-run" "$matrix/expected" "$matrix/out" \
      $((128 + number)) "$code"
  done
  # An ignored Ctrl+C stays ignored: SIGINT is put at each system-call stop
  # of a whole run in turn, and every run writes its bytes and ends with 0.
  # Under an emulator the stops are its own calls, and the program's begin
  # after the emulator's start-up: the last 40 hold them.
  local stops stop first=1
  strace -qq -o "$matrix/trace" "${direct[@]}" "$image" "${hello_args[@]}" >/dev/null
  stops=$(grep -cv '^+++' "$matrix/trace")
  [ "$emulated" = 1 ] && [ "$stops" -gt 40 ] && first=$((stops - 39))
  code=0
  for stop in $(seq "$first" "$stops"); do
    code=$(edges "ignored-interrupt-at-$stop" "${direct[@]}" "$image" "${hello_args[@]}")
    cmp -s "$matrix/hello" "$matrix/out" || code="$code, other bytes"
    [ "$code" = 0 ] || { code="$code at stop $stop"; break; }
  done
  files_row "$target" "SIGINT ignored, at every stop" "$matrix/hello" "$matrix/out" 0 "$code"
  # Standard output that takes no bytes is not open: 105, nothing written.
  strace_spouter "${hello_args[@]}" 1</dev/null
  code=$?
  writes_row "$target" "standard output open for reading only" "" "$(written_sizes "$matrix/trace")" \
    105 "$code"
  # Where no file-type query is answered, and where no signal handler can
  # be installed. The emulator runs directly, without a shell, which would
  # need the refused calls itself; the emulator needs the type queries to
  # load a program.
  # Where the type is not told, standard output is written as a file is: a
  # character device gets its bytes in one write at the end.
  local query_rows=("every type query refused, null device" "every type query refused, file"
    "closed, every type query refused") why=""
  [ "$dynamic" = 1 ] && why="the dynamic loader needs the type queries itself"
  [ "$emulated" = 1 ] && why="the emulator needs the type queries itself"
  if [ -n "$why" ]; then
    for case in "${query_rows[@]}"; do absent_row "$target" "$case" "$why"; done
  else
    # strace could not start in the sandbox: it follows the run from outside,
    # a file for each process.
    rm -f "$matrix"/edges.*
    code=$(strace -ff -qq -e trace=execve,write -e signal=none -o "$matrix/edges" \
      python3 "$edges_script" no-type-query /dev/null "$spouter" "${hello_args[@]}")
    local traced
    traced=$(grep -lF "execve(\"$spouter\"" "$matrix"/edges.* || echo /dev/null)
    writes_row "$target" "${query_rows[0]}" "15" "$(written_sizes "$traced")" 0 "$code"
    code=$(edges no-type-query "$spouter" "${hello_args[@]}")
    files_row "$target" "${query_rows[1]}" "$matrix/hello" "$matrix/out" 0 "$code"
    code=$(edges no-type-query-closed "$spouter" "${hello_args[@]}")
    files_row "$target" "${query_rows[2]}" "$matrix/nothing" "$matrix/out" 105 "$code"
  fi
  code=$(edges no-sigaction "${direct[@]}" "$image" "$long")
  files_row "$target" "reader gone, rt_sigaction refused" "$matrix/nothing" "$matrix/out" 32 "$code"
  # SIGPIPE is then ignored instead of blocked.
  code=$(edges no-sigprocmask "${direct[@]}" "$image" "$long")
  files_row "$target" "reader gone, rt_sigprocmask refused" "$matrix/nothing" "$matrix/out" 32 \
    "$code"
  # A file-size limit: the file holds the bytes up to it, the run fails as a
  # write does (EFBIG), and its message finds no room.
  (prlimit --fsize=1000 "$spouter" "${numbered[@]}" >"$matrix/out"; echo $? >"$matrix/code")
  head -c 1000 "$matrix/numbered" >"$matrix/expected"
  files_row "$target" "file-size limit" "$matrix/expected" "$matrix/out" 27 "$(cat "$matrix/code")"

  # Faults, standard output on a file so that the bytes before the fault are
  # still buffered when it strikes.
  while IFS='|' read -r mode code name; do
    if [[ " $faults_na " == *" $mode "* ]]; then
      absent_row "$target" "fault: $name" "$faults_reason"
      continue
    fi
    "$fault_driver" "$mode" "${pending[@]}" >"$matrix/out" 2>/dev/null
    got=$?
    fault_output "$code" "$matrix/out" >"$matrix/expected"
    # After its message, an interrupted run ends by SIGINT itself.
    status=$code
    [ "$mode" = interrupt ] && status=130
    files_row "$target" "fault: $name" "$matrix/expected" "$matrix/out" "$status" "$got"
  done <<<"$faults"
}

big=$(head -c 120000 /dev/zero | tr '\0' m)
# 100 parameters of 1000 bytes, no two stretches alike, so that a block
# written twice shows; and 64 KiB, exactly what a pipe holds.
numbered=()
for i in $(seq 0 99); do numbered+=("$(printf '%05d' $(seq $((i * 200)) $((i * 200 + 199))))"); done
printf '%s' "${numbered[@]}" >"$matrix/numbered"
printf '%s' abc "${numbered[@]}" >"$matrix/abc-numbered"
pipe_full=()
for i in $(seq 64); do pipe_full+=("$(head -c 1024 "$matrix/numbered")"); done
printf '%s' "${pipe_full[@]}" abc >"$matrix/pipe_full"
edges_script=$(dirname "$0")/output-edges.py

# The expected bytes of a run cut short: as much of FULL as OUTPUT holds
# before its message, then the message with CODE; for "none" no message.
cut_short() {  # cut_short FULL OUTPUT CODE
  local size
  size=$(stat -c %s "$2")
  if [ "$3" = none ]; then
    head -c "$size" "$1"
    return
  fi
  [ "$size" -ge 32 ] && head -c $((size - 32)) "$1"
  printf 'Runtime error %3s at %s\0\r\n' "$3" "$(tail -c 11 "$2" | head -c 8)"
}

# Interrupts the process group GROUP once the pipe open as descriptor 3
# stops filling, lets a reader drain it, and sets code to the status of the
# group's leader.
interrupt_when_full() {  # interrupt_when_full GROUP
  local before after
  after=-1
  until [ "$after" = "${before:-}" ] && [ "$after" -gt 0 ]; do
    before=$after
    sleep 0.3
    after=$(python3 -c 'import fcntl, sys, termios, struct
print(struct.unpack("i", fcntl.ioctl(3, termios.FIONREAD, b"0000"))[0])')
  done
  kill -INT -- -"$1"
  sleep 0.3
  cat <&3 >/dev/null &
  wait "$1"
  code=$?
  kill $!
}

for build in "${linux_builds[@]}"; do linux_rows "$build"; done

# --- Windows, under Wine ----------------------------------------------------

windows_rows() {  # windows_rows WINDOWS-BUILD
  local windows_build=$1 target
  # Wine's library resets the check tallies; the table keeps its own.
  source "$(dirname "$0")/wine/wine-lib.sh" "$windows_build" "$wine_prefix"
  target=win$windows_bits

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
  files_row "$target" "file" "$matrix/hello" "$matrix/out" 0 $?

  wine "$spouter_exe" "${hello_args[@]}" | cat >"$matrix/out"
  files_row "$target" "pipe" "$matrix/hello" "$matrix/out" 0 "${PIPESTATUS[0]}"

  # Wine draws a console on the terminal with escape sequences of its own,
  # so the row compares the write calls.
  script -qec "WINEDEBUG=+pid,+loaddll,+relay wine '$spouter_exe' 'Hello, World!' 0D 0A \
    2>'$work/trace'; echo \$? >'$matrix/code'" /dev/null >/dev/null </dev/null
  writes_row "$target" "console (on a pty)" "13 1 1" "$(accepted_sizes)" 0 "$(cat "$matrix/code")"

  traced "${hello_args[@]}" >/dev/null
  code=$?
  writes_row "$target" "null device" "13 1 1" "$(accepted_sizes)" 0 "$code"

  traced "${hello_args[@]}" >/dev/full
  code=$?
  writes_row "$target" "full device" "" "$(accepted_sizes)" 112 "$code"

  # Wine hands a closed descriptor over as a handle whose writes fail with
  # ERROR_INVALID_HANDLE.
  traced "${hello_args[@]}" >&-
  code=$?
  writes_row "$target" "closed standard output" "" "$(accepted_sizes)" 6 "$code"

  # A process given the null handle, or an invalid one, as standard output.
  local mode line
  line=$(hex "spouter Hello 0D 0A")
  for mode in null invalid; do
    WINEDEBUG=+pid,+loaddll,+relay wine "$launcher_exe" "$mode" "$(windows_path "$spouter_exe")" \
      "$line" >"$matrix/out" 2>"$work/trace"
    code=$?
    writes_row "$target" "no standard-output handle ($mode)" "" "$(accepted_sizes)" 105 "$code"
  done

  local got
  while IFS='|' read -r mode code name; do
    if [ "$windows_bits" = 64 ] && [[ " bound into " == *" $mode "* ]]; then
      absent_row "$target" "fault: $name" "32-bit code only"
      continue
    fi
    wine "$windows_build/fault_driver.exe" "$mode" "${pending[@]}" >"$matrix/out"
    got=$?
    fault_output "$code" "$matrix/out" >"$matrix/expected"
    files_row "$target" "fault: $name" "$matrix/expected" "$matrix/out" "$code" "$got"
  done <<<"$faults"

  # Wine reports a pipe whose reader left as ERROR_PIPE_NOT_CONNECTED (233).
  (sleep 1; traced "${hello_args[@]}"; echo $? >"$matrix/code") | true
  writes_row "$target" "reader gone, at the end" "" "$(accepted_sizes)" 233 "$(cat "$matrix/code")"
  (sleep 1; traced "$long"; echo $? >"$matrix/code") | true
  writes_row "$target" "reader gone, in a statement" "" "$(accepted_sizes)" 233 \
    "$(cat "$matrix/code")"
}

for windows_build in "${windows_builds[@]}"; do
  if command -v wine >/dev/null && [ -f "$windows_build/spouter.exe" ]; then
    (windows_rows "$windows_build")
    [ $? = 77 ] && cell "$(basename "$windows_build" | sed 's/^build-//')" "Wine" n/a \
      "no 32-bit x86 program runs here but under an emulator, if at all"
  elif [ "${CI:-}" = true ]; then
    cell "$windows_build" "Wine" FAIL "wine or $windows_build/spouter.exe is missing"
  else
    echo "windows rows skipped: wine or $windows_build/spouter.exe is missing"
  fi
done

# The table: the cases in the order first run, the targets in the order given.
mapfile -t targets < <(cut -d'|' -f1 "$matrix/cells" | awk '!seen[$0]++')
mapfile -t cases < <(cut -d'|' -f2 "$matrix/cells" | awk '!seen[$0]++')
declare -A cells
while IFS='|' read -r target case value _; do cells[$target|$case]=$value; done <"$matrix/cells"
printf '%-40s' case
for target in "${targets[@]}"; do printf ' %11s' "$target"; done
printf '\n'
for case in "${cases[@]}"; do
  printf '%-40s' "$case"
  for target in "${targets[@]}"; do printf ' %11s' "${cells[$target|$case]:--}"; done
  printf '\n'
done

failed=$(awk -F'|' '$3 == "FAIL"' "$matrix/cells" | wc -l)
passed=$(awk -F'|' '$3 != "FAIL" && $3 != "n/a"' "$matrix/cells" | wc -l)
absent=$(awk -F'|' '$3 == "n/a"' "$matrix/cells" | wc -l)
if [ "$absent" != 0 ]; then
  echo
  echo "n/a:"
  awk -F'|' '$3 == "n/a" {
      key = $1 " (" $4 ")"
      if (!(key in list)) { order[++n] = key; list[key] = $2; next }
      list[key] = list[key] ", " $2
    }
    END { for (i = 1; i <= n; i++) print "  " order[i] ": " list[order[i]] }' "$matrix/cells"
fi
if [ "$failed" != 0 ]; then
  echo
  echo "FAIL:"
  awk -F'|' '$3 == "FAIL" {print "  " $1 ": " $2 ": " $4}' "$matrix/cells"
fi
echo
echo "${#targets[@]} targets: $passed cells passed, $failed failed, $absent n/a"
[ "$failed" = 0 ] && [ "$passed" != 0 ]
