#!/usr/bin/env bash
# Installation and the Debian package, end to end: install into a DESTDIR
# and run what was installed; build the .deb, check its control data and
# contents, and lintian's verdict on it; (as root) install it, run /usr/bin/spouter, render its
# manual page and remove it again. The version is the same everywhere.
# The package's architecture is the one the build names; a cross build's
# programs run under the emulator in SPOUTER_EMULATOR, and its package is
# checked but not installed.
# Usage: package-linux.sh BUILD-DIR VERSION CMAKE CPACK
set -uo pipefail
build=$(realpath "$1")
version=$2
cmake=$3
cpack=$4
source=$(realpath "$(dirname "$0")/..")
work=$(mktemp -d)
installed=""
source "$(dirname "$0")/check-lib.sh"

remove_package() {
  if [ -n "$installed" ]; then
    dpkg -r spouter >/dev/null 2>&1 || echo "FAIL: could not remove the spouter package"
    installed=""
  fi
  rm -rf "$work"
}
trap remove_package EXIT
trap 'exit 1' INT TERM

expect_same() {  # expect_same NAME EXPECTED ACTUAL
  [ "$2" = "$3" ]
  check "$1" $? "$(printf '\n  expected: %s\n  received: %s' "$2" "$3")"
}

# A tool the test cannot do without: under CI its absence fails the test,
# elsewhere it skips it, loudly.
for tool in dpkg dpkg-deb mandoc groff flock gzip lintian readelf; do
  if ! command -v "$tool" >/dev/null; then
    echo "MISSING TOOL: $tool (add it to .ci/packages)"
    [ "${CI:-}" = true ] && exit 1
    exit 77
  fi
done

printf 'Hello, World!\r\n' >"$work/hello"

# runs_hello NAME PROGRAM: the program writes exactly the 15 bytes, exit 0.
runs_hello() {
  ${SPOUTER_EMULATOR:-} "$2" "Hello, World!" 0D 0A >"$work/out"
  expect_same "$1: exit code" 0 $?
  cmp -s "$work/hello" "$work/out"
  check "$1: bytes" $? "($(od -An -c "$work/out" | tr -s ' '))"
}

# manual_page NAME PAGE: lints clean for mandoc and for groff with every
# warning on, and shows the version in its footer.
manual_page() {
  mandoc -T lint -W warning "$2" >"$work/lint" 2>&1
  check "$1: lint" $? "$(cat "$work/lint")"
  gzip -dcf "$2" | groff -ww -z -mandoc >"$work/lint" 2>&1 && [ ! -s "$work/lint" ]
  check "$1: groff -ww" $? "$(cat "$work/lint")"
  footer=$(mandoc -T ascii "$2" | tail -n 1)
  [[ "$footer" =~ ^spouter\ ([^ ]+)\  ]]
  expect_same "$1: version in the footer" "$version" "${BASH_REMATCH[1]:-none}"
}

files_under() { (cd "$1" && find . -type f -printf '%P %m\n' | sort); }

# The installed tree: the program, the page, README and licence.
DESTDIR="$work/root" "$cmake" --install "$build" --prefix /usr/local >"$work/log" 2>&1
check "cmake --install" $? "$(cat "$work/log")"
expect_same "installed files" "$(printf '%s\n' \
  'usr/local/bin/spouter 755' \
  'usr/local/share/doc/spouter/LICENSE 644' \
  'usr/local/share/doc/spouter/README.md 644' \
  'usr/local/share/man/man1/spouter.1.gz 644')" "$(files_under "$work/root")"
# docs/building.md names exactly these.
expect_same "installed files: as docs/building.md names them" \
  "$(sed -n '/^## Install from a build/,/^## /p' "$source/docs/building.md" |
    grep -oE '`(bin|share)/[^`]+`' | tr -d '`' | sort)" \
  "$(files_under "$work/root" | sed 's|^usr/local/||; s| [0-9]*$||')"
runs_hello "installed program" "$work/root/usr/local/bin/spouter"
manual_page "installed page" "$work/root/usr/local/share/man/man1/spouter.1.gz"
for doc in README.md LICENSE; do
  cmp -s "$source/$doc" "$work/root/usr/local/share/doc/spouter/$doc"
  check "installed $doc is the source's" $?
done

