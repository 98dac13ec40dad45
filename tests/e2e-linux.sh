#!/usr/bin/env bash
# End-to-end runs of the Linux binary on real files, pipes, a terminal and
# devices. Usage: e2e-linux.sh path/to/spouter
set -uo pipefail
spouter=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/check-lib.sh"
require_tools script prlimit
require_tracer

# Number of write calls on descriptor 1 in a log of system calls.
writes_in() { grep -cE '^([0-9]+ +)?write\(1,' "$1"; }
tracer=$(trace_prefix "$work/trace")

hello() { printf 'Hello, World!\r\n' >"$work/hello"; }
hello

# Standard output as a file, a pipe and a terminal: the same bytes.
"$spouter" "Hello, World!" 0D 0A >"$work/out"
expect_equal "file exit" 0 $?
expect_bytes "file bytes" "$work/hello" "$work/out"

"$spouter" "Hello, World!" 013 010 | cat >"$work/out"
expect_equal "pipe exit" 0 "${PIPESTATUS[0]}"
printf 'Hello, World!\r\n' >"$work/expected"
expect_bytes "pipe bytes" "$work/expected" "$work/out"

script -qec "stty -opost; '$spouter' 'Hello, World!' 0D 0A; echo \" exit=\$?\"" /dev/null >"$work/out"
printf 'Hello, World!\r\n exit=0\n' >"$work/expected"
expect_bytes "terminal bytes and exit" "$work/expected" "$work/out"

# Every byte value, as hexadecimal pairs and as decimal triples.
args_hex=() args_dec=()
for i in $(seq 0 255); do args_hex+=("$(printf '%02x' "$i")"); args_dec+=("$(printf '%03d' "$i")"); done
for i in $(seq 0 255); do printf "\\$(printf '%03o' "$i")"; done >"$work/expected"
"$spouter" "${args_hex[@]}" >"$work/out"
expect_bytes "all bytes as hex pairs" "$work/expected" "$work/out"
"$spouter" "${args_dec[@]}" >"$work/out"
expect_bytes "all bytes as decimal triples" "$work/expected" "$work/out"

# Classification and quoting as the shell passes them.
while IFS='|' read -r expected args; do
  eval "set -- $args"
  "$spouter" "$@" >"$work/out"
  printf "$expected" >"$work/expected"
  expect_bytes "arguments: $args" "$work/expected" "$work/out"
done <<'CASES'
HelloWorld|Hello World
\355\355ok|ed Ed ok
\000\000|00 000
\377256300|255 256 300
1234+12-127|1234 +12 -12 7
\n|'"0A"'
0A |'0A '
/Cx/c|/C x /c
 x|'"" x'
\t|'	'
a\\b|'a\b'
CASES

# Flush policy, counted in write calls: per statement on a character
# device, once at the end for a file.
$tracer "$spouter" abc 0D 0A >/dev/null
expect_equal "null device: one write per statement" 3 "$(writes_in "$work/trace")"
$tracer "$spouter" abc 0D 0A >"$work/out"
expect_equal "file: one write at the end" 1 "$(writes_in "$work/trace")"
script -qec "$tracer '$spouter' abc 0D 0A" /dev/null >/dev/null
expect_equal "terminal: one write per statement" 3 "$(writes_in "$work/trace")"
$tracer "$spouter" $(printf '41 %.0s' $(seq 129)) >"$work/out"
expect_equal "file: 129 bytes in two writes" 2 "$(writes_in "$work/trace")"
head -c 129 /dev/zero | tr '\0' A >"$work/expected"
expect_bytes "file: 129 bytes" "$work/expected" "$work/out"

# A running spouter shows its arguments as they were passed: the process
# list is not the place for its command line. (An emulator shows its own.)
if [ -n "${SPOUTER_EMULATED:-}" ]; then
  echo "n/a: the arguments of a process under an emulator"
