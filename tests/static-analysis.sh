#!/usr/bin/env bash
# Static analysis of the program, its run-time and the platform layers; both
# tools must find nothing. cppcheck: its warning, style, performance and
# portability checks (functions used only by the tests would read as
# unused, so that check is left out). clang-tidy: the checks in .clang-tidy,
# on every such file in the compilation database of BUILD-DIR, the Linux
# build (the Windows build's flags are the cross compiler's own, which clang
# does not take; cppcheck covers platform/win32).
# Usage: static-analysis.sh BUILD-DIR
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
for tool in cppcheck clang-tidy; do
  if ! command -v "$tool" >/dev/null; then
    echo "FAIL: $tool is not installed"
    exit 1
  fi
done

# A signal handler's and the exception chain's pointers keep the types the
# system gives them, so const-pointer advice on them is left out.
# Files that only build with definitions of their own are analysed with
# those, as the build compiles them: the portable layer for POSIX.1-2008
# with XSI and no extension (which it checks), the macOS files as the
# system's compiler sees them.
cppcheck_run() {
  cppcheck --enable=warning,style,performance,portability --std=c++20 --language=c++ \
    --inline-suppr --error-exitcode=1 --quiet -I . \
    --suppress=constParameterCallback \
    --suppress=constParameterPointer:platform/win32/FaultFrame-i686.cpp \
    --suppress=normalCheckLevelMaxBranches "$@"
}
portable=platform/posix/libc/LibcKernel.cpp
darwin=platform/posix/libc/darwin
cppcheck_run -i "$portable" -i "$darwin.cpp" -i "$darwin" echo runtime platform
cppcheck_run -D_POSIX_C_SOURCE=200809L -D_XOPEN_SOURCE=700 -D__STRICT_ANSI__ "$portable"
cppcheck_run -D__APPLE__ "$darwin.cpp" "$darwin"
echo "cppcheck $(cppcheck --version | sed 's/^Cppcheck //'): echo/ runtime/ platform/ clean"

mapfile -t sources < <(sed -n 's/^ *"file": "\(.*\)",\{0,1\}$/\1/p' "$build/compile_commands.json" |
  grep -E "^$PWD/(echo|runtime|platform)/" | sort -u)
if [ "${#sources[@]}" = 0 ]; then
  echo "FAIL: no sources of echo/, runtime/ or platform/ in $build/compile_commands.json"
  exit 1
fi
# The compiler's own options that clang does not know are left out.
database=$(mktemp -d)
trap 'rm -rf "$database"' EXIT
sed -E 's/ -f(no-)?tree-[a-z-]+//g' "$build/compile_commands.json" >"$database/compile_commands.json"
# The same checks on every clang-tidy from 14 (Debian 12) on: those that
# later versions brought into the groups that .clang-tidy names are left
# out (const-correctness of locals, direct inclusion of every symbol's
# header, a default in switches that fall through to a common return).
newer=-misc-const-correctness,-misc-include-cleaner,-bugprone-switch-missing-default-case
if ! clang-tidy -p "$database" --quiet --checks="$newer" "${sources[@]}" >"$build/clang-tidy.log" 2>&1; then
  grep -vE '^[0-9]+ warnings? generated\.$' "$build/clang-tidy.log"
  echo "FAIL: clang-tidy"
  exit 1
fi
echo "clang-tidy: ${#sources[@]} files clean"
