#!/usr/bin/env bash
# The Windows configuration program and the saver's password dialogs under Wine, through their
# real windows: dialog_driver works the controls by identifier, xdotool types where a file
# dialog wants a name, and the registry tells what was written.
#   config_wine.sh CONFIG DRIVER SAVER INSTALLATION PICTURES
# PICTURES: the folder that receives a picture of each page (people look at them).
set -uo pipefail
source "$(dirname "$0")/checks.sh"
config="$1"
driver="$2"
saver="$3"
generated="$4"
pictures="$5"
source "$(dirname "$0")/../wine/wine-env.sh"
work="$(mktemp -d)"
pids=()
key='HKLM\software\Quillon\Starfray ScreenSaver\2.60'
desktop='HKCU\Control Panel\desktop'
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  wine reg delete "$key" /f /reg:32 >/dev/null 2>&1
  wine reg delete "$desktop" /v ScreenSaverIsSecure /f >/dev/null 2>&1
  [ -n "${IRONWOOD_KEEP_TEST_FILES:-}" ] && echo "# kept $work" || rm -rf "$work"
}
trap cleanup EXIT
finish() {
  summary "configuration program and password dialogs under Wine"
  exit
}
if [ -z "${DISPLAY:-}" ] || ! xwininfo -root >/dev/null 2>&1; then
  check "an X display to run on" false
  finish
fi

win_path() { local p="${1//\//\\}"; echo "Z:$p"; }
sheet="Starfray SS Configuration System"
drive() { wine "$driver" "$@" 2>"$work/driver.err" | tr -d '\r'; }
# The registry is read once after each run (a Wine start is slow) into $work/registry.
snapshot() { wine reg query "$key" /reg:32 2>/dev/null | tr -d '\r' >"$work/registry"; }
reg_value() {  # reg_value NAME: the stored text in the snapshot; status 1 when absent
  awk -v n="$1" '$1 == n && $2 == "REG_SZ" {sub(/^[ ]*[^ ]+[ ]+REG_SZ[ ]?[ ]*/, ""); print; found = 1} END {exit !found}' \
    "$work/registry"
}
has_value() { reg_value "$1" >/dev/null; }
fresh_settings() {  # only the installation folder
  wine reg delete "$key" /f /reg:32 >/dev/null 2>&1
  wine reg add "$key" /v WorkingDirectory /t REG_SZ /d "$(win_path "$install")\\" /f /reg:32 >/dev/null 2>&1
}
start_config() {
  wine "$config" >/dev/null 2>&1 &
  started=$!
  pids+=("$started")
}
exits_within() {  # exits_within PID SECONDS
  local i
  for i in $(seq $(($2 * 10))); do
    kill -0 "$1" 2>/dev/null || { wait "$1"; return 0; }
    sleep 0.1
  done
  echo "# still running"
  return 1
}
sheet_windows() { xdotool search --name "^$sheet\$" 2>/dev/null | wc -l; }
wait_sheet() {
  local i
  for i in $(seq 150); do [ "$(sheet_windows)" -ge 1 ] && return 0; sleep 0.2; done
  return 1
}

# A small installation: two scenario files and two ship plug-ins.
install="$work/installation"
mkdir -p "$install/Scenarios" "$install/Plugins"
printf '1\r\n(1) Fighter.as3\r\n1\r\n(1) BigFighter.as3\r\n' >"$install/Scenarios/Skirmish.ss3"
printf '0\r\n0\r\n' >"$install/Scenarios/Empty.ss3"
: >"$install/Plugins/Fighter.as3"
: >"$install/Plugins/BigFighter.as3"

# --- Cancel after visiting every page and changing things writes nothing ---
fresh_settings
start_config
first=$started
check "the sheet opens, found by its caption" wait_sheet
snapshot
cp "$work/registry" "$work/registry.before"
mkdir -p "$pictures"
for page in 0 1 2 3; do
  drive "$sheet" page "$page"
  sleep 1.5
  import -window root "$pictures/wine-page-$page.png" 2>/dev/null
done
check "a picture of each page" test -s "$pictures/wine-page-3.png"
drive "$sheet" page 3 click 1033 click 1011
drive "$sheet" page 0 select 1002 0 click 1003
check "the catalogue shows the added scenario" bash -c "[ \"\$(wine '$driver' '$sheet' items 1001 | tr -d '\r')\" = Empty.ss3 ]"

