#!/usr/bin/env bash
# Real scripts: batch files run by Wine's command processor, as users write
# them: a CRLF-terminated line, binary bytes including 00, redirection that
# creates and appends, the exit code seen as ERRORLEVEL, and the README's
# advice on quoting, %, carets and calling spouter.exe beside the script,
# and the README's batch-file examples, read from README.md itself.
# Usage: batch.sh WINDOWS-BUILD WINE-PREFIX
set -uo pipefail
source "$(dirname "$0")/wine-lib.sh" "$1" "$2"
source "$(dirname "$0")/../examples-lib.sh"
readme=$(realpath "$(dirname "$0")/../../README.md")

cp "$spouter_exe" "$work/spouter.exe"
cd "$work"

# run_batch NAME: runs NAME.bat, written from standard input with CRLF line
# ends, in the folder that holds spouter.exe; sets code.
run_batch() {
  sed 's/$/\r/' >"$1.bat"
  wine cmd /c "$1.bat" >"$1.console" 2>&1
  code=$?
}

printf 'old line\r\n' >log.txt
run_batch log <<'BAT'
@echo off
spouter "Hello, World!" 0D 0A >> log.txt
spouter "Hello, World!" 013 010 >> log.txt
spouter 00 01 7F 80 FF 000 255 >> log.txt
spouter "a & b" "50%%" ^| 0D 0A >> log.txt
spouter Line 0D 0A > fresh.txt
spouter Again 0D 0A > fresh.txt
BAT
expect_equal "batch exit" 0 "$code"
printf 'old line\r\nHello, World!\r\nHello, World!\r\n\x00\x01\x7f\x80\xff\x00\xffa & b50%%|\r\n' \
  >expected
expect_bytes "appended by redirection" expected log.txt
printf 'Again\r\n' >expected
expect_bytes "created anew by redirection" expected fresh.txt

# The run-time error code reaches the script, and the script's own exit.
run_batch errors <<'BAT'
@echo off
spouter abc 0D 0A > Z:\dev\full
echo %ERRORLEVEL%> level.txt
if errorlevel 112 spouter caught > caught.txt
spouter abc 0D 0A > Z:\dev\full
exit /b %ERRORLEVEL%
BAT
expect_equal "batch exit is the last run-time error" 112 "$code"
printf '112\r\n' >expected
expect_bytes "ERRORLEVEL after a full device" expected level.txt
printf 'caught' >expected
expect_bytes "IF ERRORLEVEL sees the code" expected caught.txt

# What README says a script sees when Ctrl+C ends a program in a console:
# the status 0xC000013A as a negative ERRORLEVEL, which "if errorlevel 1"
# misses and "if not errorlevel 0" sees. (cmd's exit stands in for the
# program: Wine has no console to press Ctrl+C in here.)
level=$(grep -oE '`ERRORLEVEL` is negative \(-[0-9]+\)' "$readme" | grep -oE -- '-[0-9]+')
expect_equal "Ctrl+C: README's ERRORLEVEL is 0xC000013A" $((0xC000013A - 4294967296)) "${level:-none}"
run_batch interrupted <<BAT
@echo off
cmd /c exit $((0xC000013A - 4294967296))
if errorlevel 1 echo one> one.txt
if not errorlevel 0 echo %ERRORLEVEL%> negative.txt
BAT
[ ! -e one.txt ] && [ "$(tr -d '\r' <negative.txt)" = "${level:-none}" ]
check "Ctrl+C: \"if errorlevel 1\" misses it, \"if not errorlevel 0\" sees $level" $?

# The README's advice for batch files, as it stands there.
mkdir elsewhere
run_batch advice <<'BAT'
@echo off
spouter "Fish & Chips" 0D 0A > quoted.txt
spouter Fish^&Chips > caret.txt
spouter 100%% 0D 0A > percent.txt
spouter 22 quoted 22 > quote.txt
spouter 7 >digit.txt
spouter 7>handle.txt
setlocal EnableDelayedExpansion
spouter Hi 21 > bang.txt
endlocal
cd elsewhere
"%~dp0spouter.exe" "Hello, World!" 0D 0A > ..\beside.txt
BAT
expect_equal "advice batch exit" 0 "$code"
while IFS='|' read -r file expected; do
  printf "$expected" >expected
  expect_bytes "advice: $file" expected "$file"
done <<'CASES'
quoted.txt|Fish & Chips\r\n
caret.txt|Fish&Chips
percent.txt|100%%\r\n
quote.txt|"quoted"
digit.txt|7
handle.txt|
bang.txt|Hi!
beside.txt|Hello, World!\r\n
CASES
[ ! -s advice.console ]
check "advice: nothing on the console" $? "($(cat advice.console))"

# The README's ```cmd examples, each a line of one batch file, run in a
# folder of its own with spouter on the PATH.
mapfile -t examples < <(example_lines "$readme" cmd)
{
  echo '@echo off'
  echo 'set PATH=%~dp0;%PATH%'
  for i in "${!examples[@]}"; do
    command=${examples[$i]%%$'\t'*}
    echo "mkdir case$i"
    echo "cd case$i"
    if [ -n "$(redirected_file "$command")" ]; then echo "$command"; else echo "$command > stdout.txt"; fi
    echo '> code.txt echo %ERRORLEVEL%'
    echo 'cd ..'
  done
} | run_batch examples
for i in "${!examples[@]}"; do
  command=${examples[$i]%%$'\t'*}
  file=$(redirected_file "$command")
  expect_example "README: $command" "${examples[$i]#*$'\t'}" "case$i/${file:-stdout.txt}" \
    "$(tr -d '\r ' <"case$i/code.txt")"
done
[ "${#examples[@]}" -ge 5 ]
check "README: the batch-file examples are found (${#examples[@]})" $?

# The README's batch file, as it stands there: each "rem Appends BYTES to
# FILE" says what FILE holds afterwards.
mkdir script && cd script && cp ../spouter.exe .
sed -n '/^```bat$/,/^```$/p' "$readme" | sed '1d;$d' | run_batch readme
expect_equal "README's batch file: exit" 0 "$code"
appends=0
while read -r writes; do
  example_bytes "$writes" /dev/null && [[ "$remark" =~ ^to\ ([^ :]+[^ :.]) ]]
  check "README's batch file: a readable remark ($writes)" $?
  expect_example "README's batch file: ${BASH_REMATCH[1]}" "$writes" "${BASH_REMATCH[1]}" 0
  appends=$((appends + 1))
done < <(sed -n '/^```bat$/,/^```$/s/^rem Appends //p' "$readme")
expect_equal "README's batch file: files it writes" 2 "$appends"
cd ..

finish
