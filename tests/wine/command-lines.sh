#!/usr/bin/env bash
# Raw command lines, byte for byte: the launcher starts spouter.exe with
# CreateProcessA and exactly the line given, so the splitting is checked
# against the real GetCommandLineA. Hexadecimal pairs show where parameters
# begin and end: 41 alone is the byte A, while 41 glued to a neighbour is
# text. Also: standard output that is missing or invalid.
# Usage: command-lines.sh WINDOWS-BUILD WINE-PREFIX
set -uo pipefail
source "$(dirname "$0")/wine-lib.sh" "$1" "$2"

program=$(windows_path "$spouter_exe")

# launch MODE LINE: runs the line (raw bytes; "null" for none) with
# standard output in $work/out; sets code.
launch() {
  local line=null
  [ "$2" = null ] || line=$(hex "$2")
  wine "$launcher_exe" "$1" "$program" "$line" >"$work/out"
  code=$?
}

# Raw command line | expected standard output, both with printf escapes;
# S is the program token. The expected bytes follow the last bar.
while IFS= read -r row; do
  [ -z "$row" ] || [ "${row:0:1}" = '#' ] && continue
  line=${row%|*} expected=${row##*|}
  launch inherit "$(printf "$line")"
  printf "$expected" >"$work/expected"
  expect_bytes "line [$line]" "$work/expected" "$work/out"
  expect_equal "line [$line] exit" 0 "$code"
done <<'LINES'
# Quoted sections: quotes vanish, blanks inside stay, nothing escapes.
S a b c|abc
S "Hello, World!" 010 013|Hello, World!\n\r
S a"b c"d|ab cd
S ab"cd ef|abcd ef
S "4""1"|A
S "4"1|A
S a\\"b c"|a\\b c
S "a""b c"|ab c
S "41 42|41 42
# Empty pairs are dropped and never end the walk.
S "" 41|A
S 4 "" 1|41
S """"x|x
S """ x| x
S " "| 
S x ""|x
S "|
S """"|
# Every byte from 0x01 to 0x20 separates; runs of them count once.
S 41\t42\r43\n44\x0145\x1f46\x2047|ABCDEFG
S \t\x01 41 \x02\x03 42\t\r\n|AB
S "41\t42"|41\t42
S "\x01\x1f"|\x01\x1f
# 0x7F and everything from 0x80 up are ordinary bytes, never separators.
S 4\xa01|4\xa01
S \x7f\x80\x81\x8d\x8f\x90\x9d\xa0\xff|\x7f\x80\x81\x8d\x8f\x90\x9d\xa0\xff
S "\x7f \xff"|\x7f \xff
# The program token: quoted, with blanks, or after leading empty pairs.
"C:\\Program Files\\spouter.exe" 41|A
"" S 41 42|AB
""S 41|A
"" "" S 41|A
"" 41 42|B
S|
|
LINES

# Every byte but NUL and the quote, in one quoted parameter and unquoted.
all=$(for i in $(seq 1 255); do [ "$i" = 34 ] || printf "\\$(printf '%03o' "$i")"; done)
launch inherit "S \"$all\""
printf '%s' "$all" >"$work/expected"
expect_bytes "every byte inside quotes" "$work/expected" "$work/out"
high=${all:32}
launch inherit "S $high"
printf '%s' "$high" >"$work/expected"
expect_bytes "every byte from 0x21 up, unquoted" "$work/expected" "$work/out"

# No command line at all: the program's own name stands for it.
launch inherit null
expect_equal "no command line: exit" 0 "$code"
expect_equal "no command line: no bytes" 0 "$(stat -c %s "$work/out")"

# Standard output missing or invalid: run-time error 105, nothing written,
# and no parameter gets as far as a write.
for mode in null invalid closed; do
  WINEDEBUG=+pid,+loaddll,+relay wine "$launcher_exe" "$mode" "$program" "$(hex 'S abc 0D 0A')" \
    >"$work/out" 2>"$work/trace"
  code=$?
  expect_equal "$mode standard output: run-time error 105" 105 "$code"
  expect_equal "$mode standard output: nothing written" 0 "$(stat -c %s "$work/out")"
  expect_equal "$mode standard output: only the message is attempted" "30 2" \
    "$(write_sizes "$work/trace" | tr '\n' ' ' | sed 's/ $//')"
done

finish
