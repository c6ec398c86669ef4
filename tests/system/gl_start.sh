#!/usr/bin/env bash
# The renderer's start on real OpenGL: the log's OpenGL section and a cleared frame read back.
#   gl_start.sh linux|wine GL_PROBE
# linux: offscreen EGL, no display needed. wine: WGL on a window (needs an X display).
set -uo pipefail
source "$(dirname "$0")/checks.sh"
platform="$1"
probe="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

if [ "$platform" = wine ]; then
  source "$(dirname "$0")/../wine/wine-env.sh"
  output="$(wine "$probe" "$(winepath -w "$work" 2>/dev/null | tr -d '\r')" 160 120 2>/dev/null | tr -d '\r')"
  driver="opengl32.dll"
else
  output="$(env -u DISPLAY -u WAYLAND_DISPLAY "$probe" "$work" 160 120 2>&1)"
  driver="libOpenGL.so.0"
fi
log="$(tr -d '\r' <"$work/SYlog.log" 2>/dev/null)"
echo "$output"

has_line() { grep -qxF -- "$1" <<<"$log"; }
has_prefix() { grep -q -- "^$1" <<<"$log"; }
check "section opens" has_line "BEGIN LOADING OPENGL SUB SYSTEM"
check "driver found" has_line "    Attempting to Find OpenGL Driver...Success"
check "driver named" has_line "        OpenGL Driver:$driver"
check "pixel format" has_line "    Attempting to Find PixelFormat...Success"
check "pixel format set" has_line "    Attempting to Set PixelFormat...Success"
check "context created" has_line "    Attempting to Create Rendering Context...Success"
check "context current" has_line "    Attempting to Make Rendering Context Current...Success"
check "vendor" has_prefix "        Vendor: ."
check "version" has_prefix "        OpenGL Version: ."
check "renderer" has_prefix "        Renderer: ."
check "extensions" has_prefix "        Extensions: GL_"
check "extension search" has_line "    Attempting to Find Extensions..."
check "found list" has_line "    Found Externsions:"
check "multitexture found" has_line "        GL_ARB_multitexture"
ends_section() {
  tr -d '\r' <"$work/SYlog.log" | tail -c 31 | cmp -s - <(printf 'END LOADING OPENGL SUB SYSTEM\n\n')
}
check "section closes with an empty line" ends_section
check "cleared frame reads back" grep -qE '^pixel (63|64) (127|128) (191|192)$' <<<"$output"

summary "gl start ($platform)"
