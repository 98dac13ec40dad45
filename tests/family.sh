#!/usr/bin/env bash
# The programs of a build are of the processor family and system that the
# build chose from its compiler: each file's header (ELF or Mach-O) names
# its machine, and that must be the family's.
# Usage: family.sh FAMILY SYSTEM PROGRAM...
set -uo pipefail
source "$(dirname "$0")/check-lib.sh"
family=$1 system=$2
shift 2

# The bytes at OFFSET of FILE, COUNT of them, as one number: little-endian
# unless the third argument says big.
number() {  # number FILE OFFSET COUNT [big]
  local bytes
  bytes=$(od -An -tx1 -v -j "$2" -N "$3" "$1" | tr -s ' \n' ' ')
  read -ra bytes <<<"$bytes"
  [ "${4:-}" = big ] || bytes=($(printf '%s\n' "${bytes[@]}" | tac))
  printf '%d' "0x$(printf '%s' "${bytes[@]}")"
}

# The family's ELF class and machine and its Mach-O CPU type, from the
# table of families.
field() { cmake -DFAMILY="$family" -DFIELD="$1" -P "$(dirname "$0")/../cmake/Families.cmake"; }
read -r class machine <<<"$(field ELF)"
cpu=$(field MACHO)
[ -n "$machine" ]
check "the family $family is one of cmake/Families.cmake" $? \
  "(families: $(cmake -DFIELD=ELF -P "$(dirname "$0")/../cmake/Families.cmake" | cut -d ' ' -f 1 | tr '\n' ' '))"

for program in "$@"; do
  name=$(basename "$program")
  magic=$(od -An -tx1 -N4 "$program" | tr -d ' ')
  case $magic in
    7f454c46)
      [ "$system" != Darwin ] && [ "$system" != Windows ]
      check "$name: an ELF file for $system" $?
      order=little
      [ "$(number "$program" 5 1)" = 2 ] && order=big
      expect_equal "$name: ELF class of $family" "$class" "$(number "$program" 4 1)"
      expect_equal "$name: ELF machine of $family" "$machine" "$(number "$program" 18 2 "$order")"
      ;;
    cffaedfe)
      expect_equal "$name: a Mach-O file, so for Darwin" Darwin "$system"
      expect_equal "$name: Mach-O CPU type of $family" "$cpu" "$(number "$program" 4 4)"
      ;;
    *)
      check "$name: an ELF or Mach-O file" 1 "(it starts $magic)"
      ;;
  esac
done
finish
