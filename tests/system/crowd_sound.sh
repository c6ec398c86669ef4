#!/usr/bin/env bash
# A 500-ship battle heard (Linux, about 80 s on two cores; too slow for the regular test run):
#   crowd_sound.sh SAVER INSTALLATION [FRAMES]
# Three sounds a ship and one a torpedo are far more than OpenAL Soft's 256 sources; the output
# gives its sources to the loudest sounds, so once the fleets meet the sounds nearest the camera
# go on being heard over the hum. The saver runs offscreen (no display needed) on a copy of the
# generated installation with the 500-ship scenario of the frame benchmark, its sound written to
# a file by OpenAL Soft's wave driver; tests/tools/audio_check.py then wants the hum from the
# start and, from the first sound over it, most windows standing 30 dB above the hum alone.
set -uo pipefail
source "$(dirname "$0")/checks.sh"
saver="$1"
generated="$2"
frames="${3:-900}"
analyse="$(dirname "$0")/../tools/audio_check.py"
work="$(mktemp -d)"
trap '[ -n "${IRONWOOD_KEEP_TEST_FILES:-}" ] && echo "# kept $work" || rm -rf "$work"' EXIT
began=$SECONDS

install_dir="$work/install"
mkdir -p "$install_dir"
cp -r "$generated"/. "$install_dir"/
rm -rf "$install_dir/Preview" "$install_dir/SYlog.log" "$install_dir/ScreenShots"
# 250 against 250 (an entry holds at most 100 ships).
printf '3\r\n(100) Lancet.as3\r\n(100) Lancet.as3\r\n(50) Lancet.as3\r\n3\r\n(100) Cinder.as3\r\n(100) Cinder.as3\r\n(50) Cinder.as3\r\n' \
  >"$install_dir/Scenarios/FiveHundred.ss3"
export IRONWOOD_SETTINGS="$work/user.reg" IRONWOOD_SYSTEM_SETTINGS="$work/system.reg"
printf 'Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\software\\Quillon\\Starfray ScreenSaver\\2.60]\n"WorkingDirectory"="%s/"\n"NumScenarios"="1"\n"Scenario(0)"="FiveHundred.ss3"\n"UseSoundFX"="1"\n"UseMP3Audio"="0"\n"Use3DCameraView"="1"\n' \
  "$install_dir" >"$IRONWOOD_SYSTEM_SETTINGS"
capture="$work/capture.wav"
export ALSOFT_CONF="$work/alsoft.conf" ALSOFT_LOGLEVEL=0
printf '[general]\ndrivers = wave\n[wave]\nfile = %s\n' "$capture" >"$ALSOFT_CONF"

# 50 ms frames: the tunnel is over in 400 of them and the fleets meet soon after.
env -u DISPLAY "$saver" /s --offscreen --frames="$frames" --frame-ms=50 --seed=7 --sound \
  >"$work/run.txt" 2>&1
status=$?
sed 's/^/# /' "$work/run.txt"
check "the 500-ship run ends with exit 0" test "$status" -eq 0
check "sound was captured" test -s "$capture"
check "the log names no sound trouble" \
  test "$(tr -d '\r' <"$install_dir/SYlog.log" | grep -cE 'No sound device|Sound not loaded|sound effects are off')" -eq 0
"$analyse" "$capture" --hum "$install_dir/BackgroundHumFinal.wav" --skip 0.5 --opening 2 --quiet \
  --expect-hum --expect-event --event-db 30 --event-share 0.8 >"$work/analysis.txt" 2>&1
status=$?
sed 's/^/# /' "$work/analysis.txt"
check "the hum from the start and the nearest sounds heard over it throughout the battle" \
  test "$status" -eq 0
echo "# whole test: $((SECONDS - began)) s"
summary "crowd sound"
