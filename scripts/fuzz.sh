#!/usr/bin/env bash
# Builds the fuzz preset and runs each reader's fuzz target for the given time, then prints per
# target: executions, executions per second, coverage (edges and features), corpus size and
# every crash, leak, timeout or out-of-memory found, with its reproducer. Reproducers are kept
# under tests/fuzz/regressions/<target>/, where the unit tests replay them.
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
#
# IRONWOOD_FUZZ_PARALLEL: targets run at once (default 1). IRONWOOD_JOBS: build jobs (2).
# The corpora grow under build/fuzz/corpus/ from run to run; the seeds come from
# `assetgen --fuzz-seeds` each time. Exit status 1 when anything was found.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

seconds="${1:-60}"
shift || true
all=(bmp embedded_texture dds ase plugin scenario lens_flare wave reg_text description model_import)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all[@]}")
parallel="${IRONWOOD_FUZZ_PARALLEL:-1}"

declare -A max_len=(
  [bmp]=8192 [embedded_texture]=4096 [dds]=8192 [ase]=65536 [plugin]=16384
  [scenario]=4096 [lens_flare]=4096 [wave]=4096 [reg_text]=8192 [description]=4096 [model_import]=16384)

build="$root/build/fuzz"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "${IRONWOOD_JOBS:-2}" >/dev/null
runs="$build/runs"
rm -rf "$build/seeds" "$runs"
mkdir -p "$runs"
"$build/tools/assetgen/assetgen" --fuzz-seeds "$build/seeds"

# fuzz_one TARGET: runs it until its time is spent, starting again after each finding.
fuzz_one() {
  local t="$1"
  local bin="$build/tests/fuzz/fuzz_$t" corpus="$build/corpus/$t" out="$runs/$t"
  local regressions="$root/tests/fuzz/regressions/$t"
  mkdir -p "$corpus" "$out/artifacts" "$build/seeds/$t"
  local dirs=("$corpus" "$build/seeds/$t")
  [ -d "$regressions" ] && dirs+=("$regressions")
  local start=$SECONDS left round=0 execs=0 rate_sum=0 cov=0 ft=0
  : >"$out/findings"
  while :; do
    left=$((seconds - (SECONDS - start)))
    [ "$left" -ge 2 ] || break
    round=$((round + 1))
    local log="$out/run-$round.log"
    # AddressSanitizer keeps up to 256 MB of freed memory in quarantine by default, which alone
    # would reach the memory limit in a target that allocates a lot; a small quarantine leaves
    # the limit to what the reader itself holds.
    if ASAN_OPTIONS="quarantine_size_mb=16${ASAN_OPTIONS:+:$ASAN_OPTIONS}" \
       LSAN_OPTIONS="suppressions=$root/tests/fuzz/lsan_suppressions.txt${LSAN_OPTIONS:+:$LSAN_OPTIONS}" \
       "$bin" -rss_limit_mb=256 -max_len="${max_len[$t]}" -timeout=10 -max_total_time="$left" \
         -print_final_stats=1 -artifact_prefix="$out/artifacts/" "${dirs[@]}" >"$log" 2>&1; then
      :
    fi
    local n
    n=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    execs=$((execs + ${n:-0}))
    local last
    last=$(grep -E '^#[0-9]+.* cov: ' "$log" | tail -n 1 || true)
    if [ -n "$last" ]; then
      cov=$(sed -E 's/.* cov: ([0-9]+).*/\1/' <<<"$last")
      ft=$(sed -E 's/.* ft: ([0-9]+).*/\1/' <<<"$last")
    fi
    local found=0
    for artifact in "$out"/artifacts/*; do
      [ -f "$artifact" ] || continue
      found=1
      mkdir -p "$regressions"
      local name
      name="$(basename "$artifact")"
      mv "$artifact" "$regressions/$name"
      echo "$name: tests/fuzz/regressions/$t/$name (log: $log)" >>"$out/findings"
    done
    # A run that ended early without a reproducer (a build or start problem) ends the target.
    [ "$found" -eq 1 ] || break
  done
  local elapsed=$((SECONDS - start))
  [ "$elapsed" -gt 0 ] || elapsed=1
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$t" "$execs" "$((execs / elapsed))" "$cov" "$ft" \
    "$(find "$corpus" -type f | wc -l)" "$(wc -l <"$out/findings")" >"$out/summary"
}

running=0
for t in "${targets[@]}"; do
  if [ -z "${max_len[$t]:-}" ]; then echo "no such fuzz target: $t" >&2; exit 2; fi
  echo "fuzzing $t for ${seconds}s"
  fuzz_one "$t" &
  running=$((running + 1))
  if [ "$running" -ge "$parallel" ]; then wait -n || true; running=$((running - 1)); fi
done
wait

echo
printf '%-17s %12s %9s %7s %8s %7s %s\n' target executions exec/s cov features corpus findings
total=0
findings=0
for t in "${targets[@]}"; do
  IFS=$'\t' read -r name execs rate cov ft corpus found <"$runs/$t/summary"
  printf '%-17s %12s %9s %7s %8s %7s %s\n' "$name" "$execs" "$rate" "$cov" "$ft" "$corpus" "$found"
  total=$((total + execs))
  findings=$((findings + found))
  sed 's/^/    /' "$runs/$t/findings"
done
echo "executions in all: $total; findings: $findings"
[ "$findings" -eq 0 ]
