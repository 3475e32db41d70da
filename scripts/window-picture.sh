#!/usr/bin/env bash
# Makes the picture of the window shown in the README: the window program
# opens an example on its own virtual X server, grids it and captures itself
# to Kestrel.bmp, which is converted to PNG.
#
#   scripts/window-picture.sh [EXAMPLE] [OUTPUT]
#
# Defaults: examples/river_bend.p2d and docs/window.png. Needs a built
# build/src/app/kestrel (or KESTREL=path), Xvfb and python3.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
example=$(realpath "${1:-$root/examples/river_bend.p2d}")
output=$(realpath -m "${2:-$root/docs/window.png}")
kestrel=$(realpath "${KESTREL:-$root/build/src/app/kestrel}")

work=$(mktemp -d)
xvfb=""
cleanup() {
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# The server picks a free display and writes its number once it is ready.
Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp >"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 200); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
display=":$(head -n1 "$work/display")"
[ "$display" != ":" ] || { echo "Xvfb did not start" >&2; exit 1; }

(cd "$work" && DISPLAY=$display QT_QPA_PLATFORM=xcb "$kestrel" "$example" capture)
python3 "$root/scripts/bmp2png.py" "$work/Kestrel.bmp" "$output"
echo "written $output"
