#!/usr/bin/env bash
# Whether this machine runs Wine's 32-bit loader natively: exits 0 if so, 1
# if the kernel runs no 32-bit x86 program (it was built without 32-bit
# support, or it is switched off), or if binfmt_misc hands 32-bit x86
# programs to an emulator instead, under which Wine runs at about a minute
# a process and reads the processor's faults wrongly from the emulator's
# signal contexts (a null write comes out as an illegal instruction).
# Prints why on standard output when not.
set -uo pipefail
loader=/usr/lib/wine/wine
if [ -x "$loader" ]; then
  "$loader" --version >/dev/null 2>&1
  if [ $? = 126 ]; then
    echo "this kernel runs no 32-bit x86 program, Wine's 32-bit loader included"
    exit 1
  fi
fi
for entry in /proc/sys/fs/binfmt_misc/*; do
  [ -f "$entry" ] && [ "$(head -n 1 "$entry")" = enabled ] || continue
  if awk '$1 == "magic" && substr($2, 1, 14) == "7f454c46010101" && substr($2, 37, 4) == "0300" {found = 1}
          END {exit !found}' "$entry"; then
    echo "32-bit x86 programs run here only under an emulator (binfmt_misc), Wine's 32-bit loader included"
    exit 1
  fi
done
exit 0
