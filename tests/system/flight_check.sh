#!/usr/bin/env bash
# How the generated classes fly, from the flight recorder: every generated scenario, the 3D
# camera view off (the arena is 80 units round the origin), FRAMES frames of 16 ms per seed.
#   flight_check.sh SAVER INSTALLATION [FRAMES] [SEED...]
# Checks that no value ever becomes NaN or infinite, that no ship rolls past its class's angle
# limit and that ships turn back to the battle (no ship that still flies ever gets 400 units
# out); prints per class
# the farthest distance from the centre, the largest roll, the tightest turn radius, the mean
# speed and the break-offs a minute. It runs on the null OpenGL: seconds for 10 000 frames.
set -uo pipefail
source "$(dirname "$0")/checks.sh"
saver="$1"
generated="$2"
frames="${3:-10000}"
shift 3 2>/dev/null || shift $#
seeds=("$@")
[ ${#seeds[@]} -gt 0 ] || seeds=(1 2)
as3tool="$(dirname "$saver")/tools/as3tool/as3tool"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Angle limits by class file name.
declare -A limit
for plugin in "$generated"/Plugins/*.as3; do
  limit[$(basename "$plugin")]="$("$as3tool" inspect "$plugin" | sed -n 's/.*angle limit \([0-9.]*\) degrees.*/\1/p')"
done

export IRONWOOD_SETTINGS="$work/user.reg"
export IRONWOOD_SYSTEM_SETTINGS="$work/system.reg"
for scenario in "$generated"/Scenarios/*.ss3; do
  name="$(basename "$scenario")"
  # Ship number -> class, in the order the battle creates them: alliance 1's entries, then 2's.
  classes="$(tr -d '\r' <"$scenario" | awk '
    /^[0-9]+$/ { next }
    { n = $1; gsub(/[()]/, "", n); n += 0; for (i = 0; i < n; ++i) print $2 }')"
  limits="$(for c in $classes; do printf '%s ' "${limit[$c]}"; done)"
  for seed in "${seeds[@]}"; do
    printf 'Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\software\\Quillon\\Starfray ScreenSaver\\2.60]\n"WorkingDirectory"="%s/"\n"Resolution"="640X480"\n"Use3DCameraView"="0"\n"NumScenarios"="1"\n"Scenario(0)"="%s"\n' \
      "$generated" "$name" >"$IRONWOOD_SYSTEM_SETTINGS"
    rm -f "$IRONWOOD_SETTINGS"
    env -u DISPLAY -u WAYLAND_DISPLAY "$saver" /s --offscreen --null-gl "--frames=$frames" --frame-ms=16 \
      "--seed=$seed" "--flight-log=$work/flight.csv" >/dev/null 2>&1
    check "$name seed $seed: the run ends normally" test $? -eq 0
    report="$(awk -F, -v classes="$classes" -v limits="$limits" '
      BEGIN { n = split(classes, cls, " "); split(limits, lim, " ") }
      NR == 1 { next }
      {
        for (i = 1; i <= NF; ++i) if ($i ~ /nan|inf/) bad++
        # A ship past 100 damage breaks up and its wreck drifts on: it no longer flies.
        if ($13 > 100) next
        s = $2 + 1; c = cls[s]
        d = sqrt($6 * $6 + $7 * $7 + $8 * $8); if (d > far[c]) far[c] = d
        r = $11 < 0 ? -$11 : $11; if (r > roll[c]) roll[c] = r
        if (r > lim[s] + 0.001) over++
        speed[c] += $12; rows[c]++
        if (last[s] != "" && $4 == 112 && laststate[s] != 112) breaks[c]++
        if (last[s] != "" && $1 > lastt[s]) {
          dh = $10 - lasth[s]; if (dh > 180) dh -= 360; if (dh < -180) dh += 360
          w = (dh < 0 ? -dh : dh) * 3.14159265 / 180 / (($1 - lastt[s]) / 1000)
          if (w > 0.01 && $12 > 1) { tr = $12 / w; if (tight[c] == "" || tr < tight[c]) tight[c] = tr }
        }
        last[s] = 1; laststate[s] = $4; lastt[s] = $1; lasth[s] = $10
        if ($1 > end) end = $1
      }
      END {
        printf "bad=%d over=%d\n", bad, over
        for (c in far) {
          ships = 0; for (i = 1; i <= n; ++i) if (cls[i] == c) ships++
          printf "  %-14s farthest %6.1f  roll %5.1f  tightest turn %6.1f  mean speed %5.1f  break-offs/min/ship %4.1f\n",
            c, far[c], roll[c], tight[c], speed[c] / rows[c],
            breaks[c] / ships / (end / 60000)
        }
      }' "$work/flight.csv")"
    echo "$name seed $seed ($frames frames):"
    sed 1d <<<"$report"
    read -r badline <<<"$report"
    check "$name seed $seed: every value finite" grep -q '^bad=0 ' <<<"$badline"
    check "$name seed $seed: no roll past the class's angle limit" grep -q ' over=0$' <<<"$badline"
    farthest="$(sed 1d <<<"$report" | awk '{ if ($3 > m) m = $3 } END { print m + 0 }')"
    check "$name seed $seed: ships turn back (farthest ${farthest} < 400)" awk -v f="$farthest" 'BEGIN { exit !(f < 400) }'
  done
done
summary "flight check"
