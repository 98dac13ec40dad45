#!/usr/bin/env bash
# The two commands of docs/building.md and docs/testing.md on a fresh
# Debian 13 (trixie), as a new user runs them: the Quick start (install a
# compiler, build, run an example), then the whole test suite. A minimal
# system is made with debootstrap from this machine's own package mirror
# (the sources apt already uses here), the
# committed tree is copied into it, and both commands run there as root
# (there is no sudo in it). A folder that already holds such a system is
# used again. Not part of CI: it needs root, debootstrap and the network.
# STEP is quick_start or test_command (both when none is named), or system
# to make the system and copy the tree only; the logs go to FOLDER.logs.
# SUITE=bookworm makes a Debian 12 instead.
# On the 2-core development machine: the system made in about a minute,
# the Quick start in about 1.5 minutes, every package of .ci/packages in
# about 5 and a half, and the whole suite in about 29 minutes.
# Usage: debian13-chroot.sh FOLDER [quick_start|test_command|system...]
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 FOLDER [quick_start|test_command|system...]" >&2; exit 2; }
root=$(realpath -m "$1")
shift
steps=("$@")
[ $# -gt 0 ] || steps=(quick_start test_command)
logs=$root.logs
source_dir=$(realpath "$(dirname "$0")/..")
suite=${SUITE:-trixie}
[ "$(id -u)" = 0 ] || { echo "needs root" >&2; exit 1; }
command -v debootstrap >/dev/null || { echo "needs debootstrap" >&2; exit 1; }
mkdir -p "$logs"

# This machine's sources, one-line form; its own release's lines name the
# mirror, and the same lines with the suite renamed are the new system's.
. /etc/os-release
host_sources=$(bash "$source_dir/.ci/apt-sources")
release_lines=$(awk -v release="$VERSION_CODENAME" '{
    n = split($0, word, " "); i = 2
    while (word[i] ~ /^\[/) { while (word[i] !~ /\]$/) i++; i++ }
    if (word[i + 1] ~ "^" release "(-[a-z]+)?$") print }' <<<"$host_sources")
mirror=$(awk -v release="$VERSION_CODENAME" '{
    n = split($0, word, " "); i = 2
    while (word[i] ~ /^\[/) { while (word[i] !~ /\]$/) i++; i++ }
    if (word[i + 1] == release) { print word[i]; exit } }' <<<"$host_sources")
[ -n "$mirror" ] || { echo "no source for $VERSION_CODENAME in this machine's apt configuration" >&2; exit 1; }

started=$(date +%s)
if [ ! -f "$root/etc/debian_version" ]; then
  debootstrap --variant=minbase "$suite" "$root" "$mirror" >"$logs/debootstrap.log" 2>&1 ||
    { tail -n 20 "$logs/debootstrap.log"; exit 1; }
fi
sed "s/ $VERSION_CODENAME\(-[a-z]*\)\{0,1\} / $suite\1 /" <<<"$release_lines" >"$root/etc/apt/sources.list"
rm -f "$root/etc/apt/sources.list.d/debian.sources"
bootstrapped=$(date +%s)

# The certificate authorities that this machine added to its own (as a
# network behind a TLS proxy needs) are the new system's too; its
# ca-certificates package takes them in when it is installed.
if compgen -G "/usr/local/share/ca-certificates/*.crt" >/dev/null; then
  mkdir -p "$root/usr/local/share/ca-certificates"
  cp /usr/local/share/ca-certificates/*.crt "$root/usr/local/share/ca-certificates/"
fi

# The committed tree, as a clone of it would be (without its history); a
# tree that is no clone (an exported one, as in such a system itself) is
# copied without its build folders.
rm -rf "$root/root/spouter"
mkdir -p "$root/root/spouter"
if git -C "$source_dir" rev-parse --git-dir >/dev/null 2>&1; then
  git -C "$source_dir" archive HEAD | tar -x -C "$root/root/spouter"
else
  tar -C "$source_dir" --exclude='./build*' --exclude=./dist --exclude=./out -c . |
    tar -x -C "$root/root/spouter"
fi

mounted=()
unmount() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[i]}" || true; done
}
trap unmount EXIT
mount_in() {  # mount_in FOLDER MOUNT-ARGUMENTS...
  mkdir -p "$root$1"
  mount "${@:2}" "$root$1"
  mounted+=("$root$1")
}
mount_in /proc -t proc proc
mount_in /sys -t sysfs sysfs
mount_in /dev --bind /dev
mount_in /dev/pts --bind /dev/pts
mount_in /dev/shm -t tmpfs tmpfs
mount_in /tmp -t tmpfs tmpfs

# The documents' commands: the first block after the Quick start heading of
# docs/building.md, and the block after "Install what the tests need" in
# docs/testing.md.
block_after() {
  awk -v mark="$1" 'index($0, mark) == 1 { found = 1 } found && fence && /^```$/ { exit }
    found && fence { print } found && /^```$/ { fence = 1 }' "$source_dir/docs/$2"
}
quick_start=$(block_after "## Quick start" building.md)
test_command=$(block_after "Install what the tests need" testing.md)
in_chroot() {
  chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    TERM=dumb /bin/bash -c "cd /root/spouter && $1"
}
status=0
for step in "${steps[@]}"; do
  [[ $step =~ ^(quick_start|test_command|system)$ ]] || { echo "no step $step" >&2; exit 2; }
  [ "$step" = system ] && continue
  begun=$(date +%s)
  echo "== $step: ${!step}"
  in_chroot "${!step}" >"$logs/$step.log" 2>&1 || status=$?
  echo "   exit $status after $(( $(date +%s) - begun )) s (log: $logs/$step.log)"
  [ "$status" = 0 ] || { tail -n 30 "$logs/$step.log"; break; }
done
echo "system made in $((bootstrapped - started)) s, in all $(( $(date +%s) - started )) s"
exit "$status"
