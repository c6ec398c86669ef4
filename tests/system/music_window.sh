#!/usr/bin/env bash
# Music on Windows, under Wine: the saver finds the music player's window by its class, or starts
# the player from its default installation path, and sends it its commands.
#   music_window.sh wine SAVER INSTALLATION STAND_IN
# Needs DISPLAY. The stand-in player writes "started", each command identifier it receives and
# "ended" to "commands.txt" beside itself. Three runs of the saver, each ended with a key:
#   a player already running: repeat and play twice at start-up, stop at shutdown, no close;
#   music off, a player running and one installed: neither hears anything, none is started;
#   nothing running, the player installed at the default path: the saver starts it, drives it
#     and closes it at shutdown.
set -uo pipefail
source "$(dirname "$0")/checks.sh"
platform="$1"
saver="$2"
generated="$3"
stand_in="$4"
source "$(dirname "$0")/saver_setup.sh"

# The default installation path in the build's shared prefix; removed again when the test ends.
player_dir="$WINEPREFIX/drive_c/Program Files/winamp"
running_dir="$work/running"
player_pid=""
finish_music() {
  [ -n "$player_pid" ] && kill "$player_pid" 2>/dev/null
  rm -rf "$player_dir"
  # The shared registry goes back to no music for the tests after this one.
  wine reg add 'HKLM\software\Quillon\Starfray ScreenSaver\2.60' /v UseMP3Audio /t REG_SZ \
    /d 0 /f /reg:32 >/dev/null 2>&1
  cleanup
}
trap finish_music EXIT

commands() { tr -d '\r' <"$1/commands.txt" 2>/dev/null | paste -sd, -; }
hookups() { plain_log | grep -cx "    Attempting to Initalize WinAmp\.\.\.$1"; }
music() {  # music FLAG: a one-duel catalogue with the music on or off
  configure "${screen/x/X}" '"NumScenarios"="1"
"Scenario(0)"="QuickDuel.ss3"
"UseMP3Audio"="'"$1"'"'
}
run_once() { launch && focus && sleep 1 && xdotool key a && ended; }
printf '1\r\n(1) Lancet.as3\r\n1\r\n(1) Anvil.as3\r\n' >"$install_dir/Scenarios/QuickDuel.ss3"

mkdir -p "$running_dir"
cp "$stand_in" "$running_dir/music_stand_in.exe"
wine "$running_dir/music_stand_in.exe" >/dev/null 2>&1 &
player_pid=$!
for _ in $(seq 1 100); do [ -n "$(commands "$running_dir")" ] && break; sleep 0.1; done
check "the stand-in player runs" test "$(commands "$running_dir")" = started

music 1
check "a player running: the saver runs and ends with exit 0" run_once
echo "# running player heard: $(commands "$running_dir")"
check "a player running: repeat and play twice, then stop, no close" \
  test "$(commands "$running_dir")" = "started,40022,40045,40022,40045,40047"
check "a player running: both hook-ups succeed" test "$(hookups Success)" -eq 2

rm -rf "$player_dir"
mkdir -p "$player_dir"
cp "$stand_in" "$player_dir/winamp.exe"
rm -f "$running_dir/commands.txt"
music 0
check "music off: the saver runs and ends with exit 0" run_once
check "music off: the running player hears nothing" test -z "$(commands "$running_dir")"
check "music off: the installed player is not started" test ! -e "$player_dir/commands.txt"
check "music off: no hook-up is logged" test "$(plain_log | grep -c 'Initalize WinAmp')" -eq 0

kill "$player_pid" 2>/dev/null
wait "$player_pid" 2>/dev/null
player_pid=""
sleep 1  # the player's window goes with its process
music 1
started_at=$(date +%s)
check "none running: the saver runs and ends with exit 0" run_once
echo "# installed player heard: $(commands "$player_dir"); the run took $(($(date +%s) - started_at)) s"
check "none running: started, driven, stopped and closed" \
  test "$(commands "$player_dir")" = "started,40022,40045,40022,40045,40047,40001,ended"
check "none running: both hook-ups succeed" test "$(hookups Success)" -eq 2

summary "music window ($platform)"
