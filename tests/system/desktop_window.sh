#!/usr/bin/env bash
# The desktop's own resolution and the plain window, on a wide virtual screen of their own:
#   desktop_window.sh linux|wine SAVER INSTALLATION
# Starts its own 1600x900 X server. With "DESKTOP" the display mode stays as it is, the picture
# fills the screen (sky out to both side edges, an F12 shot of the screen's size) and the log
# says so. In --window mode the pointer does not end the run, the picture follows the window to
# 900x400, and Escape ends it with exit 0.
set -uo pipefail
# xvfb-run's own clean-up can fail once the server has gone: the verdict comes through a file.
if [ -z "${IRONWOOD_DESKTOP_VERDICT:-}" ]; then
  verdict="$(mktemp)"
  IRONWOOD_DESKTOP_VERDICT="$verdict" xvfb-run -a -s "-noreset -screen 0 1600x900x24" "$0" "$@"
  status="$(cat "$verdict")"
  rm -f "$verdict"
  exit "${status:-1}"
fi
source "$(dirname "$0")/checks.sh"
platform="$1"
saver="$2"
generated="$3"
source "$(dirname "$0")/saver_setup.sh"
finish() { summary "desktop and window ($platform)"; echo $? >"$IRONWOOD_DESKTOP_VERDICT"; }

gray() { convert "$1" -crop "$2" +repage -colorspace gray -format '%[fx:mean]' info: 2>/dev/null; }
# not_black FILE GEOMETRY: the region has some light (the sky has stars and a haze everywhere).
not_black() { awk -v m="$(gray "$1" "$2")" 'BEGIN { exit !(m != "" && m > 0.004) }'; }
mode() { xrandr 2>/dev/null | awk '/\*/ {print $1; exit}'; }

# The prefix is shared with the tests on the other display, and a wineserver still running from
# one of them keeps its desktop (and that desktop's size) there: this display's comes with a
# wineserver of its own.
[ "$platform" = wine ] && check "the prefix's last server has ended" timeout 60 wineserver -w

# --- DESKTOP: the monitor as it is ---
configure DESKTOP
before="$(mode)"
check "the window opens" launch
focus
sleep 1
check "the display mode is unchanged while it runs ($before, $(mode))" test "$(mode)" = "$before"
xdotool key F12; sleep 1.5
xdotool key a
check "a key ends it with exit 0" ended
check "the log keeps the desktop's resolution" bash -c "tr -d '\r' <'$log' |
  grep -A3 -x 'BEGIN RESOLUTION CHANGE' | tr '\n' '|' | grep -qx 'BEGIN RESOLUTION CHANGE|    Attempting to Keep Desktop Resolution...Success|        Desktop Resolution: 1600x900|END RESOLUTION CHANGE|'"
check "no mode change is attempted" bash -c "! tr -d '\r' <'$log' | grep -q 'Attempting to Change Resolution'"
shot="$install_dir/ScreenShots/SFScreenShot00.bmp"
check "the shot is 1600x900" bash -c "identify '$shot' | grep -q ' 1600x900 '"
check "the sky reaches both side edges" \
  eval "not_black '$shot' 4x900+0+0 && not_black '$shot' 4x900+1596+0"
check "the sky reaches the top and bottom edges" \
  eval "not_black '$shot' 1600x4+0+0 && not_black '$shot' 1600x4+0+896"

# --- --window: a plain window that only Escape or closing ends ---
rm -rf "$install_dir/ScreenShots"
start_window() {
  if [ "$platform" = wine ]; then wine "$saver" --window >/dev/null 2>&1 & pid=$!
  else "$saver" --window >/dev/null 2>&1 & pid=$!; fi
  pids+=("$pid")
}
rm -f "$log"
start_window
window=""
for _ in $(seq 1 100); do
  window="$(xdotool search --name '^Ironwood$' 2>/dev/null | head -n 1)"
  [ -n "$window" ] && break
  sleep 0.2
done
sleep 1.5
check "--window opens a window" test -n "$window"
check "the window's size is logged" bash -c "tr -d '\r' <'$log' | grep -qx '        Window Size: 800x450'"
for p in 100,100 700,500 300,200 1500,850; do xdotool mousemove "${p%,*}" "${p#*,}"; sleep 0.2; done
xdotool key --window "$window" a 2>/dev/null; sleep 0.5
check "the pointer and other keys leave it running" running
xdotool windowsize --sync "$window" 900 400 2>/dev/null || xdotool windowsize "$window" 900 400
sleep 2
focus
xdotool key F12; sleep 1.5
shot="$install_dir/ScreenShots/SFScreenShot00.bmp"
if [ "$platform" = linux ]; then
  import -window "$window" "$work/window.png" 2>/dev/null
  check "a capture of the resized window is 900x400" \
    bash -c "identify '$work/window.png' | grep -q ' 900x400 '"
  check "the capture is filled edge to edge" \
    eval "not_black '$work/window.png' 4x400+0+0 && not_black '$work/window.png' 4x400+896+0 &&
          not_black '$work/window.png' 900x4+0+0 && not_black '$work/window.png' 900x4+0+396"
  check "the F12 shot follows the window to 900x400" bash -c "identify '$shot' | grep -q ' 900x400 '"
else
  # Wine's window holds its own frame: the shot is the client area, smaller than 900x400 by it.
  read -r shot_w shot_h <<<"$(identify -format '%w %h' "$shot" 2>/dev/null)"
  check "the F12 shot follows the resized window (${shot_w:-?}x${shot_h:-?})" \
    bash -c "[ '${shot_w:-0}' -gt 800 ] && [ '${shot_w:-0}' -le 900 ] && [ '${shot_h:-0}' -lt 450 ] && [ '${shot_h:-0}' -gt 300 ]"
  [ -n "${shot_w:-}" ] && check "the shot is filled edge to edge" \
    eval "not_black '$shot' 4x${shot_h}+0+0 && not_black '$shot' 4x${shot_h}+$((shot_w - 4))+0"
fi
xdotool key --window "$window" Escape 2>/dev/null || xdotool key Escape
check "Escape ends it with exit 0" ended
finish
