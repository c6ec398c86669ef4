#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Safe to run again: only missing packages are installed.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config ccache
  clang
  libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-x86-64 g++-mingw-w64-i686
  wine wine64
  xvfb xauth x11-utils xdotool imagemagick
  libegl-dev libgl-dev libgl1-mesa-dri libegl-mesa0
  libx11-dev libxrandr-dev
  libopenal-dev
  libgtk-3-dev
  xscreensaver lintian x11-xserver-utils
  libglib2.0-dev dbus-daemon python3-dbus python3-gi
  nsis
  libassimp-dev libstb-dev
)

# Wine's 32-bit side, for the i686 build's tests and the installer (a 32-bit program). It comes
# from the i386 architecture, whose package lists a mirror may not have whole; without it those
# tests are skipped with the reason, so it is installed on its own after everything else.
packages_32=(
  wine32:i386
  libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386 libxrandr2:i386 libxinerama1:i386
  libxcursor1:i386 libxi6:i386
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

# The i686 Windows build's tests run under Wine's 32-bit side, which comes from the i386
# architecture.
added_architecture=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  added_architecture=1
fi

missing_of() {  # missing_of PACKAGE...: those not installed
  local p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      echo "$p"
    fi
  done
}
mapfile -t missing < <(missing_of "${packages[@]}")
mapfile -t missing_32 < <(missing_of "${packages_32[@]}")

if [ ${#missing[@]} -eq 0 ] && [ ${#missing_32[@]} -eq 0 ] && [ "$added_architecture" -eq 0 ]; then
  exit 0
fi
export DEBIAN_FRONTEND=noninteractive
# A mirror in the middle of a sync can fail one index; what the install needs may still be
# there, so try the update a few times and then go on with the indexes that did arrive.
for attempt in 1 2 3; do
  if $SUDO apt-get update -qq; then break; fi
  if [ "$attempt" -eq 3 ]; then
    echo "apt-get update failed three times; installing from the package lists that did arrive" >&2
  else
    sleep 15
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if [ ${#missing_32[@]} -gt 0 ]; then
  echo "Installing Wine's 32-bit side: ${missing_32[*]}"
  if ! $SUDO apt-get install -y -qq --no-install-recommends "${missing_32[@]}" >/dev/null; then
    echo "Wine's 32-bit side could not be installed (the i386 packages do not match the" \
      "installed ones, often a mirror's missing i386 list): the i686 build's tests and the" \
      "installer test will be skipped" >&2
  fi
fi
