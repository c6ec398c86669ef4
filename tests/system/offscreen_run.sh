#!/usr/bin/env bash
# The offscreen run: the saver's own start-up, loop and shutdown with no display, a fixed clock
# step, a fixed seed, a fixed number of frames and pictures every N frames.
#   offscreen_run.sh SAVER INSTALLATION
# INSTALLATION is the generated installation folder; the run uses a copy of it.
set -uo pipefail
source "$(dirname "$0")/checks.sh"
saver="$1"
generated="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

install_dir="$work/install"
mkdir -p "$install_dir"
cp -r "$generated"/. "$install_dir"/
rm -rf "$install_dir/Preview" "$install_dir/SYlog.log" "$install_dir/ScreenShots"
export IRONWOOD_SETTINGS="$work/user.reg"
export IRONWOOD_SYSTEM_SETTINGS="$work/system.reg"
{
  printf 'Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\software\\Quillon\\Starfray ScreenSaver\\2.60]\n"WorkingDirectory"="%s/"\n"Resolution"="640X480"\n' \
    "$install_dir"
  tr -d '\r' <"$generated/DefaultSettings.reg" | grep '^"' | grep -v '^"Resolution"'  # the scenario catalogue
} >"$IRONWOOD_SYSTEM_SETTINGS"

output="$(env -u DISPLAY -u WAYLAND_DISPLAY "$saver" --offscreen --frames=30 --frame-ms=16 \
  --seed=7 /s --pictures-every=10 "--pictures-folder=$work/pictures" \
  "--contact-sheet=$work/sheets/first.bmp" 2>&1)"
code=$?
echo "$output"
log="$(tr -d '\r' <"$install_dir/SYlog.log")"

check "exits 0" test "$code" -eq 0
check "reports the frames" grep -qE '^Offscreen run: 30 frames in [0-9.]+ s, [0-9.]+ frames per second, 3 pictures$' <<<"$output"
# Sound effects are on in the generated settings: with or without a sound device, the sound
# libraries print nothing of their own (the log has the saver's one line about a missing device).
check "the sound libraries keep quiet" bash -c '! grep -qE "^(ALSA lib|AL lib:)" <<<"$1"' _ "$output"
check "log has the window section" grep -qx '    Attempting to Create Window...Success' <<<"$log"
check "log has the OpenGL section" grep -qx 'END LOADING OPENGL SUB SYSTEM' <<<"$log"
loaded_steps() { awk '/^BEGIN LOADING ASSOCIATED FILES$/ {on = 1; next} /^END LOADING ASSOCIATED FILES$/ {print n + 0; exit} on && /\.\.\.Success$/ {n++}' <<<"$log"; }
check "all ten associated-file steps succeed" test "$(loaded_steps)" = 10
check "the first battle loaded" grep -qx 'Attempting to Load First Scenario File...Attempting to Load Alliance 2 Models...Success' <<<"$log"
# 30 frames over 30 steps of 16 ms on the offscreen clock.
check "log ends with the frame rate of the fixed clock" test "$(tail -n 1 <<<"$log")" = "Frames Per Second:62.500000"
for n in 10 20 30; do
  picture="$work/pictures/frame0000$n.bmp"
  check "picture $n is a 640x480 BMP" bash -c "identify '$picture' 2>/dev/null | grep -q ' BMP3\? 640x480 '"
done
# Half a second in, the title banner (256 x 128 above the centre at this size) stands out
# brightly from the dark sky below it; drawn upside down it would be below the centre.
mean() { convert "$work/pictures/frame000030.bmp" -crop "$1" -colorspace gray -format '%[fx:mean]' info:; }
brighter() { awk -v a="$(mean "$1")" -v b="$(mean "$2")" 'BEGIN { exit !(a > b + 0.08) }'; }
check "the banner stands out above the centre" brighter 200x60+220+110 200x60+220+300

# The contact sheet: 12 frames of 160x120 (a quarter of 640x480) tiled 4 x 3 with 2-pixel
# borders. Still in the title and tunnel after 30 frames, it spans the whole run, its last tile
# (bottom right) the last frame, with the banner above that tile's centre.
sheet="$work/sheets/first.bmp"
check "the contact sheet is reported" grep -qx "Contact sheet: $sheet, 650x368, 12 frames from 1 to 30" <<<"$output"
check "the contact sheet is a 650x368 BMP" bash -c "identify '$sheet' 2>/dev/null | grep -q ' BMP3\? 650x368 '"
sheet_mean() { convert "$sheet" -crop "$1" -colorspace gray -format '%[fx:mean]' info:; }
check "the last tile shows the last frame the right way up" \
  awk -v a="$(sheet_mean 50x15+543+273)" -v b="$(sheet_mean 50x15+543+321)" 'BEGIN { exit !(a > b + 0.08) }'
