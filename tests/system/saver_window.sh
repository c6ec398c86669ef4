#!/usr/bin/env bash
# The saver in its run mode on a real X display, driven by real input:
#   saver_window.sh linux|wine SAVER INSTALLATION
# INSTALLATION is the generated installation folder; the saver runs from a copy of it.
# Needs DISPLAY (ctest runs it under xvfb-run with a 1024x768 screen). Checks the log's
# sections in order, F12 screenshots, the mouse threshold, ending on deactivation, and (on
# Linux) the display mode coming back after SIGTERM.
set -uo pipefail
source "$(dirname "$0")/checks.sh"
platform="$1"
saver="$2"
generated="$3"
work="$(mktemp -d)"
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; rm -rf "$work"; }
trap cleanup EXIT

install_dir="$work/install"
mkdir -p "$install_dir"
cp -r "$generated"/. "$install_dir"/
rm -rf "$install_dir/Preview" "$install_dir/SYlog.log" "$install_dir/ScreenShots"
log="$install_dir/SYlog.log"
screen="$(xdpyinfo | awk '/dimensions:/ {print $2}')"
resolution="${screen/x/X}"

if [ "$platform" = wine ]; then
  source "$(dirname "$0")/../wine/wine-env.sh"
  key='HKLM\software\Quillon\Starfray ScreenSaver\2.60'
  wine reg add "$key" /v WorkingDirectory /t REG_SZ /d "$(winepath -w "$install_dir" 2>/dev/null | tr -d '\r')\\" /f /reg:32 >/dev/null 2>&1
  wine reg add "$key" /v Resolution /t REG_SZ /d "$resolution" /f /reg:32 >/dev/null 2>&1
  # The scenario catalogue, as an installation adds it (without the 3D camera view, whose full-
  # screen tunnel makes the frames too slow on a loaded software renderer for the timed checks;
  # the offscreen tests run with it).
  tr -d '\r' <"$generated/DefaultSettings.reg" | grep '^"' | grep -v '^"Use3DCameraView"' | while IFS='=' read -r name value; do
    wine reg add "$key" /v "$(tr -d '"' <<<"$name")" /t REG_SZ /d "$(tr -d '"' <<<"$value")" /f /reg:32 >/dev/null 2>&1
  done
  start_saver() { wine "$saver" /s >/dev/null 2>&1 & pid=$!; pids+=("$pid"); }
else
  export IRONWOOD_SETTINGS="$work/user.reg" IRONWOOD_SYSTEM_SETTINGS="$work/system.reg"
  {
    printf 'Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\software\\Quillon\\Starfray ScreenSaver\\2.60]\n"WorkingDirectory"="%s/"\n"Resolution"="%s"\n' \
      "$install_dir" "$resolution"
    # The scenario catalogue, without the 3D camera view (as above).
    tr -d '\r' <"$generated/DefaultSettings.reg" | grep '^"' | grep -v '^"Use3DCameraView"'
  } >"$IRONWOOD_SYSTEM_SETTINGS"
  start_saver() { "$saver" /s >/dev/null 2>&1 & pid=$!; pids+=("$pid"); }
fi

# Starts the saver and waits for its window; sets $pid and $window.
launch() {
  rm -f "$log"
  # The pointer rests near where the mouse test starts; the test's first motion (or, under
  # Wine, the one sent when the window appears) takes the reference.
  xdotool mousemove 480 480
  start_saver
  window=""
  for _ in $(seq 1 100); do
    window="$(xdotool search --name '^Ironwood$' 2>/dev/null | head -n 1)"
    [ -n "$window" ] && break
    sleep 0.2
  done
  sleep 1.5  # the title screen and the first frames
  [ -n "$window" ]
}
running() { kill -0 "$pid" 2>/dev/null; }
# Waits for the saver to end; its exit status is the function's.
ended() {
  for _ in $(seq 1 50); do running || break; sleep 0.2; done
  if running; then kill "$pid"; return 1; fi
  wait "$pid"
}
plain_log() { tr -d '\r' <"$log"; }

