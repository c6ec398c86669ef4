#!/usr/bin/env bash
# The saver as a display program of the real XScreenSaver daemon, on a private virtual display:
#   xscreensaver_hack.sh SAVER INSTALLATION [SIZE...]
# INSTALLATION is the generated installation folder; the saver runs from a copy of it. SIZEs are
# the virtual screens to try (default 1024x768, a 4:3 screen, and 1280x720, a wide one the
# picture fills as well, its frustum widened to the screen's shape). XScreenSaver starts no display programs for root, so the
# display, the daemon and its commands run as an unprivileged user this test creates (it must
# start as root; otherwise it is skipped with status 77).
# Pictures: $IRONWOOD_TEST_OUTPUT (default build folder's tests/xscreensaver-output) keeps
# each screen's shot to look at.
set -uo pipefail
source "$(dirname "$0")/checks.sh"
saver="$(realpath "$1")"
generated="$(realpath "$2")"
shift 2
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(1024x768 1280x720)
output="${IRONWOOD_TEST_OUTPUT:-$(dirname "$saver")/tests/xscreensaver-output}"

for tool in xscreensaver xscreensaver-command Xvfb runuser useradd convert import; do
  if ! command -v "$tool" >/dev/null; then echo "SKIP: no $tool"; exit 77; fi
done
if [ "$(id -u)" -ne 0 ]; then echo "SKIP: needs root to run the daemon as another user"; exit 77; fi

user=ironwood-xs
id "$user" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$user"
home="$(mktemp -d /tmp/ironwood-xs.XXXXXX)"
xvfb_pid=""
# runuser waits for what it runs, so the display server is found by its own process id.
server_pid() { pgrep -u "$user" -x Xvfb | head -n 1; }
cleanup() {
  local server; server="$(server_pid)"
  [ -n "$server" ] && kill "$server" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$home"
}
trap cleanup EXIT
chmod 755 "$home"
mkdir -p "$output"

