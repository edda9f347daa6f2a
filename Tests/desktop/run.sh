#!/usr/bin/env bash
# The tray application on a real X server: Xvfb with a window manager
# (openbox) and a freedesktop system tray (trayer), driven with xdotool.
# Checks that the icon appears, that the panel opens at launch at its computed
# frame, the icon's click rules, Escape, a second start, Quit from the icon's
# menu, SIGTERM and SIGINT, the autostart entry and the message without a
# reachable display; saves a screenshot of the tray with the open panel.
#
#   Tests/desktop/run.sh [path/to/brevola-driver]   (else build/Classes/app/brevola-driver)
#
# Environment: BREVOLA_DESKTOP_SHOT (where the screenshot goes, default
# docs/desktop.png), BREVOLA_DESKTOP_MEASURE=1 (also print start time, memory
# and CPU figures; adds about 70 s). Exits non-zero on the first failure.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
driver=$(realpath "${1:-$repo/build/Classes/app/brevola-driver}")
shot=${BREVOLA_DESKTOP_SHOT:-$repo/docs/desktop.png}
[ -x "$driver" ] || { echo "desktop: no driver at $driver" >&2; exit 1; }

say() { echo "desktop: $*"; }
passed=0
pass() { passed=$((passed + 1)); say "PASS $*"; }
die() { echo "desktop: FAIL $*" >&2; [ -n "${log:-}" ] && [ -f "$log" ] && sed 's/^/  log: /' "$log" >&2; exit 1; }

# --- tools ------------------------------------------------------------------------
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
missing=()
for p in xvfb openbox trayer xdotool x11-utils imagemagick; do installed "$p" || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
  say "installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# --- the desktop ------------------------------------------------------------------
work=$(mktemp -d)
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

width=1920 height=1080
Xvfb -displayfd 3 -screen 0 ${width}x${height}x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || die "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=:$(cat "$work/display")
unset WAYLAND_DISPLAY QT_QPA_PLATFORM
# A driver built with AddressSanitizer: the D-Bus library's own allocations are not ours.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$here/lsan.supp}
# The program's settings, autostart entry and instance lock stay in here.
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_CONFIG_HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"

openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.05; done
trayer --edge top --align right --widthtype request --height 28 --SetDockType true --SetPartialStrut true \
  --transparent false --tint 0x30343c >"$work/trayer.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do xdotool search --name '^panel$' >/dev/null 2>&1 && break; sleep 0.05; done
sleep 0.3 # the tray takes its selection after it maps
say "X display $DISPLAY ${width}x${height}, openbox, trayer"

# --- helpers ----------------------------------------------------------------------
# "x y w h" of a window, from the X server.
geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}'
}
# The program's visible windows, one "id x y w h" a line.
windows() {
  local w
  for w in $(xdotool search --onlyvisible --class brevola-driver 2>/dev/null); do echo "$w $(geometry "$w")"; done
}
icon() { windows | awk '$4 <= 32 && $5 <= 32 {print; exit}'; }
panel() { windows | awk '$4 == 681 && $5 == 571 {print; exit}'; }
# Waits until cmd prints something (or the time is up); prints it.
await() { # seconds cmd...
  local deadline=$(( $(date +%s%N) + ${1%.*} * 1000000000 )) out
  shift
  while :; do
    out=$("$@" || true)
    [ -n "$out" ] && { echo "$out"; return 0; }
    [ "$(date +%s%N)" -lt "$deadline" ] || return 1
    sleep 0.02
  done
}
# Waits for the panel to stand still at its open frame; prints "x y".
settledPanel() {
  local a b
  a=$(await 5 panel) || return 1
  for _ in $(seq 50); do
    sleep 0.1
    b=$(panel)
    [ "$b" = "$a" ] && { echo "$b" | awk '{print $2, $3}'; return 0; }
    a=$b
  done
  return 1
}
panelClosed() { for _ in $(seq 50); do [ -z "$(panel)" ] && return 0; sleep 0.05; done; return 1; }

# The panel's frame in X's coordinates for a tray item of w x h on a display of
# width x height: centred one item height below the top, 681 x 571, kept 8
# points off the right edge. Rounding is half away from zero (all positive).
expectedPanel() { # itemWidth itemHeight
  awk -v W="$width" -v H="$height" -v w="$1" -v h="$2" 'BEGIN {
    sx = int((W - w) / 2 + 0.5); sy = H - 2 * h            # reference rectangle, y up
    px = int(sx + w / 2 - 340.5 + 0.5); py = sy + h - 571  # panel, y up
    if (px + 681 > W - 8) px = W - 8 - 681
    print px, H - (py + 571)                               # Qt/X top-left
  }'
}

start() { # log file, options...; sets pid
  log=$1
  shift
  "$driver" "$@" >"$log" 2>&1 &
  pid=$!
  pids+=("$pid")
}
# The driver's thread ended through the clean path (the log of the last start).
threadStopped() { grep -q '\] \[info\] driver thread stopped$' "$log"; }
exitStatus() { # pid seconds
  local i
  for i in $(seq $(( $2 * 20 ))); do kill -0 "$1" 2>/dev/null || break; sleep 0.05; done
  kill -0 "$1" 2>/dev/null && return 124
  local s=0
  wait "$1" || s=$?
  return $s
}

# --- the icon and the panel at launch -----------------------------------------------
t0=$(date +%s%N)
start "$work/first.log"
first=$pid
await 10 icon >/dev/null || die "no tray icon within 10 s"
startup_ms=$(( ($(date +%s%N) - t0) / 1000000 ))
read -r _ ix iy iw ih <<<"$(icon)"
pass "the icon is in the tray at $ix,$iy ${iw}x$ih (${startup_ms} ms after start)"

