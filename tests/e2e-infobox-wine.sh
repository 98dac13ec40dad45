#!/usr/bin/env bash
# The Windows program's information boxes for real, under Wine on a virtual
# display in a Russian locale (Wine then takes Windows-1251 as the ANSI code
# page): each box appears under its caption, is photographed, closes on
# Return, and the run ends with 0 having written nothing to standard output.
# Without a display the run still ends with 0.
# Usage: e2e-infobox-wine.sh path/to/spouter.exe WORK-DIR
# WORK-DIR keeps the Wine prefix, the locale and the screenshots.
set -uo pipefail
exe=$(realpath "$1")
mkdir -p "$2"
work=$(realpath "$2")
failures=0
passes=0

missing=()
for tool in wine wineserver Xvfb xdotool import identify localedef; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
[ -d /usr/share/i18n/locales ] || missing+=("locales")
if [ "${#missing[@]}" -gt 0 ]; then
  echo "missing: ${missing[*]}"
  [ "${CI:-}" = true ] && exit 1
  exit 77  # skipped, and reported so by ctest
fi

check() {  # check NAME CONDITION-RESULT DETAIL
  if [ "$2" = 0 ]; then
    passes=$((passes + 1))
  else
    failures=$((failures + 1))
    echo "FAIL: $1 ${3:-}"
  fi
}

expect_code() {  # expect_code NAME EXPECTED ACTUAL
  [ "$2" = "$3" ]
  check "$1" $? "(exit code $3, expected $2)"
}

expect_empty() {  # expect_empty NAME FILE
  [ -f "$2" ] && [ ! -s "$2" ]
  check "$1" $? "($(stat -c %s "$2" 2>/dev/null || echo no) bytes)"
}

# A Russian UTF-8 locale of our own, so that nothing on the machine changes.
export LOCPATH="$work/locale"
if [ ! -d "$LOCPATH/ru_RU.UTF-8" ]; then
  mkdir -p "$LOCPATH"
  localedef -i ru_RU -f UTF-8 "$LOCPATH/ru_RU.UTF-8" || { echo "FAIL: localedef"; exit 1; }
fi
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
wineserver -k 2>/dev/null  # one left from an interrupted run would keep its display

# Only Wine runs in the locale; this shell cannot load it.
wine() { env LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 wine "$@"; }

xvfb=""
cleanup() {
  wineserver -k 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
}
trap cleanup EXIT

: >"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start: $(cat "$work/xvfb.log")"; exit 1; }
export DISPLAY=":$(cat "$work/display")"

# Wine takes its ANSI code page from the locale.
wine reg query 'HKLM\System\CurrentControlSet\Control\Nls\CodePage' /v ACP 2>/dev/null |
  tr -d '\r' >"$work/acp"
grep -qE 'ACP +REG_SZ +1251$' "$work/acp"
check "Wine's ANSI code page is 1251" $? "($(grep ACP "$work/acp"))"

# show SWITCH CAPTION-PATTERN SCREENSHOT
show() {
  local switch=$1 caption=$2 shot=$3 window="" code
  rm -f "$shot" "$work/code"
  (wine "$exe" "$switch" >"$work/out" 2>/dev/null; echo $? >"$work/code") &
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
    # An empty or blank box has one or two colours; text and icon add more.
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
  expect_code "$switch: closed by Return, exit" 0 "$code"
  expect_empty "$switch: standard output" "$work/out"
  [ -z "$(xdotool search --name "$caption" 2>/dev/null)" ]
  check "$switch: the box is gone" $?
}

show "/?" '^SPOUTER /\?$' "$work/help-box.png"
show /c '^Copyright$' "$work/about-box.png"

# Not a switch: written, and no box.
timeout 60 wine "$exe" /C x "/?" >"$work/out" 2>/dev/null
expect_code "/C x /?: exit" 0 $?
printf '/Cx/?' | cmp -s - "$work/out"
check "/C x /?: written as text" $?
[ -z "$(xdotool search --name 'SPOUTER|Copyright' 2>/dev/null)" ]
check "/C x /?: no box" $?

# No display at all: no box can be shown, the run still ends normally. The
# Wine processes started for the display go first, or they would serve this
# run on it.
wineserver -k 2>/dev/null
unset DISPLAY
for switch in "/?" /c; do
  timeout 60 wine "$exe" "$switch" >"$work/out" 2>/dev/null
  expect_code "$switch without a display: exit" 0 $?
  expect_empty "$switch without a display: standard output" "$work/out"
done

echo "$passes passed, $failures failed"
[ "$failures" = 0 ]