check "the borders are grey" test "$(convert "$sheet" -crop 650x2+0+0 -format '%[fx:minima.r*255],%[fx:maxima.r*255]' info:)" = "127,127"

# A catalogue whose second scenario names a missing plug-in: after the first battle (which ends
# at once, its alliance 2 being empty) the broken one is logged once with its reason and the
# third starts and holds: three battle starts in all, however many frames follow.
printf '1\n(1) Heron.as3\n0\n' >"$install_dir/Scenarios/Short.ss3"
printf '1\n(1) Heron.as3\n1\n(1) Missing.as3\n' >"$install_dir/Scenarios/Broken.ss3"
# A file no editor writes drops out of the catalogue with its reason; the rest still play.
printf '1\n(99999999) Heron.as3\n1\n(1) Cinder.as3\n' >"$install_dir/Scenarios/Huge.ss3"
broken_settings="$work/broken.reg"
{
  grep -v '^"NumScenarios"\|^"Scenario(' "$IRONWOOD_SYSTEM_SETTINGS"
  printf '"NumScenarios"="4"\n"Scenario(0)"="Huge.ss3"\n"Scenario(1)"="Short.ss3"\n"Scenario(2)"="Broken.ss3"\n"Scenario(3)"="Duel.ss3"\n'
} >"$broken_settings"
IRONWOOD_SYSTEM_SETTINGS="$broken_settings" env -u DISPLAY -u WAYLAND_DISPLAY "$saver" --offscreen \
  --frames=40 --frame-ms=16 --seed=7 /s >/dev/null 2>&1
log="$(tr -d '\r' <"$install_dir/SYlog.log")"
count() { grep -o -F "$1" <<<"$log" | wc -l; }
check "the broken scenario is logged once, with its reason" \
  bash -c "test $(count 'Broken.ss3 cannot start: ') -eq 1 && grep -q 'Broken.ss3 cannot start: .*Missing.as3' <<<'$log'"
check "the third scenario is reached and plays on" test "$(count 'Attempting to Load Alliance 2 Models...')" -eq 3
check "the saver does not give up on the catalogue" test "$(count 'No scenario can start')" -eq 0
check "an unreadable scenario file is named after the catalogue's step" \
  grep -qx '        .*Huge.ss3: alliance 1 entry 1: 99999999 ships (at most 100 an entry); left out' <<<"$log"
check "the catalogue's step still succeeds" grep -qx 'Attempting to initalize scenario files...Success' <<<"$log"
rm "$install_dir/Scenarios/Short.ss3" "$install_dir/Scenarios/Broken.ss3" "$install_dir/Scenarios/Huge.ss3"

# The flight recorder: a row a ship every 10 frames of the duel (two ships), ships numbered
# alliance 1 then 2, every value a finite number, ships that move once the battle runs.
duel_settings="$work/duel.reg"
{
  grep -v '^"NumScenarios"\|^"Scenario(\|^"Use3DCameraView"' "$IRONWOOD_SYSTEM_SETTINGS"
  # Without the warp-in the battle runs from the first frame.
  printf '"NumScenarios"="1"\n"Scenario(0)"="Duel.ss3"\n"Use3DCameraView"="0"\n'
} >"$duel_settings"
IRONWOOD_SYSTEM_SETTINGS="$duel_settings" env -u DISPLAY -u WAYLAND_DISPLAY "$saver" --offscreen \
  --frames=300 --frame-ms=16 --seed=3 "--flight-log=$work/flight.csv" --flight-log-every=10 /s \
  >/dev/null 2>&1
check "the flight log has its header" \
  test "$(head -n 1 "$work/flight.csv")" = "time_ms,ship,alliance,state,target,x,y,z,pitch,heading,roll,speed,damage"
check "a row a ship every 10 frames" test "$(wc -l <"$work/flight.csv")" -eq 61
check "rows name ship, alliance, state and target" awk -F, 'NR > 1 && !(NF == 13 && ($2 == 0 && $3 == 1 || $2 == 1 && $3 == 2) && $4 ~ /^11[123]$/ && $5 >= -1 && $5 <= 1) { exit 1 }' "$work/flight.csv"
check "every value is a finite number" bash -c "! grep -qi 'nan\|inf' '$work/flight.csv'"
check "the ships fly" awk -F, 'NR > 1 && $12 > 1 { moving = 1 } END { exit !moving }' "$work/flight.csv"
# With the 3D camera view the battle waits while the followed ship is in the tunnel (20 s): no
# ship is updated, so 300 frames record nothing.
duel3d_settings="$work/duel3d.reg"
sed 's/^"Use3DCameraView"="0"/"Use3DCameraView"="1"/' "$duel_settings" >"$duel3d_settings"
IRONWOOD_SYSTEM_SETTINGS="$duel3d_settings" env -u DISPLAY -u WAYLAND_DISPLAY "$saver" --offscreen \
  --frames=300 --frame-ms=16 --seed=3 "--flight-log=$work/flight3d.csv" /s >/dev/null 2>&1
