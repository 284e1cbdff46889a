#!/usr/bin/env bash
# Puts the ticker on any video file: FFmpeg decodes it to YUY2 frames on a
# pipe, the stand-in host runs them through the plug-in, FFmpeg encodes the
# result.   scripts/ticker-on-video.sh INPUT OUTPUT [WxH] [fps]
# The plug-in's settings are build/demo/app/Plugins/Mivra_Skimrow.ini (run
# scripts/demo.sh once to create the folder).
set -euo pipefail
source "$(dirname "$0")/lib.sh"
input=$1 output=$2 size=${3:-720x576} fps=${4:-25}
arch=$(wine_arch)
tree=$(windows_tree "$arch")
app=$SKIMROW_BUILD/demo/app
[ -f "$app/vantrex_host.exe" ] || { echo "run scripts/demo.sh first" >&2; exit 1; }
ffmpeg -v error -i "$input" -vf "scale=${size/x/:},fps=$fps" -f rawvideo -pix_fmt yuyv422 - |
    wine_exe "$arch" "$tree" "$app/vantrex_host.exe" --headless --size "$size" --format yuy2 --input - --output - |
    ffmpeg -v error -y -f rawvideo -pix_fmt yuyv422 -s "$size" -r "$fps" -i - -c:v libx264 -pix_fmt yuv420p "$output"
echo "wrote $output"
