#!/usr/bin/env bash
# The preview under Wine, as the display settings ask for it:
#   win32_preview.sh SAVER PREVIEW_HOST INSTALLATION [PICTURES]
# The host's 152x112 child gets "SAVER /p HANDLE"; the child must show a battle (neither black
# nor one flat colour) and the saver must end within a few seconds of the host going. The
# child's picture is kept in PICTURES (when given) for people to look at.
set -uo pipefail
source "$(dirname "$0")/checks.sh"
platform=wine
saver="$1"
host="$2"
generated="$3"
pictures="${4:-}"
source "$(dirname "$0")/saver_setup.sh"
configure 800X600 "$(default_catalogue)"$'\n''"UseSoundFX"="1"'

go="$work/go"
wine "$host" "$saver" "Z:${go//\//\\}" >"$work/host.out" 2>&1 &
host_pid=$!
host_said() { tr -d '\r' <"$work/host.out"; }
pids+=("$host_pid")
read_rect() { awk '/^rect / {print $4 "x" $5 "+" $2 "+" $3}' <(host_said) 2>/dev/null; }
rect=""
for _ in $(seq 100); do rect="$(read_rect)"; [ -n "$rect" ] && break; sleep 0.2; done
check "the host shows its child ($rect)" test -n "$rect"

# The picture: how many colours, and how far apart its brightest and darkest pixels are. Wine 8
# draws a child's OpenGL into an X window of the child's size of its own and does not compose it
# onto a parent that belongs to another process (the host's area stays as the host painted it),
# so the picture is taken from that window.
shot="$work/preview.png"
size="${rect%%+*}"
picture() {
  local id
  for id in $(xwininfo -root -tree 2>/dev/null | awk -v g=" $size+0+0 " 'index($0, g) && /has no name/ {print $1}'); do
    import -window "$id" "$shot" 2>/dev/null && [ "$(colours)" -gt 50 ] && return 0
  done
  return 1
}
colours() { convert "$shot" -format '%k' info: 2>/dev/null; }
spread() { convert "$shot" -colorspace gray -format '%[fx:int(255*(maxima-minima))]' info: 2>/dev/null; }
drawn() {
  local i
  for i in $(seq 60); do
    picture && [ "$(spread)" -gt 80 ] && return 0
    sleep 0.5
  done
  echo "# $(colours) colours, spread $(spread)"
  return 1
}
check "the child shows a drawn battle" drawn
[ -n "$pictures" ] && mkdir -p "$pictures" && cp "$shot" "$pictures/preview.png"
cp "$shot" "$work/first.png"
moved_on() {
  local i changed=""
  for i in $(seq 20); do
    sleep 1
    picture || continue
    changed="$(compare -metric AE "$shot" "$work/first.png" null: 2>&1)"
    [ "${changed%%.*}" -gt 100 ] 2>/dev/null && return 0
  done
  echo "# $changed pixels changed"
  return 1
}
check "and it moves on" moved_on
check "the log says no sound device was opened" bash -c "! tr -d '\r' <'$log' | grep -q 'sound'"
check "the display mode was left alone" bash -c "! grep -q 'RESOLUTION' '$log'"

touch "$go"
for _ in $(seq 150); do kill -0 "$host_pid" 2>/dev/null || break; sleep 0.1; done
check "the saver ran until the host went" grep -qx "saver running" <(host_said)
ended_in() {
  local ms
  ms="$(awk '/^ended after / {print $3}' <(host_said))"
  echo "# $(tail -n 1 <(host_said))"
  [ -n "$ms" ] && [ "$ms" -le 5000 ] && grep -q ', exit 0$' <(host_said)
}
check "the saver ends within five seconds of the host, with exit 0" ended_in
check "its log ends with the frame rate" bash -c "tail -c 40 '$log' | grep -q 'Frames Per Second:[1-9]'"

# Without a usable handle the preview ends at once, as it always did, and writes nothing.
rm -f "$log"
for line in "/p" "/p 0" "/p:x" "/p 4294967296" "/p 1234"; do
  wine "$saver" $line >/dev/null 2>&1 &
  pid=$!
  pids+=("$pid")
  check "'$line' ends with exit 0 and no log" ended
done
check "no log was written" test ! -e "$log"
summary "win32 preview"