# --- A second start shows no second sheet and ends at once ---
start_config
second=$started
check "a second instance ends at once" exits_within "$second" 10
check "and only one sheet is open" test "$(sheet_windows)" = 1

drive "$sheet" cancel
check "Cancel closes the program" exits_within "$first" 10
snapshot
check "Cancel writes nothing" cmp -s "$work/registry" "$work/registry.before"

# --- OK on a registry holding only the installation folder writes every value ---
fresh_settings
start_config
check "the sheet opens again" wait_sheet
pages_first_show() {
  drive "$sheet" page 3 visible 1018 checked 1031 checked 1020 page 2 visible 1019 checked 1022 |
    tr '\n' ' '
}
check "S3TC and the track list hidden, nothing ticked" test "$(pages_first_show)" = "0 0 0 0 0 "
drive "$sheet" ok
check "OK closes the program" exits_within "$started" 10
snapshot
for name in NumScenarios NumMP3s; do
  check "OK wrote $name as 0" test "$(reg_value "$name")" = 0
done
for name in UseSoundFX UseCDAudio UseMP3Audio Use3DFX UseDynamicLighting UseS3TC \
            Use3DCameraView Use254DCameraView SoundFXVolume MusicVolume TextureLevel; do
  check "OK wrote $name as 0" test "$(reg_value "$name")" = 0
done
check "OK wrote Resolution" has_value Resolution

# --- Every page's controls reach the settings ---
fresh_settings
start_config
wait_sheet
drive "$sheet" page 3 click 1036 click 1011 click 1019 slider 1012 1 \
               page 2 click 1022 click 1023 click 1024 slider 1012 25 slider 1014 100
drive "$sheet" page 0 select 1002 1 click 1003 select 1002 0 click 1003
check "the video page's camera pair leaves one on" \
  test "$(drive "$sheet" page 3 checked 1019 checked 1020 | tr '\n' ' ')" = "1 0 "
drive "$sheet" ok
exits_within "$started" 10
snapshot
check "the resolution picked is stored" test "$(reg_value Resolution)" = 1600X1200
check "3DFX on, 2.54D camera on, full 3D off" \
  test "$(reg_value Use3DFX)$(reg_value Use254DCameraView)$(reg_value Use3DCameraView)" = 110
check "texture level Medium" test "$(reg_value TextureLevel)" = 1
check "sound on; MP3 music clicked last, so CD music off" \
  test "$(reg_value UseSoundFX)$(reg_value UseCDAudio)$(reg_value UseMP3Audio)" = 101
check "slider at 25 is volume 75, at the bottom volume 0" \
  test "$(reg_value SoundFXVolume) $(reg_value MusicVolume)" = "75 0"
check "the catalogue in the order added" \
  test "$(reg_value NumScenarios) $(reg_value 'Scenario(0)') $(reg_value 'Scenario(1)')" = "2 Skirmish.ss3 Empty.ss3"

# --- The editor: a scenario saved under a new name appears on the configuration page ---
fresh_settings
start_config
wait_sheet
drive "$sheet" page 1 text 1026 250 select 1008 0 click 1006 text 1027 07 select 1012 1 click 1013
check "the editor lists show the normalised counts" \
  test "$(drive "$sheet" items 1007 items 1011 | tr '\n' '|')" = "(100) BigFighter.as3|(07) Fighter.as3|"
drive "$sheet" click 1016
save_dialog() {
  local i
  for i in $(seq 50); do xdotool search --name '^Save Scenario$' >/dev/null 2>&1 && return 0; sleep 0.2; done
  return 1
}
check "Save Scenario... opens the save dialog" save_dialog
sleep 0.5
# The dialog does not always get the X focus by itself; keys go where the focus is.
save_window="$(xdotool search --name '^Save Scenario$' 2>/dev/null | head -n 1)"
[ -n "$save_window" ] && xdotool windowfocus --sync "$save_window" 2>/dev/null
xdotool type --delay 50 Duel 2>/dev/null
xdotool key Return 2>/dev/null
saved() { local i; for i in $(seq 50); do [ -s "$install/Scenarios/Duel.ss3" ] && return 0; sleep 0.2; done; return 1; }
check "a new name is saved (Duel gives Duel.ss3)" saved
same_file() { printf '1\r\n(100) BigFighter.as3\r\n1\r\n(07) Fighter.as3\r\n' | cmp - "$1"; }
check "the file holds both lists with CR LF" same_file "$install/Scenarios/Duel.ss3"
check "the configuration page's drop-down offers it" \
  bash -c "wine '$driver' '$sheet' page 0 items 1002 | tr -d '\r' | grep -qx Duel.ss3"
