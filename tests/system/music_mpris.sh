#!/usr/bin/env bash
# Music on Linux: the saver drives a media player on the session bus. A stand-in player on a
# private bus records the calls it gets.
#   music_mpris.sh SAVER INSTALLATION STAND_IN
# The saver runs offscreen for a few frames with the music on: at start-up each of the two
# hook-ups toggles the loop status and starts playback; at shutdown playback stops and the player
# is not closed (the saver never started it), and a loop status the toggles changed is put back.
# Of several players the one playing (or paused) is driven. With no player on the bus, and with no bus at all,
# both hook-ups fail in the log and the run goes on as usual. With the music off the player hears
# nothing.
set -uo pipefail
source "$(dirname "$0")/checks.sh"
saver="$1"
generated="$2"
stand_in="$3"
work="$(mktemp -d)"
bus_pid=""
player_pid=""
first_pid=""
paused_pid=""
cleanup() {
  for pid in "$player_pid" "$first_pid" "$paused_pid"; do [ -n "$pid" ] && kill "$pid" 2>/dev/null; done
  [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

install_dir="$work/install"
mkdir -p "$install_dir"
cp -r "$generated"/. "$install_dir"/
rm -rf "$install_dir/Preview" "$install_dir/SYlog.log" "$install_dir/ScreenShots"
export IRONWOOD_SETTINGS="$work/user.reg"
export IRONWOOD_SYSTEM_SETTINGS="$work/system.reg"
configure() {  # configure MUSIC_FLAG
  {
    printf 'Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\software\\Quillon\\Starfray ScreenSaver\\2.60]\n"WorkingDirectory"="%s/"\n"Resolution"="640X480"\n"UseMP3Audio"="%s"\n' \
      "$install_dir" "$1"
    tr -d '\r' <"$generated/DefaultSettings.reg" | grep '^"' | grep -v '^"\(UseMP3Audio\|Resolution\)"'
  } >"$IRONWOOD_SYSTEM_SETTINGS"
}
# run_saver: a short offscreen run on the bus named by $DBUS_SESSION_BUS_ADDRESS; sets $code and
# $log.
run_saver() {
  rm -f "$install_dir/SYlog.log"
  env -u DISPLAY -u WAYLAND_DISPLAY "$saver" --offscreen --frames=10 --frame-ms=16 --seed=7 /s \
    >"$work/output.txt" 2>&1
  code=$?
  log="$(tr -d '\r' <"$install_dir/SYlog.log" 2>/dev/null)"
}
hookups() { grep -cx "    Attempting to Initalize WinAmp\.\.\.$1" <<<"$log"; }
ran_normally() { [ "$code" -eq 0 ] && tail -n 1 <<<"$log" | grep -qE '^Frames Per Second:[0-9.]+$'; }
calls() { grep -v '^ready$' "$work/calls.txt" 2>/dev/null | paste -sd, -; }

# A private session bus of the test's own.
{ read -r address; read -r bus_pid; } < <(dbus-daemon --session --fork --print-address=1 --print-pid=1)
export DBUS_SESSION_BUS_ADDRESS="$address"
check "the private bus runs" test -n "$address" -a -n "$bus_pid"

"$stand_in" "$work/calls.txt" &
player_pid=$!
for _ in $(seq 1 50); do grep -qx ready "$work/calls.txt" 2>/dev/null && break; sleep 0.1; done
check "the stand-in player is on the bus" grep -qx ready "$work/calls.txt"

configure 1
run_saver
check "with a player: the run ends normally" ran_normally
check "with a player: both hook-ups succeed" test "$(hookups Success)" -eq 2
echo "# calls: $(calls)"
check "with a player: loop toggled and played twice at start, stopped at shutdown, not closed" \
  test "$(calls)" = "LoopStatus=Playlist,Play,LoopStatus=None,Play,Stop"

: >"$work/calls.txt"
configure 0
run_saver
check "music off: the run ends normally" ran_normally
check "music off: no hook-up is attempted" test "$(grep -c 'Initalize WinAmp' <<<"$log")" -eq 0
check "music off: the player hears nothing" test -z "$(calls)"

kill "$player_pid" 2>/dev/null
wait "$player_pid" 2>/dev/null
player_pid=""

# Two more players: the first in sorted order stopped, the other paused and repeating one track.
# The paused one is driven; its two toggles make "Track" "Playlist", and stopping puts it back.
: >"$work/calls.txt"
"$stand_in" "$work/calls.txt" AaaIronwoodStopped &
first_pid=$!
"$stand_in" "$work/paused.txt" ZzzIronwoodPaused Track Paused &
paused_pid=$!
for _ in $(seq 1 50); do
  grep -qx ready "$work/calls.txt" 2>/dev/null && grep -qx ready "$work/paused.txt" 2>/dev/null && break
  sleep 0.1
done
configure 1
run_saver
paused_calls="$(grep -v '^ready$' "$work/paused.txt" 2>/dev/null | paste -sd, -)"
echo "# calls to the paused player: $paused_calls"
check "two players: the run ends normally" ran_normally
check "two players: the stopped one, first by name, hears nothing" test -z "$(calls)"
check "two players: the paused one is driven and its loop status put back after the stop" \
  test "$paused_calls" = "LoopStatus=None,Play,LoopStatus=Playlist,Play,Stop,LoopStatus=Track"
kill "$first_pid" "$paused_pid" 2>/dev/null
wait "$first_pid" "$paused_pid" 2>/dev/null
first_pid=""
paused_pid=""

configure 1
run_saver
check "no player on the bus: the run ends normally" ran_normally
check "no player on the bus: both hook-ups fail" test "$(hookups Failed)" -eq 2

started=$(date +%s%N)
DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus-here" run_saver
elapsed_ms=$((($(date +%s%N) - started) / 1000000))
check "no bus: the run ends normally" ran_normally
check "no bus: both hook-ups fail" test "$(hookups Failed)" -eq 2
echo "# the run without a bus took $elapsed_ms ms"

summary "music over the session bus"
