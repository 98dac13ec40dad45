#!/usr/bin/env bash
# Every artifact that a user downloads comes out bit for bit the same when
# one commit is built twice: in two clones in different folders, one after
# the other, the second under another time zone, locale, umask and (as
# root) host name, each by README's commands (the Quick start's build, then
# cpack; the same for Windows where MinGW is installed). The artifacts are
# whatever the build folders hold at their top: each executable, each .deb,
# each zip and its .sha256. None may hold a folder of the build or the host
# name.
# A source without its history (an exported tree) is copied instead, its
# build folders left out.
# Usage: reproducible.sh [COMMIT]
set -uo pipefail
source_dir=$(realpath "$(dirname "$0")/..")
source "$(dirname "$0")/check-lib.sh"
commit=""
if git -C "$source_dir" rev-parse --git-dir >/dev/null 2>&1; then
  commit=$(git -C "$source_dir" rev-parse "${1:-HEAD}") || exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The Windows builds whose compiler is here: win32, win64.
windows=""
command -v i686-w64-mingw32-g++ >/dev/null && windows+=" win32"
command -v x86_64-w64-mingw32-g++ >/dev/null && windows+=" win64"
[ -n "$windows" ] || echo "NOTE: no MinGW here, so no Windows artifact"

# build FOLDER: clone the commit into FOLDER and build its artifacts; the
# tests are no artifact, so they are not built.
build() {
  if [ -n "$commit" ]; then
    git clone -q "$source_dir" "$1" && git -C "$1" checkout -q --detach "$commit"
  else
    mkdir -p "$1" && tar -C "$source_dir" --exclude='./build*' -c . | tar -x -C "$1"
  fi
  cd "$1" || return
  {
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DSPOUTER_TESTS=OFF &&
      cmake --build build && (cd build && cpack) &&
      for preset in $windows; do
        cmake --preset "$preset" -DSPOUTER_TESTS=OFF && cmake --build --preset "$preset" &&
          (cd "build-$preset" && cpack) || exit
      done
  } >"$1.log" 2>&1
}
artifacts() {  # artifacts FOLDER: "SHA-256  PATH" of each, by path
  (cd "$1" && find build build-win* -maxdepth 1 -type f \
    \( -name '*.deb' -o -name '*.zip' -o -name '*.sha256' -o -name '*.exe' -o -name spouter \) \
    -exec sha256sum {} + 2>/dev/null | sort -k2)
}

first=$work/first/spouter
second=$work/second-build/elsewhere/spouter
mkdir -p "$(dirname "$first")" "$(dirname "$second")"
(unset SOURCE_DATE_EPOCH; build "$first")
check "first build" $? "$(tail -n 20 "$first.log")"
other_host=()
[ "$(id -u)" = 0 ] && command -v unshare >/dev/null && other_host=(unshare --uts)
(unset SOURCE_DATE_EPOCH; umask 0002; export TZ=Pacific/Kiritimati LC_ALL=C.UTF-8
  "${other_host[@]}" bash -c "${other_host:+hostname spouter-rebuild;} $(declare -f build); windows='$windows' source_dir=$source_dir commit=$commit build $second")
check "second build" $? "$(tail -n 20 "$second.log")"

artifacts "$first" >"$work/first.sums"
artifacts "$second" >"$work/second.sums"
count=$(wc -l <"$work/first.sums")
expected=$((2 + 3 * $(wc -w <<<"$windows")))
expect_equal "artifacts found (spouter, its .deb; for each Windows build spouter.exe, the zip and its sum)" "$expected" "$count"
diff "$work/first.sums" "$work/second.sums" >"$work/diff"
check "the same bytes in both builds" $? "$(cat "$work/diff")"
cat "$work/first.sums"

# What is inside each package, unpacked, holds neither folder nor host name
# (this machine's, when long enough to be told from other bytes, and the
# second build's).
names=(-e "$work" -e spouter-rebuild)
[ "$(hostname | wc -c)" -gt 6 ] && names+=(-e "$(hostname)")
for folder in "$first" "$second"; do
  for package in "$folder"/build/*.deb "$folder"/build-win*/*.zip; do
    [ -f "$package" ] || continue
    unpacked=$work/unpacked/$(basename "$package")
    mkdir -p "$unpacked"
    case $package in
      *.deb) dpkg-deb -R "$package" "$unpacked" ;;
      *.zip) (cd "$unpacked" && cmake -E tar xf "$package") ;;
    esac
    leaks=$(grep -rlaF "${names[@]}" "$unpacked" "$folder"/build*/spouter "$folder"/build*/spouter.exe 2>/dev/null)
    expect_equal "$(basename "$package"): no build folder or host name inside" "" "$leaks"
    rm -rf "$unpacked"
  done
done
finish
