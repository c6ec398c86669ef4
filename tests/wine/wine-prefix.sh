#!/usr/bin/env bash
# Makes (once) and starts the Wine prefix the Windows tests run in.
set -euo pipefail
export WINEPREFIX="$1"
source "$(dirname "$0")/wine-env.sh"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1
fi
wineserver --wait
test -f "$WINEPREFIX/system.reg"
echo "Wine prefix ready: $WINEPREFIX"
