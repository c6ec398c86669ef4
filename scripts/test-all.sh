#!/usr/bin/env bash
# Runs every test: the native Linux build and its tests (and again under the sanitizers), a short
# fuzzing run of every file reader, the Windows x86-64 build and its tests under Wine (in a
# virtual X display), and the Windows i686 build with its unit tests and the saver's start-up
# under Wine's 32-bit side. Where that side could not be installed, the tests that need it are
# skipped and named in the summary.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-deps.sh

jobs="${IRONWOOD_JOBS:-2}"
summary=()
skipped=()
skip_reasons=()
status=0

run_suite() {  # run_suite PRESET [wrapper...]
  local preset="$1"; shift
  local log="build/$preset-ctest.log"
  echo "=== $preset: tests ==="
  if "$@" ctest --preset "$preset" 2>&1 | tee "$log"; then :; else status=1; fi
  summary+=("$preset: $(grep -E 'tests passed' "$log" | tail -n 1)")
  # A skipped test ran not at all: named in the summary with the reason it printed, never counted
  # as passed.
  local name
  while read -r name; do skipped+=("$preset: $name"); done \
    < <(grep -E '^[[:space:]]*[0-9]+ - .*\(Skipped\)' "$log" | sed -E 's/^[[:space:]]*[0-9]+ - ([^ ]+).*/\1/')
  while read -r name; do skip_reasons+=("$preset: $name"); done \
    < <(grep -hE '^SKIPPED: ' "build/$preset/Testing/Temporary/LastTest.log" 2>/dev/null | sort -u)
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

# Every reader's fuzz target for a short time (two at once); a finding fails the run and its
# reproducer lands under tests/fuzz/regressions/.
fuzz_seconds="${IRONWOOD_FUZZ_SECONDS:-20}"
echo "=== fuzz: ${fuzz_seconds}s a target ==="
if IRONWOOD_FUZZ_PARALLEL=2 scripts/fuzz.sh "$fuzz_seconds" 2>&1 | tee build/fuzz-run.log; then :; else
  status=1
fi
fuzz_targets=$(grep -cE '^[a-z_]+ +[0-9]+ +[0-9]+ ' build/fuzz-run.log || true)
fuzz_failed=$(grep -E '^[a-z_]+ +[0-9]+ +[0-9]+ ' build/fuzz-run.log | awk '$7 != 0' | wc -l)
summary+=("fuzz: $(grep -E '^executions in all' build/fuzz-run.log | tail -n 1);"\
" $fuzz_failed tests failed out of $fuzz_targets")

build windows-x64
run_suite windows-x64 xvfb-run -a -s "-screen 0 1280x1024x24"

build windows-x86
run_suite windows-x86 xvfb-run -a -s "-screen 0 1280x1024x24"

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
passed=$((passed - ${#skipped[@]}))
echo "$passed passed, $failed failed, ${#skipped[@]} skipped"
if [ ${#skipped[@]} -gt 0 ]; then
  printf 'skipped %s\n' "${skipped[@]}"
  [ ${#skip_reasons[@]} -eq 0 ] || printf '%s\n' "${skip_reasons[@]}"
fi
[ "$status" -eq 0 ] && [ "$failed" -eq 0 ]
