# Sourced by the Wine test scripts: one quiet prefix per build folder, no Mono or Gecko prompts.
: "${WINEPREFIX:?WINEPREFIX must name the Wine prefix of the build folder}"
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=d;winemenubuilder.exe=d"
export WINEARCH=win64
