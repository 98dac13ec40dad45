#!/usr/bin/env bash
# The examples and scripts that README.md, docs/, the manual page and the
# Windows README.txt give, run against the real Linux binary (the batch-file
# ones run under Wine, in wine/batch.sh); the numbers they state about the
# program; the exit codes that README and the manual page name agree, and
# the ones a test can provoke are the ones the program ends with.
# Usage: docs.sh path/to/spouter SOURCE-DIR [path/to/fault_driver]
set -uo pipefail
spouter=$(realpath "$1")
source_dir=$(realpath "$2")
fault_driver=${3:+$(realpath "$3")}
binary=${SPOUTER_BINARY:+$(realpath "$SPOUTER_BINARY")}
readme=$source_dir/README.md
manual=$source_dir/docs/spouter.1.in
windows_readme=$source_dir/docs/README-win32.txt.in
documents=("$readme" "$source_dir"/docs/*.md)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/check-lib.sh"
require_tools python3 prlimit
require_tracer
source "$(dirname "$0")/examples-lib.sh"
# The scripts call spouter by its name.
mkdir "$work/bin" && ln -s "$spouter" "$work/bin/spouter"

# run_examples DOCUMENT FENCE: each example in a folder of its own, the
# command as a shell reads it with spouter as the binary; sets examples.
run_examples() {
  local command writes file code folder
  examples=0
  while IFS=$'\t' read -r command writes; do
    examples=$((examples + 1))
    folder=$(mktemp -d -p "$work") && cd "$folder" || return
    eval "\"\$spouter\"${command#spouter}" >stdout 2>stderr
    code=$?
    file=$(redirected_file "$command")
    expect_example "$(basename "$1"): $command" "$writes" "${file:-stdout}" "$code" \
      stderr "$source_dir/tests/data"
    cd "$work" || return
  done < <(example_lines "$1" "$2")
}

run_examples "$readme" ""
readme_examples=$examples
[ "$readme_examples" -ge 20 ]
check "README: the examples are found ($readme_examples)" $?
docs_examples=0
for document in "${documents[@]:1}"; do
  run_examples "$document" ""
  docs_examples=$((docs_examples + examples))
done
run_examples "$manual" man
manual_examples=$examples
[ "$manual_examples" -ge 5 ]
check "manual page: the examples are found ($manual_examples)" $?
run_examples "$windows_readme" txt
windows_examples=$examples
[ "$windows_examples" -ge 5 ]
check "README.txt: the examples are found ($windows_examples)" $?

# The shell scripts of the documents, each run by bash in a folder of its
# own: each "# Writes|Appends BYTES to TARGET" says what TARGET holds.
scripts=0 script_remarks=0
for document in "${documents[@]}"; do
  while IFS= read -r -d '' script; do
    scripts=$((scripts + 1))
    folder=$(mktemp -d -p "$work")
    (cd "$folder" && PATH=$work/bin:$PATH bash -c "$script") >"$folder/.stdout" 2>"$folder/.stderr"
    expect_equal "$(basename "$document"): script $scripts: exit" 0 $?
    expect_script "$(basename "$document"): script $scripts" "$script" "$folder" "$folder/.stdout"
    script_remarks=$((script_remarks + remarks))
  done < <(script_blocks "$document" sh)
done
[ "$scripts" -ge 2 ] && [ "$script_remarks" -ge 6 ]
check "the shell scripts are found ($scripts, $script_remarks remarks)" $?

# README's record that is appended only when all of it was written, with a
# run that fails in place of spouter: the fault driver writes its
# parameters, as text, then faults (216). Appended directly, the record and
# the error line end up in the file; by README's way, the file stays.
if [ -n "$fault_driver" ]; then
  folder=$(mktemp -d -p "$work")
  ln -s "$fault_driver" "$work/bin/fault_driver"
  record=$(script_blocks "$readme" sh | tr '\0' '\n' | sed -n '/^# Appends "Name: Alice" NUL/,/^rm -f record.tmp$/p')
  [ -n "$record" ]
  check "errors: README's safe way is found" $?
  printf 'old' >"$folder/records.bin"
  (cd "$folder" && PATH=$work/bin:$PATH fault_driver null "Name: " Alice 00 >>records.bin)
  [[ "$(tr '\0\r\n' '.<>' <"$folder/records.bin")" =~ ^oldName:\ Alice00Runtime\ error\ 216\ at\ [0-9A-F]{8}\.\<\>$ ]]
  check "errors: appended directly, the error line lands in the file" $?
  printf 'old' >"$folder/records.bin"
  (cd "$folder" && PATH=$work/bin:$PATH bash -c "$(sed 's/^spouter /fault_driver null /' <<<"$record")")
  printf 'old' >"$work/expected"
  expect_bytes "errors: README's safe way leaves the file as it was" "$work/expected" "$folder/records.bin"
  [ ! -e "$folder/record.tmp" ]
  check "errors: README's safe way leaves no temporary file" $?
fi

# No example redirects to a Windows device name: on Windows nul.bin, con.txt
# or com1.log are devices, not files.
devices=$(cat "${documents[@]}" "$manual" "$windows_readme" |
  grep -noiE '>>? *"?(con|prn|aux|nul|com[1-9]|lpt[1-9])(\.[^ "]*)?("| |$)')
expect_equal "no example redirects to a device name" "" "$devices"

# The help text's own examples end a line with LF, then CR, as README says;
# README gives CR LF for files.
for pair in "010 013" "0A 0D"; do
  grep -qF "\"Hello, World!\" $pair" "$source_dir/tests/data/help-box.txt" && grep -qF "\`$pair\`" "$readme"
  check "the help text shows $pair, and README says so" $?
done

# A shown terminal session: "$ spouter ..." then what appears.
sessions=0
while IFS= read -r -d '' session; do
  command=${session%%$'\n'*}
  printf '%s\n' "${session#*$'\n'}" >"$work/expected"
  eval "\"\$spouter\"${command#\$ spouter}" >"$work/out" 2>&1
  expect_bytes "README: $command" "$work/expected" "$work/out"
  sessions=$((sessions + 1))
done < <(awk '
  /^```/ { if (held != "") printf "%s%c", held, 0; held = ""; opened = !opened; first = opened; next }
  first && /^\$ spouter / { held = $0; first = 0; next }
  { first = 0 }
  held != "" { held = held "\n" $0 }' "$readme")
expect_equal "README: terminal sessions" 1 "$sessions"

# CI runs the test command of docs/testing.md, word for word.
test_command=$(awk '/^Install what the tests need/ { found = 1 } found && fence { print; exit }
  found && /^```$/ { fence = 1 }' "$source_dir/docs/testing.md")
[ -n "$test_command" ] && grep -qxF "$test_command" "$source_dir/.ci/run"
check "CI runs the test command of docs/testing.md ($test_command)" $?

# Every preset that the documents name exists and is built by the whole
# suite, by name or as a family's preset in cmake/Families.cmake; the
# hardening flags that docs/building.md lists are the hardened presets' own,
# and the zig it names is the one pinned for the macOS builds.
readme_text=$(tr -s ' \n' '  ' <"$source_dir/docs/building.md")
presets=$(sed -n 's/^ *"name": "\([^"]*\)",$/\1/p' "$source_dir/CMakePresets.json" | sort -u)
family_presets=$(for field in PRESET LIBC_PRESET; do
  cmake -DFIELD=$field -P "$source_dir/cmake/Families.cmake"; done | awk 'NF == 2 { print $2 }')
for preset in $(cat "${documents[@]}" | grep -oE '`[a-z0-9_-]+`' | tr -d '`' | sort -u); do
  grep -qx -- "$preset" <<<"$presets" || continue
  grep -qwF -- "$preset" "$source_dir/tests/run-all.sh" || grep -qx -- "$preset" <<<"$family_presets"
  check "the documents' preset $preset: the suite builds it" $?
done
flags=$(sed -n 's/^ *"CMAKE_CXX_FLAGS": "\(.*\)",\{0,1\}$/\1/p' "$source_dir/CMakePresets.json")
[ -n "$flags" ] && grep -qF -- "\`$flags\`" <<<"$readme_text"
check "docs/building.md lists the hardened presets' flags ($flags)" $?
# The distributions' flag sets that docs/building-flags.md writes out are the
# presets' own, word for word, and the suite builds each preset.
while read -r preset verdict; do
  check "docs/building-flags.md: the flags of preset $preset" "$verdict"
  grep -qwF -- "$preset" "$source_dir/tests/run-all.sh"
  check "flag-set preset $preset: the suite builds it" $?
done < <(python3 - "$source_dir" <<'PYTHON'
import json, sys
source = sys.argv[1]
presets = {p["name"]: p for p in json.load(open(source + "/CMakePresets.json"))["configurePresets"]}
rows = [line for line in open(source + "/docs/building-flags.md") if line.startswith("| `")]
for name, preset in presets.items():
    if preset.get("inherits") != "distribution":
        continue
    env = preset["environment"]
    wanted = [env[key].replace("${sourceDir}", "SRC") for key in ("CXXFLAGS", "LDFLAGS")]
    row = next((r for r in rows if r.startswith("| `%s` |" % name)), "")
    print(name, 0 if row and all("`%s`" % w in row for w in wanted) else 1)
PYTHON
)
zig=$(sed -n 's/^ *"@ryoppippi\/zig-linux-x64": "\(.*\)"$/\1/p' "$source_dir/.ci/zig/package.json")
[ -n "$zig" ] && grep -qF "zig $zig" <<<"$readme_text"
check "docs/building.md names the pinned zig ($zig)" $?

# The exit codes: the README's table and the manual page's list name the
# same ones, in the same order.
readme_codes() { sed -n '/^## Exit codes/,/^## /p' "$readme" | sed -nE 's/^\| ([^|]+) \|.*/\1/p' | grep -vx Code; }
manual_codes() { sed -n '/^\.Sh EXIT STATUS/,/^\.Sh /p' "$manual" | sed -n 's/^\.It //p'; }
expect_equal "exit codes: README and manual page" "$(manual_codes)" "$(readme_codes)"

# readme_entry ENTRY, manual_entry ENTRY: what each says of the code ENTRY.
readme_entry() { sed -n '/^## Exit codes/,/^## /p' "$readme" | grep -F "| $1 |"; }
manual_entry() { sed -n '/^\.Sh EXIT STATUS/,/^\.Sh /p' "$manual" | sed -n "/^\\.It $1\$/,/^\\.It /p"; }

# The codes a run can be made to end with, and the entry that names each.
"$spouter" abc >/dev/null
provoked[0]=$?
"$spouter" abc >&-
provoked[105]=$?
"$spouter" abc 0D 0A >/dev/full
provoked[28]=$?
(sleep 0.5; "$spouter" abc 0D 0A; echo $? >"$work/code") | true
provoked[32]=$(cat "$work/code")
prlimit --fsize=2 "$spouter" abc >"$work/out"
provoked[27]=$?
# Out of memory: the tightest address-space limit that still lets it run.
# An emulator needs far more address space than the program, so only natively.
big=$(head -c 120000 /dev/zero | tr '\0' x)
provoked[203]=none
[ -n "${SPOUTER_EMULATED:-}" ] && echo "n/a: out of memory under an emulator"
for kb in $([ -z "${SPOUTER_EMULATED:-}" ] && seq 256 128 4096); do
  sh -c 'prlimit --as="$1" "$2" a "$3" "$3"' - $((kb * 1024)) "$spouter" "$big" >"$work/out" 2>/dev/null
  code=$?
  if [ "$code" = 203 ]; then
    provoked[203]=203
    [[ "$(tail -c 32 "$work/out" | tr '\0\r\n' '.<>')" =~ ^Runtime\ error\ 203\ at\ [0-9A-F]{8}\.\<\>$ ]]
    check "out of memory: the 32-byte error line as described" $?
    break
  fi
done
for case in 0:0 105:105 27:others 28:others 32:others 203:203; do
  code=${case%%:*} entry=${case#*:}
  [ "$code" = 203 ] && [ -n "${SPOUTER_EMULATED:-}" ] ||
    expect_equal "exit code $code: the run ends with it" "$code" "${provoked[$code]}"
  readme_entry "$entry" | grep -qw "$code"
  check "exit code $code: README names it" $?
  manual_entry "$entry" | grep -qw "$code"
  check "exit code $code: the manual page names it" $?
done

# Ctrl+C on Linux: the line with 217, then the end by SIGINT that a shell
# shows as 130, as both say.
code=$(python3 "$source_dir/tests/output-edges.py" pipe-interrupt "$work/out" "$spouter" \
  "$(head -c 70000 /dev/zero | tr '\0' x)")
expect_equal "Ctrl+C: the run ends by SIGINT" 130 "$code"
[ "$(tail -c 32 "$work/out" | head -c 18)" = "Runtime error 217 " ]
check "Ctrl+C: the line with 217 comes last" $?
grep -q '`$?` is 130' "$readme" && grep -q 'status 130' "$manual"
check "Ctrl+C: README and the manual page say 130" $?

# The system calls of the hello run that docs/design.md counts, natively,
# of the build without a C library.
if [ -z "${SPOUTER_EMULATED:-}" ] && [ "${SPOUTER_LAYER:-linux}" = linux ]; then
  calls=$(sed -n 's/.*a run makes only the calls it needs (\([0-9]*\) for.*/\1/p' "$source_dir/docs/design.md")
  strace -o "$work/trace" "$spouter" "Hello, World!" 0D 0A >/dev/null
  expect_equal "docs/design.md: system calls of the hello run" "$calls" "$(grep -vc '^+++' "$work/trace")"
fi

# The oldest kernels that README names are those of the platform table's
# builds without a C library.
table_kernels=$(grep -F '| no C library |' "$source_dir/docs/building.md" | cut -d '|' -f 7 | tr -d ' ' | sort -u)
readme_kernels=$(tr -s ' \n' '  ' <"$readme" | grep -oE 'runs on Linux [0-9.]+ and later \([^)]*\)' |
  grep -oE '[0-9]+\.[0-9]+(\.[0-9]+)?' | sort -u)
expect_equal "README's oldest kernels are the platform table's" "$table_kernels" "$readme_kernels"

# This build's size in the platform table of docs/building.md, in KB, to a
# tenth: one of the sizes that its cell gives, one for each compiler where
# they differ (SPOUTER_TABLE_ROW names its preset, SPOUTER_BINARY the
# program).
if [ -n "${SPOUTER_TABLE_ROW:-}" ]; then
  size=$(stat -c %s "$binary")
  named=$(grep -F "| \`$SPOUTER_TABLE_ROW\` |" "$source_dir/docs/building.md" | cut -d '|' -f 5 |
    grep -oE '[0-9]+ KB' | tr -dc '0-9\n' | tr '\n' ' ')
  match=1
  for kb in $named; do
    [ $((size * 10)) -ge $((kb * 1024 * 9)) ] && [ $((size * 10)) -le $((kb * 1024 * 11)) ] && match=0
  done
  check "docs/building.md: the size of $SPOUTER_TABLE_ROW ($size bytes; it says ${named:-nothing}KB)" $match
fi

echo "examples run: $readme_examples from README, $docs_examples from docs/, $manual_examples from the manual page, $windows_examples from README.txt, $sessions session; $scripts shell scripts"
finish
