#!/usr/bin/env bash
# The Debian package: built with CPack, its contents and control data, lintian where it is
# installed, and the saver run offscreen from the package unpacked into a scratch root.
#   debian_package.sh BUILD_DIR
# BUILD_DIR is a configured and built Linux build folder (its install prefix /usr, as the
# linux preset has it).
set -uo pipefail
source "$(dirname "$0")/checks.sh"
build="$(realpath "$1")"
for tool in cpack dpkg-deb; do
  if ! command -v "$tool" >/dev/null; then echo "SKIP: no $tool"; exit 77; fi
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# A package of its own, in its own folder: a stale one in the build folder proves nothing.
(cd "$build" && cpack -G DEB -B "$work/package" >"$work/cpack.out" 2>&1)
code=$?
deb="$(ls "$work/package"/ironwood_*.deb 2>/dev/null | head -n 1)"
check "cpack builds the package" test "$code" -eq 0 -a -n "$deb"
[ -n "$deb" ] || { cat "$work/cpack.out"; summary "debian package"; exit 1; }

contents="$(dpkg-deb --contents "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }')"
has() { grep -qxF "$1" <<<"$contents"; }
for path in ./usr/libexec/ironwood/Ironwood ./usr/libexec/ironwood/StarfraySSConfig \
    ./etc/ironwood/settings.reg ./usr/share/xscreensaver/config/ironwood.xml \
    ./usr/share/applications/starfray-ss-config.desktop ./usr/share/doc/ironwood/copyright \
    ./usr/share/doc/ironwood/changelog.gz ./usr/share/ironwood/DefaultSettings.reg \
    ./usr/share/ironwood/StarTunnel.ase; do
  check "the package holds $path" has "$path"
done
check "XScreenSaver finds the display program in its folder" \
  has "./usr/libexec/xscreensaver/ironwood -> ../ironwood/Ironwood"
check "the installation folder links to both programs" eval \
  "has './usr/share/ironwood/Ironwood -> ../../libexec/ironwood/Ironwood' &&
   has './usr/share/ironwood/StarfraySSConfig -> ../../libexec/ironwood/StarfraySSConfig'"
check "the installation folder has its scenarios, plug-ins and images" eval \
  "grep -q '^./usr/share/ironwood/Scenarios/.*\.ss3$' <<<\"\$contents\" &&
   grep -q '^./usr/share/ironwood/Plugins/.*\.as3$' <<<\"\$contents\" &&
   grep -q '^./usr/share/ironwood/Gfx/.*\.bmp$' <<<\"\$contents\""
check "nothing a local run leaves behind is packaged" \
  bash -c "! grep -qiE 'SYlog|ScreenShots|Preview|offscreen-pictures|user-settings|\.lock$' <<<'$contents'"
check "no executable file lies under /usr/share" \
  bash -c "! dpkg-deb --contents '$deb' | grep -E '^-..x' | grep -q ' ./usr/share/'"

depends="$(dpkg-deb --field "$deb" Depends)"
for library in libopenal1 libgtk-3-0 libglib2.0-0 libegl1 libgl1 libx11-6 libxrandr2 libc6; do
  check "it depends on $library" grep -qE "(^|, )$library( |,|$)" <<<"$depends"
done
check "the settings layer in /etc is a configuration file" \
  bash -c "dpkg-deb --ctrl-tarfile '$deb' | tar -xO ./conffiles | grep -qx /etc/ironwood/settings.reg"

if command -v lintian >/dev/null; then
  lintian --tag-display-limit 0 "$deb" >"$work/lintian.out" 2>&1
  grep -E '^[EW]: ' "$work/lintian.out"
  check "lintian finds no error and no warning" bash -c "! grep -qE '^[EW]: ' '$work/lintian.out'"
else
  echo "SKIP lintian: not installed"
fi

# Unpacked into a scratch root: the settings layer names the installed folder; pointed at the
# scratch copy, the installed saver runs from there.
root="$work/root"
dpkg -x "$deb" "$root"
check "the settings layer names /usr/share/ironwood/" \
  grep -qx '"WorkingDirectory"="/usr/share/ironwood/"' "$root/etc/ironwood/settings.reg"
