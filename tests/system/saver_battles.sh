#!/usr/bin/env bash
# Whole battles in the saver's real window, one after another:
#   saver_battles.sh linux|wine SAVER INSTALLATION
# Needs DISPLAY. The saver takes its time from the real clock, so a battle of the generated
# catalogue (a minute or more) is too long for a test: the installation copy gets a catalogue of
# two duels of one light ship against one heavy one (each alliance wins one), a few seconds each
# from warp-in to the last break-up. Checks that battles end and the next ones start without a fault, that a shot taken
# in mid-battle shows the followed ship, and that the run closes with its frame rate.
set -uo pipefail
source "$(dirname "$0")/checks.sh"
platform="$1"
saver="$2"
generated="$3"
source "$(dirname "$0")/saver_setup.sh"

printf '1\r\n(1) Lancet.as3\r\n1\r\n(1) Anvil.as3\r\n' >"$install_dir/Scenarios/QuickDuel.ss3"
printf '1\r\n(1) Anvil.as3\r\n1\r\n(1) Heron.as3\r\n' >"$install_dir/Scenarios/QuickDuel2.ss3"
configure "${screen/x/X}" '"NumScenarios"="2"
"Scenario(0)"="QuickDuel.ss3"
"Scenario(1)"="QuickDuel2.ss3"'

# Every battle start writes this line (the first one during start-up).
starts() { plain_log 2>/dev/null | grep -o 'Attempting to Load Alliance 2 Models\.\.\.' | wc -l; }
# shoot_until N SECONDS: F12 about every second until N battles have started (N - 1 have ended).
shoot_until() {
  local i
  for i in $(seq 1 "$2"); do
    [ "$(starts)" -ge "$1" ] && return 0
    running || return 1
    xdotool key F12
    sleep 1
  done
  return 1
}

check "the window opens" launch
focus
check "two battles end and the third starts within 75 s" shoot_until 3 75
check "the saver still runs" running
xdotool key a
check "a key ends it with exit 0" ended

check "the first battle loaded" \
  bash -c "tr -d '\r' <'$log' | grep -qx 'Attempting to Load First Scenario File...Attempting to Load Alliance 2 Models...Success'"
check "every later battle started without a fault" \
  bash -c "! tr -d '\r' <'$log' | grep -qE 'cannot start|No scenario can start'"
check "the log ends with the frame rate" \
  bash -c "tr -d '\r' <'$log' | tail -n 1 | grep -qE 'Frames Per Second:[0-9]+\.[0-9]{6}\$'"
echo "# $(starts) battles started; $(tr -d '\r' <"$log" | tail -n 1)"

# With the 3D camera view off the view is fixed, so the sky is the same in every shot: the
# per-pixel median of the shots is the picture without a battle, and a shot shows the battle
# where it differs from it. Only the band between the title overlays (the banner above, the
# scenario line at the bottom) is compared, where the ships start and mostly fight.
read -r width height <<<"${screen/x/ }"
band="${width}x$((height * 48 / 100))+0+$((height * 40 / 100))"
shots=("$install_dir"/ScreenShots/SFScreenShot*.bmp)
convert "${shots[@]}" -crop "$band" +repage -evaluate-sequence median "$work/sky.png"
with_ship=0
for shot in "${shots[@]}"; do
  convert "$shot" -crop "$band" +repage "$work/band.png"
  differ="$(compare -metric AE -fuzz 20% "$work/band.png" "$work/sky.png" null: 2>&1)"
  echo "# $(basename "$shot"): $differ pixels differ from the sky"
  [[ "$differ" =~ ^[0-9]+$ ]] && [ "$differ" -gt 50 ] && with_ship=$((with_ship + 1))
done
# Between battles (the last break-up faded, the next ships not yet there) or with the ships
# flown out of the band a shot may show none.
check "most shots in mid-battle show the battle ($with_ship of ${#shots[@]})" \
  test "$with_ship" -ge 3 -a "$((with_ship * 2))" -ge "${#shots[@]}"

summary "saver battles ($platform)"
