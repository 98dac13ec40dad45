#!/usr/bin/env bash
# The Windows zip, end to end: cpack makes it from the Windows build, named
# by the version, with the checksum of the zip beside it; inside, exactly
# one folder spouter-VERSION-winBITS holding spouter.exe, README.txt,
# licence and SHA256SUMS, whose sums hold, as README.md says; the licence is
# the source's, it and README.txt have CR LF line ends, README.txt names
# the exit codes that README.md names, and the packed spouter.exe runs under
# Wine.
# Usage: package.sh WINDOWS-BUILD PREFIX VERSION CPACK
set -uo pipefail
source "$(dirname "$0")/wine-lib.sh" "$1" "$2"
version=$3
cpack=$4
source_dir=$(realpath "$(dirname "$0")/../..")
command -v sha256sum >/dev/null || missing "sha256sum is not installed"

name=spouter-$version-win$windows_bits
"$cpack" -G ZIP -B "$work/package" --config "$windows_build/CPackConfig.cmake" >"$work/log" 2>&1
check "cpack" $? "$(cat "$work/log")"
expect_equal "package files" "$(printf '%s\n' "$name.zip" "$name.zip.sha256")" \
  "$(cd "$work/package" && find . -maxdepth 1 -type f -printf '%P\n' | sort)"

# The sum beside the zip is the zip's.
(cd "$work/package" && sha256sum --quiet --strict -c "$name.zip.sha256") >"$work/log" 2>&1
check "checksum of the zip" $? "$(cat "$work/log")"

zip=$work/package/$name.zip
expect_equal "zip listing" "$(printf "$name/%s\n" LICENSE README.txt SHA256SUMS spouter.exe)" \
  "$(cmake -E tar tf "$zip" | sort)"
readme_text=$(tr -s ' \n' '  ' <"$source_dir/README.md")
[[ "$readme_text" == *"Each zip holds one folder, \`spouter-$version-win32\` (or \`spouter-$version-win64\`), with \`spouter.exe\`, \`README.txt\`"*", \`LICENSE\` and \`SHA256SUMS\`"* ]]
check "README.md says what the zip holds" $?

mkdir "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$zip")
unpacked=$work/unpacked/$name
expect_equal "SHA256SUMS names every other file" "$(printf '%s\n' LICENSE README.txt spouter.exe)" \
  "$(sed 's/^[0-9a-f]\{64\}  //' "$unpacked/SHA256SUMS")"
(cd "$unpacked" && sha256sum --quiet --strict -c SHA256SUMS) >"$work/log" 2>&1
check "the sums inside the zip hold" $? "$(cat "$work/log")"
sed 's/$/\r/' "$source_dir/LICENSE" | cmp -s - "$unpacked/LICENSE"
check "packed LICENSE is the source's, with CR LF line ends" $?

# README.txt as Notepad reads it: every line ended by CR LF, the version in
# its title, and the exit codes of README.md's table, in the same order.
readme=$unpacked/README.txt
expect_equal "README.txt: every line ends with CR LF" "$(wc -l <"$readme")" "$(grep -c $'\r$' "$readme")"
[ "$(tail -c 2 "$readme" | od -An -c | tr -d ' ')" = '\r\n' ]
check "README.txt: the last line ends with CR LF" $?
expect_equal "README.txt: title" "SPOUTER $version for Windows" "$(head -n 1 "$readme" | tr -d '\r')"
# It says which build it holds, and names both zips.
build_name="32-bit x86"
[ "$windows_bits" = 64 ] && build_name=x64
grep -qx "This is the $build_name build." <(tr -d '\r' <"$readme") &&
  grep -q "spouter-$version-win32.zip " "$readme" && grep -q "spouter-$version-win64.zip " "$readme"
check "README.txt: says it is the $build_name build and names both zips" $?
expect_equal "README.txt: exit codes" \
  "$(sed -n '/^## Exit codes/,/^## /p' "$source_dir/README.md" | sed -nE 's/^\| ([^|]+) \|.*/\1/p' | grep -vx Code)" \
  "$(tr -d '\r' <"$readme" | sed -n '/^Exit codes/,/^[A-Z]/p' | sed -nE 's/^  ([^ ]+( [^ ]+)*)  +.*/\1/p')"

# The packed program is the one the other tests ran, and it runs.
cmp -s "$spouter_exe" "$unpacked/spouter.exe"
check "packed spouter.exe is the build's" $?
printf 'Hello, World!\r\n' >"$work/hello"
wine "$unpacked/spouter.exe" "Hello, World!" 0D 0A >"$work/out"
expect_equal "packed spouter.exe: exit code" 0 $?
expect_bytes "packed spouter.exe: bytes" "$work/hello" "$work/out"

finish
