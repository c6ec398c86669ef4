# Sourced by the Wine test scripts: one quiet prefix per build folder, no Mono or Gecko prompts.
: "${WINEPREFIX:?WINEPREFIX must name the Wine prefix of the build folder}"
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=d;winemenubuilder.exe=d"
# The i686 build's prefix is a 32-bit one (Wine's 32-bit side, wine32), so its programs run as
# on 32-bit Windows; the build folder the prefix lives in says which build it serves.
if [ -z "${IRONWOOD_WINEARCH:-}" ]; then
  IRONWOOD_WINEARCH=win64
  if grep -qs '^CMAKE_CXX_COMPILER:[A-Z]*=.*i686' "$(dirname "$WINEPREFIX")/CMakeCache.txt"; then
    IRONWOOD_WINEARCH=win32
  fi
fi
export WINEARCH="$IRONWOOD_WINEARCH"
