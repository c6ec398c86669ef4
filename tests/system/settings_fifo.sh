#!/usr/bin/env bash
# A FIFO where a settings layer should be: both programs take it for no settings, say so, and
# carry on at once instead of waiting on it forever.
#   settings_fifo.sh SAVER CONFIG
set -uo pipefail
source "$(dirname "$0")/checks.sh"

saver="$1"
config="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkfifo "$work/fifo.reg"

# quick NAME LOG COMMAND...: the command must end within a second and name the FIFO on stderr.
quick() {
  local name="$1" log="$2"; shift 2
  timeout 1 "$@" >/dev/null 2>"$log"
  local status=$?
  check "$name ends within a second" test "$status" -ne 124
  check "$name says why it reads no settings" \
    grep -q "$work/fifo.reg cannot be read (not a regular file)" "$log"
}

for layer in IRONWOOD_SETTINGS IRONWOOD_SYSTEM_SETTINGS; do
  export IRONWOOD_SETTINGS="$work/user.reg" IRONWOOD_SYSTEM_SETTINGS="$work/system.reg"
  export "$layer=$work/fifo.reg"
  quick "the saver with a FIFO as $layer" "$work/saver.log" "$saver" /s
  quick "the configuration program with a FIFO as $layer" "$work/config.log" \
    "$config" --export "$work/exported.reg"
done
check "the FIFO is still a FIFO" test -p "$work/fifo.reg"
summary "settings_fifo"