check "the window opens" launch
# Keys go to the focused window; the saver has taken the focus itself, but Wine's window only
# gets it from the X server when asked.
xdotool windowfocus --sync "$window" 2>/dev/null
# The first pointer motion only takes the reference; a move of 2 pixels keeps the saver.
# The mouse threshold is checked on the native build (and in the unit tests). Under Wine the
# reference comes from the motion Wine sends when the window appears, and the position Wine
# reports then is not reliably where the X pointer is, so keys end it there.
if [ "$platform" = linux ]; then
  xdotool mousemove 490 490; sleep 0.5  # the first motion takes the reference
  xdotool mousemove 491 491; sleep 1
  check "a 2-pixel movement does not end it" running
fi
xdotool key F12; sleep 0.7
xdotool key F12; sleep 0.7
check "F12 does not end it" running
check "the first shot is SFScreenShot00.bmp" test -s "$install_dir/ScreenShots/SFScreenShot00.bmp"
check "the second shot is SFScreenShot01.bmp" test -s "$install_dir/ScreenShots/SFScreenShot01.bmp"
if [ "$platform" = linux ]; then
  xdotool mousemove 492 491; sleep 0.3
  check "a 3-pixel movement ends it with exit 0" ended
else
  xdotool key a
  check "a key ends it with exit 0" ended
fi
check "the log has its sections in order" bash -c "tr -d '\r' <'$log' | grep -E '^(BEGIN|END) ' | tr '\n' '|' | grep -q '^BEGIN RESOLUTION CHANGE|END RESOLUTION CHANGE|BEGIN WINDOW SYSTEM|END WINDOW SYSTEM|BEGIN LOADING OPENGL SUB SYSTEM|END LOADING OPENGL SUB SYSTEM|'"
loaded_steps() { tr -d '\r' <"$log" | awk '/^BEGIN LOADING ASSOCIATED FILES$/ {on = 1; next} /^END LOADING ASSOCIATED FILES$/ {print n + 0; exit} on && /\.\.\.Success$/ {n++}'; }
check "the scenario list and the first battle loaded" bash -c "tr -d '\r' <'$log' | grep -qx 'Attempting to Load First Scenario File...Attempting to Load Alliance 2 Models...Success'"
check "all ten associated-file steps succeed" test "$(loaded_steps)" = 10
check "the resolution change succeeded" bash -c "tr -d '\r' <'$log' | grep -qx '    Attempting to Change Resolution to $screen 32bit...Success'"
check "the log ends with the frame rate" bash -c "tr -d '\r' <'$log' | tail -n 1 | grep -qE '^Frames Per Second:[0-9]+\.[0-9]{6}$'"

# The shot shows the saver's picture the right way up: the title banner (above the centre, over
# the middle third of the width) stands out brightly from the dark sky below the centre.
shot="$install_dir/ScreenShots/SFScreenShot00.bmp"
read -r width height <<<"${screen/x/ }"
mean() { convert "$shot" -crop "$1" -colorspace gray -format '%[fx:mean]' info: 2>/dev/null; }
banner="$((width / 3))x$((height / 8))+$((width / 3))+$((height * 2 / 9))"
below="$((width / 3))x$((height / 8))+$((width / 3))+$((height * 5 / 8))"
check "the shot shows the title banner above the centre" \
  awk -v a="$(mean "$banner")" -v b="$(mean "$below")" 'BEGIN { exit !(a != "" && a > b + 0.08) }'
check "the shot is a ${screen} BMP" bash -c "identify '$shot' | grep -q ' $screen '"

# Another window taking the focus ends the saver.
check "the window opens again" launch
xdotool windowfocus --sync "$window" 2>/dev/null; sleep 0.3
xev -geometry 100x100+10+10 >/dev/null 2>&1 & other=$!; pids+=("$other")
for _ in $(seq 1 25); do
  xevwin="$(xdotool search --name "^Event Tester$" 2>/dev/null | head -n 1)"
  [ -n "$xevwin" ] && break; sleep 0.2
done
[ -n "$xevwin" ] && xdotool windowfocus "$xevwin" 2>/dev/null
check "losing the focus ends it with exit 0" ended
kill "$other" 2>/dev/null

summary "saver window ($platform)"
