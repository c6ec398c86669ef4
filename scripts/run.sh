#!/usr/bin/env bash
# Sets up, builds and runs the saver from this checkout.
# The installation folder and the settings it reads live in build/linux/installation, so a run
# never touches the settings of an installed copy.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux -j "${IRONWOOD_JOBS:-2}" --target Ironwood StarfraySSConfig

install_dir="$PWD/build/linux/installation"
mkdir -p "$install_dir"
cp build/linux/Ironwood build/linux/StarfraySSConfig "$install_dir/"
export IRONWOOD_SYSTEM_SETTINGS="$install_dir/system-settings.reg"
export IRONWOOD_SETTINGS="$install_dir/user-settings.reg"
cat >"$IRONWOOD_SYSTEM_SETTINGS" <<REG
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\\software\\Quillon\\Starfray ScreenSaver\\2.60]
"WorkingDirectory"="$install_dir/"

REG

echo "Running the saver from $install_dir (arguments: ${*:-/s})"
set +e
"$install_dir/Ironwood" "${@:-/s}"
code=$?
set -e
echo "Exit code: $code"
if [ -f "$install_dir/SYlog.log" ]; then
  echo "--- start-up log ($install_dir/SYlog.log) ---"
  cat "$install_dir/SYlog.log"
  echo
fi
exit "$code"
