# Shared by the tests of the Windows executables: Wine in a prefix of our
# own under the build tree, kept quiet, one wineserver for the whole script
# and none left behind; checks; and readers of Wine's relay trace.
#
# Source it with a Windows build folder (32-bit x86 or x64) and the prefix
# folder:
#   source wine-lib.sh BUILD-WIN32|BUILD-WIN64 PREFIX
# The build's spouter.exe says which it is: windows_bits is 32 or 64, and
# "wine" runs it with the loader of its bitness. The prefix is a 64-bit one
# wherever Wine has a 64-bit loader, so one prefix runs both. It needs
# wine, objdump and the built executables. When one is missing the script
# fails under CI=true and is skipped (exit 77) elsewhere.

windows_build=$(realpath -m "$1")
export WINEPREFIX=$(realpath -m "$2")
spouter_exe=$windows_build/spouter.exe
launcher_exe=$windows_build/launcher.exe

# Nothing from the desktop: no display, no extra components, no noise.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
# The locale decides Wine's ANSI code page: one single-byte page every time.
export LC_ALL=C.UTF-8

source "$(dirname "${BASH_SOURCE[0]}")/../check-lib.sh"

missing() {
  if [ "${CI:-}" = true ]; then
    echo "FAIL: $1 (the Windows tests must run in CI)"
    exit 1
  fi
  echo "SKIPPED: $1"
  exit 77
}

for tool in wine wineserver wineboot objdump cmp od script strace; do
  command -v "$tool" >/dev/null || missing "$tool is not installed"
done
[ -f "$spouter_exe" ] || missing "$spouter_exe is not built (cmake --preset win32 or win64)"
[ -f "$launcher_exe" ] || missing "$launcher_exe is not built (cmake --preset win32 or win64)"
case $(objdump -f "$spouter_exe" | sed -n 's/.*file format //p') in
  pei-i386) windows_bits=32 ;;
  pei-x86-64) windows_bits=64 ;;
  *) echo "FAIL: $spouter_exe is neither a 32-bit x86 nor an x64 executable"; exit 1 ;;
esac

# Where this machine cannot run Wine's 32-bit loader natively (see
# runs-32-bit.sh), the 32-bit executable is not run here, under CI or not:
# tests/run-all.sh runs these scripts in a Debian system of their own under
# qemu-system instead (vm-suite.sh).
if [ "$windows_bits" = 32 ] && ! why=$(bash "$(dirname "${BASH_SOURCE[0]}")/runs-32-bit.sh"); then
  echo "SKIPPED: $why; tests/run-all.sh runs this in tests/wine/vm-suite.sh"
  exit 77
fi

work=$(mktemp -d)
# A runtime folder of our own: Wine 10 looks for a Wayland display there and
# complains on standard error where there is none.
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"

# Wine's 64-bit loader: Debian keeps it beside the 32-bit one, and its
# "wine" starts the 32-bit one when both are installed. A 64-bit executable
# is started by the 64-bit loader, through "wine" in a folder of our own at
# the head of PATH; wineboot with it makes a 64-bit prefix.
wine64_loader=""
for candidate in /usr/lib/wine/wine64 "$(command -v wine64)"; do
  [ -n "$candidate" ] && [ -x "$candidate" ] && { wine64_loader=$candidate; break; }
done
if [ "$windows_bits" = 64 ]; then
  [ -n "$wine64_loader" ] || missing "Wine's 64-bit loader is not installed (wine64)"
  mkdir "$work/bin"
  printf '#!/bin/sh\nexec %s "$@"\n' "$wine64_loader" >"$work/bin/wine"
  printf '#!/bin/sh\nexec wine wineboot "$@"\n' >"$work/bin/wineboot"
  chmod +x "$work/bin/wine" "$work/bin/wineboot"
  export PATH=$work/bin:$PATH WINELOADER=$wine64_loader
fi
prefix_arch=win32
[ -n "$wine64_loader" ] && prefix_arch=win64

stop_wine() {
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  rm -rf "$work"
}
trap stop_wine EXIT

