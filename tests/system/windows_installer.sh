#!/usr/bin/env bash
# The Windows installer as a user meets it, in a fresh Wine prefix of its own:
#   windows_installer.sh INSTALLER STAGE SCR_LAUNCH
# STAGE is the staged installation the installer was made from (what it must put in place);
# SCR_LAUNCH starts the installed .scr with a switch, as Windows does.
# Needs DISPLAY (run the Windows tests under xvfb-run) and xdotool. Installs silently, checks the
# files and the registry values, runs the installed saver (/s, ended by a key) and its configure
# mode (/c), installs again over a changed setting, then uninstalls silently and checks that
# everything it added is gone and nothing the user made is.
set -uo pipefail
source "$(dirname "$0")/checks.sh"
installer="$1"
stage="$2"
scr_launch="$3"

work="$(mktemp -d)"
export WINEPREFIX="$work/prefix"
source "$(dirname "$0")/../wine/wine-env.sh"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  wineserver -k 2>/dev/null  # this test's own prefix only
  [ -n "${IRONWOOD_KEEP_TEST_FILES:-}" ] && echo "# kept $work" || rm -rf "$work"
}
trap cleanup EXIT
require_wine32 "the installer (a 32-bit program)"

key='HKLM\software\Quillon\Starfray ScreenSaver\2.60'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ironwood'
install_dir="$WINEPREFIX/drive_c/Program Files/Ironwood"
saver_file="$WINEPREFIX/drive_c/windows/system32/Ironwood.scr"
saver='C:\windows\system32\Ironwood.scr'
log="$install_dir/SYlog.log"

# reg_value KEY NAME VIEW: the value's text, or nothing (and failure) when it is absent.
reg_value() {
  wine reg query "$1" /v "$2" /reg:"$3" 2>/dev/null | tr -d '\r' |
    awk -v n="$2" -F '    ' '$2 == n && $3 ~ /^REG_/ {
      print substr($0, length($2) + length($3) + 13); found = 1; exit
    } END { exit !found }'
}
key_exists() { wine reg query "$1" /reg:"$2" >/dev/null 2>&1; }
# The defaults the installation ships, as NAME<TAB>VALUE lines.
defaults() {
  tr -d '\r' <"$stage/DefaultSettings.reg" | sed -n 's/^"\(.*\)"="\(.*\)"$/\1\t\2/p'
}
# shipped: every file the installation folder must hold, relative to it.
shipped() { (cd "$stage" && find . -type f ! -name Ironwood.exe ! -name Ironwood.scr | sort); }
# Waits up to $2 seconds for the command $1 to succeed.
wait_until() {
  local i
  for ((i = 0; i < $2 * 5; i++)); do eval "$1" && return 0; sleep 0.2; done
  return 1
}
# wine_pid PATTERN: the Linux process of this prefix whose command line matches.
wine_pid() {
  local p
  for p in $(pgrep -f "$1"); do
    if tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
      echo "$p"; return 0
    fi
  done
  return 1
}

wineboot --init >/dev/null 2>&1
wineserver -w  # the registry files are written once the prefix's processes have ended
check "a fresh prefix is made" test -f "$WINEPREFIX/system.reg"
check "nothing is installed before" test ! -e "$install_dir" -a ! -e "$saver_file"

# --- silent install ----------------------------------------------------------------------------
wine "$installer" /S >/dev/null 2>&1
check "the silent install exits with 0" test $? -eq 0
check "the saver is in the 64-bit system folder" cmp -s "$stage/Ironwood.scr" "$saver_file"
check "and not in the 32-bit one" test ! -e "$WINEPREFIX/drive_c/windows/syswow64/Ironwood.scr"
missing=0
while read -r f; do cmp -s "$stage/$f" "$install_dir/$f" || missing=$((missing + 1)); done < <(shipped)
check "all $(shipped | wc -l) shipped files are in the installation folder, unchanged" \
  test "$missing" -eq 0
check "the configuration program is among them" test -s "$install_dir/StarfraySSConfig.exe"
check "an uninstaller is beside them" test -s "$install_dir/Uninstall.exe"
check "WorkingDirectory names the folder with a trailing backslash" \
  test "$(reg_value "$key" WorkingDirectory 32)" = 'C:\Program Files\Ironwood\'
wrong=0
while IFS=$'\t' read -r name value; do
  [ "$(reg_value "$key" "$name" 32)" = "$value" ] || { echo "# $name differs"; wrong=$((wrong + 1)); }
done < <(defaults)
check "every default of DefaultSettings.reg is written" test "$wrong" -eq 0
check "the settings are in the 32-bit view the saver reads" bash -c "! wine reg query '$key' /reg:64 >/dev/null 2>&1"
check "Apps and Features lists it with a silent uninstall" \
  test "$(reg_value "$uninstall_key" QuietUninstallString 64)" = '"C:\Program Files\Ironwood\Uninstall.exe" /S'

