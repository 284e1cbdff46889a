#!/usr/bin/env bash
# Opens the stand-in host with a window, the demo's settings and the
# plug-in's settings dialog (--settings), and takes a picture of the screen
# under Xvfb: build/demo/dialog.png. Run scripts/demo.sh once first.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
arch=$(wine_arch)
tree=$(windows_tree "$arch")
app=$SKIMROW_BUILD/demo/app
out=$SKIMROW_BUILD/demo/dialog.png
if [ "${1:-}" = --inside ]; then  # inside Xvfb and the Wine session
    "$SKIMROW_ROOT/scripts/wine-run.sh" "$arch" "$tree/wineprefix" "$app/vantrex_host.exe" --size 720x576 --fps 25 \
        --frames 250 --settings >/dev/null 2>&1 &
    host=$!
    sleep "${SHOT_DELAY:-6}"
    ffmpeg -v error -y -f x11grab -draw_mouse 0 -video_size 1280x1024 -i "$DISPLAY" -frames:v 1 "$out"
    kill "$host" 2>/dev/null || true
    wait "$host" 2>/dev/null || true
    exit 0
fi
[ -d "$app" ] || { echo "run scripts/demo.sh first" >&2; exit 1; }
cp "$tree/vantrex_host.exe" "$tree/Mivra_Skimrow.dll" "$app/"
with_wine "$arch" "$tree/wineprefix" bash "$SKIMROW_ROOT/scripts/dialog-screenshot.sh" --inside
echo "$out"
