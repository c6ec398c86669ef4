# Sourced by the Wine test scripts: one quiet prefix per build folder, no Mono or Gecko prompts.
: "${WINEPREFIX:?WINEPREFIX must name the Wine prefix of the build folder}"
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=d;winemenubuilder.exe=d"
# Every prefix is a 64-bit one: the i686 build's programs run in its 32-bit side (WoW64), as they
# do on the 64-bit Windows people have today. IRONWOOD_WINEARCH=win32 makes a 32-bit prefix for
# a run by hand, as on 32-bit Windows.
IRONWOOD_WINEARCH="${IRONWOOD_WINEARCH:-win64}"
export WINEARCH="$IRONWOOD_WINEARCH"
# Wine without its 32-bit side (Debian's wine32:i386) runs a 32-bit program not at all and still
# exits with 0, which would pass a test of the i686 build unrun; the installer is a 32-bit
# program on both builds. Scripts that run one call this first. Without the 32-bit side it ends
# them with 77, which ctest reports as skipped (never as passed), with the reason; a setup that
# could not install the 32-bit side (a broken i386 package list, say) leaves the rest testable.
require_wine32() {
  if [ -e /usr/lib/wine/wine64 ] && [ ! -x /usr/lib/wine/wine ]; then
    echo "SKIPPED: $1 needs Wine's 32-bit side, which is not installed (Debian: wine32:i386;" \
      "scripts/setup-deps.sh installs it where the i386 packages can be had)" >&2
    exit 77
  fi
}
# Whether FILE is a 32-bit Windows program: its PE optional header's magic is 0x10b.
is_pe32() {
  local at magic
  at=$(od -An -t u4 -j 60 -N 4 "$1" 2>/dev/null | tr -d ' ') || return 1
  [ -n "$at" ] || return 1
  magic=$(od -An -t x2 -j $((at + 24)) -N 2 "$1" 2>/dev/null | tr -d ' ')
  [ "$magic" = 010b ]
}
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