# --- the installed saver -----------------------------------------------------------------------
wine "$scr_launch" "$saver" /s >/dev/null 2>&1 & pid=$!; pids+=("$pid")
check "/s: the saver writes its log in the installation folder" \
  wait_until "[ -f '$log' ] && tr -d '\r' <'$log' | grep -qx 'END WINDOW SYSTEM'" 60
check "/s: the window system started" \
  bash -c "tr -d '\r' <'$log' | grep -qx '    Attempting to Create Window...Success'"
# Keys are read between frames: once the loading is over, a key ends it.
check "/s: it loads what the battle needs" \
  wait_until "tr -d '\r' <'$log' | grep -qx 'END LOADING ASSOCIATED FILES'" 60
window="$(xdotool search --name '^Ironwood$' 2>/dev/null | head -n 1)"
if [ -n "$window" ]; then
  xdotool windowfocus --sync "$window" 2>/dev/null
  xdotool key a
fi
if wait_until "! kill -0 $pid 2>/dev/null" 30; then
  wait "$pid"
  check "/s: a key ends it with exit 0" test $? -eq 0
else
  fail "/s: a key ends it with exit 0 (killed after 30 s)"
  kill "$pid" 2>/dev/null
  running="$(wine_pid 'system32.Ironwood\.scr')" && kill "$running" 2>/dev/null
fi
check "/s: its log ends with the frame rate" \
  bash -c "tr -d '\r' <'$log' | tail -n 1 | grep -qE '^Frames Per Second:[0-9]+\.[0-9]{6}$'"

wine "$scr_launch" "$saver" /c >/dev/null 2>&1
check "/c: the saver itself exits with 0" test $? -eq 0
check "/c: the configuration program starts from the installation folder" \
  wait_until "wine_pid 'Ironwood.StarfraySSConfig\.exe' >/dev/null" 20
config="$(wine_pid 'Ironwood.StarfraySSConfig\.exe')" && kill "$config" 2>/dev/null

# --- installing again keeps what the user chose ------------------------------------------------
first_name="$(defaults | head -n 1 | cut -f 1)"
wine reg add "$key" /v "$first_name" /t REG_SZ /d "user's choice" /f /reg:32 >/dev/null 2>&1
wine reg delete "$key" /v WorkingDirectory /f /reg:32 >/dev/null 2>&1
wine "$installer" /S >/dev/null 2>&1
check "installing again exits with 0" test $? -eq 0
check "installing again keeps a setting the user changed ($first_name)" \
  test "$(reg_value "$key" "$first_name" 32)" = "user's choice"
check "installing again writes WorkingDirectory" \
  test "$(reg_value "$key" WorkingDirectory 32)" = 'C:\Program Files\Ironwood\'

# --- silent uninstall --------------------------------------------------------------------------
mkdir -p "$install_dir/ScreenShots"
echo picture >"$install_dir/ScreenShots/SFScreenShot00.bmp"
# A value the configuration program writes and the installer does not: no default names it.
config_value=SoundFXVolume
check "no default is named $config_value" test -z "$(defaults | cut -f 1 | grep -xF "$config_value")"
wine reg add "$key" /v "$config_value" /t REG_SZ /d 40 /f /reg:32 >/dev/null 2>&1
# The uninstaller runs from a copy in the temporary folder, so the call returns at once; it is
# done once nothing runs in this prefix any more.
wine "$install_dir/Uninstall.exe" /S >/dev/null 2>&1
check "the silent uninstall finishes" timeout 120 wineserver -w
check "its own copy is gone" test ! -e "$install_dir/Uninstall.exe"
check "the saver is gone from the system folder" test ! -e "$saver_file"
left="$(cd "$install_dir" 2>/dev/null && find . -type f | sort | tr '\n' ' ')"
check "only the user's screenshot is left in the folder (left: $left)" \
  test "$left" = "./ScreenShots/SFScreenShot00.bmp "
check "WorkingDirectory is gone" bash -c "! wine reg query '$key' /v WorkingDirectory /reg:32 >/dev/null 2>&1"
present=0
while IFS=$'\t' read -r name value; do
  reg_value "$key" "$name" 32 >/dev/null && present=$((present + 1))
done < <(defaults)
check "every default it wrote is gone" test "$present" -eq 0
check "a value the configuration program wrote stays" \
  test "$(reg_value "$key" "$config_value" 32)" = 40
check "Apps and Features no longer lists it" bash -c "! wine reg query '$uninstall_key' /reg:64 >/dev/null 2>&1"

# With nothing of the user's left, nothing at all is.
rm -rf "$install_dir"
wine reg delete "$key" /v "$config_value" /f /reg:32 >/dev/null 2>&1
wine "$installer" /S >/dev/null 2>&1
wine "$install_dir/Uninstall.exe" /S >/dev/null 2>&1
timeout 120 wineserver -w
check "an untouched installation leaves no folder behind" test ! -e "$install_dir"
check "and no settings key, nor its publisher's" \
  bash -c "! wine reg query 'HKLM\\software\\Quillon' /reg:32 >/dev/null 2>&1"

summary "windows installer"
