#!/usr/bin/env bash
# Real scripts: batch files run by Wine's command processor, as users write
# them: a CRLF-terminated line, binary bytes including 00, redirection that
# creates and appends, the exit code seen as ERRORLEVEL, and the README's
# advice on quoting, %, carets and calling spouter.exe beside the script,
# and the README's batch-file examples and batch files, read from README.md
# itself, with the pitfalls it names shown where Wine's cmd can show them.
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

# The README's batch files, as they stand there, each in a folder of its
# own beside spouter.exe: each "rem Writes|Appends BYTES to TARGET" says
# what TARGET holds afterwards.
scripts=0 remarks_seen=0
while IFS= read -r -d '' script; do
  scripts=$((scripts + 1))
  mkdir "script$scripts" && cd "script$scripts" && cp ../spouter.exe .
  printf '%s' "$script" | run_batch readme
  expect_equal "README's batch file $scripts: exit" 0 "$code"
  expect_script "README's batch file $scripts" "$script" . readme.console
  remarks_seen=$((remarks_seen + remarks))
  cd ..
done < <(script_blocks "$readme" bat)
[ "$scripts" -ge 6 ] && [ "$remarks_seen" -ge 15 ]
check "README: the batch files are found ($scripts, $remarks_seen remarks)" $?

# The README's recipe for a variable written exactly as text, for values
# of every length around the codes' two and three characters.
exact=$(script_blocks "$readme" bat | tr '\0' '\n' | sed -n '/^set "v=42"$/,/^)$/p')
[ -n "$exact" ]
check "exact text: the README's recipe is found" $?
mkdir exact && cd exact && cp ../spouter.exe .
values=(7 42 ed 255 300 1234 0A0A0 Hello)
for i in "${!values[@]}"; do
  { echo '@echo off'; sed "s/^set \"v=42\"\$/set \"v=${values[$i]}\"/; s/exact\.txt/exact$i.txt/" <<<"$exact"; } | run_batch "exact$i"
  printf '%s' "${values[$i]}" >expected
  expect_bytes "exact text: ${values[$i]}" expected "exact$i.txt"
done
cd ..

# The README's record that is appended only when all of it was written,
# with a run that fails in place of spouter: the fault driver writes the
# record's parameters, as text, and then faults (216). Appended directly, the record and the
# error line end up in the file; by the README's way, the file stays as it
# was and the script reports the code.
driver_exe=$windows_build/fault_driver.exe
[ -f "$driver_exe" ] || missing "$driver_exe is not built"
mkdir failing && cd failing && cp "$driver_exe" .
printf 'old' >records.bin
echo 'fault_driver.exe null "Name: " Alice 00 >> records.bin' | run_batch direct
[[ "$(tr '\0\r\n' '.<>' <records.bin)" =~ ^oldName:\ Alice00Runtime\ error\ 216\ at\ [0-9A-F]{8}\.\<\>$ ]]
check "errors: appended directly, the error line lands in the file" $? "($(od -An -c records.bin | tr -s ' '))"
printf 'old' >records.bin
record=$(script_blocks "$readme" bat | tr '\0' '\n' | sed -n '/^rem Appends "Name: Alice" NUL/,/^del record.tmp$/p')
[ -n "$record" ]
check "errors: the README's safe way is found" $?
sed 's/^spouter /fault_driver.exe null /' <<<"$record" | run_batch safe
printf 'old' >expected
expect_bytes "errors: the README's safe way leaves the file as it was" expected records.bin
grep -q 'Writing failed: run-time error 216' safe.console && [ ! -e record.tmp ]
check "errors: the README's safe way reports the code and cleans up" $? "($(cat safe.console))"
cd ..

# What README says of cmd /c: without a pair of quotes around the whole
# command, cmd takes the first and the last off and the command breaks.
run_batch cmd-quotes <<'BAT'
@echo off
cmd /c "%~dp0spouter.exe" "x" 0D 0A > bare.txt
BAT
printf 'x\r\n' >expected
! cmp -s expected bare.txt
check "cmd /c: without the outer quotes, not \"x\" CR LF" $?

# Text typed in a batch file passes through the console's code page: a byte
# above 0x7F, or a UTF-8 é, does not arrive as it was typed, where codes do.
printf '@echo off\r\nspouter caf\xc3\xa9 > typed-utf8.txt\r\nspouter \x82 > typed-82.txt\r\nspouter caf C3 A9 > coded.txt\r\n' >typed.bat
wine cmd /c typed.bat >typed.console 2>&1
printf 'caf\xc3\xa9' >expected
! cmp -s expected typed-utf8.txt
check "code page: a typed UTF-8 é arrives as another byte ($(od -An -tx1 typed-utf8.txt | tr -s ' '))" $?
printf '\x82' >expected
[ -s typed-82.txt ] && ! cmp -s expected typed-82.txt
check "code page: a typed 0x82 arrives as another byte ($(od -An -tx1 typed-82.txt | tr -s ' '))" $?
printf 'caf\xc3\xa9' >expected
expect_bytes "code page: codes arrive as they are" expected coded.txt
echo "  typed in a batch file: café arrived as $(od -An -tx1 typed-utf8.txt), 0x82 as $(od -An -tx1 typed-82.txt)"

# PowerShell: what cmd does for it, and what SPOUTER writes of the command
# line that PowerShell 7.3 makes of 'C:\Program Files\'.
grep -qF 'cmd /c "spouter 00 > f.bin"' "$readme"
check "PowerShell: README gives cmd /c \"spouter 00 > f.bin\"" $?
run_batch powershell <<'BAT'
@echo off
set PATH=%~dp0;%PATH%
cmd /c "spouter 00 > f.bin"
spouter "C:\Program Files\\" > backslash.txt
BAT
printf '\0' >expected
expect_bytes "PowerShell: cmd /c \"spouter 00 > f.bin\" writes one NUL" expected f.bin
printf 'C:\\Program Files\\\\' >expected
expect_bytes "PowerShell: a C run-time quoting keeps its backslashes" expected backslash.txt
readme_text=$(tr -s ' \n' '  ' <"$readme")
[[ "$readme_text" == *'arrives as `C:\Program Files\\`'* ]]
check "PowerShell: README says what arrives" $?

# The most that one batch line takes: README's number of codes fits cmd's
# 8,191 characters, and a line of them writes every byte.
codes=$(grep -oE 'about [0-9],[0-9]{3} codes' "$readme" | tr -dc 0-9)
[ -n "$codes" ] && [ $((7 + 3 * codes)) -le 8191 ] && [ $((7 + 3 * codes + 3 * 100)) -gt 8191 ]
check "longest line: README's ${codes:-no} codes are about what 8,191 characters hold" $?
{ printf '@echo off\r\nspouter'; for _ in $(seq "${codes:-1}"); do printf ' 41'; done; printf ' > long.txt\r\n'; } >long.bat
wine cmd /c long.bat >long.console 2>&1
expect_equal "longest line: every code written" "${codes:-1}" "$(tr -cd A <long.txt | wc -c)"

finish