# Typing "Duel" again asks before replacing Duel.ss3 (a second window of the dialog's title);
# No goes back to the dialog, whose Cancel keeps the file.
cp "$install/Scenarios/Duel.ss3" "$work/duel-before"
drive "$sheet" page 1 click 1016
save_dialog && sleep 0.5
save_window="$(xdotool search --name '^Save Scenario$' 2>/dev/null | head -n 1)"
[ -n "$save_window" ] && xdotool windowfocus --sync "$save_window" 2>/dev/null
xdotool key End shift+Home 2>/dev/null; xdotool type --delay 50 Duel 2>/dev/null
xdotool key Return 2>/dev/null
asked() { local i; for i in $(seq 25); do [ "$(xdotool search --onlyvisible --name '^Save Scenario$' 2>/dev/null | wc -l)" -ge 2 ] && return 0; sleep 0.2; done; return 1; }
check "saving as Duel again asks before replacing Duel.ss3" asked
xdotool key n 2>/dev/null; sleep 0.5; xdotool key Escape 2>/dev/null; sleep 0.5
check "No keeps Duel.ss3 byte for byte" cmp -s "$install/Scenarios/Duel.ss3" "$work/duel-before"
drive "$sheet" cancel
exits_within "$started" 10

# --- Names beyond ASCII: one the code page holds (CP1252, Wine's default) is listed and stored;
# one it cannot hold is reported once, and the sheet goes on ---
ansi=$'\xdc''berfall.ss3'   # the code page's form of the name the next line makes
printf '1\r\n(1) Fighter.as3\r\n0\r\n' >"$install/Scenarios/Überfall.ss3"
printf '0\r\n0\r\n' >"$install/Scenarios/Набег.ss3"
fresh_settings
start_config
wait_sheet
windows_become() {  # windows_become N: N windows with the sheet's caption (a message has it too)
  local i
  for i in $(seq 50); do [ "$(sheet_windows)" = "$1" ] && return 0; sleep 0.2; done
  return 1
}
check "a name outside the code page is reported once the sheet is up" windows_become 2
check "saying how many files and where" \
  bash -c "wine '$driver' '$sheet' statics | tr -d '\r' |
           grep -q '^1 file in .*Scenarios.* has a name this system cannot show, so it is not listed\.\$'"
drive "$sheet" ok
check "OK closes the message and the sheet stays" windows_become 1
drive "$sheet" page 1 page 0
sleep 1
check "shown again, the page says it no more" test "$(sheet_windows)" = 1
offered="$(drive "$sheet" page 0 items 1002)"
offers_it() { LC_ALL=C grep -qx "$ansi" <<<"$offered"; }
check "the name in the code page is offered" offers_it
row="$(LC_ALL=C grep -nx "$ansi" <<<"$offered" | cut -d: -f1)"
drive "$sheet" select 1002 "$((${row:-0} - 1))" click 1003 ok
check "OK closes the program" exits_within "$started" 10
snapshot
# reg.exe prints in the console's code page (437), where Ü is 0x9A.
check "and stores it as the same name" test "$(reg_value 'Scenario(0)')" = $'\x9a''berfall.ss3'
rm -f "$install/Scenarios/Набег.ss3"

# --- --export and --import carry the settings without a sheet ---
fresh_settings
wine reg add "$key" /v MusicVolume /t REG_SZ /d 40 /f /reg:32 >/dev/null 2>&1
wine "$config" --export "$(win_path "$work/out.reg")" >/dev/null 2>&1
check "--export succeeds" test $? = 0
check "and writes the stored values" bash -c "tr -d '\r' <'$work/out.reg' | grep -qx '\"MusicVolume\"=\"40\"'"
check "and leaves out the values never set" bash -c "! grep -q UseS3TC '$work/out.reg'"
sed 's/"MusicVolume"="40"/"MusicVolume"="60"/' "$work/out.reg" >"$work/in.reg"
wine "$config" --import "$(win_path "$work/in.reg")" >/dev/null 2>&1
check "--import succeeds" test $? = 0
snapshot
check "and stores what the file holds" test "$(reg_value MusicVolume)" = 60
lacks() { ! has_value "$1"; }
check "and nothing the file lacks" lacks UseS3TC
printf 'not a settings file\r\n' >"$work/bad.reg"
wine "$config" --import "$(win_path "$work/bad.reg")" >/dev/null 2>"$work/import.err"
check "a malformed file fails the import" test $? != 0
check "saying why" grep -q 'line 1' "$work/import.err"
snapshot
check "and changes nothing" test "$(reg_value MusicVolume)" = 60

