#!/usr/bin/env bash
# Runs each fuzz target from the seed corpus, for a time or a number of
# executions, and fails on the first finding. The seeds are copied: what the
# fuzzer adds stays out of the repository.
# Usage: run-fuzz.sh BUILD-DIR -max_total_time=60 | -runs=10000000 [TARGET...]
set -uo pipefail
build=$(realpath "$1")
limit=$2
shift 2
targets=("$@")
[ "${#targets[@]}" = 0 ] && targets=(CommandLine Spouter PosixCommandLine)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for target in "${targets[@]}"; do
  binary="$build/tests/fuzz/${target}_fuzz"
  if [ ! -x "$binary" ]; then
    echo "FAIL: $binary is not built"
    status=1
    continue
  fi
  mkdir -p "$work/$target"
  cp "$here/corpus/$target"/* "$work/$target/"
  "$binary" "$limit" -max_len=1024 -print_final_stats=1 -artifact_prefix="$work/$target-" \
    "$work/$target" >"$work/$target.log" 2>&1
  code=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/$target.log")
  coverage=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$work/$target.log" | tail -1)
  if [ "$code" = 0 ] && [ -n "$runs" ]; then
    echo "$target: $runs executions, $rate/s, $coverage, no finding"
  else
    echo "FAIL: $target (exit $code)"
    grep -E 'property broken|ERROR|SUMMARY' "$work/$target.log" | head -5
    for artifact in "$work/$target-"*; do
      [ -e "$artifact" ] && echo "  input, base64: $(base64 -w0 "$artifact")"
    done
    status=1
  fi
done
exit "$status"
