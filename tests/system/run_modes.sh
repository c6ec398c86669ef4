#!/usr/bin/env bash
# The saver's run modes and the shared settings, driven through the real programs.
#   run_modes.sh linux|wine SAVER PROBE STAND_IN
# linux: the native build against the .reg file store in a temporary folder.
# wine:  the Windows build under Wine against the registry of $WINEPREFIX.
set -uo pipefail
source "$(dirname "$0")/checks.sh"

platform="$1"
saver="$2"
probe="$3"
stand_in="$4"

work="$(mktemp -d)"
trap 'cleanup' EXIT


install_dir="$work/install"
mkdir -p "$install_dir"
marker="$install_dir/StandInRan.txt"
log="$install_dir/SYlog.log"

if [ "$platform" = wine ]; then
  source "$(dirname "$0")/../wine/wine-env.sh"
  key='HKLM\software\Quillon\Starfray ScreenSaver\2.60'
  cp "$stand_in" "$install_dir/StarfraySSConfig.exe"
  run_saver() { wine "$saver" "$@" >/dev/null 2>&1; }
  run_probe() { wine "$probe" "$@" 2>/dev/null | tr -d '\r'; }
  probe_reads_nothing() { ! wine "$probe" read "$1" >/dev/null 2>&1; }
  win_path() { winepath -w "$1" 2>/dev/null | tr -d '\r'; }
  # The installer's way: the registry tool writes the value, the saver reads it.
  set_working_directory() {
    wine reg add "$key" /v WorkingDirectory /t REG_SZ /d "$(win_path "$1")\\" /f /reg:32 \
      >/dev/null 2>&1
  }
  clear_settings() { wine reg delete "$key" /f /reg:32 >/dev/null 2>&1 || true; }
  cleanup() { rm -rf "$work"; }
  wineserver --persistent=60 || true
else
  export IRONWOOD_SETTINGS="$work/user/settings.reg"
  export IRONWOOD_SYSTEM_SETTINGS="$work/system/settings.reg"
  mkdir -p "$work/system"
  cp "$stand_in" "$install_dir/StarfraySSConfig"
  run_saver() { "$saver" "$@" >/dev/null 2>&1; }
  run_probe() { "$probe" "$@"; }
  probe_reads_nothing() { ! "$probe" read "$1" >/dev/null 2>&1; }
  win_path() { echo "$1"; }
  # As an installation does: the system layer carries the folder.
  set_working_directory() {
    printf 'Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\software\\Quillon\\Starfray ScreenSaver\\2.60]\n"WorkingDirectory"="%s/"\n' \
      "$1" >"$IRONWOOD_SYSTEM_SETTINGS"
  }
  clear_settings() { rm -f "$IRONWOOD_SYSTEM_SETTINGS" "$IRONWOOD_SETTINGS"; }
  cleanup() { rm -rf "$work"; }
fi

# Waits up to $2 seconds for a file to appear.
wait_for() {
  local i
  for ((i = 0; i < $2 * 10; i++)); do [ -e "$1" ] && return 0; sleep 0.1; done
  return 1
}

exits_zero() { run_saver "$@"; }

# --- With no installation folder every mode exits 0 and does nothing. ---
clear_settings
for args in "/s" "/c" "" "/p 1234" "/a" "-l"; do
  # shellcheck disable=SC2086
  check "no WorkingDirectory: '$args' exits 0" exits_zero $args
done
sleep 1
check "no WorkingDirectory: no log written" test ! -e "$log"
check "no WorkingDirectory: configuration program not started" test ! -e "$marker"

set_working_directory "$install_dir"

# --- Configure starts the configuration program and does not wait for it. ---
for args in "/c" "-C:1234" ""; do
  rm -f "$marker"
  # shellcheck disable=SC2086
  if run_saver $args && wait_for "$marker" 20; then
    ok "'$args' starts the configuration program"
  else
    fail "'$args' starts the configuration program"
  fi
done
check "configure writes no log" test ! -e "$log"

# --- Preview exits at once; nothing is started or written. ---
rm -f "$marker"
for args in "/p 1234" "/l"; do
  # shellcheck disable=SC2086
  check "'$args' exits 0" exits_zero $args
done
sleep 1
check "preview starts nothing" test ! -e "$marker"
check "preview writes no log" test ! -e "$log"