# --- The saver's change-password mode ---
fresh_settings
wine "$saver" /a >/dev/null 2>&1 &
saver_pid=$!
pids+=("$saver_pid")
change="Change Password"
shown() { [ "$(drive "$1" visible "$2")" = 1 ]; }
check "/a shows the change dialog" shown "$change" 1001
drive "$change" text 1001 Secret text 1002 secret text 1003 x click 1
check "a retyped text that differs asks again" drive "Please Try Again" ok gone
check "and clears the fields" test "$(drive "$change" gettext 1001 gettext 1002 gettext 1003 | tr '\n' '|')" = "|||"
absent() { ! reg_value "$1" >/dev/null; }
snapshot
check "nothing is stored" absent Password
drive "$change" text 1001 Secret text 1002 Secret text 1003 anything click 1
check "a first password is stored whatever the old field holds" exits_within "$saver_pid" 10
snapshot
check "as typed" test "$(reg_value Password)" = Secret

# --- The saver asks for it before it ends when the desktop says so ---
wine reg add "$desktop" /v ScreenSaverIsSecure /t REG_SZ /d 1 /f >/dev/null 2>&1
cp -r "$generated"/. "$install"/ 2>/dev/null
# The generated catalogue, without the full 3D camera view (too slow on a software renderer).
tr -d '\r' <"$generated/DefaultSettings.reg" | grep '^"' | grep -v '^"Use3DCameraView"' |
  while IFS='=' read -r name value; do
    wine reg add "$key" /v "$(tr -d '"' <<<"$name")" /t REG_SZ /d "$(tr -d '"' <<<"$value")" \
      /f /reg:32 >/dev/null 2>&1
  done
wine reg add "$key" /v Resolution /t REG_SZ /d "$(xdpyinfo | awk '/dimensions:/ {print toupper($2)}')" \
  /f /reg:32 >/dev/null 2>&1
# Its battle comes from the scenario named beyond ASCII, as the sheet stored it.
cp "$generated/Scenarios/Duel.ss3" "$install/Scenarios/Überfall.ss3"
wine reg add "$key" /v NumScenarios /t REG_SZ /d 1 /f /reg:32 >/dev/null 2>&1
wine reg add "$key" /v 'Scenario(0)' /t REG_SZ /d 'Überfall.ss3' /f /reg:32 >/dev/null 2>&1
wine "$saver" /s >/dev/null 2>&1 &
saver_pid=$!
pids+=("$saver_pid")
running() { kill -0 "$saver_pid" 2>/dev/null; }
saver_up() { local i; for i in $(seq 100); do xdotool search --name '^Ironwood$' >/dev/null 2>&1 && return 0; sleep 0.2; done; return 1; }
check "the saver runs" saver_up
loaded() {  # the battle is loaded and frames are being drawn
  local i
  for i in $(seq 300); do
    tr -d '\r' <"$install/SYlog.log" 2>/dev/null | grep -qx 'END LOADING ASSOCIATED FILES' && return 0
    sleep 0.2
  done
  return 1
}
check "the saver loads its battle" loaded
check "from the scenario named beyond ASCII" \
  bash -c "tr -d '\r' <'$install/SYlog.log' | grep -qx 'Attempting to Load First Scenario File\.\.\..*Success'"
sleep 2
ask() {  # ask TEXT: a key brings the entry dialog; TEXT goes in and OK is pressed
  local id
  id="$(xdotool search --name '^Ironwood$' 2>/dev/null | head -n 1)"
  xdotool windowfocus --sync "$id" 2>/dev/null
  xdotool key x 2>/dev/null
  # A refused password clears the mouse reference: the next key (or movement) asks again.
  drive "Enter Password" text 1002 "$1" click 1 || { sleep 1; xdotool key x 2>/dev/null;
    drive "Enter Password" text 1002 "$1" click 1; }
}
check "a key shows the entry dialog" ask secret
sleep 1
check "a password differing in case keeps the saver running" running
check "the right one ends it" ask Secret
check "with exit 0" exits_within "$saver_pid" 15

finish
