#!/usr/bin/env bash
# Every artifact that a user downloads comes out bit for bit the same when
# one commit is built twice: in two clones in different folders, one after
# the other, the second under another time zone, locale, umask and (as
# root) host name, each by tools/dist.sh, the release command. The
# artifacts are what dist/ holds (the zips and their .sha256, the Debian
# packages, the Linux tarballs, SHA256SUMS) and the programs they were made
# of; dist/ holds exactly the files that README's "Get it" names, and
# SHA256SUMS holds. None may hold a folder of the build or the host name.
# A source without its history (an exported tree) is copied, its build
# folders left out, and committed in a repository of its own at the date of
# the version.
# Usage: reproducible.sh [COMMIT]
set -uo pipefail
source_dir=$(realpath "$(dirname "$0")/..")
source "$(dirname "$0")/check-lib.sh"
commit=""
if git -C "$source_dir" rev-parse --git-dir >/dev/null 2>&1; then
  commit=$(git -C "$source_dir" rev-parse "${1:-HEAD}") || exit 1
fi
epoch=$(sed -n 's/^set(CPACK_SPOUTER_RELEASE_EPOCH \([0-9]*\))$/\1/p' "$source_dir/cmake/Packaging.cmake")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Without MinGW (outside CI) the release lacks its Windows zips.
dist_options=""
if ! command -v i686-w64-mingw32-g++ >/dev/null || ! command -v x86_64-w64-mingw32-g++ >/dev/null; then
  [ "${CI:-}" = true ] && { echo "FAIL: MinGW-w64 is not installed"; exit 1; }
  echo "NOTE: no MinGW here, so no Windows artifact"
  dist_options=--no-windows
fi

# build FOLDER: clone the commit into FOLDER and make its release there.
build() {
  if [ -n "$commit" ]; then
    git clone -q "$source_dir" "$1" && git -C "$1" checkout -q --detach "$commit"
  else
    mkdir -p "$1" && tar -C "$source_dir" --exclude='./build*' --exclude=./dist -c . | tar -x -C "$1" &&
      git -C "$1" init -q && git -C "$1" add -A &&
      GIT_AUTHOR_DATE=@$epoch GIT_COMMITTER_DATE=@$epoch \
        git -C "$1" -c user.name=spouter -c user.email=spouter@spouter.example commit -qm tree
  fi
  cd "$1" || return
  bash tools/dist.sh $dist_options >"$1.log" 2>&1
}
artifacts() {  # artifacts FOLDER: "SHA-256  PATH" of each, by path
  (cd "$1" && find dist build-dist/* -maxdepth 1 -type f \
    \( -path 'dist/*' -o -name '*.exe' -o -name spouter \) -exec sha256sum {} + 2>/dev/null | sort -k2)
}

first=$work/first/spouter
second=$work/second-build/elsewhere/spouter
mkdir -p "$(dirname "$first")" "$(dirname "$second")"
(unset SOURCE_DATE_EPOCH; build "$first")
check "first build" $? "$(tail -n 20 "$first.log")"
other_host=()
[ "$(id -u)" = 0 ] && command -v unshare >/dev/null && other_host=(unshare --uts)
(unset SOURCE_DATE_EPOCH; umask 0002; export TZ=Pacific/Kiritimati LC_ALL=C.UTF-8
  "${other_host[@]}" bash -c "${other_host:+hostname spouter-rebuild;} $(declare -f build); dist_options='$dist_options' epoch=$epoch source_dir=$source_dir commit=$commit build $second")
check "second build" $? "$(tail -n 20 "$second.log")"

artifacts "$first" >"$work/first.sums"
artifacts "$second" >"$work/second.sums"
count=$(wc -l <"$work/first.sums")
windows=2
[ -n "$dist_options" ] && windows=0
# dist/: a .deb and a tarball for each of 5 families, a zip and its .sum for
# each Windows build, SHA256SUMS; the programs: 5 of Linux, 1 of Windows each.
expected=$((5 * 2 + 2 * windows + 1 + 5 + windows))
expect_equal "artifacts found (in dist/ and the programs they hold)" "$expected" "$count"
diff "$work/first.sums" "$work/second.sums" >"$work/diff"
check "the same bytes in both builds" $? "$(cat "$work/diff")"
cat "$work/first.sums"

# README's "Get it" names exactly the files of dist/, and SHA256SUMS holds
# each of them but the .sha256 ones, with the right sums.
listed=$(ls "$first/dist" | sort)
named=$(sed -n '/^## Get it/,/^## /p' "$source_dir/README.md" | grep -oE '`(spouter[-_][^`]+\.(zip|sha256|deb|tar\.gz)|SHA256SUMS)`' |
  tr -d '`' | sort -u)
[ -n "$dist_options" ] && named=$(grep -v win <<<"$named")
expect_equal "README's \"Get it\" names exactly the files of dist/" "$listed" "$named"
expect_equal "SHA256SUMS names every file but the sums" "$(grep -v -e '\.sha256$' -e '^SHA256SUMS$' <<<"$listed")" \
  "$(sed 's/^[0-9a-f]\{64\}  //' "$first/dist/SHA256SUMS")"
(cd "$first/dist" && sha256sum --quiet --strict -c SHA256SUMS && for sum in *.sha256; do
  [ -e "$sum" ] || continue; sha256sum --quiet --strict -c "$sum" || exit; done) >"$work/log" 2>&1
check "the sums of dist/ hold" $? "$(cat "$work/log")"

# Each tarball: one folder, spouter-VERSION-linux-FAMILY, with the program
# (which runs here when it is this machine's), its page, licence and README.
version=$(sed -n 's/^project(spouter VERSION \([0-9.]*\) .*/\1/p' "$source_dir/CMakeLists.txt")
for tarball in "$first"/dist/*.tar.gz; do
  name=$(basename "$tarball" .tar.gz)
  expect_equal "$name: contents" "$(printf "$name/%s\n" "" LICENSE README.md spouter spouter.1)" \
    "$(tar -tzf "$tarball" | sort)"
  if [ "$name" = "spouter-$version-linux-$(uname -m)" ]; then
    mkdir -p "$work/run" && tar -C "$work/run" -xzf "$tarball"
    expect_equal "$name: the program runs" "Hello, World!" "$("$work/run/$name/spouter" "Hello, World!")"
  fi
done

# What is inside each package, unpacked, holds neither folder nor host name
# (this machine's, when long enough to be told from other bytes, and the
# second build's).
names=(-e "$work" -e spouter-rebuild)
[ "$(hostname | wc -c)" -gt 6 ] && names+=(-e "$(hostname)")
for folder in "$first" "$second"; do
  for package in "$folder"/dist/*.deb "$folder"/dist/*.zip "$folder"/dist/*.tar.gz; do
    [ -f "$package" ] || continue
    unpacked=$work/unpacked/$(basename "$package")
    mkdir -p "$unpacked"
    case $package in
      *.deb) dpkg-deb -R "$package" "$unpacked" ;;
      *.zip | *.tar.gz) (cd "$unpacked" && cmake -E tar xf "$package") ;;
    esac
    leaks=$(grep -rlaF "${names[@]}" "$unpacked" "$folder"/build-dist/*/spouter "$folder"/build-dist/*/spouter.exe 2>/dev/null)
    expect_equal "$(basename "$package"): no build folder or host name inside" "" "$leaks"
    rm -rf "$unpacked"
  done
done
finish
