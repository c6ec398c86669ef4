#!/usr/bin/env bash
# The saver heard for real, in its real window:
#   saver_sound.sh linux|wine SAVER INSTALLATION
# Needs DISPLAY. The sound goes to a file instead of a loudspeaker: on Linux through OpenAL
# Soft's wave-file driver (ALSOFT_CONF), under Wine through an ALSA "file" device in the test's
# own home, which Wine's ALSA driver opens as the default device. The saver flies a quick duel
# until the first battle is over, so its ships have fired, been hit and broken up; the capture
# must carry the hum from the start and at least one sound over it. With sound effects off no
# device is opened and nothing is captured. With no device: Linux logs why and runs on; the
# Windows build fails its start as designed and exits 0 with the log ending after the window.
set -uo pipefail
source "$(dirname "$0")/checks.sh"
platform="$1"
saver="$2"
generated="$3"
source "$(dirname "$0")/saver_setup.sh"
analyse="$(dirname "$0")/../tools/audio_check.py"
hum="$install_dir/BackgroundHumFinal.wav"
began=$SECONDS

printf '1\r\n(1) Lancet.as3\r\n1\r\n(1) Anvil.as3\r\n' >"$install_dir/Scenarios/QuickDuel.ss3"
catalogue() {
  # Music off: another test in the same registry may have left it on, and a player hook-up
  # would add its lines and its wait to these runs.
  printf '"NumScenarios"="1"\n"Scenario(0)"="QuickDuel.ss3"\n"UseSoundFX"="%s"\n"UseMP3Audio"="0"' "$1"
}

capture="$work/capture"
if [ "$platform" = wine ]; then
  # What Wine's mixer hands ALSA: 32-bit float stereo at 48 kHz (its shared-mode mix format).
  # The "null" device behind the file never makes Wine wait, so the capture keeps the order of
  # the sounds but not wall-clock time: it may run longer than the run did.
  capture_format=(--raw f32 --rate 48000 --channels 2)
  # sound_device file|none: the default device the next run's Wine opens.
  sound_device() {
    export IRONWOOD_WINE_HOME="$work/home-$1"
    export HOME="$IRONWOOD_WINE_HOME"
    mkdir -p "$HOME"
    if [ "$1" = file ]; then
      printf 'pcm.!default {\n  type file\n  slave.pcm "null"\n  file "%s"\n  format "raw"\n}\n' \
        "$capture" >"$IRONWOOD_WINE_HOME/.asoundrc"
    else
      # A default device whose card does not exist: ALSA cannot open it.
      printf 'pcm.!default { type hw card 31 }\nctl.!default { type hw card 31 }\n' \
        >"$IRONWOOD_WINE_HOME/.asoundrc"
    fi
  }
  # The switch alone: each registry write is a Wine start of its own.
  sound_effects() {
    wine reg add 'HKLM\software\Quillon\Starfray ScreenSaver\2.60' /v UseSoundFX /t REG_SZ \
      /d "$1" /f /reg:32 >/dev/null 2>&1
  }
else
  capture_format=()
  sound_device() {
    export ALSOFT_CONF="$work/alsoft-$1.conf" ALSOFT_LOGLEVEL=0
    if [ "$1" = file ]; then
      printf '[general]\ndrivers = wave\n[wave]\nfile = %s\n' "$capture" >"$ALSOFT_CONF"
    else
      printf '[general]\ndrivers = no-such-driver\n' >"$ALSOFT_CONF"
    fi
  }
  sound_effects() { configure "${screen/x/X}" "$(catalogue "$1")"; }
fi

# Every battle start writes this line (the first one during start-up).
starts() { plain_log 2>/dev/null | grep -o 'Attempting to Load Alliance 2 Models\.\.\.' | wc -l; }
# until_battles N SECONDS: waits until N battles have started (N - 1 are over).
until_battles() {
  local i
  for i in $(seq 1 "$2"); do
    [ "$(starts)" -ge "$1" ] && return 0
    running || return 1
    sleep 1
  done
  return 1
}
# ended_within SECONDS: waits for the saver to end by itself; its status is the saver's.
ended_within() {
  local i
  for i in $(seq 1 $(($1 * 5))); do running || break; sleep 0.2; done
  if running; then kill "$pid"; return 1; fi
  wait "$pid"
}
sound_lines() { plain_log | grep -cE 'No sound device|Sound not loaded' ; }

# 1. Heard: the hum from the start, a break-up or detonation over it.
configure "${screen/x/X}" "$(catalogue 1)"
sound_device file
rm -f "$capture"
started=$SECONDS
check "the window opens with sound effects on" launch
focus
check "the first battle ends and the next starts within 60 s" until_battles 2 60
sleep 1
xdotool key a
check "a key ends it with exit 0" ended
echo "# heard run: $((SECONDS - started)) s, $(starts) battles started"
check "sound was captured" test -s "$capture"
check "the log names no sound trouble" test "$(sound_lines)" -eq 0
# The device starts with the window; the first half second is not judged (Wine's mixer and
# OpenAL's driver may begin with a period of silence).
"$analyse" "$capture" "${capture_format[@]}" --hum "$hum" --skip 0.5 --opening 2 --quiet \
  --expect-hum --expect-event >"$work/analysis.txt" 2>&1
status=$?
sed 's/^/# /' "$work/analysis.txt"
mv "$capture" "$work/heard" 2>/dev/null
check "the hum sounds from the start and a louder sound rises over it" test "$status" -eq 0

# 2. Sound effects off: no device is opened, so nothing is captured.
sound_effects 0
rm -f "$capture"
check "the window opens with sound effects off" launch
focus
sleep 2
xdotool key a
check "a key ends it with exit 0 (sound off)" ended
if [ -e "$capture" ]; then
  # A device that was opened but given nothing would still write silence.
  "$analyse" "$capture" "${capture_format[@]}" --expect-silence >/dev/null 2>&1
  fail "no device is opened with sound effects off ($(stat -c %s "$capture") bytes captured)"
else
  ok "no device is opened with sound effects off"
fi
check "the log has no sound lines (sound off)" test "$(sound_lines)" -eq 0

# 3. No device.
sound_effects 1
sound_device none
if [ "$platform" = wine ]; then
  rm -f "$log"
  start_saver
  check "without a sound device the saver ends with exit 0" ended_within 30
  check "the log ends right after the window system" \
    cmp -s <(tr -d '\r' <"$log" | tail -c 27) <(printf 'Success\nEND WINDOW SYSTEM\n\n')
  echo "# log ends with: $(tr -d '\r' <"$log" | tail -n 3 | tr '\n' '|')"
else
  check "the window opens without a sound device" launch
  focus
  sleep 2
  check "the saver runs on without a sound device" running
  xdotool key a
  check "a key ends it with exit 0 (no device)" ended
  check "the log says why there is no sound" \
    bash -c "tr -d '\r' <'$log' | grep -q '^    No sound device, sound effects off: ..*'"
  echo "# $(tr -d '\r' <"$log" | grep 'No sound device')"
fi

echo "# whole test: $((SECONDS - began)) s"
summary "saver sound ($platform)"
