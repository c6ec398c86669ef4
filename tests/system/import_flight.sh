#!/usr/bin/env bash
# Ships imported from models in each format fly: our own writer makes an OBJ (with .mtl and a
# PNG), a glTF (with .bin and PNG), a .glb (texture embedded) and a COLLADA file from a
# generated hull; `as3tool import` makes a plug-in of each; each validates, is drawn (when EGL
# is there) showing a hull rather than a flat picture, and all four fight one battle of
# FRAMES frames on the null OpenGL, the flight recorder showing every class on the move.
#   import_flight.sh SAVER AS3TOOL MODEL_WRITER INSTALLATION [FRAMES]
set -uo pipefail
source "$(dirname "$0")/checks.sh"
saver="$1"
as3tool="$2"
writer="$3"
generated="$4"
frames="${5:-3000}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

install_dir="$work/install"
mkdir -p "$install_dir" "$work/models"
cp -r "$generated"/. "$install_dir"/
rm -rf "$install_dir/Preview" "$install_dir/SYlog.log"
"$writer" "$work/models" >/dev/null
check "the writer made the four models" test -f "$work/models/escort.dae"

formats=(obj gltf glb dae)
for f in "${formats[@]}"; do
  plugin="$install_dir/Plugins/Imported-$f.as3"
  check "$f: imported" "$as3tool" import "$work/models/escort.$f" "$plugin"
  check "$f: validates" bash -c '[ "$("$0" validate "$1")" = "$1: ok" ]' "$as3tool" "$plugin"
  picture="$work/$f.png"
  if "$as3tool" render "$plugin" "$picture" --size 128 --frames 2 >"$work/render.txt" 2>&1; then
    # The first view looks along the hull from above: its middle is hull, lit by its texture
    # and shaded, not the black background or one flat colour.
    read -r mean deviation < <(convert "$picture" -crop 64x32+32+48 -colorspace gray \
      -format '%[fx:mean] %[fx:standard_deviation]' info:)
    check "$f: the picture shows a hull (mean $mean, deviation $deviation)" \
      awk -v m="$mean" -v d="$deviation" 'BEGIN { exit !(m > 0.15 && d > 0.05) }'
  else
    echo "skip - $f: cannot draw here: $(head -n 1 "$work/render.txt")"
  fi
done

printf '2\r\n(1) Imported-obj.as3\r\n(1) Imported-gltf.as3\r\n2\r\n(1) Imported-glb.as3\r\n(1) Imported-dae.as3\r\n' \
  >"$install_dir/Scenarios/Imported.ss3"
export IRONWOOD_SETTINGS="$work/user.reg"
export IRONWOOD_SYSTEM_SETTINGS="$work/system.reg"
printf 'Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\software\\Quillon\\Starfray ScreenSaver\\2.60]\n"WorkingDirectory"="%s/"\n"Resolution"="640X480"\n"Use3DCameraView"="0"\n"NumScenarios"="1"\n"Scenario(0)"="Imported.ss3"\n' \
  "$install_dir" >"$IRONWOOD_SYSTEM_SETTINGS"
env -u DISPLAY -u WAYLAND_DISPLAY "$saver" /s --offscreen --null-gl "--frames=$frames" \
  --frame-ms=16 --seed=3 "--flight-log=$work/flight.csv" >"$work/run.txt" 2>&1
check "the battle runs its $frames frames" test $? -eq 0
log="$(tr -d '\r' <"$install_dir/SYlog.log")"
check "the log's scenario line says Success" grep -qx \
  'Attempting to Load First Scenario File...Attempting to Load Alliance 2 Models...Success' <<<"$log"
# Ships 0..3 are the four formats in scenario order; each flies at least 20 units from where
# it started, and every value stays finite.
moved="$(awk -F, 'NR > 1 {
    if ($0 ~ /nan|inf/) bad = 1
    s = $2; if (!(s in x0)) { x0[s] = $6; y0[s] = $7; z0[s] = $8 }
    d = sqrt(($6 - x0[s])^2 + ($7 - y0[s])^2 + ($8 - z0[s])^2); if (d > far[s]) far[s] = d
  } END { for (s = 0; s < 4; ++s) printf "%s%.1f", (s ? " " : ""), far[s] + 0; if (bad) printf " bad" }' \
  "$work/flight.csv")"
read -r -a distances <<<"$moved"
for i in 0 1 2 3; do
  check "${formats[$i]}: the class moves (${distances[$i]:-none} units)" \
    awk -v d="${distances[$i]:-0}" 'BEGIN { exit !(d > 20) }'
done
check "every recorded value finite" bash -c '! grep -q bad <<<"$1"' _ "$moved"
summary "import flight"
