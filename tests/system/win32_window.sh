#!/usr/bin/env bash
# The Windows saver window under Wine, on the X display it runs on: real X input (xdotool) for
# keys, pointer and focus, and exact messages posted by window_poke.
#   win32_window.sh WINDOW_PROBE WINDOW_POKE
set -uo pipefail
source "$(dirname "$0")/checks.sh"
probe="$1"
poke="$2"
source "$(dirname "$0")/../wine/wine-env.sh"
work="$(mktemp -d)"
pids=()
cleanup() {
  # Only what this test started: other tests share the prefix and its wineserver.
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  [ -n "${IRONWOOD_KEEP_TEST_FILES:-}" ] && echo "# kept $work" || rm -rf "$work"
}
trap cleanup EXIT
finish() {
  summary "win32 window"
  exit
}

if [ -z "${DISPLAY:-}" ] || ! xwininfo -root >/dev/null 2>&1; then
  check "an X display to run on" false
  finish
fi
read -r screen_w screen_h < <(xwininfo -root | awk '/Width:/ {w = $2} /Height:/ {h = $2} END {print w, h}')

windows_path() { local p="${1//\//\\}"; echo "Z:$p"; }
# start_probe NAME WIDTH HEIGHT [options]: the probe logs into $work/NAME.log; its pid in $started.
start_probe() {
  local name="$1"; shift
  wine "$probe" "$(windows_path "$work/$name.log")" "$@" --timeout 40 >"$work/$name.out" 2>&1 &
  started=$!
  pids+=("$started")
}
logged() { grep -qxF -- "$2" "$work/$1.log" 2>/dev/null; }
count() { grep -cxF -- "$2" "$work/$1.log" 2>/dev/null || true; }
# wait_logged NAME LINE: up to ten seconds for the line to appear.
wait_logged() {
  local i
  for i in $(seq 100); do logged "$1" "$2" && return 0; sleep 0.1; done
  return 1
}
# wait_count NAME LINE N: up to ten seconds for the line to be there N times.
wait_count() {
  local i
  for i in $(seq 100); do [ "$(count "$1" "$2")" = "$3" ] && return 0; sleep 0.1; done
  return 1
}
# exits_with PID STATUS: the probe ends by itself within ten seconds, with that status.
exits_with() {
  local i status
  for i in $(seq 100); do
    if ! kill -0 "$1" 2>/dev/null; then
      wait "$1"
      status=$?
      [ "$status" = "$2" ] || echo "# exit status $status"
      [ "$status" = "$2" ]
      return
    fi
    sleep 0.1
  done
  echo "# still running"
  return 1
}
alive() { kill -0 "$1" 2>/dev/null; }
still_running_after() { sleep "$2"; alive "$1"; }
# poke MESSAGE WPARAM [LPARAM]: posts it to the StarfraySS window.
poke() { wine "$poke" "$@" >/dev/null 2>&1; }
WM_KEYDOWN=0x100 WM_SYSCOMMAND=0x112 WM_LBUTTONDOWN=0x201 WM_POWERBROADCAST=0x218

# --- A full-screen window: creation, real pointer and keys, exact system commands ---
start_probe a "$screen_w" "$screen_h"
a=$started
check "window created and activated" wait_logged a "Activate 0x1"
check "creation reached the handler first" test "$(head -n 1 "$work/a.log")" = "Create 0x0"
id="$(xdotool search --name '^Ironwood$' 2>/dev/null | head -n 1)"
check "found by its title" test -n "$id"
geometry="$(xwininfo -id "${id:-0}" 2>/dev/null | awk '/Absolute upper-left [XY]:|Width:|Height:/ {printf "%s ", $NF}')"
check "at (0, 0) with the size asked for ($geometry)" test "$geometry" = "0 0 $screen_w $screen_h "
xdotool windowfocus --sync "$id" 2>/dev/null

moves=$(count a "MouseMove 0x0")
moved() {
  local i
  for i in $(seq 10); do
    xdotool mousemove --sync $((5 + i)) 5 2>/dev/null
    xdotool mousemove --sync $((screen_w / 3)) $((screen_h / 3 + i)) 2>/dev/null
    sleep 0.3
    [ "$(count a "MouseMove 0x0")" -gt "$moves" ] && return 0
  done
  echo "# MouseMove $moves times before, $(count a "MouseMove 0x0") after"
  return 1
}
check "pointer motion arrives as MouseMove" moved
check "the cursor is asked for (SetCursor)" logged a "SetCursor 0x0"

