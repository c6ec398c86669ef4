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
# Wine plays sound through ALSA, which reads its devices from $HOME/.asoundrc. A build machine
# has no sound card, and DirectSound on no device fails the saver's start, so the programs run
# with a home of their own beside the prefix whose default device takes everything and keeps
# nothing. A test that listens (or wants no device at all) names its own home in
# IRONWOOD_WINE_HOME, with the .asoundrc it needs.
if [ -n "${IRONWOOD_WINE_HOME:-}" ]; then
  export HOME="$IRONWOOD_WINE_HOME"
else
  export HOME="$WINEPREFIX-home"
  if [ ! -f "$HOME/.asoundrc" ]; then
    mkdir -p "$HOME"
    printf 'pcm.!default { type null }\n' >"$HOME/.asoundrc.new"
    mv "$HOME/.asoundrc.new" "$HOME/.asoundrc"
  fi
fi
