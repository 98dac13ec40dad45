#!/usr/bin/env bash
# The Wine tests of the 32-bit Windows executable on a machine whose kernel
# runs no 32-bit x86 program (or hands it to qemu-user, under which Wine
# reads a fault's kind wrongly): a Debian system made by
# tests/debian13-chroot.sh gets Wine of both bitnesses and a kernel of its
# own, and the tests run inside it under qemu-system-x86_64, in software
# emulation (no KVM needed). The system's kernel runs 32-bit programs, so
# Wine runs as on any Debian machine, only slower. tests/run-all.sh runs it
# where tests/wine/runs-32-bit.sh says this machine cannot; it needs root,
# debootstrap, the network and qemu-system-x86.
# TEST names scripts of tests/wine (e2e-wine command-lines batch faults
# infobox, and corpus) run on WINDOWS-BUILD; all of them when none is
# named. (The package test packs the build folder again with its cpack, so
# it stays with the build.) SUITE=bookworm for Debian 12 and its Wine 8;
# Debian 13 and Wine 10 otherwise. SPOUTER_VM_CPU is qemu's -cpu for the
# system (the default is below); the system prints the extended processor
# state that its kernel enabled, which decides the size of a signal's and
# an exception's frame. Prints each script's output and its exit code;
# exits 1 if one failed. On the 2-core development machine: the system and
# its packages in about 7 minutes, then all six scripts in 8 (20 beside
# other work), each Wine process in about 2 seconds.
# Usage: vm-suite.sh FOLDER WINDOWS-BUILD [TEST...]
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: $0 FOLDER WINDOWS-BUILD [TEST...]" >&2; exit 2; }
root=$(realpath -m "$1")
build=$(realpath "$2")
shift 2
tests=("$@")
[ $# -gt 0 ] || tests=(e2e-wine command-lines batch corpus faults infobox)
source_dir=$(realpath "$(dirname "$0")/../..")
logs=$root.logs
command -v qemu-system-x86_64 >/dev/null || { echo "needs qemu-system-x86_64 (qemu-system-x86)" >&2; exit 1; }
[ -f "$build/spouter.exe" ] || { echo "$build/spouter.exe is not built (cmake --preset win32)" >&2; exit 1; }

bash "$source_dir/tests/debian13-chroot.sh" "$root" system
mkdir -p "$root/root/spouter/build-win32"
cp "$build"/*.exe "$root/root/spouter/build-win32/"

# Wine of both bitnesses, a kernel and its start-up image, what the tests
# use; the Russian locale for the message boxes.
mount -t proc proc "$root/proc"
trap 'umount -l "$root/proc"' EXIT
if ! chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive \
  /bin/bash -c 'dpkg --add-architecture i386 && apt-get update -q &&
    apt-get install -y -q --no-install-recommends wine wine32:i386 wine64 linux-image-amd64 \
      initramfs-tools udev kmod procps binutils strace util-linux bsdutils diffutils gawk \
      xvfb xdotool imagemagick locales' >"$logs/vm-packages.log" 2>&1; then
  tail -n 20 "$logs/vm-packages.log"
  exit 1
fi
umount -l "$root/proc"
trap - EXIT

# The system's first process: the tests, one line with each exit code, and
# the power off.
tests_line=${tests[*]}
cat >"$root/vm-suite" <<EOF
#!/bin/bash
mount -t proc proc /proc; mount -t sysfs sys /sys; mount -t tmpfs tmp /tmp
mount -t devtmpfs dev /dev 2>/dev/null
mkdir -p /dev/pts /dev/shm; mount -t devpts devpts /dev/pts; mount -t tmpfs shm /dev/shm
export HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8
cd /root/spouter
echo "== \$(uname -srm); \$(/usr/lib/wine/wine --version)"
echo "== \$(dmesg | grep -o 'x86/fpu: Enabled xstate features.*' || echo 'x86/fpu: no xstate')"
for test in $tests_line; do
  case \$test in
    corpus) bash tests/corpus.sh tests/corpus.txt windows build-win32 /tmp/wine-prefix ;;
    infobox) bash tests/wine/infobox.sh build-win32 /tmp/wine-prefix /tmp/shots ;;
    # qemu's x86 traps no x87 exception.
    faults) SPOUTER_FAULTS_NA=float bash tests/wine/faults.sh build-win32 /tmp/wine-prefix ;;
    *) bash tests/wine/\$test.sh build-win32 /tmp/wine-prefix ;;
  esac
  echo "== \$test: exit \$?"
done
echo "== finished"
sync
echo o >/proc/sysrq-trigger
EOF
chmod +x "$root/vm-suite"

image=$root.img
rm -f "$image"
mke2fs -q -t ext4 -d "$root" "$image" 8G
kernel=$(ls "$root"/boot/vmlinuz-* | tail -n 1)
initrd=$(ls "$root"/boot/initrd.img-* | tail -n 1)
console=$logs/vm-console.log
started=$(date +%s)
# qemu64 with the instructions Wine's x86-64 side may take: qemu 7.2's
# "max" processor makes the guest kernel fault on a return to user mode.
cpu=${SPOUTER_VM_CPU:-qemu64,+ssse3,+sse4.1,+sse4.2,+popcnt}
timeout 7200 qemu-system-x86_64 -accel tcg -cpu "$cpu" \
  -smp 1 -m 3072 -kernel "$kernel" -initrd "$initrd" \
  -append "root=/dev/vda rw console=ttyS0 init=/vm-suite quiet panic=-1" \
  -drive "file=$image,format=raw,if=virtio" -display none -serial "file:$console" -no-reboot
rm -f "$image"
# The serial console ends its lines in CR LF; the kernel's own lines are left out.
output=$(tr -d '\r' <"$console" | grep -v '^\[ *[0-9.]*\]')
echo "$output"
echo "in $(( $(date +%s) - started )) s (console: $console)"
grep -q '^== finished' <<<"$output" || { echo "FAIL: the system did not finish"; exit 1; }
! grep -E '^== [a-z0-9-]+: exit ' <<<"$output" | grep -vE ': exit (0|77)$' >/dev/null