# The Debian package: name, control data, contents.
machine=$(dpkg --print-architecture)
arch=$(sed -n 's/^set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
arch=${arch:-$machine}
"$cpack" -G DEB -B "$work/package" --config "$build/CPackConfig.cmake" >"$work/log" 2>&1
check "cpack" $? "$(cat "$work/log")"
deb="$work/package/spouter_${version}_${arch}.deb"
expect_same "package file name" "spouter_${version}_${arch}.deb" \
  "$(cd "$work/package" && ls -- *.deb 2>/dev/null)"
expect_same "control fields" "spouter $version $arch utils" \
  "$(dpkg-deb -f "$deb" Package Version Architecture Section | sed 's/^[^:]*: //' | tr '\n' ' ' | sed 's/ $//')"
# A static program depends on nothing and carries lintian's override for
# it; one linked to the shared C library depends on it, and needs none.
static=$(sed -n 's/^set(CPACK_SPOUTER_STATIC "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
depends=$(dpkg-deb -f "$deb" Depends Pre-Depends 2>/dev/null)
override='-rw-r--r-- root/root ./usr/share/lintian/overrides/spouter'
if [ "$static" = ON ]; then
  expect_same "no dependencies" "" "$depends"
  ! readelf -l "$build/spouter" | grep -q 'program interpreter'
  check "the program is linked statically" $?
else
  [[ $depends =~ (^|: |, )libc6 ]]
  check "depends on the C library ($depends)" $?
  readelf -l "$build/spouter" | grep -q 'program interpreter'
  check "the program is linked dynamically" $?
  override=""
fi
expect_same "package contents" "$(printf '%s\n' \
  '-rwxr-xr-x root/root ./usr/bin/spouter' \
  '-rw-r--r-- root/root ./usr/share/doc/spouter/README.md' \
  '-rw-r--r-- root/root ./usr/share/doc/spouter/changelog.gz' \
  '-rw-r--r-- root/root ./usr/share/doc/spouter/copyright' \
  ${override:+"$override"} \
  '-rw-r--r-- root/root ./usr/share/man/man1/spouter.1.gz')" \
  "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $1, $2, $6}' | sort -k3)"
dpkg-deb -x "$deb" "$work/unpacked"
runs_hello "packaged program" "$work/unpacked/usr/bin/spouter"
# The copyright file in Debian's machine-readable form, holding the
# licence's terms; the changelog's entry is this version's.
doc=$work/unpacked/usr/share/doc/spouter
expect_same "copyright header and licence" "$(printf '%s\n' \
  'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
  'Files: *' 'Copyright: 2026 The SPOUTER developers' 'License: Expat')" \
  "$(grep -E '^(Format|Files|Copyright|License):' "$doc/copyright")"
sed -n '/^License: /,$p' "$doc/copyright" | tail -n +2 | sed 's/^ //; s/^\.$//' >"$work/terms"
sed -n '/^Permission is hereby granted/,$p' "$source/LICENSE" | cmp -s - "$work/terms"
check "copyright holds the licence's terms" $? "$(diff <(sed -n '/^Permission/,$p' "$source/LICENSE") "$work/terms")"
expect_same "changelog entry" "spouter ($version) unstable; urgency=medium" \
  "$(gzip -dc "$doc/changelog.gz" | head -n 1)"

# Debian's own checks, on every package that cpack made here.
for package in "$work/package"/*.deb; do
  lintian --fail-on error,warning "$package" >"$work/lintian" 2>&1
  check "lintian $(basename "$package")" $? "$(cat "$work/lintian")"
done

# Installed for real, where the test may: CI runs as root.
install_package() {
  local attempt
  for attempt in $(seq 30); do
    # Re-include what a minimal system may exclude from installation.
    dpkg --path-include='/usr/share/man/man1/spouter.1.gz' \
      --path-include='/usr/share/doc/spouter/*' -i "$deb" >"$work/log" 2>&1 && return 0
    grep -q 'lock' "$work/log" || return 1
    sleep 2  # another package operation holds dpkg's lock
  done
  return 1
}

if [ "$arch" != "$machine" ]; then
  echo "NOTE: an $arch package on an $machine machine, so it was checked but not installed"
elif [ "$(id -u)" = 0 ]; then
  # One installing run at a time on this machine.
  exec 9>/tmp/spouter-package-test.lock
  flock 9
  if dpkg-query -W -f '${Status}' spouter 2>/dev/null | grep -q 'ok installed'; then
    check "no spouter package installed before the test" 1 "(remove it with dpkg -r spouter)"
  else
    installed=yes
    install_package
    check "dpkg -i" $? "$(cat "$work/log")"
    expect_same "installed version" "$version" "$(dpkg-query -W -f '${Version}' spouter 2>&1)"
    runs_hello "/usr/bin/spouter" /usr/bin/spouter
    manual_page "page installed by dpkg" /usr/share/man/man1/spouter.1.gz
    [ -f /usr/share/doc/spouter/copyright ]
    check "copyright installed" $?
    dpkg -r spouter >"$work/log" 2>&1
    check "dpkg -r" $? "$(cat "$work/log")"
    installed=""
    [ ! -e /usr/bin/spouter ] && [ ! -e /usr/share/man/man1/spouter.1.gz ]
    check "removal leaves nothing behind" $?
  fi
else
  echo "NOTE: not root, so the package was checked but not installed"
  [ "${CI:-}" = true ] && check "CI runs as root" 1
fi

# Every version that README and docs/ name for a package is this one.
named=$(cat "$source/README.md" "$source"/docs/*.md | grep -oE 'spouter[-_][0-9]+\.[0-9]+\.[0-9]+' |
  sed 's/^spouter.//' | sort -u)
expect_same "versions named in README and docs/" "$version" "$named"

finish