# The prefix is made once and kept in the build tree; a stamp names the Wine
# version and the architecture that made it, and a prefix left half-made by
# an interrupted run has none and is made again.
prepare_prefix() {
  local stamp=$WINEPREFIX/.spouter-prefix version
  version="$(wine --version) $prefix_arch"
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ "$(cat "$stamp" 2>/dev/null)" != "$version" ]; then
      rm -rf "$WINEPREFIX"
      if [ "$prefix_arch" = win64 ]; then
        WINEARCH=win64 WINELOADER=$wine64_loader "$wine64_loader" wineboot -i >/dev/null 2>&1
      else
        WINEARCH=win32 wineboot -i >/dev/null 2>&1
      fi && wineserver -w && echo "$version" >"$stamp"
    fi
  ) 9>"$WINEPREFIX.lock"
  [ -f "$stamp" ] || { echo "FAIL: could not make the Wine prefix $WINEPREFIX"; exit 1; }
}

prepare_prefix
# One server for every run of the script, ended by the trap.
wineserver -p

# Windows path of a file of ours, through the drive that maps the root.
windows_path() { local p; p=$(realpath "$1"); printf 'Z:%s' "${p//\//\\}"; }

# The bytes of a string as hexadecimal digits, for the launcher.
hex() { printf '%s' "$1" | od -An -tx1 -v | tr -d ' \n'; }

# SizeOfImage of a PE file, in bytes.
image_size() { echo $((16#$(objdump -p "$1" | awk '$1 == "SizeOfImage" {print $2}'))); }

# A location of a run-time error line is the offset in the image shown at
# 0x00400000; the address that objdump and nm show for it, at the image's
# own base, in lower case without leading zeros.
location_base=0x00400000
location_address() {  # location_address EXE LOCATION
  local base
  base=$((16#$(objdump -p "$1" | awk '$1 == "ImageBase" {print $2}')))
  printf '%x' $((base + 16#$2 - location_base))
}
# What a C name becomes in the symbol table: 32-bit x86 puts an underscore
# before it.
symbol_prefix=""
[ "$windows_bits" = 32 ] && symbol_prefix=_

# Calls that the code of the module NAME made, from a trace taken with
# WINEDEBUG=+pid,+loaddll,+relay: a call counts when it comes from the
# process that loaded NAME and returns into NAME's image. Prints one line a
# call: "Call FUNCTION(ARGUMENTS)" and "Ret FUNCTION() retval=VALUE".
#   module_calls TRACE NAME IMAGE-SIZE
module_calls() {
  local loaded pid base
  loaded=$(grep -m1 -E "loaddll:.*Loaded L\".*\\\\$2\" at [0-9A-Fa-f]+" "$1") || return 0
  pid=${loaded%%:*}
  base=$((16#$(sed -E 's/.* at ([0-9A-Fa-f]+).*/\1/' <<<"$loaded")))
  awk -v pid="$pid:" -v low="$base" -v high="$((base + $3))" '
    function hexval(digits,   i, value) {
      value = 0
      for (i = 1; i <= length(digits); i++)
        value = value * 16 + index("0123456789abcdef", substr(digits, i, 1)) - 1
      return value
    }
    index($0, pid) == 1 && match($0, / ret=[0-9a-f]+$/) {
      ret = hexval(substr($0, RSTART + 5))
      if (ret < low || ret >= high) next
      line = substr($0, 1, RSTART - 1)
      sub(/^[0-9a-f]+:[0-9a-f]+:/, "", line)
      kind = substr(line, 1, 4) == "Call" ? "Call" : "Ret"
      if (!sub(/^(Call|Ret) +[A-Za-z0-9_]+\./, "", line)) next
      print kind " " line
    }' "$1"
}

# The byte counts of the WriteFile calls that spouter.exe made, in order,
# in decimal, one a line.
#   write_sizes TRACE
write_sizes() {
  module_calls "$1" spouter.exe "$spouter_size" |
    sed -nE 's/^Call WriteFile\([0-9a-f]+,[0-9a-f]+,([0-9a-f]+),.*/\1/p' |
    while read -r count; do echo $((16#$count)); done
}

# Runs spouter.exe under the relay trace; standard output as the caller
# redirects it. The trace goes to $work/trace.
traced() { WINEDEBUG=+pid,+loaddll,+relay wine "$spouter_exe" "$@" 2>"$work/trace"; }

spouter_size=$(image_size "$spouter_exe")
