#!/usr/bin/env bash
# The whole test suite: every build, every test. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

# The Windows executables first, 32-bit x86 and x64: the Linux test run
# checks them under Wine. Outside CI a machine without MinGW skips them, and
# the Wine tests say so.
if [ "${CI:-}" = true ] || command -v i686-w64-mingw32-g++ >/dev/null; then
  cmake --preset win32
  cmake --build --preset win32
fi
if [ "${CI:-}" = true ] || command -v x86_64-w64-mingw32-g++ >/dev/null; then
  cmake --preset win64
  cmake --build --preset win64
fi

cmake --preset release
cmake --build --preset release
ctest --preset release
bash tests/static-analysis.sh build

# The other processor families and the layer on the C library: cross builds
# run their tests under the emulator.
cross_presets=(linux-i686 linux-aarch64 linux-armhf linux-riscv64 posix-libc posix-libc-s390x)
for preset in "${cross_presets[@]}"; do
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

# Every target through every failure, as one table (shares the Wine prefix).
bash tests/fault-matrix.sh build "${cross_presets[@]/#/build-}" --windows build-win32 build/wine-prefix \
  --windows build-win64 build/wine-prefix

cmake --preset asan
cmake --build --preset asan
ctest --preset asan

# Fuzzing: each target for about a minute from the seed corpus.
cmake --preset fuzz
cmake --build --preset fuzz
bash tests/fuzz/run-fuzz.sh build-fuzz -max_total_time=60
