# Sourced by the system test scripts: named checks, counted, and the closing summary line.
passed=0
failed=0
ok() { echo "ok - $1"; passed=$((passed + 1)); }
fail() { echo "FAIL - $1"; failed=$((failed + 1)); }
check() {  # check NAME COMMAND...: runs the command, counts its result under the name
  local name="$1"; shift
  if "$@"; then ok "$name"; else fail "$name"; fi
}
summary() {  # summary TITLE: prints "TITLE: N passed, N failed"; its status is the verdict
  echo "$1: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