check "the settings layer carries the scenario catalogue" grep -q '^"NumScenarios"=' "$root/etc/ironwood/settings.reg"
sed "s#\"WorkingDirectory\"=\"/usr/share/ironwood/\"#\"WorkingDirectory\"=\"$root/usr/share/ironwood/\"#" \
  "$root/etc/ironwood/settings.reg" >"$work/system-settings.reg"
export IRONWOOD_SYSTEM_SETTINGS="$work/system-settings.reg" IRONWOOD_SETTINGS="$work/user-settings.reg"
run_installed() { env -u DISPLAY -u WAYLAND_DISPLAY -u XSCREENSAVER_WINDOW "$@" 2>&1; }
output="$(run_installed "$root/usr/libexec/ironwood/Ironwood" /s --offscreen --null-gl --frames=100)"
code=$?
echo "$output" | tail -n 2
log="$root/usr/share/ironwood/SYlog.log"
check "the installed saver runs 100 frames offscreen" eval \
  "test $code -eq 0 && grep -qE '^Offscreen run: 100 frames' <<<\"\$output\""
check "it loaded the battle from the installed folder" \
  grep -qx 'Attempting to Load First Scenario File...Attempting to Load Alliance 2 Models...Success' "$log"
check "its log ends with the frame rate" bash -c "tail -n 1 '$log' | grep -qE '^Frames Per Second:[0-9.]+$'"
# An ordinary user cannot write the installed folder, which root owns: the log goes to that
# user's state folder instead, made as needed, and nothing is written into the installation.
if [ "$(id -u)" -eq 0 ] && command -v runuser >/dev/null && command -v useradd >/dev/null; then
  user=ironwood-deb
  id "$user" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$user"
  home="$work/home"
  mkdir -p "$home" && chown "$user" "$home"
  chmod 755 "$work"
  rm -f "$log"
  output="$(runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin \
    IRONWOOD_SYSTEM_SETTINGS="$work/system-settings.reg" IRONWOOD_SETTINGS="$home/user-settings.reg" \
    "$root/usr/libexec/ironwood/Ironwood" /s --offscreen --null-gl --frames=20 2>&1)"
  code=$?
  user_log="$home/.local/state/ironwood/SYlog.log"
  check "an ordinary user runs the installed saver (root owns its folder)" eval \
    "test $code -eq 0 && grep -qE '^Offscreen run: 20 frames' <<<\"\$output\""
  check "its log is in the user's ~/.local/state/ironwood/SYlog.log" \
    grep -qx 'Attempting to Load First Scenario File...Attempting to Load Alliance 2 Models...Success' "$user_log"
  check "that log ends with the frame rate" bash -c "tail -n 1 '$user_log' | grep -qE '^Frames Per Second:[0-9.]+$'"
  check "the user's run wrote nothing into the installed folder" test ! -e "$log"
else
  echo "SKIP the ordinary user's run: needs root, runuser and useradd"
fi
# Through the folder's own link, as the configuration mode finds the settings program.
check "the folder's link starts the same saver" eval \
  "run_installed '$root/usr/share/ironwood/Ironwood' /s --offscreen --null-gl --frames=5 | grep -q '^Offscreen run: 5 frames'"

# Every switch the XScreenSaver description offers is one the installed saver takes.
xml="$root/usr/share/xscreensaver/config/ironwood.xml"
check "the description is well-formed XML" python3 -c "import sys, xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])" "$xml"
switches="$(grep -o 'arg-set="[^"]*"' "$xml" | sed 's/arg-set="\(.*\)"/\1/')"
check "the description offers switches" test -n "$switches"
for switch in $switches; do
  check "the installed saver takes $switch" eval \
    "run_installed '$root/usr/libexec/ironwood/Ironwood' /s --offscreen --null-gl --frames=5 $switch | grep -q '^Offscreen run: 5 frames'"
done
desktop="$root/usr/share/applications/starfray-ss-config.desktop"
exec_path="$(sed -n 's/^Exec=//p' "$desktop")"
check "the desktop entry starts the installed settings program ($exec_path)" \
  test "$exec_path" = /usr/libexec/ironwood/StarfraySSConfig -a -x "$root$exec_path"
if command -v desktop-file-validate >/dev/null; then
  check "the desktop entry validates" desktop-file-validate "$desktop"
fi
summary "debian package"