# The saver and its folder, owned by the user so the saver can write its log there.
install_dir="$home/installation"
cp -r "$generated" "$install_dir"
rm -f "$install_dir/SYlog.log" "$install_dir"/*.reg.lock
cp "$saver" "$install_dir/Ironwood"
log="$install_dir/SYlog.log"
{
  printf 'Windows Registry Editor Version 5.00\n\n'
  printf '[HKEY_LOCAL_MACHINE\\software\\Quillon\\Starfray ScreenSaver\\2.60]\n'
  printf '"WorkingDirectory"="%s/"\n' "$install_dir"
  printf '"Resolution"="800X600"\n'
  tr -d '\r' <"$generated/DefaultSettings.reg" | grep '^"' | grep -v '^"Resolution"'
  printf '\n'
} >"$home/system-settings.reg"
# Only our display program, always the one shown, never locking.
cat >"$home/.xscreensaver" <<XS
timeout:	0:30:00
lock:		False
splash:		False
fade:		False
unfade:		False
mode:		one
selected:	0
programs:	\\
  "Ironwood"  $install_dir/Ironwood --root \\n\\

XS
chown -R "$user" "$home"

as_user() {
  runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin DISPLAY="$display" \
    IRONWOOD_SYSTEM_SETTINGS="$home/system-settings.reg" IRONWOOD_SETTINGS="$home/user-settings.reg" \
    "$@"
}
saver_pids() { pgrep -u "$user" -x Ironwood; }
# gray FILE GEOMETRY STAT: the mean or standard deviation of a region's gray level.
gray() { convert "$1" -crop "$2" +repage -colorspace gray -format "%[fx:$3]" info: 2>/dev/null; }
above() { awk -v v="$1" -v t="$2" 'BEGIN { exit !(v != "" && v > t) }'; }
below() { awk -v v="$1" -v t="$2" 'BEGIN { exit !(v != "" && v < t) }'; }

for size in "${sizes[@]}"; do
  read -r width height <<<"${size/x/ }"
  for n in $(seq 90 140); do [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break; done
  display=":$n"
  rm -f "$log"
  as_user Xvfb "$display" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 50); do as_user xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  as_user xscreensaver --no-splash --verbose >"$home/xscreensaver.out" 2>&1 &
  daemon=$!
  for _ in $(seq 1 50); do as_user xscreensaver-command -version >/dev/null 2>&1 && break; sleep 0.2; done

  check "$size: the daemon takes the activate command" as_user xscreensaver-command -activate
  # Our program runs and has drawn for a while once the battle's files are loaded.
  for _ in $(seq 1 100); do grep -q '^END LOADING ASSOCIATED FILES' "$log" 2>/dev/null && break; sleep 0.2; done
  sleep 4
  pid="$(saver_pids | head -n 1)"
  check "$size: the daemon started our program" test -n "$pid"
  check "$size: it started in the daemon's window with the battle's files loaded" \
    grep -q '^END LOADING ASSOCIATED FILES' "$log"
  check "$size: it changed no display mode" grep -qx '     Continuing in Desktop Resolution...' "$log"
  shot="$output/xscreensaver-$size.png"
  as_user import -window root "$home/shot.png" && cp "$home/shot.png" "$shot"
  check "$size: the screenshot was taken" test -s "$shot"

  # The picture fills the daemon's window, whatever shape it has and whatever size is set.
  area_w=$width; area_h=$height; left=0; top=0
  picture="${area_w}x${area_h}+${left}+${top}"
  # The sky is dark but never black, with bright stars, ships and beams: a spread of levels.
  check "$size: the picture is not black (mean $(gray "$shot" "$picture" mean))" \
    above "$(gray "$shot" "$picture" mean)" 0.03
  check "$size: the picture has sky and bright detail (spread $(gray "$shot" "$picture" standard_deviation))" \
    above "$(gray "$shot" "$picture" standard_deviation)" 0.05
  check "$size: the picture reaches its left and right edges" eval \
    "above \"\$(gray '$shot' 4x${area_h}+${left}+${top} mean)\" 0.004 &&
     above \"\$(gray '$shot' 4x${area_h}+$((left + area_w - 4))+${top} mean)\" 0.004"

  start=$(date +%s%N)
  as_user xscreensaver-command -deactivate >/dev/null
  gone=""
  while [ $(( $(date +%s%N) - start )) -lt 5000000000 ]; do
    if [ -z "$pid" ] || ! kill -0 "$pid" 2>/dev/null; then gone=$(( ($(date +%s%N) - start) / 1000000 )); break; fi
    sleep 0.02
  done
  # The time runs from the deactivate command: the daemon's unblanking and its helper's own
  # exit come first (up to about 1.8 s here), then the signal, which the saver answers between
  # two frames (about 65 ms from SIGTERM to exit on this machine). Two seconds, and two frames
  # more for a software renderer on a busy machine (the log's closing rate tells).
  rate="$(tail -n 1 "$log" | sed -n 's/^Frames Per Second:\([0-9.]*\)$/\1/p')"
  limit="$(awk -v r="${rate:-0}" 'BEGIN { f = r > 0 ? 1000 / r : 0; print int(2000 + 2 * f) }')"
  check "$size: deactivating ends our program within ${limit} ms (${gone:-over 5000} ms; ${rate:-?} frames a second)" \
    test -n "$gone" -a "${gone:-9999}" -le "$limit"
  check "$size: it shut down in order (the log ends with the frame rate)" \
    bash -c "tail -n 1 '$log' | grep -qE '^Frames Per Second:[0-9]+\.[0-9]{6}$'"
  check "$size: no copy of our program is left" test -z "$(saver_pids)"

  as_user xscreensaver-command -exit >/dev/null 2>&1
  for _ in $(seq 1 50); do kill -0 "$daemon" 2>/dev/null || break; sleep 0.1; done
  cp "$home/xscreensaver.out" "$output/xscreensaver-$size.log"
  cp "$log" "$output/saver-$size.log"
  server="$(server_pid)"; [ -n "$server" ] && kill "$server" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null; xvfb_pid=""
  for _ in $(seq 1 50); do [ -z "$(pgrep -u "$user")" ] && break; sleep 0.1; done
  check "$size: nothing of the user's is left running" test -z "$(pgrep -u "$user")"
done
echo "pictures: $output"
summary "xscreensaver hack"