check "the battle waits while the followed ship is in the tunnel" test "$(wc -l <"$work/flight3d.csv")" -eq 1
check "an unwritable flight log is refused" bash -c "! env -u DISPLAY '$saver' --offscreen --frames=2 --flight-log=/nonexistent/f.csv /s 2>/dev/null"

# The options never reach the mode scan: a folder named like a switch changes nothing.
output="$(env -u DISPLAY "$saver" --offscreen --frames=2 "--pictures-folder=/p" /s 2>&1)"
check "a path like a preview switch still runs" grep -q '^Offscreen run: 2 frames' <<<"$output"
check "a bad option is refused" bash -c "! env -u DISPLAY '$saver' --offscreen --frames=x /s 2>/dev/null"
# Without /s the offscreen options would run nothing (no switch is the configure mode).
for mode in "" /c /p /a; do
  check "offscreen options with '$mode' are a usage error" bash -c \
    "env -u DISPLAY '$saver' --offscreen --frames=2 $mode >/dev/null 2>&1; test \$? -eq 2"
done

# The null OpenGL: the same start-up, loop and shutdown with an OpenGL that draws nothing and
# needs no EGL or display, for long simulation runs. Its frame rate is printed beside the EGL
# one; only that the run finishes is checked.
rate() { sed -n 's/^Offscreen run: .* s, \([0-9.]*\) frames per second.*/\1/p' <<<"$1"; }
egl_output="$(env -u DISPLAY -u WAYLAND_DISPLAY "$saver" --offscreen --frames=300 --frame-ms=16 \
  --seed=7 /s 2>&1)"
output="$(env -u DISPLAY -u WAYLAND_DISPLAY "$saver" --offscreen --null-gl --frames=2000 \
  --frame-ms=16 --seed=7 --memory-every=1000 /s 2>&1)"
code=$?
memory_lines="$(grep -E '^Memory (at|after) frame ' <<<"$output")"
check "the memory lines come every 1000 frames and at the end" test \
  "$(sed -E 's/^Memory (at|after) frame ([0-9]+) .*/\1 \2/' <<<"$memory_lines" | tr '\n' ' ')" = \
  "at 1000 at 2000 after 2000 "
check "each memory line has the battle, the simulated time, the figures and the rate" test \
  "$(grep -Ec '^Memory (at|after) frame [0-9]+ [(]battle [0-9]+, 0:00:[0-9]{2} simulated[)]: [0-9]+[.][0-9] MB resident [(][0-9]+[.][0-9] MB private[)], [0-9]+[.][0-9] MB peak; [0-9.]+ frames per second$' <<<"$memory_lines")" = 3
check "the memory lines end with the peak's growth" grep -Eq \
  '^Memory: peak [0-9.]+ MB at the first line, [0-9.]+ MB at the end [(][+-][0-9.]+ MB[)]$' <<<"$output"
echo "frames per second at 640x480: EGL $(rate "$egl_output"), null OpenGL $(rate "$output")"
log="$(tr -d '\r' <"$install_dir/SYlog.log")"
check "a null OpenGL run exits 0" test "$code" -eq 0
check "a null OpenGL run draws all its frames" grep -q '^Offscreen run: 2000 frames in ' <<<"$output"
check "the null OpenGL is the driver" grep -qx '        OpenGL Driver:null-gl' <<<"$log"
check "the null OpenGL offers the three extensions" bash -c "grep -A3 -x '    Found Externsions:' <<<'$log' | tr -d '\n' | grep -qx '    Found Externsions:        GL_ARB_multitexture        GL_EXT_texture_compression_s3tc        GL_EXT_compiled_vertex_array'"
check "no loading step fails with the null OpenGL" bash -c "! grep -q 'Failed' <<<'$log'"
check "all ten associated-file steps succeed with the null OpenGL" test "$(loaded_steps)" = 10
check "the null OpenGL run reaches the first battle" grep -qx 'Attempting to Load First Scenario File...Attempting to Load Alliance 2 Models...Success' <<<"$log"
check "the null OpenGL run ends with the fixed clock's frame rate" test "$(tail -n 1 <<<"$log")" = "Frames Per Second:62.500000"
env -u DISPLAY "$saver" --offscreen --null-gl --pictures-every=10 "--pictures-folder=$work/none" /s \
  >/dev/null 2>"$work/refused"
