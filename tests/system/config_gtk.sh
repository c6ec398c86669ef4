#!/usr/bin/env bash
# The configuration program's GTK sheet on a real X display, driven by key presses:
#   config_gtk.sh CONFIG OUTPUT
# Needs DISPLAY (ctest runs it under xvfb-run, 1280x1024: GTK's file chooser is large). Checks
# one sheet per user (a second start ends at once), that Escape saves nothing, that OK writes
# every value through the .reg store (keeping what was loaded), that a scenario saved in the
# editor can be added on the first page and is stored on OK, and keeps a picture of each of the
# four pages in OUTPUT. Keys move the focus as a user would; no test hook is built in.
set -uo pipefail
source "$(dirname "$0")/checks.sh"
config="$1"
output="$2"
mkdir -p "$output"

tmp=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  rm -rf "$tmp"
}
trap cleanup EXIT

install_dir="$tmp/installation/"
mkdir -p "$install_dir/Plugins" "$install_dir/Scenarios" "$tmp/run"
chmod 700 "$tmp/run"
: >"$install_dir/Plugins/Fighter.as3"
: >"$install_dir/Plugins/Cruiser.as3"
printf '1\r\n(2) Fighter.as3\r\n1\r\n(3) Cruiser.as3\r\n' >"$install_dir/Scenarios/Duel.ss3"
export XDG_RUNTIME_DIR="$tmp/run"
# The file chooser keeps its state in GSettings; in memory here, with no session bus.
export GSETTINGS_BACKEND=memory
export IRONWOOD_SETTINGS="$tmp/user.reg"
export IRONWOOD_SYSTEM_SETTINGS="$tmp/system.reg"
cat >"$IRONWOOD_SYSTEM_SETTINGS" <<REG
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\\software\\Quillon\\Starfray ScreenSaver\\2.60]
"WorkingDirectory"="$install_dir"
"Resolution"="1024X768"
"SoundFXVolume"="75"
"UseCDAudio"="1"
"NumScenarios"="1"
"Scenario(0)"="Duel.ss3"
REG

title='^Starfray SS Configuration System$'
sheet=""
start() {
  "$config" 2>>"$tmp/stderr" & pid=$!; pids+=("$pid")
  sheet=$(timeout 15 xdotool search --sync --onlyvisible --name "$title" | head -n 1)
  [ -n "$sheet" ] && sleep 0.5
}
sheets() { xdotool search --onlyvisible --name "$title" 2>/dev/null | wc -l; }
ended() {  # the started program ends with 0 within 10 s
  local i
  for i in $(seq 1 100); do
    if ! kill -0 "$pid" 2>/dev/null; then wait "$pid"; return $?; fi
    sleep 0.1
  done
  return 1
}
value() { tr -d '\r' <"$IRONWOOD_SETTINGS" | grep -x "\"$1\"=\"$2\"" >/dev/null; }
key() { xdotool windowfocus --sync "$sheet" 2>/dev/null; xdotool key --clearmodifiers "$@"; sleep 0.4; }

check "the sheet opens" start
check "a second start ends at once with 0" timeout 5 "$config"
check "only one sheet shows" test "$(sheets)" = 1
size() { xdotool getwindowgeometry "$sheet" 2>/dev/null | awk '/Geometry:/ {print $2}'; }
first_size=$(size)
names=(scenario-configuration scenario-editor sound video)
sizes=""
for i in 0 1 2 3; do
  check "page $((i + 1)) is pictured" import -window "$sheet" "$output/page-$((i + 1))-${names[$i]}.png"
  sizes="$sizes $(size)"
  key ctrl+Page_Down
done
check "the sheet keeps its size on every page ($first_size)" \
  test "$sizes" = " $first_size $first_size $first_size $first_size"
key Escape
check "Escape ends the program with 0" ended
check "Escape writes no settings" test ! -e "$IRONWOOD_SETTINGS"

# Without an installation folder the pages say why in place of their lists, in the same sheet.
cp "$IRONWOOD_SYSTEM_SETTINGS" "$tmp/system-installed.reg"
grep -v WorkingDirectory "$tmp/system-installed.reg" >"$IRONWOOD_SYSTEM_SETTINGS"
check "the sheet opens without an installation folder" start
key ctrl+Page_Down
check "and has the same size on the editor page" test "$(size)" = "$first_size"
key Escape
check "Escape ends it" ended
cp "$tmp/system-installed.reg" "$IRONWOOD_SYSTEM_SETTINGS"

check "the sheet opens again" start
key alt+o
check "OK ends the program with 0" ended
check "OK writes the settings file" test -s "$IRONWOOD_SETTINGS"
check "the counts are written" value NumScenarios 1
check "the loaded scenario list is kept" value 'Scenario(0)' Duel.ss3
check "an empty track list is written as 0" value NumMP3s 0
check "the loaded resolution is kept" value Resolution 1024X768
check "the loaded volume is kept" value SoundFXVolume 75
check "the loaded music source is kept" value UseCDAudio 1
for name in UseSoundFX UseMP3Audio Use3DFX UseDynamicLighting UseS3TC Use3DCameraView \
            Use254DCameraView MusicVolume TextureLevel; do
  check "the untouched $name is written as 0" value "$name" 0
done
check "the working directory is never written" bash -c "! grep -q WorkingDirectory '$IRONWOOD_SETTINGS'"

# The editor: add the first plug-in (Cruiser.as3) to alliance 1, save it as "Fight" through the
# file chooser, then add the new file on the first page and choose OK.
check "the sheet opens a third time" start
key ctrl+Page_Down
key Tab Tab Tab space                    # the drop-down, the count, "Add >>"
key Tab Tab Tab Tab Tab Tab Tab Tab space  # on to "Save Scenario..."
chooser=$(timeout 10 xdotool search --sync --onlyvisible --name '^Save Scenario$' | head -n 1)
check "the save dialog opens with its title" test -n "$chooser"
if [ -n "$chooser" ]; then
  xdotool windowfocus --sync "$chooser"; sleep 0.5
  xdotool type --delay 60 Fight; sleep 0.3
  xdotool key Return; sleep 1
