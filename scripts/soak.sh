#!/usr/bin/env bash
# A soak run of the saver (not part of the test run): many battles offscreen, printing the
# memory resident now and at its peak at intervals and the frame rate, first on the null OpenGL
# for simulated hours, then on the headless renderer (EGL, Mesa's llvmpipe where there is no GPU)
# for real minutes, at 640x480 unless told otherwise. Ends with one line a renderer: the peak after
# the first rotation of the catalogue (every scenario fought once) and at the end.
#
#   scripts/soak.sh [--hours=H] [--minutes=M] [--frame-ms=N] [--seed=N] [--resolution=WXH]
#                   [--null-every=FRAMES] [--headless-every=FRAMES]
#
# --hours: simulated hours on the null OpenGL (default 24; 0 skips it). --minutes: real minutes
# on the headless renderer (default 60; 0 skips it). --frame-ms: simulated milliseconds a frame
# (16). --resolution: one of the saver's resolution texts (640X480; the installation's default
# is 800X600). A line every --null-every frames (112500, half an hour at 16 ms) and every
# --headless-every frames (5000). IRONWOOD_JOBS: build jobs (2).
set -euo pipefail
cd "$(dirname "$0")/.."

hours=24 minutes=60 frame_ms=16 seed=7 null_every=112500 headless_every=5000 resolution=640X480
for argument in "$@"; do
  case "$argument" in
    --hours=*) hours="${argument#*=}" ;;
    --minutes=*) minutes="${argument#*=}" ;;
    --frame-ms=*) frame_ms="${argument#*=}" ;;
    --seed=*) seed="${argument#*=}" ;;
    --resolution=*) resolution="${argument#*=}" ;;
    --null-every=*) null_every="${argument#*=}" ;;
    --headless-every=*) headless_every="${argument#*=}" ;;
    *) echo "usage: $0 [--hours=H] [--minutes=M] [--frame-ms=N] [--seed=N] [--resolution=WXH]" \
            "[--null-every=FRAMES] [--headless-every=FRAMES]" >&2
       exit 2 ;;
  esac
done
for value in "$minutes" "$frame_ms" "$seed" "$null_every" "$headless_every"; do
  [[ "$value" =~ ^[0-9]+$ ]] || { echo "$0: not a whole number: $value" >&2; exit 2; }
done
[[ "$hours" =~ ^[0-9]+([.][0-9]+)?$ ]] || { echo "$0: not a number of hours: $hours" >&2; exit 2; }
[ "$frame_ms" -ge 1 ] && [ "$null_every" -ge 1 ] && [ "$headless_every" -ge 1 ] ||
  { echo "$0: --frame-ms and the intervals must be at least 1" >&2; exit 2; }

cmake --preset linux >/dev/null
cmake --build --preset linux -j "${IRONWOOD_JOBS:-2}" --target Ironwood installation >/dev/null

install_dir="$PWD/build/linux/installation"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# The settings of run.sh, in a folder of the run's own.
export IRONWOOD_SYSTEM_SETTINGS="$work/system-settings.reg"
export IRONWOOD_SETTINGS="$work/user-settings.reg"
{
  printf 'Windows Registry Editor Version 5.00\n\n'
  printf '[HKEY_LOCAL_MACHINE\\software\\Quillon\\Starfray ScreenSaver\\2.60]\n'
  printf '"WorkingDirectory"="%s/"\n"Resolution"="%s"\n' "$install_dir" "$resolution"
  tr -d '\r' <"$install_dir/DefaultSettings.reg" | grep '^"'
  printf '\n'
} >"$IRONWOOD_SYSTEM_SETTINGS"
scenarios=$(tr -d '\r' <"$install_dir/DefaultSettings.reg" | sed -n 's/^"NumScenarios"="\([0-9]*\)"/\1/p')

# summary NAME LOG: the peak at the first line after every scenario was fought once, and at the
# last line.
summary() {
  awk -v name="$1" -v rotation="${scenarios:-5}" '
    /^Memory (at|after) frame/ {
      battle = $6; sub(/[^0-9].*/, "", battle)
      peak = $0; sub(/ MB peak.*/, "", peak); sub(/.* /, "", peak)
      own = ""
      if (match($0, /[(][0-9.]+ MB private[)]/)) own = substr($0, RSTART + 1, RLENGTH - 13)
      if (first == "") first = peak
      if (settled == "" && battle + 0 > rotation) { settled = peak; settledAt = $4; settledOwn = own }
      last = peak; lastAt = $4; battles = battle; lastOwn = own
    }
    END {
      if (last == "") { printf "%s: no memory lines\n", name; exit }
      if (settled == "") {
        printf "%s: peak %s MB at the first line, %s MB at frame %s (%d battles, the catalogue not yet fought through)\n", name, first, last, lastAt, battles
      } else {
        printf "%s: peak %s MB at the first line, %s MB after the first %d battles (frame %s), %s MB at frame %s (%d battles): %+.1f MB since the first battles\n", name, first, settled, rotation, settledAt, last, lastAt, battles, last - settled
        if (settledOwn != "" && lastOwn != "")
          printf "%s: private memory now %s MB after the first %d battles, %s MB at the end: %+.1f MB\n", name, settledOwn, rotation, lastOwn, lastOwn - settledOwn
      }
    }' "$2"
}

status=0
if awk -v h="$hours" 'BEGIN { exit !(h > 0) }'; then
  frames=$(awk -v h="$hours" -v ms="$frame_ms" 'BEGIN { printf "%d", h * 3600000 / ms }')
  echo "Null OpenGL: $hours simulated hours, $frames frames of $frame_ms ms"
  if ! "$install_dir/Ironwood" /s --offscreen --null-gl "--frames=$frames" "--frame-ms=$frame_ms" \
      "--seed=$seed" "--memory-every=$null_every" | tee "$work/null.log"; then
    status=1
  fi
fi

if [ "$minutes" -gt 0 ]; then
  echo "Headless renderer: $minutes real minutes"
  # Ended from outside when its time is spent; the lines it printed until then are the result.
  : >"$work/headless.log"
  "$install_dir/Ironwood" /s --offscreen --frames=100000000 "--frame-ms=$frame_ms" "--seed=$seed" \
    "--memory-every=$headless_every" >"$work/headless.log" 2>&1 &
  saver=$!
  tail -f --pid="$saver" "$work/headless.log" &
  follower=$!
  end=$((SECONDS + minutes * 60))
  while kill -0 "$saver" 2>/dev/null && [ "$SECONDS" -lt "$end" ]; do sleep 1; done
  if kill -0 "$saver" 2>/dev/null; then
    kill "$saver"
    wait "$saver" 2>/dev/null || true
  elif ! wait "$saver"; then
    echo "the headless run ended before its time" >&2
    status=1
  fi
  wait "$follower" 2>/dev/null || true
  frames=$(sed -n 's/^Memory at frame \([0-9]*\).*/\1/p' "$work/headless.log" | tail -n 1)
  echo "Headless renderer: ${frames:-0} frames in $minutes minutes," \
       "$(awk -v f="${frames:-0}" -v m="$minutes" 'BEGIN { printf "%.1f", f / (m * 60) }')" \
       "frames per second"
fi

echo
[ -f "$work/null.log" ] && summary "Null OpenGL" "$work/null.log"
[ -f "$work/headless.log" ] && summary "Headless renderer" "$work/headless.log"
exit "$status"
