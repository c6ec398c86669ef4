#!/usr/bin/env bash
# The offscreen run: the saver's own start-up, loop and shutdown with no display, a fixed clock
# step, a fixed seed, a fixed number of frames and pictures every N frames.
#   offscreen_run.sh SAVER
set -uo pipefail
source "$(dirname "$0")/checks.sh"
saver="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

install_dir="$work/install"
mkdir -p "$install_dir/Gfx"
# A title picture of our own: a 24-bit BMP with rows that need padding (50 * 3 bytes).
convert -size 50x30 gradient:navy-orange -type truecolor "BMP3:$install_dir/Gfx/TitleTest2.bmp"
export IRONWOOD_SETTINGS="$work/user.reg"
export IRONWOOD_SYSTEM_SETTINGS="$work/system.reg"
printf 'Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\software\\Quillon\\Starfray ScreenSaver\\2.60]\n"WorkingDirectory"="%s/"\n"Resolution"="640X480"\n' \
  "$install_dir" >"$IRONWOOD_SYSTEM_SETTINGS"

output="$(env -u DISPLAY -u WAYLAND_DISPLAY "$saver" --offscreen --frames=30 --frame-ms=16 \
  --seed=7 /s --pictures-every=10 "--pictures-folder=$work/pictures" 2>&1)"
code=$?
echo "$output"
log="$(tr -d '\r' <"$install_dir/SYlog.log")"

check "exits 0" test "$code" -eq 0
check "reports the frames" grep -qE '^Offscreen run: 30 frames in [0-9.]+ s, [0-9.]+ frames per second, 3 pictures$' <<<"$output"
check "log has the window section" grep -qx '    Attempting to Create Window...Success' <<<"$log"
check "log has the OpenGL section" grep -qx 'END LOADING OPENGL SUB SYSTEM' <<<"$log"
# 30 frames over 30 steps of 16 ms on the offscreen clock.
check "log ends with the frame rate of the fixed clock" test "$(tail -n 1 <<<"$log")" = "Frames Per Second:62.500000"
for n in 10 20 30; do
  picture="$work/pictures/frame0000$n.bmp"
  check "picture $n is a 640x480 BMP" bash -c "identify '$picture' 2>/dev/null | grep -q ' BMP3\? 640x480 '"
done
# The picture shows the title: the gradient's bottom is orange, its top navy.
rgb() { convert "$work/pictures/frame000030.bmp" -crop "1x1+$1+$2" -depth 8 txt:- | tail -n 1 |
  grep -oE '\([0-9]+,[0-9]+,[0-9]+\)' | tr -d '()' | tr ',' ' '; }
bluer_than_red() { read -r r _ b <<<"$(rgb "$1" "$2")"; [ "$b" -gt $((r + 60)) ]; }
redder_than_blue() { read -r r _ b <<<"$(rgb "$1" "$2")"; [ "$r" -gt $((b + 60)) ]; }
check "the top of the frame is navy" bluer_than_red 320 40
check "the bottom of the frame is orange" redder_than_blue 320 440

# The options never reach the mode scan: a folder named like a switch changes nothing.
output="$(env -u DISPLAY "$saver" --offscreen --frames=2 "--pictures-folder=/p" /s 2>&1)"
check "a path like a preview switch still runs" grep -q '^Offscreen run: 2 frames' <<<"$output"
check "a bad option is refused" bash -c "! env -u DISPLAY '$saver' --offscreen --frames=x /s 2>/dev/null"

summary "offscreen run"