else
  long=$(head -c 70000 /dev/zero | tr '\0' x)
  "$spouter" one two three "$long" > >(sleep 1; cat >/dev/null) &
  sleep 0.3
  printf '%s\0' "$spouter" one two three "$long" >"$work/expected"
  cp "/proc/$!/cmdline" "$work/out"
  expect_bytes "the process's arguments as passed" "$work/expected" "$work/out"
  wait $!
fi

# No parameters: standard output is never touched.
$tracer "$spouter" >"$work/out"
expect_equal "no parameters exit" 0 $?
grep -q exit "$work/trace" && ! grep -qE '\((1|0x1),' "$work/trace"
check "no parameters: no call on descriptor 1" $?

# Failures.
"$spouter" abc 0D 0A >/dev/full
expect_equal "full device" 28 $?
"$spouter" abc >&-
expect_equal "closed standard output" 105 $?
(sleep 0.5; "$spouter" abc 0D 0A; echo $? >"$work/code") | true
expect_equal "reader gone: a run-time error, not a signal" 32 "$(cat "$work/code")"
(sleep 0.5; "$spouter" "$(head -c 300 /dev/zero | tr '\0' x)"; echo $? >"$work/code") | true
expect_equal "reader gone during a statement" 32 "$(cat "$work/code")"

# The message: after the bytes already written, 32 bytes, and each write
# statement names its own location, the same at every run. The bytes of a
# call come from the host's strace, which qemu's list does not show: qemu
# passes a guest's write on as one write of the same bytes.
declare -A location
for arg in 0A 010 abc; do
  strace -o "$work/trace" -e trace=write -s 64 "$spouter" "$arg" >/dev/full
  location[$arg]=$(sed -n 's/^write(1, "Runtime error  28 at \([0-9A-F]\{8\}\)\\0", 30).*/\1/p' "$work/trace")
  [ -n "${location[$arg]}" ]
  check "message for $arg has the code and a location" $?
  strace -o "$work/trace2" -e trace=write -s 64 "$spouter" "$arg" >/dev/full
  grep -q "at ${location[$arg]}" "$work/trace2"
  check "location for $arg stable between runs" $?
done
[ "${location[0A]}" != "${location[010]}" ] && [ "${location[010]}" != "${location[abc]}" ] &&
  [ "${location[0A]}" != "${location[abc]}" ]
check "three write statements, three locations (${location[*]})" $?

# Exhausted memory, for real: the same run under address-space limits from
# tight to ample. Every run ends either normally with all the bytes, or with
# run-time error 203 after a prefix of them. Below some limit the kernel
# cannot load the program; only those runs may die. An emulator needs far
# more address space than the program, so the sweep runs only natively.
if [ -n "${SPOUTER_EMULATED:-}" ]; then
  echo "n/a: out of memory under an emulator"
else
  big=$(head -c 120000 /dev/zero | tr '\0' x)
  "$spouter" a "$big" "$big" b >"$work/full"
  saw_203=0 saw_0=0 memory_ok=0
  for kb in $(seq 512 64 4096); do
    sh -c 'prlimit --as="$1" "$2" a "$3" "$3" b' - $((kb * 1024)) "$spouter" "$big" >"$work/out" 2>/dev/null
    code=$?
    case "$code" in
      0) cmp -s "$work/full" "$work/out" || { echo "  limit ${kb}K: exit 0, wrong bytes"; memory_ok=1; }
         saw_0=1 ;;
      203) size=$(stat -c %s "$work/out")
         head -c $((size - 32)) "$work/out" | cmp -s - <(head -c $((size - 32)) "$work/full") &&
           [ "$(tail -c 32 "$work/out" | head -c 21)" = "Runtime error 203 at " ] ||
           { echo "  limit ${kb}K: 203 without a clean prefix and message"; memory_ok=1; }
         saw_203=1 ;;
      *) [ "$saw_203$saw_0" = 00 ] || { echo "  limit ${kb}K: exit $code"; memory_ok=1; } ;;
    esac
  done
  check "out of memory: 203 or every byte, at every limit" "$memory_ok"
  check "out of memory: some limit gives 203" "$((1 - saw_203))"
  check "out of memory: some limit gives a normal end" "$((1 - saw_0))"
fi

finish
