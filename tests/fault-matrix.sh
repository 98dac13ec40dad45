#!/usr/bin/env bash
# Every way standard output can be connected or fail, run on the real
# binaries, as one table: bytes expected and received, exit code expected
# and received. Every row must hold.
# Usage: fault-matrix.sh LINUX-SPOUTER
set -uo pipefail
spouter=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ "${CI:-}" = true ]; then
  for tool in strace script prlimit cmp; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
  done
fi

failures=0
rows=0
printf '%-7s %-44s %10s %10s %6s %6s  %s\n' target case "bytes exp" "bytes got" "exit" "got" result
# row TARGET CASE EXPECTED-FILE RECEIVED-FILE EXPECTED-CODE RECEIVED-CODE
# The bytes hold when the two files are equal byte for byte.
row() {
  local verdict=ok
  rows=$((rows + 1))
  if ! cmp -s "$3" "$4" || [ "$5" != "$6" ]; then
    verdict=FAIL
    failures=$((failures + 1))
  fi
  printf '%-7s %-44s %10s %10s %6s %6s  %s\n' "$1" "$2" "$(stat -c %s "$3")" \
    "$(stat -c %s "$4")" "$5" "$6" "$verdict"
}

# Bytes that the calls of an strace log (written with -xx) wrote to
# descriptor 1, in order; a failed call wrote nothing.
written_bytes() {
  local hex count
  sed -n 's/^write(1, "\(.*\)", [0-9]*) *= \([0-9]*\)$/\2 \1/p' "$1" |
    while read -r count hex; do printf '%b' "${hex:0:$((count * 4))}"; done
}

hello_args=("Hello, World!" 0D 0A)
printf 'Hello, World!\r\n' >"$work/hello"
: >"$work/nothing"
long=$(head -c 300 /dev/zero | tr '\0' x)

# --- Linux ------------------------------------------------------------------

"$spouter" "${hello_args[@]}" >"$work/out"
row linux "file" "$work/hello" "$work/out" 0 $?

"$spouter" "${hello_args[@]}" | cat >"$work/out"
row linux "pipe" "$work/hello" "$work/out" 0 "${PIPESTATUS[0]}"

# A terminal with output post-processing off, so the bytes arrive as sent.
script -qec "stty -opost; '$spouter' 'Hello, World!' 0D 0A; echo \$? >'$work/code'" /dev/null \
  >"$work/out" </dev/null
row linux "terminal" "$work/hello" "$work/out" 0 "$(cat "$work/code")"

# Where the bytes cannot be read back, strace shows what each write took.
traced() {  # traced LOG ARGS... : runs spouter under strace, returns its code
  local log=$1
  shift
  strace -qq -e trace=write -e signal=none -s 4096 -xx -o "$log" "$spouter" "$@"
}

traced "$work/trace" "${hello_args[@]}" >/dev/null
code=$?
written_bytes "$work/trace" >"$work/out"
row linux "null device" "$work/hello" "$work/out" 0 "$code"

traced "$work/trace" "${hello_args[@]}" >/dev/full
code=$?
written_bytes "$work/trace" >"$work/out"
row linux "full device (ENOSPC)" "$work/nothing" "$work/out" 28 "$code"

traced "$work/trace" "${hello_args[@]}" >&-
code=$?
written_bytes "$work/trace" >"$work/out"
row linux "closed standard output" "$work/nothing" "$work/out" 105 "$code"

(sleep 0.5; traced "$work/trace" "${hello_args[@]}"; echo $? >"$work/code") | true
written_bytes "$work/trace" >"$work/out"
row linux "reader gone, at the end (EPIPE)" "$work/nothing" "$work/out" 32 "$(cat "$work/code")"

(sleep 0.5; traced "$work/trace" "$long"; echo $? >"$work/code") | true
written_bytes "$work/trace" >"$work/out"
row linux "reader gone, during a statement" "$work/nothing" "$work/out" 32 "$(cat "$work/code")"

# Memory: a real allocation failure under an address-space limit. The one
# parameter is copied twice (the rebuilt command line, then the parameter),
# so at the first limit where start-up succeeds and either copy fails,
# standard output receives the message alone. Below that limit the C
# library's static start-up dies before the program runs.
big=$(head -c 120000 /dev/zero | tr '\0' m)
code=none
for kb in $(seq 256 32 8192); do
  (prlimit --as=$((kb * 1024)) "$spouter" "$big" 0D 0A >"$work/out"; echo $? >"$work/code") 2>/dev/null
  code=$(cat "$work/code")
  [ "$code" = 203 ] || [ "$code" = 0 ] && break
done
# The location is where the failure was found; any 8 hexadecimal digits.
location=$(tail -c +22 "$work/out" | head -c 8 | grep -xE '[0-9A-F]{8}' || echo '????????')
printf 'Runtime error 203 at %s\0\r\n' "$location" >"$work/expected"
row linux "memory exhausted (prlimit --as=${kb}K)" "$work/expected" "$work/out" 203 "$code"

echo "$rows rows, $failures failed"
[ "$failures" = 0 ]
