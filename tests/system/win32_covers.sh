#!/usr/bin/env bash
# The black covers over the monitors beside the saver window, under Wine:
#   win32_covers.sh WINDOW_PROBE DIALOG_DRIVER
# Starts its own X server with two Xinerama heads, 640x480 and 800x600 (Xvfb puts both at the
# origin, so the second shows a band right of and below the first), and its own Wine prefix that
# reads its monitors from Xinerama. The probe's saver window takes the primary head; the test
# checks the two covers, that a movement over them reaches the saver as a movement, that a click
# on them is not the saver losing the activation, and that they go with the saver. Then, with a
# password required and the saver's own window logic deciding: neither movements over a cover
# while the entry dialog is open nor another program taking the front end the saver; only the
# right password does.
set -uo pipefail
# xvfb-run's own clean-up can fail once the server has gone, and its status is then the
# clean-up's: the verdict comes back through a file.
if [ -z "${IRONWOOD_COVERS_VERDICT:-}" ]; then
  verdict="$(mktemp)"
  IRONWOOD_COVERS_VERDICT="$verdict" xvfb-run -a \
    -s "-noreset -screen 0 640x480x24 -screen 1 800x600x24 +xinerama" "$0" "$@"
  status="$(cat "$verdict")"
  rm -f "$verdict"
  exit "${status:-1}"
fi
source "$(dirname "$0")/checks.sh"
probe="$1"
driver="$2"

work="$(mktemp -d)"
export WINEPREFIX="$work/prefix"
source "$(dirname "$0")/../wine/wine-env.sh"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  wineserver -k 2>/dev/null  # this test's own prefix only
  [ -n "${IRONWOOD_KEEP_TEST_FILES:-}" ] && echo "# kept $work" || rm -rf "$work"
}
trap cleanup EXIT

wineboot --init >/dev/null 2>&1
# Wine takes its monitors from RandR where it can; Xvfb's RandR knows one screen only.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /t REG_SZ /d N /f >/dev/null 2>&1
wineserver -w
check "a prefix of its own, monitors from Xinerama" test -f "$WINEPREFIX/user.reg"

log="$work/probe.log"
wine "$probe" "Z:${log//\//\\}" 640 480 --timeout 40 >"$work/probe.out" 2>&1 &
probe_pid=$!
pids+=("$probe_pid")
logged() { grep -qxF -- "$1" "$log" 2>/dev/null; }
count() { grep -cxF -- "$1" "$log" 2>/dev/null || true; }
wait_until() {
  local i
  for ((i = 0; i < $2 * 10; i++)); do eval "$1" && return 0; sleep 0.1; done
  return 1
}
check "the saver window opens and is active" wait_until 'logged "Activate 0x1"' 20

# The viewable top-level X windows of that geometry ("WxH+X+Y").
viewable() {
  local id
  for id in $(xwininfo -root -tree 2>/dev/null | awk -v g=" $1 " 'index($0, g) {print $1}'); do
    xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' && echo "$id"
  done
}
check "the saver window covers the primary head" wait_until '[ -n "$(viewable 640x480+0+0)" ]' 10
check "a cover takes the band below it, across the second head" \
  wait_until '[ -n "$(viewable 800x120+0+480)" ]' 10
check "a cover takes the part right of it" wait_until '[ -n "$(viewable 160x480+640+0)" ]' 10

# The pointer is over a cover before the count is taken: leaving the saver window may itself
# reach the saver as a movement.
moves_over_cover() {
  local before i
  xdotool mousemove --sync 700 100 2>/dev/null
  sleep 0.5
  before=$(count "MouseMove 0x0")
  for i in $(seq 8); do
    xdotool mousemove --sync $((700 + i)) $((100 + i)) 2>/dev/null
    xdotool mousemove --sync $((300 + i)) $((540 + i)) 2>/dev/null
    sleep 0.2
    [ "$(count "MouseMove 0x0")" -gt "$before" ] && return 0
  done
  echo "# MouseMove $before times before, $(count "MouseMove 0x0") after"
  return 1
}
check "a movement over a cover reaches the saver as a movement" moves_over_cover

