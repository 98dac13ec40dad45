# Checks for the end-to-end scripts: each counts a pass or prints a failure;
# finish prints the tally and fails when anything did.

failures=0
passes=0

# The tools a test cannot do without. Where one is missing, the test is
# skipped (exit 77, CTest's skip), saying which, so that a packager's ctest
# in a plain build runs what it can; under CI=true, which tests/run-all.sh
# sets, it fails instead.
require_tools() {  # require_tools TOOL...
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null && continue
    if [ "${CI:-}" = true ]; then
      echo "FAIL: $tool is not installed (every test runs under CI=true)"
      exit 1
    fi
    echo "SKIPPED: $tool is not installed"
    exit 77
  done
}
# The system-call tracer that trace_prefix uses: qemu's own under the
# emulator, strace otherwise.
require_tracer() { [ -n "${SPOUTER_EMULATED:-}" ] || require_tools strace; }

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
