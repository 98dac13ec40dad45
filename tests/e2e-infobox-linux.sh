#!/usr/bin/env bash
# End-to-end runs of the Linux binary's information boxes: "/?" and "/c" as
# the first parameter draw a box on standard error, never touch standard
# output, and end with 0 whatever becomes of standard error.
# Usage: e2e-infobox-linux.sh path/to/spouter path/to/expected-boxes
set -uo pipefail
spouter=$(realpath "$1")
data=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/check-lib.sh"
require_tools script strace

: >"$work/empty"

# box NAME EXPECTED-STDERR EXPECTED-STDOUT ARGUMENTS...
box() {
  local name=$1 err=$2 out=$3
  shift 3
  "$spouter" "$@" >"$work/out" 2>"$work/err"
  expect_equal "$name: exit" 0 $?
  expect_bytes "$name: standard error" "$err" "$work/err"
  printf '%s' "$out" >"$work/expected"
  expect_bytes "$name: standard output" "$work/expected" "$work/out"
}

box "help" "$data/help-box.txt" "" "/?"
box "about" "$data/about-box.txt" "" /c
box "about, later parameters ignored" "$data/about-box.txt" "" /c anything 0A
box "help, later parameters ignored" "$data/help-box.txt" "" "/?" x
box "switch in second place" "$work/empty" "x/?" x "/?"
box "quoted trailing blank" "$work/empty" "/c " '/c '

# Standard output is never opened: no call at all on descriptor 1, and the
# box goes out in a single write.
strace -o "$work/trace" "$spouter" "/?" >"$work/out" 2>/dev/null
expect_equal "traced help: exit" 0 $?
grep -qE '\((1|0x1)[,)]' "$work/trace"
check "help: no call on descriptor 1" "$((! $?))" "$(grep -E '\((1|0x1)[,)]' "$work/trace")"
expect_equal "help: one write on descriptor 2" 1 "$(grep -cE '^write\(2,' "$work/trace")"

"$spouter" "/?" >&- 2>"$work/err"
expect_equal "standard output closed: exit" 0 $?
expect_bytes "standard output closed: the box" "$data/help-box.txt" "$work/err"

# Whatever becomes of standard error, the run ends normally.
"$spouter" /c >"$work/out" 2>&-
expect_equal "standard error closed: exit" 0 $?
expect_bytes "standard error closed: standard output" "$work/empty" "$work/out"
"$spouter" "/?" 2>/dev/full
expect_equal "standard error full" 0 $?
(sleep 0.5; "$spouter" "/?" 2>&1 >/dev/null; echo $? >"$work/code") | true
expect_equal "standard error reader gone" 0 "$(cat "$work/code")"

# On a terminal: the same bytes, and the program does not wait.
script -qec "stty -opost; '$spouter' /c; echo \"exit=\$?\"" /dev/null </dev/null >"$work/out"
{ cat "$data/about-box.txt"; echo "exit=0"; } >"$work/expected"
expect_bytes "terminal" "$work/expected" "$work/out"

finish
