#!/usr/bin/env bash
# Every artifact of a release, built from the checked-out commit into dist/:
# the Windows zips with their .sha256, a Debian package and a tarball of the
# static program for each processor family without a C library, and one
# SHA256SUMS for them all. The commit is exported into build-dist/ and built
# there, so nothing uncommitted and no earlier build goes in; every time
# stamp is the commit's (SOURCE_DATE_EPOCH when set), so the same commit
# gives the same bytes wherever and whenever it is built.
# Usage: tools/dist.sh [--no-windows]
# --no-windows leaves the zips out, for a machine without MinGW-w64: that is
# no whole release.
set -euo pipefail
windows=(win32 win64)
[ "${1:-}" = --no-windows ] && windows=()
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if ! git diff --quiet HEAD --; then
  echo "dist.sh: tracked files differ from HEAD; commit them first" >&2
  exit 1
fi
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct HEAD)}
export LC_ALL=C
version=$(sed -n 's/^project(spouter VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
work=$root/build-dist
source=$work/source
rm -rf "$work" dist
mkdir -p "$source" dist
git archive HEAD | tar -x -C "$source"

# build PRESET: configured and built in build-dist/PRESET, without tests.
build() {
  (cd "$source" && cmake --preset "$1" -B "$work/$1" -DSPOUTER_TESTS=OFF) >"$work/$1.log"
  cmake --build "$work/$1" >>"$work/$1.log"
}

# The Linux families of cmake/Families.cmake, by their presets: the Debian
# package, and the tarball of spouter-VERSION-linux-FAMILY/ with the
# stripped program, its manual page, the licence and the README.
families=$(cmake -DFIELD=PRESET -P cmake/Families.cmake)
while read -r family preset <&3; do
  [ -n "$preset" ] || continue
  echo "== $preset"
  build "$preset"
  (cd "$work/$preset" && cpack -G DEB) >>"$work/$preset.log"
  cp "$work/$preset"/spouter_"$version"_*.deb dist/
  name=spouter-$version-linux-$family
  staged=$work/staged-$family
  DESTDIR=$staged cmake --install "$work/$preset" --prefix /usr --strip >>"$work/$preset.log"
  mkdir -p "$work/tar-$family/$name"
  folder=$work/tar-$family/$name
  install -m 755 "$staged/usr/bin/spouter" "$folder/spouter"
  install -m 644 "$work/$preset/spouter.1" "$folder/spouter.1"
  install -m 644 "$source/LICENSE" "$source/README.md" "$folder/"
  # Modes as installed, whatever the umask of the one who packs.
  tar -C "$work/tar-$family" --sort=name --format=ustar --owner=0 --group=0 --numeric-owner \
    --mode=u+rwX,go+rX,go-w \
    --mtime="@$SOURCE_DATE_EPOCH" -cf - "$name" | gzip -9 -n >"dist/$name.tar.gz"
done 3<<<"$families"

# The Windows builds: the zip and the file with its sum.
for preset in "${windows[@]}"; do
  echo "== $preset"
  build "$preset"
  (cd "$work/$preset" && cpack -G ZIP) >>"$work/$preset.log"
  cp "$work/$preset/spouter-$version-$preset.zip" "$work/$preset/spouter-$version-$preset.zip.sha256" dist/
done

# One list of sums for every artifact; the .sha256 files are sums themselves.
(cd dist && find . -maxdepth 1 -type f ! -name '*.sha256' -printf '%P\n' | sort |
  xargs sha256sum) >"$work/SHA256SUMS"
mv "$work/SHA256SUMS" dist/SHA256SUMS
ls -l dist