# --- Run: an unknown switch is skipped and the run mode starts. ---
# Under Wine the saver opens its window on the test's X display and runs until a key press ends
# it; the log then ends with the frame rate. The native build runs here without a display: its
# window cannot open, so it ends at once, having only created its (empty) log.
run_mode() {  # run_mode ARGS...: runs the saver to its end, 0 when it exited 0
  if [ "$platform" = wine ]; then
    wine "$saver" "$@" >/dev/null 2>&1 &
    local pid=$! window=""
    for _ in $(seq 1 100); do
      window="$(xdotool search --name '^Ironwood$' 2>/dev/null | head -n 1)"
      [ -n "$window" ] && break
      sleep 0.2
    done
    [ -n "$window" ] && sleep 1 && xdotool key --window "$window" a
    local waited=0
    while kill -0 "$pid" 2>/dev/null && [ "$waited" -lt 100 ]; do sleep 0.2; waited=$((waited + 1)); done
    kill "$pid" 2>/dev/null
    wait "$pid"
  else
    env -u DISPLAY -u WAYLAND_DISPLAY "$saver" "$@" >/dev/null 2>&1
  fi
}
run_log_complete() {
  if [ "$platform" = wine ]; then
    tr -d '\r' <"$log" | grep -q 'Frames Per Second:[0-9.]*$' &&
      tr -d '\r' <"$log" | grep -qx 'END LOADING OPENGL SUB SYSTEM'
  else
    [ -f "$log" ] && [ ! -s "$log" ]
  fi
}
for args in "/x /s" "/S"; do
  rm -f "$log"
  # shellcheck disable=SC2086
  check "'$args' runs and exits 0" run_mode $args
  check "'$args' leaves the run's log" run_log_complete
done
printf 'an older run\n' >"$log"
run_mode /s
check "a new run replaces the previous log" run_log_complete

# --- A folder that does not exist: no log, and the saver still exits 0. ---
set_working_directory "$work/missing"
check "missing installation folder: /s exits 0" run_mode /s
check "missing installation folder: no log created" test ! -e "$work/missing"

# --- One process writes, another reads. ---
check "probe writes Resolution" run_probe write Resolution 1024X768
check "another process reads it back" test "$(run_probe read Resolution)" = "1024X768"
check "probe writes a text with spaces and a backslash" \
  run_probe write "Scenario(0)" 'Big Fleet\One.ss3'
check "it reads back unchanged" test "$(run_probe read "Scenario(0)")" = 'Big Fleet\One.ss3'
check "an absent value reads as absent" probe_reads_nothing NoSuchValue

# --- The random generator follows the runtime's rule exactly on every build. ---
expected_seed1="41 18467 6334 26500 19169 15724 11478 29358 26962 24464"
check "seed 1 gives the runtime's sequence" \
  test "$(run_probe random 1 10 | tr '\n' ' ' | sed 's/ $//')" = "$expected_seed1"
expected_range="-15 -20 10 -6 17 12 -10 5 -8 -11 -5 20"
check "RandomRange(-25, 25) from seed 20261208" \
  test "$(run_probe range 20261208 -25 25 12 | tr '\n' ' ' | sed 's/ $//')" = "$expected_range"

if [ "$platform" = linux ]; then
  # --- A damaged store is read as empty and left exactly as it was. ---
  for damage in truncated garbled; do
    run_probe write Resolution 1024X768 >/dev/null
    user_file="$IRONWOOD_SETTINGS"
    if [ "$damage" = truncated ]; then
      head -c -5 "$user_file" >"$work/damaged"
    else
      printf 'this is not a settings file\n' >"$work/damaged"
    fi
    cp "$work/damaged" "$user_file"
    check "$damage store: the value reads as absent" probe_reads_nothing Resolution
    check "$damage store: reading leaves the file unchanged" cmp -s "$work/damaged" "$user_file"
  done
  rm -f "$IRONWOOD_SETTINGS"

  # --- An unknown "--" option is refused with the usage, before anything runs. ---
  set_working_directory "$install_dir"
  rm -f "$log"
  refused="$(env -u DISPLAY "$saver" /s --offscreen --frames=100 --flight-recorder=x.csv 2>&1 >/dev/null)"
  code=$?
  check "an unknown option exits 2" test "$code" -eq 2
  check "it says which option and how to call, on one line" \
    bash -c "test \"\$(wc -l <<<'$refused')\" -eq 1 && grep -q '^Ironwood: unknown option --flight-recorder=x.csv; usage: Ironwood ' <<<'$refused'"
  check "nothing ran: no log" test ! -e "$log"
fi

clear_settings
summary "run modes ($platform)"
