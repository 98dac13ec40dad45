# Checks for the end-to-end scripts: each counts a pass or prints a failure;
# finish prints the tally and fails when anything did.

failures=0
passes=0

check() {  # check NAME CONDITION-RESULT [DETAIL]
  if [ "$2" = 0 ]; then
    passes=$((passes + 1))
  else
    failures=$((failures + 1))
    echo "FAIL: $1 ${3:-}"
  fi
}

# expect_bytes NAME EXPECTED-FILE ACTUAL-FILE
expect_bytes() {
  cmp -s "$2" "$3"
  check "$1" $? "$(printf '\n  expected: %s\n  received: %s' "$(od -An -c "$2" | tr -s ' ')" "$(od -An -c "$3" | tr -s ' ')")"
}

# expect_equal NAME EXPECTED ACTUAL
expect_equal() {
  [ "$2" = "$3" ]
  check "$1" $? "(got '$3', expected '$2')"
}

finish() {
  echo "$passes passed, $failures failed"
  [ "$failures" = 0 ]
}

# trace_prefix LOG: the command prefix that lists a run's system calls in
# LOG; under an emulator (SPOUTER_EMULATED), qemu's list of the guest's own.
trace_prefix() {
  if [ -n "${SPOUTER_EMULATED:-}" ]; then
    echo "env QEMU_STRACE=1 QEMU_LOG_FILENAME=$1"
  else
    echo "strace -f -o $1"
  fi
}
