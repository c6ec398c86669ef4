#!/usr/bin/env bash
# The black covers over the monitors beside the saver window, under Wine:
#   win32_covers.sh WINDOW_PROBE
# Starts its own X server with two Xinerama heads, 640x480 and 800x600 (Xvfb puts both at the
# origin, so the second shows a band right of and below the first), and its own Wine prefix that
# reads its monitors from Xinerama. The probe's saver window takes the primary head; the test
# checks the two covers, that a movement over them reaches the saver as a movement, that a click
# on them is not the saver losing the activation, and that they go with the saver.
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

summary "win32 covers"
echo $? >"$IRONWOOD_COVERS_VERDICT"