fi
check "the editor writes Fight.ss3 with CR LF line ends" \
  cmp -s "$install_dir/Scenarios/Fight.ss3" <(printf '1\r\n(1) Cruiser.as3\r\n0\r\n')
# Typing "Duel" over the existing Duel.ss3 asks first; No goes back to the chooser, whose Cancel
# keeps the file as it was.
cp "$install_dir/Scenarios/Duel.ss3" "$tmp/duel-before"
key space                                # "Save Scenario..." again
chooser=$(timeout 10 xdotool search --sync --onlyvisible --name '^Save Scenario$' | head -n 1)
question=""
if [ -n "$chooser" ]; then
  xdotool windowfocus --sync "$chooser"; sleep 0.5
  xdotool key ctrl+a; xdotool type --delay 60 Duel; sleep 0.3
  xdotool key Return
  question=$(timeout 5 xdotool search --sync --onlyvisible --name '^Replace Scenario$' | head -n 1)
fi
check "saving as Duel asks before replacing Duel.ss3" test -n "$question"
if [ -n "$question" ]; then
  xdotool windowfocus --sync "$question"; sleep 0.3
  xdotool key Return; sleep 0.8          # No is the default answer
  check "No goes back to the chooser" test -n "$(xdotool search --onlyvisible --name '^Save Scenario$')"
  xdotool key Escape; sleep 0.8
fi
check "No keeps Duel.ss3 byte for byte" cmp -s "$install_dir/Scenarios/Duel.ss3" "$tmp/duel-before"
check "and writes no Duel.ss3.ss3" test ! -e "$install_dir/Scenarios/Duel.ss3.ss3"
key ctrl+Page_Up
check "the first page lists the new file" import -window "$sheet" "$output/page-1-after-save.png"
key Down                                 # Duel.ss3 -> Fight.ss3 in the drop-down
key Tab space                            # "Add >>"
key alt+o
check "OK ends the program with 0 again" ended
check "the catalogue now counts two" value NumScenarios 2
check "the saved scenario follows the loaded one" value 'Scenario(1)' Fight.ss3
# --export and --import: the whole configuration as a .reg file; a faulty file changes nothing;
# no import while a sheet is open, since its OK would write over it.
check "--export writes the settings" "$config" --export "$tmp/carried.reg"
check "the export holds the catalogue" grep -q '"Scenario(1)"="Fight.ss3"' "$tmp/carried.reg"
cp "$IRONWOOD_SETTINGS" "$tmp/before.reg"
printf 'Windows Registry Editor Version 5.00\n\nnot a key\n' >"$tmp/bad.reg"
"$config" --import "$tmp/bad.reg" 2>"$tmp/why"; status=$?
check "--import of a faulty file fails" test "$status" = 1
check "and says where" grep -q 'line 3' "$tmp/why"
check "and changes nothing" cmp -s "$IRONWOOD_SETTINGS" "$tmp/before.reg"
sed 's/"Resolution"="1024X768"/"Resolution"="640X480"/' "$tmp/carried.reg" >"$tmp/edited.reg"
check "the sheet opens a fourth time" start
"$config" --import "$tmp/edited.reg" 2>/dev/null; status=$?
check "--import is refused while a sheet is open" test "$status" = 1
key Escape
check "Escape ends it" ended
check "--import of a good file succeeds" "$config" --import "$tmp/edited.reg"
check "the imported value is stored" value Resolution 640X480
check "the other values stay" value 'Scenario(1)' Fight.ss3
# OK on a sheet with full lists (314 values) writes them at once: in well under a second.
{
  printf 'Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\software\\Quillon\\Starfray ScreenSaver\\2.60]\n'
  printf '"NumScenarios"="100"\n"NumMP3s"="100"\n'
  for i in $(seq 0 99); do
    printf '"Scenario(%d)"="Fleet %d.ss3"\n"MP3(%d)"="Track %d"\n"MP3Path(%d)"="/music/%d.mp3"\n' \
      "$i" "$i" "$i" "$i" "$i" "$i"
  done
} >"$IRONWOOD_SETTINGS"
check "the sheet opens with full lists" start
xdotool windowfocus --sync "$sheet" 2>/dev/null
began=$(date +%s%N)
xdotool key --clearmodifiers alt+o
for i in $(seq 1 200); do kill -0 "$pid" 2>/dev/null || break; sleep 0.01; done
took=$(( ($(date +%s%N) - began) / 1000000 ))
echo "OK with 314 values took $took ms"
check "OK ends the program with 0 once more" ended
check "OK with full lists is quick (under 2 s)" test "$took" -lt 2000
check "every value is written" value 'MP3Path(99)' /music/99.mp3
# Settings that cannot be written (a folder stands where the file goes) are told in a message
# box over the sheet; OK on it ends the program.
mkdir "$tmp/folder.reg"
IRONWOOD_SETTINGS="$tmp/folder.reg" start
check "the sheet opens over unwritable settings" test -n "$sheet"
key alt+o
told=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | grep -vx "$sheet" | head -n 1)
check "a failed save is told in a message box" test -n "$told"
[ -n "$told" ] && { xdotool windowfocus --sync "$told" 2>/dev/null; xdotool key Return; }
check "and the program ends with 0 after it" ended
check "GTK reports no misuse" bash -c "! grep -E 'CRITICAL|WARNING' '$tmp/stderr'"

summary "config_gtk"
