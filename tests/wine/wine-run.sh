#!/usr/bin/env bash
# Runs a Windows test program under Wine in the build folder's prefix, passing its exit code on.
set -euo pipefail
if [ -z "${WINEPREFIX:-}" ]; then
  # ctest runs this from inside the build folder tree; the prefix lives at its top.
  dir="$(cd "$(dirname "$1")" && pwd)"
  while [ "$dir" != "/" ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir="$(dirname "$dir")"; done
  export WINEPREFIX="$dir/wineprefix"
fi
source "$(dirname "$0")/wine-env.sh"
if is_pe32 "$1"; then require_wine32 "$(basename "$1"), a 32-bit program,"; fi
exec wine "$@"
