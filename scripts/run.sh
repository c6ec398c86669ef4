#!/usr/bin/env bash
# Sets up, builds and runs the saver from this checkout: full screen when there is a display,
# offscreen (pictures written to files) when there is none. Arguments, when given, are passed to
# the saver as they are (for example /c, or /s --offscreen --frames=60).
# The installation folder and the settings it reads live in build/linux/installation, so a run
# never touches the settings of an installed copy.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-deps.sh
cmake --preset linux >/dev/null
# `installation` runs assetgen into build/linux/installation and copies both programs there.
cmake --build --preset linux -j "${IRONWOOD_JOBS:-2}" --target Ironwood StarfraySSConfig installation

install_dir="$PWD/build/linux/installation"
export IRONWOOD_SYSTEM_SETTINGS="$install_dir/system-settings.reg"
export IRONWOOD_SETTINGS="$install_dir/user-settings.reg"
# The folder, and the generated defaults (the scenario catalogue) from DefaultSettings.reg.
{
  printf 'Windows Registry Editor Version 5.00\n\n'
  printf '[HKEY_LOCAL_MACHINE\\software\\Quillon\\Starfray ScreenSaver\\2.60]\n'
  printf '"WorkingDirectory"="%s/"\n' "$install_dir"
  tr -d '\r' <"$install_dir/DefaultSettings.reg" | grep '^"'
  printf '\n'
} >"$IRONWOOD_SYSTEM_SETTINGS"

set +e
if [ -n "${DISPLAY:-}" ] && [ "$#" -eq 0 ]; then
  echo "Running the saver full screen from $install_dir (move the mouse or press a key to end it)"
  "$install_dir/Ironwood" /s
elif [ "$#" -eq 0 ]; then
  pictures="$install_dir/offscreen-pictures"
  echo "No display: running the saver offscreen; pictures go to $pictures"
  # 80 s of battle time in 50 ms steps: the warp-in, then the first battle, with a picture every
  # 5 s and a contact sheet of the battle.
  mkdir -p "$pictures"
  "$install_dir/Ironwood" /s --offscreen --frames=1600 --frame-ms=50 \
    --pictures-every=100 "--pictures-folder=$pictures" "--contact-sheet=$pictures/battle.bmp"
else
  "$install_dir/Ironwood" "$@"
fi
code=$?
set -e
echo "Exit code: $code"
if [ -f "$install_dir/SYlog.log" ]; then
  echo "--- start-up log ($install_dir/SYlog.log) ---"
  cat "$install_dir/SYlog.log"
  echo
fi
exit "$code"
