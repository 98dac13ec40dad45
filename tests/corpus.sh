#!/usr/bin/env bash
# The shared corpus: every argument list in CORPUS must give the same bytes
# on standard output (a file) and the same exit code on every platform.
# Linux gets the arguments from the shell; Windows gets a raw command line
# through CreateProcessA, each argument quoted when it holds a blank or a
# control byte.
# Usage: corpus.sh CORPUS linux path/to/spouter
#        corpus.sh CORPUS windows BUILD-WIN32 WINE-PREFIX
set -uo pipefail
here=$(dirname "$0")
corpus=$(realpath "$1")
platform=$2

case "$platform" in
  linux)
    spouter=$(realpath "$3")
    source "$here/check-lib.sh"
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    run() { "$spouter" "$@" >"$work/out"; }
    ;;
  windows)
    source "$here/wine/wine-lib.sh" "$3" "$4"
    program=$(windows_path "$spouter_exe")
    run() {
      local line=spouter argument
      for argument in "$@"; do
        if [ -z "$argument" ] || [[ "$argument" =~ [[:space:][:cntrl:]] ]]; then
          line+=" \"$argument\""
        else
          line+=" $argument"
        fi
      done
      wine "$launcher_exe" inherit "$program" "$(hex "$line")" >"$work/out"
    }
    ;;
  *) echo "usage: corpus.sh CORPUS linux|windows ..." >&2; exit 2 ;;
esac

cases=0
while IFS= read -r row; do
  [ -z "$row" ] || [ "${row:0:1}" = '#' ] && continue
  code=${row%%|*} rest=${row#*|}
  expected=${rest%%|*} listed=${rest#*|}
  arguments=()
  read -r -a words <<<"$listed"
  for word in "${words[@]}"; do
    if [ "$word" = '""' ]; then arguments+=(""); else arguments+=("$(printf '%b' "$word")"); fi
  done
  run "${arguments[@]}"
  status=$?
  printf "%b" "$expected" >"$work/expected"
  expect_bytes "[$listed]" "$work/expected" "$work/out"
  expect_equal "[$listed] exit code" "$code" "$status"
  cases=$((cases + 1))
done <"$corpus"
[ "$cases" -ge 50 ]
check "the corpus holds at least 50 cases ($cases)" $?
finish