xdotool mousemove --sync 720 200 2>/dev/null; sleep 0.2
xdotool click 1 2>/dev/null
xdotool mousemove --sync 400 560 2>/dev/null; sleep 0.2
xdotool click 1 2>/dev/null
sleep 1
check "a click on a cover does not end the saver" kill -0 "$probe_pid"
check "nor reaches it as losing the activation" bash -c "! grep -qxE 'Activate 0x0|ActivateApp 0x0' '$log'"

id="$(viewable 640x480+0+0 | head -n 1)"
[ -n "$id" ] && xdotool windowfocus --sync "$id" 2>/dev/null
xdotool key a 2>/dev/null
if wait_until '! kill -0 $probe_pid 2>/dev/null' 10; then
  wait "$probe_pid"
  check "a key ends it with exit 0" test $? -eq 0
else
  fail "a key ends it with exit 0 (still running)"
fi
check "the covers go with it" wait_until '[ -z "$(viewable 800x120+0+480)$(viewable 160x480+640+0)" ]' 5

# --- A password required: only the dialog lets the saver go ---
wine reg add 'HKCU\Control Panel\desktop' /v ScreenSaverIsSecure /t REG_SZ /d 1 /f >/dev/null 2>&1
wine reg add 'HKLM\software\Quillon\Starfray ScreenSaver\2.60' /v Password /t REG_SZ /d Secret \
  /f /reg:32 >/dev/null 2>&1
log="$work/password.log"
wine "$probe" "Z:${log//\//\\}" 640 480 --password --timeout 60 >"$work/password.out" 2>&1 &
probe_pid=$!
pids+=("$probe_pid")
check "the probe runs with a password required" wait_until 'logged "password required" && logged "Activate 0x1"' 20
prompt="Enter Password"
drive() { wine "$driver" "$@" 2>>"$work/driver.err" | tr -d '\r'; }
dialog_open() { [ "$(drive "$prompt" visible 1002)" = 1 ]; }
running() { kill -0 "$probe_pid" 2>/dev/null; }
shows_prompt() { xdotool search --name "^$prompt\$" >/dev/null 2>&1; }
ask_by_moving() {
  local i
  for i in $(seq 10); do
    xdotool mousemove --sync $((300 + 7 * i)) $((540 + 3 * i)) 2>/dev/null
    sleep 0.3
    shows_prompt && return 0
  done
  return 1
}
check "a movement over a cover asks for it" ask_by_moving
check "in the entry dialog" dialog_open
before=$(count "MouseMove 0x0")
for i in $(seq 6); do
  xdotool mousemove --sync $((300 + 20 * i)) $((500 + 15 * i)) 2>/dev/null
  xdotool mousemove --sync $((700 + 10 * i)) $((60 + 30 * i)) 2>/dev/null
  sleep 0.2
done
sleep 1
check "movements over the second head's covers while it is open reach the saver" \
  test "$(count "MouseMove 0x0")" -gt "$before"
check "and leave the dialog open" dialog_open
check "and the saver running" running
drive "$prompt" text 1002 secret click 1 gone >/dev/null
sleep 1
check "a wrong password keeps it running" running

# Another program's window coming to the front: a plain probe, which quits when it loses the
# activation in its turn.
other_log="$work/other.log"
wine "$probe" "Z:${other_log//\//\\}" 320 240 --timeout 30 >"$work/other.out" 2>&1 &
other_pid=$!
pids+=("$other_pid")
check "another window taking the front brings the saver back" \
  wait_until 'logged "BroughtToFront 0x0"' 20
check "which takes the front back from it" \
  wait_until 'grep -qxF "Activate 0x0" "$other_log" 2>/dev/null' 10
check "and asks for the password" dialog_open
check "which still runs" running
drive "$prompt" text 1002 Secret click 1 >/dev/null
if wait_until '! running' 10; then
  wait "$probe_pid"
  check "the right password ends it with exit 0" test $? -eq 0
else
  fail "the right password ends it with exit 0 (still running)"
fi

summary "win32 covers"
echo $? >"$IRONWOOD_COVERS_VERDICT"
