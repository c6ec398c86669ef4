# Sourced by the tests that run the saver in a real window (saver_window.sh, saver_battles.sh)
# after checks.sh, with $platform (linux or wine), $saver and $generated (the generated
# installation folder) set. The saver runs from a copy of that folder in a temporary one.
#
# configure RESOLUTION [SETTINGS]: the settings of the next runs, the resolution as "1024X768"
#   and the catalogue as '"Name"="Value"' lines (default: the generated catalogue without the 3D
#   camera view, whose full-screen tunnel makes the frames too slow on a loaded software
#   renderer for the timed checks; the offscreen tests run with it).
# launch: starts the saver and waits for its window (sets $pid and $window).
# running, ended (waits for the exit; its status is the saver's), plain_log.
work="$(mktemp -d)"
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; [ -n "${IRONWOOD_KEEP_TEST_FILES:-}" ] && echo "# kept $work" || rm -rf "$work"; }
trap cleanup EXIT

install_dir="$work/install"
mkdir -p "$install_dir"
cp -r "$generated"/. "$install_dir"/
rm -rf "$install_dir/Preview" "$install_dir/SYlog.log" "$install_dir/ScreenShots"
log="$install_dir/SYlog.log"
screen="$(xdpyinfo | awk '/dimensions:/ {print $2}')"

default_catalogue() {
  tr -d '\r' <"$generated/DefaultSettings.reg" | grep '^"' | grep -v '^"\(Use3DCameraView\|Resolution\)"'
}

if [ "$platform" = wine ]; then
  source "$(dirname "${BASH_SOURCE[0]}")/../wine/wine-env.sh"
  if is_pe32 "$saver"; then require_wine32 "$(basename "$saver"), a 32-bit program,"; fi
  configure() {
    local key='HKLM\software\Quillon\Starfray ScreenSaver\2.60' settings name value
    settings="$(printf '"WorkingDirectory"="%s\\"\n"Resolution"="%s"\n' \
      "$(winepath -w "$install_dir" 2>/dev/null | tr -d '\r')" "$1")"$'\n'"${2:-$(default_catalogue)}"
    while IFS='=' read -r name value; do
      wine reg add "$key" /v "$(tr -d '"' <<<"$name")" /t REG_SZ /d "$(tr -d '"' <<<"$value")" \
        /f /reg:32 >/dev/null 2>&1
    done <<<"$settings"
  }
  start_saver() { wine "$saver" /s >/dev/null 2>&1 & pid=$!; pids+=("$pid"); }
else
  export IRONWOOD_SETTINGS="$work/user.reg" IRONWOOD_SYSTEM_SETTINGS="$work/system.reg"
  configure() {
    {
      printf 'Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\software\\Quillon\\Starfray ScreenSaver\\2.60]\n"WorkingDirectory"="%s/"\n"Resolution"="%s"\n' \
        "$install_dir" "$1"
      if [ $# -ge 2 ]; then printf '%s\n' "$2"; else default_catalogue; fi
    } >"$IRONWOOD_SYSTEM_SETTINGS"
  }
  start_saver() { "$saver" /s >/dev/null 2>&1 & pid=$!; pids+=("$pid"); }
fi

launch() {
  rm -f "$log"
  # The pointer rests near where the mouse test starts; the test's first motion (or, under
  # Wine, the one sent when the window appears) takes the reference.
  xdotool mousemove 480 480
  start_saver
  window=""
  for _ in $(seq 1 100); do
    window="$(xdotool search --name '^Ironwood$' 2>/dev/null | head -n 1)"
    [ -n "$window" ] && break
    sleep 0.2
  done
  sleep 1.5  # the title screen and the first frames
  [ -n "$window" ]
}
running() { kill -0 "$pid" 2>/dev/null; }
ended() {
  for _ in $(seq 1 50); do running || break; sleep 0.2; done
  if running; then kill "$pid"; return 1; fi
  wait "$pid"
}
plain_log() { tr -d '\r' <"$log"; }
# Keys go to the focused window; the saver takes the focus itself, but Wine's window only gets
# it from the X server when asked.
focus() { xdotool windowfocus --sync "$window" 2>/dev/null; }