code=$?
check "pictures with the null OpenGL are refused with exit 2" test "$code" -eq 2
check "the refusal says why" grep -q 'draws no pixels' "$work/refused"
check "the refused run writes no picture folder" test ! -e "$work/none"
env -u DISPLAY "$saver" --offscreen --null-gl "--contact-sheet=$work/none/sheet.bmp" /s \
  >/dev/null 2>"$work/refused"
code=$?
check "a contact sheet with the null OpenGL is refused with exit 2" test "$code" -eq 2
check "that refusal says why" grep -q 'contact-sheet cannot be used with --null-gl, which draws no pixels' "$work/refused"
check "the refused run writes no sheet" test ! -e "$work/none"

# Memory stays flat over a long run: a present that never lets the driver retire its frames
# grows by about a sixth of a megabyte a frame, some 230 MB over these 1400 extra frames.
max_rss() {
  /usr/bin/time -f '%M' -o "$work/rss" env -u DISPLAY -u WAYLAND_DISPLAY "$saver" --offscreen \
    "--frames=$1" --frame-ms=16 --seed=7 /s >/dev/null 2>&1 && cat "$work/rss"
}
if [ -x /usr/bin/time ]; then
  short_rss="$(max_rss 100)"
  long_rss="$(max_rss 1500)"
  echo "max RSS: ${short_rss} KB after 100 frames, ${long_rss} KB after 1500"
  check "memory stays within 8 MB of a short run's" \
    test "$(( ${long_rss:-999999999} - ${short_rss:-0} ))" -lt 8192
else
  echo "SKIP memory check: no /usr/bin/time"
fi

# A folder with only the title picture and the scenarios: the first model is missing, the step
# fails with its reason, and the saver ends at once through its normal shutdown.
find "$install_dir" -mindepth 1 -maxdepth 1 ! -name Scenarios ! -name Plugins -exec rm -rf {} +
mkdir -p "$install_dir/Gfx"
convert -size 50x30 gradient:navy-orange -type truecolor "BMP3:$install_dir/Gfx/TitleTest2.bmp"
output="$(env -u DISPLAY -u WAYLAND_DISPLAY "$saver" --offscreen --frames=30 /s 2>&1)"
code=$?
log="$(tr -d '\r' <"$install_dir/SYlog.log")"
check "a failed load exits 1" test "$code" -eq 1
check "a failed load draws no frame" grep -q '^Offscreen run: 0 frames' <<<"$output"
check "the failed step and its reason are on standard error" bash -c "grep -qx '    Attempting To Load UniBillboard...Failed' <<<'$output' && grep -q '^        cannot open .*UniBillboard.ase' <<<'$output'"
check "the failed step and its reason are logged" bash -c "grep -qx '    Attempting To Load UniBillboard...Failed' <<<'$log' && grep -q '^        cannot open .*UniBillboard.ase' <<<'$log'"
check "the log still ends with the frame rate" grep -q '^Frames Per Second:' <<<"$(tail -n 1 <<<"$log")"


# Runs that cannot give what they were asked for say so and fail, rather than report nothing
# found: a statistics run on that folder, an installation folder that is a file or not named,
# and a clock that would never move (its battles would never reach their time limit).
output="$(env -u DISPLAY "$saver" --battle-stats=1 /s 2>&1)"
code=$?
check "statistics of a saver that did not start fail with the reason" bash -c "test $code -eq 1 && grep -q '^Ironwood: the saver did not start; ' <<<'$output' && grep -qx '    Attempting To Load UniBillboard...Failed' <<<'$output' && ! grep -q '^battles 0' <<<'$output'"
no_folder="$work/no-folder.reg"
sed 's|^"WorkingDirectory"=.*|"WorkingDirectory"="'"$work"'/user.reg"|' "$IRONWOOD_SYSTEM_SETTINGS" >"$no_folder"
output="$(IRONWOOD_SYSTEM_SETTINGS="$no_folder" env -u DISPLAY "$saver" --battle-stats=1 /s 2>&1)"
code=$?
check "an installation folder that is a file fails the run" bash -c "test $code -eq 1 && grep -q 'WorkingDirectory) is not a folder' <<<'$output'"
grep -v '^"WorkingDirectory"' "$IRONWOOD_SYSTEM_SETTINGS" >"$no_folder"
output="$(IRONWOOD_SYSTEM_SETTINGS="$no_folder" env -u DISPLAY "$saver" --offscreen --null-gl --frames=2 /s 2>&1)"
code=$?
check "settings without an installation folder fail the run" bash -c "test $code -eq 1 && grep -q 'no installation folder (WorkingDirectory)' <<<'$output'"
output="$(env -u DISPLAY "$saver" --battle-stats=1 --frame-ms=0 /s 2>&1)"
code=$?
check "a frame step of 0 is refused" bash -c "test $code -eq 2 && grep -q '^Ironwood: bad value in --frame-ms=0; usage' <<<'$output'"

summary "offscreen run"
