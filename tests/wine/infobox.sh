#!/usr/bin/env bash
# The information boxes of the Windows executable, for real: under Wine on a
# virtual display, in a Russian locale (Wine then takes Windows-1251 as the
# ANSI code page). Each box must appear under its caption, is photographed,
# closes on Return, and the run ends with 0 having written nothing to
# standard output. Without a display the run still ends with 0.
# Usage: infobox.sh WINDOWS-BUILD WINE-PREFIX SCREENSHOT-DIR
# SCREENSHOT-DIR also keeps the generated locale.
set -uo pipefail
source "$(dirname "$0")/wine-lib.sh" "$1" "$2"
mkdir -p "$3"
shots=$(realpath "$3")

for tool in Xvfb xdotool import identify localedef; do
  command -v "$tool" >/dev/null || missing "$tool is not installed"
done
[ -f /usr/share/i18n/locales/ru_RU ] || missing "the locales package is not installed"

# expect_empty NAME FILE
expect_empty() {
  [ -f "$2" ] && [ ! -s "$2" ]
  check "$1" $? "($(stat -c %s "$2" 2>/dev/null || echo no) bytes)"
}

# A Russian locale of our own, so that nothing on the machine changes. Only
# Wine runs in it: this shell started before it existed.
export LOCPATH=$shots/locale
if [ ! -f "$LOCPATH/ru_RU.UTF-8/LC_CTYPE" ]; then
  mkdir -p "$LOCPATH"
  localedef -i ru_RU -f UTF-8 "$LOCPATH/ru_RU.UTF-8" || { echo "FAIL: localedef"; exit 1; }
fi
wine() { env LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 wine "$@"; }

xvfb=""
trap '[ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null; stop_wine' EXIT
: >"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start: $(cat "$work/xvfb.log")"; exit 1; }
export DISPLAY=":$(cat "$work/display")"

wine reg query 'HKLM\System\CurrentControlSet\Control\Nls\CodePage' /v ACP 2>/dev/null |
  tr -d '\r' >"$work/acp"
grep -qE 'ACP +REG_SZ +1251$' "$work/acp"
check "Wine's ANSI code page is 1251" $? "($(grep ACP "$work/acp"))"

# show SWITCH CAPTION-PATTERN SCREENSHOT
show() {
  local switch=$1 caption=$2 shot=$3 window="" code
  rm -f "$shot" "$work/code"
  (wine "$spouter_exe" "$switch" >"$work/out" 2>/dev/null; echo $? >"$work/code") &
  for _ in $(seq 120); do
    window=$(xdotool search --name "$caption" 2>/dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.5
  done
  [ -n "$window" ]
  check "$switch: a window named $caption" $?
  if [ -n "$window" ]; then
    sleep 1  # let the box finish painting
    import -window "$window" "$shot"
    # A blank box has one or two colours; text and icon add many more.
    [ "$(identify -format %k "$shot" 2>/dev/null || echo 0)" -gt 8 ]
    check "$switch: screenshot $shot shows the box" $?
    echo "screenshot: $shot"
    for _ in 1 2 3; do
      xdotool key --window "$window" Return 2>/dev/null
      for _ in $(seq 20); do [ -s "$work/code" ] && break 2; sleep 0.5; done
    done
  fi
  for _ in $(seq 60); do [ -s "$work/code" ] && break; sleep 0.5; done
  code=$(cat "$work/code" 2>/dev/null || echo "still running")
  expect_equal "$switch: closed by Return, exit" 0 "$code"
  expect_empty "$switch: standard output" "$work/out"
  [ -z "$(xdotool search --name "$caption" 2>/dev/null)" ]
  check "$switch: the box is gone" $?
}

show "/?" '^SPOUTER /\?$' "$shots/help-box.png"
show /c '^Copyright$' "$shots/about-box.png"

# Not a switch: written, and no box.
timeout 60 wine "$spouter_exe" /C x "/?" >"$work/out" 2>/dev/null
expect_equal "/C x /?: exit" 0 $?
printf '/Cx/?' >"$work/expected"
expect_bytes "/C x /?: written as text" "$work/expected" "$work/out"
[ -z "$(xdotool search --name 'SPOUTER|Copyright' 2>/dev/null)" ]
check "/C x /?: no box" $?

# No display at all: no box can be shown, and the run still ends normally.
# The Wine processes that serve the display go first, or they would serve
# these runs too.
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
unset DISPLAY
for switch in "/?" /c; do
  timeout 60 wine "$spouter_exe" "$switch" >"$work/out" 2>/dev/null
  expect_equal "$switch without a display: exit" 0 $?
  expect_empty "$switch without a display: standard output" "$work/out"
done

finish