at=$(settledPanel) || die "the panel did not open at launch"
# At launch the tray may not yet have placed the icon: the panel then sizes its
# reference rectangle by the fallback 24 x 22.
if [ "$at" = "$(expectedPanel 24 22)" ]; then
  pass "the panel opened at launch at $at (fallback item size 24x22)"
elif [ "$at" = "$(expectedPanel "$iw" "$ih")" ]; then
  pass "the panel opened at launch at $at (item size ${iw}x$ih)"
else
  die "the panel opened at $at; expected $(expectedPanel 24 22) or $(expectedPanel "$iw" "$ih")"
fi
grep -q '^created driver manager ' "$work/first.log" || die "no \"created driver manager\" line"
entry=$XDG_CONFIG_HOME/autostart/brevola-driver.desktop
grep -qx "Exec=\"$driver\"" "$entry" 2>/dev/null || die "autostart entry without Exec=\"$driver\""
pass "autostart entry $entry starts $driver"

# --- clicks ---------------------------------------------------------------------------
click() { xdotool mousemove $((ix + iw / 2)) $((iy + ih / 2)) click "$1"; }
sleep 0.3 # past the automatic first click
expected=$(expectedPanel "$iw" "$ih")
click 1
at=$(settledPanel) || die "the first click closed the panel opened at launch"
[ "$at" = "$expected" ] || die "after the first click the panel is at $at, expected $expected"
pass "the user's first click keeps the panel open, placed under the item: $at"
click 1
panelClosed || die "the second click did not close the panel"
pass "the second click closes it"
click 1
at=$(settledPanel) || die "the third click did not open the panel"
pass "the third click opens it again at $at"
xdotool key Escape
panelClosed || die "Escape did not close the panel"
pass "Escape closes it"

# --- a second start ----------------------------------------------------------------------
start "$work/second.log"
second=$pid
s=0
exitStatus "$second" 10 || s=$?
[ "$s" -eq 0 ] || die "the second start ended with $s"
log=$work/second.log
grep -q 'created driver manager' "$log" && die "the second start created a driver"
at=$(settledPanel) || die "the second start did not open the first one's panel"
[ "$(windows | awk '$4 <= 32 && $5 <= 32' | wc -l)" -eq 1 ] || die "more than one tray icon"
pass "a second start exits 0 without a driver or icon, and the first one's panel opens at $at"

mkdir -p "$(dirname "$shot")"
import -window root -crop 1920x640+0+0 +repage -strip "$shot"
pass "screenshot $shot"

if [ "${BREVOLA_DESKTOP_MEASURE:-0}" = 1 ]; then
  rss() { awk '/^VmRSS/{print $2 / 1024 " MB"}' "/proc/$1/status"; }
  cpu30() { # percent of one core over 30 s
    local t1 t2 hz
    hz=$(getconf CLK_TCK)
    t1=$(awk '{print $14 + $15}' "/proc/$1/stat"); sleep 30; t2=$(awk '{print $14 + $15}' "/proc/$1/stat")
    awk -v a="$t1" -v b="$t2" -v hz="$hz" 'BEGIN {printf "%.2f %% of one core", (b - a) / hz / 30 * 100}'
  }
  say "measure: start to visible tray icon ${startup_ms} ms"
  say "measure: panel open: resident $(rss "$first"), CPU $(cpu30 "$first")"
  xdotool key Escape; panelClosed
  say "measure: panel closed: resident $(rss "$first"), CPU $(cpu30 "$first")"
fi

# --- the end ---------------------------------------------------------------------------
click 3
await 5 sh -c 'xdotool search --onlyvisible --class brevola-driver | wc -l | grep -qv "^[01]$" && echo menu' >/dev/null ||
  die "no menu on the icon's other button"
xdotool key Up Return # the last entry: Quit
log=$work/first.log
s=0
exitStatus "$first" 10 || s=$?
[ "$s" -eq 0 ] || die "Quit from the icon's menu ended the program with $s"
[ -z "$(icon)" ] || die "the icon is still there after Quit"
threadStopped || die "Quit: no \"driver thread stopped\" line"
pass "Quit from the icon's menu removes the icon, stops the driver thread and exits 0"

for signal in TERM INT; do
  start "$work/$signal.log" --record "$work/$signal.rec"
  await 10 icon >/dev/null || die "no tray icon (SIG$signal run)"
  kill -s "$signal" "$pid"
  s=0
  exitStatus "$pid" 10 || s=$?
  [ "$s" -eq 0 ] || die "SIG$signal ended the program with $s"
  [ -z "$(icon)" ] || die "the icon is still there after SIG$signal"
  [ -f "$work/$signal.rec" ] || die "no recording from --record"
  threadStopped || die "SIG$signal: no \"driver thread stopped\" line"
  pass "SIG$signal removes the icon, stops the driver thread and exits 0 (recording with --record)"
done

for case in "unset" "unreachable"; do
  s=0
  if [ "$case" = unset ]; then
    env -u DISPLAY -u WAYLAND_DISPLAY "$driver" >"$work/nodisplay.out" 2>"$work/nodisplay.err" || s=$?
  else
    env -u WAYLAND_DISPLAY DISPLAY=:9999 "$driver" >"$work/nodisplay.out" 2>"$work/nodisplay.err" || s=$?
  fi
  [ "$s" -eq 1 ] && [ "$(wc -l <"$work/nodisplay.err")" -eq 1 ] && grep -q -- '--headless' "$work/nodisplay.err" ||
    die "display $case: exit $s, stderr: $(cat "$work/nodisplay.err")"
  pass "display $case: exit 1 and one line naming --headless"
done

say "$passed passed, 0 failed"