xdotool key F12 2>/dev/null
xdotool key c 2>/dev/null
check "F12 arrives as KeyDown 0x7B" wait_logged a "KeyDown 0x7B"
check "C arrives as KeyDown 0x43" wait_logged a "KeyDown 0x43"
check "F12 and C do not end it" still_running_after "$a" 0.5

poke $WM_SYSCOMMAND 0xF140
check "screen-save command arrives" wait_logged a "SysCommand 0xF140"
poke $WM_SYSCOMMAND 0xF062  # close, with the system's own low bits set
check "close command arrives without its low bits" wait_logged a "SysCommand 0xF060"
check "swallowed commands leave it running" still_running_after "$a" 0.5
poke $WM_LBUTTONDOWN 0x1 0x00100010
poke $WM_KEYDOWN 0x7B
check "posted key arrives" wait_count a "KeyDown 0x7B" 2
no_others() { ! grep -q '^Other' "$work/a.log"; }
check "other messages never reach the handler" no_others

xdotool key a 2>/dev/null
check "a key ends it with exit 0" exits_with "$a" 0
check "the key is KeyDown 0x41" logged a "KeyDown 0x41"
check "then the loop took the quit message" test "$(tail -n 1 "$work/a.log")" = "Quit 0x0"

# --- OpenGL on the window's device context; focus moving to another X client ---
start_probe b 320 240 --gl
b=$started
wait_logged b "Activate 0x1"
id="$(xdotool search --name '^Ironwood$' 2>/dev/null | head -n 1)"
gl_started() {
  local i
  for i in $(seq 100); do grep -q "^gl started" "$work/b.out" && return 0; sleep 0.1; done
  return 1
}
check "OpenGL started on the window" gl_started
sleep 0.3  # a few frames
cleared() {
  import -window "$id" -crop 1x1+160+120 txt:- 2>/dev/null | grep -q 'srgb(0,64,128)'
}
check "the cleared frame shows in the window" cleared
xdotool windowfocus --sync "$id" 2>/dev/null
xev -geometry 100x100+400+300 >/dev/null 2>&1 &
pids+=($!)
other=""
for i in $(seq 50); do
  other="$(xdotool search --name '^Event Tester$' 2>/dev/null | head -n 1)"
  [ -n "$other" ] && break
  sleep 0.1
done
xdotool windowfocus "$other" 2>/dev/null
check "focus on another X window ends it with exit 0" exits_with "$b" 0
check "as Activate 0x0" logged b "Activate 0x0"
check "and ActivateApp 0x0" logged b "ActivateApp 0x0"

# --- another Windows program's window taking over; power messages ---
start_probe c "$screen_w" "$screen_h"
c=$started
wait_logged c "Activate 0x1"
start_probe d 200 200
d=$started
check "a second window ends the first with exit 0" exits_with "$c" 0
check "the first saw ActivateApp 0x0" logged c "ActivateApp 0x0"
check "the second is active" wait_logged d "Activate 0x1"
poke $WM_POWERBROADCAST 0x4  # about to suspend
check "a power message ends it with exit 0" exits_with "$d" 0
check "as PowerBroadcast 0x4" logged d "PowerBroadcast 0x4"

# --- display modes ---
modes="$(wine "$probe" --mode "${screen_w}x${screen_h}" 2>&1 | tr -d '\r')"
echo "$modes" | sed 's/^/# /'
check "Wine lists the screen's mode" grep -q "^listed .*: ${screen_w}x${screen_h}x32 " <<<"$modes"
check "the screen's own mode can be set" grep -qx "change ${screen_w}x${screen_h}x32: success" <<<"$modes"
modes="$(wine "$probe" --mode 2048x1536 2>&1 | tr -d '\r')"
check "a mode the screen lacks is refused" grep -qx "change 2048x1536x32: failure" <<<"$modes"
check "and leaves the screen as it was" grep -qx "current: ${screen_w}x${screen_h}x32" <<<"$modes"

finish
