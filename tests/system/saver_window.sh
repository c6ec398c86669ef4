#!/usr/bin/env bash
# The saver in its run mode on a real X display, driven by real input:
#   saver_window.sh linux|wine SAVER INSTALLATION
# INSTALLATION is the generated installation folder; the saver runs from a copy of it.
# Needs DISPLAY (ctest runs it under xvfb-run with a 1024x768 screen). Checks the log's
# sections in order, F12 screenshots, the mouse threshold, ending on deactivation, and F12 in
# the window of the desktop's size that a resolution the screen does not offer leaves.
set -uo pipefail
source "$(dirname "$0")/checks.sh"
platform="$1"
saver="$2"
generated="$3"
source "$(dirname "$0")/saver_setup.sh"
configure "${screen/x/X}"

check "the window opens" launch
focus
# The first pointer motion only takes the reference; a move of 2 pixels keeps the saver.
# The mouse threshold is checked on the native build (and in the unit tests). Under Wine the
# reference comes from the motion Wine sends when the window appears, and the position Wine
# reports then is not reliably where the X pointer is, so keys end it there.
if [ "$platform" = linux ]; then
  xdotool mousemove 490 490; sleep 0.5  # the first motion takes the reference
  xdotool mousemove 491 491; sleep 1
  check "a 2-pixel movement does not end it" running
fi
xdotool key F12; sleep 0.7
xdotool key F12; sleep 0.7
check "F12 does not end it" running
check "the first shot is SFScreenShot00.bmp" test -s "$install_dir/ScreenShots/SFScreenShot00.bmp"
check "the second shot is SFScreenShot01.bmp" test -s "$install_dir/ScreenShots/SFScreenShot01.bmp"
if [ "$platform" = linux ]; then
  xdotool mousemove 492 491; sleep 0.3
  check "a 3-pixel movement ends it with exit 0" ended
else
  xdotool key a
  check "a key ends it with exit 0" ended
fi
check "the log has its sections in order" bash -c "tr -d '\r' <'$log' | grep -E '^(BEGIN|END) ' | tr '\n' '|' | grep -q '^BEGIN RESOLUTION CHANGE|END RESOLUTION CHANGE|BEGIN WINDOW SYSTEM|END WINDOW SYSTEM|BEGIN LOADING OPENGL SUB SYSTEM|END LOADING OPENGL SUB SYSTEM|'"
loaded_steps() { tr -d '\r' <"$log" | awk '/^BEGIN LOADING ASSOCIATED FILES$/ {on = 1; next} /^END LOADING ASSOCIATED FILES$/ {print n + 0; exit} on && /\.\.\.Success$/ {n++}'; }
check "the scenario list and the first battle loaded" bash -c "tr -d '\r' <'$log' | grep -qx 'Attempting to Load First Scenario File...Attempting to Load Alliance 2 Models...Success'"
check "all ten associated-file steps succeed" test "$(loaded_steps)" = 10
check "the resolution change succeeded" bash -c "tr -d '\r' <'$log' | grep -qx '    Attempting to Change Resolution to $screen 32bit...Success'"
check "the log ends with the frame rate" bash -c "tr -d '\r' <'$log' | tail -n 1 | grep -qE '^Frames Per Second:[0-9]+\.[0-9]{6}$'"

# The shot shows the saver's picture the right way up: the title banner (above the centre, over
# the middle third of the width) stands out brightly from the dark sky below the centre.
shot="$install_dir/ScreenShots/SFScreenShot00.bmp"
read -r width height <<<"${screen/x/ }"
mean() { convert "$shot" -crop "$1" -colorspace gray -format '%[fx:mean]' info: 2>/dev/null; }
banner="$((width / 3))x$((height / 8))+$((width / 3))+$((height * 2 / 9))"
below="$((width / 3))x$((height / 8))+$((width / 3))+$((height * 5 / 8))"
check "the shot shows the title banner above the centre" \
  awk -v a="$(mean "$banner")" -v b="$(mean "$below")" 'BEGIN { exit !(a != "" && a > b + 0.08) }'
check "the shot is a ${screen} BMP" bash -c "identify '$shot' | grep -q ' $screen '"

# Another window taking the focus ends the saver.
check "the window opens again" launch
focus; sleep 0.3
xev -geometry 100x100+10+10 >/dev/null 2>&1 & other=$!; pids+=("$other")
for _ in $(seq 1 25); do
  xevwin="$(xdotool search --name "^Event Tester$" 2>/dev/null | head -n 1)"
  [ -n "$xevwin" ] && break; sleep 0.2
done
[ -n "$xevwin" ] && xdotool windowfocus "$xevwin" 2>/dev/null
check "losing the focus ends it with exit 0" ended
kill "$other" 2>/dev/null

# A resolution the display does not offer (the virtual screen offers only its own size): the
# window covers the screen and the picture is drawn, scaled, into the largest centred area of
# its shape. F12 saves that area at its real size, a larger and a smaller resolution alike.
read -r screen_w screen_h <<<"${screen/x/ }"
gray() { convert "$1" -crop "$2" -colorspace gray -format '%[fx:mean]' info: 2>/dev/null; }
# not_black FILE GEOMETRY: the region has some light (the sky has stars and a haze everywhere;
# a border or an unread part of the window would be black).
not_black() { awk -v m="$(gray "$1" "$2")" 'BEGIN { exit !(m != "" && m > 0.004) }'; }
for configured in 800X600 1280X1024 1600X1200; do
  read -r w h <<<"${configured/X/ }"
  if [ "$w" -eq "$screen_w" ] && [ "$h" -eq "$screen_h" ]; then continue; fi
  # The drawn area, as the saver works it out (in double precision, truncated).
  read -r area_w area_h <<<"$(awk -v W="$screen_w" -v H="$screen_h" -v w="$w" -v h="$h" \
    'BEGIN { s = W / w; if (H / h < s) s = H / h; print int(w * s), int(h * s) }')"
  area="${area_w}x${area_h}"
  configure "$configured"
  rm -rf "$install_dir/ScreenShots"
  check "$configured on $screen: the window opens" launch
  focus
  xdotool key F12; sleep 1
  xdotool key a
  check "$configured on $screen: a key ends it with exit 0" ended
  check "$configured on $screen: the mode change fell back to the desktop" \
    bash -c "tr -d '\r' <'$log' | grep -qx '     Continuing in Desktop Resolution...'"
  shot="$install_dir/ScreenShots/SFScreenShot00.bmp"
  check "$configured on $screen: the shot is the drawn area, $area" \
    bash -c "identify '$shot' | grep -q ' $area '"
  # The picture reaches every edge of the shot: no black border, nothing read from outside it.
  check "$configured on $screen: every edge of the shot shows the sky" \
    eval "not_black '$shot' ${area_w}x4+0+0 && not_black '$shot' ${area_w}x4+0+$((area_h - 4)) &&
          not_black '$shot' 4x${area_h}+0+0 && not_black '$shot' 4x${area_h}+$((area_w - 4))+0"
  # And it is the whole picture: the title banner stands where it stands on the full screen.
  banner="$((area_w / 3))x$((area_h / 8))+$((area_w / 3))+$((area_h * 2 / 9))"
  below="$((area_w / 3))x$((area_h / 8))+$((area_w / 3))+$((area_h * 5 / 8))"
  check "$configured on $screen: the shot shows the title banner above the centre" \
    awk -v a="$(gray "$shot" "$banner")" -v b="$(gray "$shot" "$below")" \
    'BEGIN { exit !(a != "" && a > b + 0.08) }'
done

summary "saver window ($platform)"
