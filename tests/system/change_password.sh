#!/usr/bin/env bash
# The change-password mode on Linux (run under xvfb-run): the saver shows GTK's dialog with the
# three fields; a retyped password that differs asks again, a wrong old password is refused, and
# otherwise the new password is stored in the user's settings.
# Usage: change_password.sh SAVER
set -uo pipefail
source "$(dirname "$0")/checks.sh"
saver="$1"
work="$(mktemp -d)"
pid=""
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

export IRONWOOD_SETTINGS="$work/user.reg" IRONWOOD_SYSTEM_SETTINGS="$work/system.reg"
mkdir -p "$work/install"
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\software\\Quillon\\Starfray ScreenSaver\\2.60]\r\n"WorkingDirectory"="%s/"\r\n' \
  "$work/install" >"$IRONWOOD_SYSTEM_SETTINGS"

stored() { tr -d '\r' 2>/dev/null <"$IRONWOOD_SETTINGS" | sed -n 's/^"Password"="\(.*\)"$/\1/p'; }
window_named() {  # window_named NAME: waits up to 10 s for a window of that title
  local i
  for i in $(seq 1 50); do
    xdotool search --name "^$1\$" >/dev/null 2>&1 && return 0
    sleep 0.2
  done
  return 1
}
gone_within() {  # the dialog's process ends within 5 s
  local i
  for i in $(seq 1 25); do kill -0 "$pid" 2>/dev/null || { wait "$pid"; status=$?; pid=""; return 0; }; sleep 0.2; done
  return 1
}
type_fields() {  # type_fields NEW RETYPED OLD, then Enter (OK)
  local id
  id="$(xdotool search --name '^Change Password$' | head -n 1)"
  xdotool windowactivate --sync "$id" 2>/dev/null || xdotool windowfocus --sync "$id"
  xdotool type --delay 20 "$1"; xdotool key Tab
  xdotool type --delay 20 "$2"; xdotool key Tab
  xdotool type --delay 20 "$3"; xdotool key Return
}
answer_message() {  # closes the message box of that title with Enter
  local id
  id="$(xdotool search --name "^$1\$" | head -n 1)"
  xdotool windowactivate --sync "$id" 2>/dev/null || xdotool windowfocus --sync "$id"
  xdotool key Return
  sleep 0.5
}

# A first password: the retyped text differs once, then matches; the old field may hold anything.
"$saver" /a & pid=$!
check "the change dialog opens" window_named "Change Password"
type_fields "Sky4" "Sky5" ""
check "a retyped password that differs asks again" window_named "Please Try Again"
answer_message "Please Try Again"
check "the dialog stays open after the message" window_named "Change Password"
check "nothing is stored yet" test -z "$(stored)"
type_fields "Sky4" "Sky4" "whatever"
check "matching texts end the dialog" gone_within
check "the mode exits with 0" test "${status:-1}" -eq 0
check "the new password is stored" test "$(stored)" = "Sky4"

# A stored password guards the change: a wrong old one (letter case counts) is refused, and
# Cancel keeps the stored one.
"$saver" /a & pid=$!
check "the change dialog opens again" window_named "Change Password"
type_fields "Moon" "Moon" "sky4"
check "a wrong old password is refused" window_named "Wrong Old Password"
answer_message "Wrong Old Password"
id="$(xdotool search --name '^Change Password$' | head -n 1)"
xdotool windowactivate --sync "$id" 2>/dev/null || xdotool windowfocus --sync "$id"
xdotool key Escape
check "Cancel ends the dialog" gone_within
check "the stored password is kept" test "$(stored)" = "Sky4"

"$saver" /a & pid=$!
window_named "Change Password"
type_fields "Moon" "Moon" "Sky4"
check "the right old password lets the new one in" gone_within
check "the changed password is stored" test "$(stored)" = "Moon"

# Without a display the mode says why and ends at once.
env -u DISPLAY "$saver" /a 2>"$work/stderr"
check "without a display the mode exits with 0" test $? -eq 0
check "and says why" grep -q "change-password dialog cannot be shown" "$work/stderr"

summary "change password (linux)"
