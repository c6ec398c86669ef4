#!/usr/bin/env bash
# Runs every test: the native Linux build and its tests, the Windows x86-64 build and its tests
# under Wine (in a virtual X display), and the Windows i686 build (compiled, not run).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-deps.sh

jobs="${IRONWOOD_JOBS:-2}"
summary=()
status=0

run_suite() {  # run_suite PRESET [wrapper...]
  local preset="$1"; shift
  local log="build/$preset-ctest.log"
  echo "=== $preset: tests ==="
  if "$@" ctest --preset "$preset" 2>&1 | tee "$log"; then :; else status=1; fi
  summary+=("$preset: $(grep -E 'tests passed' "$log" | tail -n 1)")
}

build() {  # build PRESET
  echo "=== $1: configure and build ==="
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j "$jobs"
}

build linux
run_suite linux

# The unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer: the readers of
# scene, plug-in, scenario, flare and image files meet broken files there.
build linux-asan
run_suite linux-asan

build windows-x64
run_suite windows-x64 xvfb-run -a -s "-screen 0 1280x1024x24"

build windows-x86

echo
echo "=== summary ==="
printf '%s\n' "${summary[@]}"
passed=0
failed=0
for line in "${summary[@]}"; do
  if [[ "$line" =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
    failed=$((failed + BASH_REMATCH[1]))
    passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
  else
    failed=$((failed + 1))
  fi
done
echo "$passed passed, $failed failed"
[ "$status" -eq 0 ] && [ "$failed" -eq 0 ]
