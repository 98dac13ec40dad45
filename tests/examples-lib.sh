# Reading the examples of README.md, docs/, the manual page and README.txt,
# shared by the doc test and the batch-file test. An example is one line: the command, at
# least two blanks, then what it writes:
#
#   spouter Hello World                  "HelloWorld"
#   spouter ed                           0xED
#   spouter "Hello, World!" 0D 0A        "Hello, World!" CR LF (15 bytes)
#
# What it writes is a run of items: "text" for the bytes of a text, CR, LF,
# TAB and NUL, 0xHH for one byte, "nothing" for no byte, and "the help
# text" or "the about text" for a box on standard error and no byte on
# standard output. Whatever follows is a remark for the reader, except that
# "(N bytes)" is checked against the count and "exit code N" against the
# exit code (0 when none is named). When the command redirects standard
# output to a file, that file is what it writes. Needs check-lib.sh.

# example_lines FILE FENCE: the example lines in FILE, one a line as
# "COMMAND<TAB>WRITES". FENCE "" takes the lines that start with "spouter "
# in Markdown blocks without a language, "cmd" those in ```cmd blocks, and
# "man" those in the manual page's literal displays and one-line displays,
# "txt" those of a plain-text README, indented by two blanks.
example_lines() {
  awk -v fence="$2" '
    function emit(line) {
      if (line !~ /^spouter /) return
      if (!match(line, /   *[^ ]/)) { printf "%s\t\n", line; return }
      printf "%s\t%s\n", substr(line, 1, RSTART - 1), substr(line, RSTART + RLENGTH - 1)
    }
    fence == "txt" {
      if ($0 ~ /^  spouter /) emit(substr($0, 3))
      next
    }
    fence == "man" {
      if ($0 ~ /^\.Bd -literal/) { inside = 1; next }
      if ($0 ~ /^\.Ed/) { inside = 0; next }
      if (inside) emit($0)
      else if ($0 ~ /^\.Dl spouter /) emit(substr($0, 5))
      next
    }
    /^```/ { opened = !opened; inside = opened && substr($0, 4) == fence; next }
    inside { emit($0) }' "$1"
}

# example_bytes WRITES FILE: writes the bytes that WRITES names into FILE;
# sets box to help, about or "" and remark to the words after the items.
# Fails when WRITES starts with no item.
example_bytes() {
  local rest=$1 items=0
  box="" remark=""
  : >"$2"
  while :; do
    rest=${rest#"${rest%%[! ]*}"}
    if [[ "$rest" =~ ^\"([^\"]*)\"(.*)$ ]]; then printf '%s' "${BASH_REMATCH[1]}" >>"$2"
    elif [[ "$rest" =~ ^(CR|LF|TAB|NUL)([^A-Za-z0-9].*|)$ ]]; then
      case ${BASH_REMATCH[1]} in CR) printf '\r' ;; LF) printf '\n' ;; TAB) printf '\t' ;; NUL) printf '\0' ;; esac >>"$2"
    elif [[ "$rest" =~ ^0x([0-9A-F]{2})([^A-Za-z0-9].*|)$ ]]; then printf "\\x${BASH_REMATCH[1]}" >>"$2"
    elif [[ "$rest" =~ ^nothing([^A-Za-z0-9].*|)$ ]]; then :
    elif [[ "$rest" =~ ^the\ (help|about)\ text([^A-Za-z0-9].*|)$ ]]; then box=${BASH_REMATCH[1]}
    else break
    fi
    rest=${BASH_REMATCH[${#BASH_REMATCH[@]} - 1]}
    items=$((items + 1))
  done
  remark=$rest
  [ "$items" -gt 0 ]
}

# expect_example NAME WRITES OUT-FILE CODE [ERR-FILE BOXES-DIR]: the bytes
# and exit code of a run against what the example says. A box is checked
# only when standard error and the expected boxes are given.
expect_example() {
  local name=$1 writes=$2 out=$3 code=$4 err=${5:-} boxes=${6:-} expected_code=0
  if ! example_bytes "$writes" "$out.expected"; then
    check "$name: says what it writes" 1 "(\"$writes\")"
    return
  fi
  [[ "$remark" =~ exit\ code\ ([0-9]+) ]] && expected_code=${BASH_REMATCH[1]}
  if [[ "$remark" =~ \(([0-9]+)\ bytes\) ]]; then
    expect_equal "$name: byte count in the remark" "${BASH_REMATCH[1]}" "$(stat -c %s "$out.expected")"
  fi
  expect_bytes "$name: bytes" "$out.expected" "$out"
  expect_equal "$name: exit code" "$expected_code" "$code"
  if [ -n "$err" ]; then
    if [ -n "$box" ]; then expect_bytes "$name: box" "$boxes/$box-box.txt" "$err"
    else expect_bytes "$name: nothing on standard error" /dev/null "$err"
    fi
  fi
}

# redirected_file COMMAND: the file to which COMMAND sends standard output
# ("" when it does not).
redirected_file() {
  [[ "$1" =~ \>\>?\ *([^ \>\&/][^ \>]*)\ *$ ]] && printf '%s' "${BASH_REMATCH[1]}"
}

# script_blocks FILE FENCE: each ```FENCE block of FILE (bat, sh), ended by
# a NUL.
script_blocks() {
  awk -v fence="$2" '
    /^```/ {
      if (inside) { printf "%s%c", held, 0; inside = 0 }
      else if (substr($0, 4) == fence) { inside = 1; held = "" }
      next
    }
    inside { held = held $0 "\n" }' "$1"
}

# expect_script NAME SCRIPT FOLDER STDOUT-FILE: a script of a document run
# in FOLDER, against its remarks. A remark is a comment line, "rem" or "#",
# "Writes ITEMS to TARGET" or "Appends ITEMS to TARGET": after the script,
# TARGET (a file in FOLDER, or "standard output", which STDOUT-FILE holds)
# holds the bytes of every such remark since its last "Writes", in order.
# Sets remarks to their count.
expect_script() {
  local name=$1 script=$2 folder=$3 out=$4 line target file
  local -A expected=()
  remarks=0
  while IFS= read -r line; do
    [[ "$line" =~ ^(rem|#)\ (Writes|Appends)\ (.*)$ ]] || continue
    local verb=${BASH_REMATCH[2]}
    if ! example_bytes "${BASH_REMATCH[3]}" "$folder/.remark" ||
      ! [[ "$remark" =~ ^to\ (standard\ output|[^\ :,]*[^\ :,.]) ]]; then
      check "$name: a readable remark ($line)" 1
      continue
    fi
    target=${BASH_REMATCH[1]}
    if [[ "$remark" =~ \(([0-9]+)\ bytes\) ]]; then
      expect_equal "$name: byte count in \"$line\"" "${BASH_REMATCH[1]}" "$(stat -c %s "$folder/.remark")"
    fi
    file=${expected[$target]:-$folder/.expected$remarks}
    [ "$verb" = Writes ] && : >"$file"
    cat "$folder/.remark" >>"$file"
    expected[$target]=$file
    remarks=$((remarks + 1))
  done <<<"$script"
  for target in "${!expected[@]}"; do
    file=$folder/$target
    [ "$target" = "standard output" ] && file=$out
    expect_bytes "$name: $target" "${expected[$target]}" "$file"
  done
}
