#!/usr/bin/env bash
# Checks that every include points down the layers (docs/architecture.md):
#   glapi -> platform -> common -> saver/core -> saver/assets -> saver/audio, saver/effects
#     -> saver/battle -> saver/render -> saver/shell (saver/gl beside the saver's layers)
#   common -> config
# with programs/ on top of them all (it joins the layers into the two programs) and tools/ on
# the saver's layers. Nothing includes programs/. Prints each include that breaks a rule.
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

# allowed FOLDER: the folders (prefixes of included paths) a file in FOLDER may include.
allowed() {
  case "$1" in
    glapi) echo "glapi/" ;;
    platform) echo "platform/ glapi/" ;;
    common) echo "common/ platform/ glapi/" ;;
    config) echo "config/ common/ platform/ glapi/" ;;
    saver/core) echo "saver/core/ platform/ glapi/" ;;
    saver/assets) echo "saver/assets/ saver/core/ common/ platform/ glapi/" ;;
    saver/audio) echo "saver/audio/ saver/assets/ saver/core/ common/ platform/ glapi/" ;;
    saver/effects) echo "saver/effects/ saver/assets/ saver/core/ common/ platform/ glapi/" ;;
    saver/battle) echo "saver/battle/ saver/effects/ saver/audio/ saver/assets/ saver/core/ common/ platform/ glapi/" ;;
    saver/render) echo "saver/render/ saver/battle/ saver/effects/ saver/audio/ saver/assets/ saver/core/ common/ platform/ glapi/" ;;
    saver/gl) echo "saver/gl/ saver/core/ common/ platform/ glapi/" ;;
    saver/shell) echo "saver/ common/ platform/ glapi/" ;;
    # The programs join everything below them; they are the only place the two meet.
    programs) echo "programs/ saver/ config/ common/ platform/ glapi/" ;;
    # Tools build on the saver's readers and, for drawing, the platform's offscreen target.
    tools) echo "tools/ saver/ common/ platform/ glapi/" ;;
    *) echo "" ;;
  esac
}

layer_of() {
  case "$1" in
    saver/*) echo "$1" | cut -d/ -f1-2 ;;
    *) echo "$1" | cut -d/ -f1 ;;
  esac
}

broken=0
while IFS= read -r file; do
  layer=$(layer_of "$file")
  rules=$(allowed "$layer")
  # The tools' own tests share the test helpers.
  case "$file" in tools/*test*) rules="$rules tests/support/" ;; esac
  [ -n "$rules" ] || continue
  while IFS= read -r included; do
    [ -n "$included" ] || continue
    ok=0
    for prefix in $rules; do
      case "$included" in "$prefix"*) ok=1 ;; esac
    done
    # An include of a project folder that is not a layer (a system header in quotes) is not ours.
    case "$included" in */*) ;; *) ok=1 ;; esac
    if [ "$ok" -eq 0 ]; then
      echo "$file includes $included: $layer may include only $rules"
      broken=1
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find glapi platform common config saver programs tools -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.inc' -o -name '*.rc' \) | sort)

if [ "$broken" -ne 0 ]; then
  echo "includes that point up the layers (see docs/architecture.md)"
  exit 1
fi
echo "layers: every include points down"
