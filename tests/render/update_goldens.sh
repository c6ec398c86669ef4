#!/usr/bin/env bash
# Renders the golden-image tests again and writes every image they draw to
# build/linux/golden-candidates/ (PNG to look at, PPM to keep). Nothing here touches
# tests/render/golden/: look at each PNG first, then copy the PPMs you accept yourself.
#   tests/render/update_goldens.sh [gtest filter]
set -euo pipefail
cd "$(dirname "$0")/../.."

cmake --preset linux >/dev/null
cmake --build --preset linux -j "${IRONWOOD_JOBS:-2}" --target ironwood_render_tests

candidates="$PWD/build/linux/golden-candidates"
golden="tests/render/golden"
rm -rf "$candidates"
mkdir -p "$candidates"

# Tests fail where a golden is missing or differs; that is what this run is for.
set +e
IRONWOOD_GOLDEN_CANDIDATES="$candidates" env -u DISPLAY build/linux/tests/ironwood_render_tests \
  --gtest_filter="${1:-*}:-EglWindow.*" >"$candidates/test-output.txt" 2>&1
set -e

shopt -s nullglob
ppms=("$candidates"/*.ppm)
if [ ${#ppms[@]} -eq 0 ]; then
  echo "No images were rendered; see $candidates/test-output.txt" >&2
  exit 1
fi

echo "Candidates in $candidates:"
for ppm in "${ppms[@]}"; do
  name="$(basename "$ppm" .ppm)"
  if [ ! -f "$golden/$name.ppm" ]; then
    state="new"
  elif cmp -s "$ppm" "$golden/$name.ppm"; then
    state="unchanged"
  else
    state="changed (differences: $candidates/$name-diff.png)"
  fi
  echo "  $name: $state"
  echo "      look at: $candidates/$name.png"
  if [ "$state" != "unchanged" ]; then
    echo "      accept:  cp '$ppm' $golden/"
  fi
done
echo
echo "Look at every new or changed PNG before copying its PPM into $golden/."
