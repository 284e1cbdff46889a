#!/usr/bin/env bash
# The main job: builds the plug-in and the stand-in host, plays a video
# through the plug-in and writes what the host shows: raw frames, an MP4
# and a PNG still, in build/demo/.
#   scripts/demo.sh [frames] [text|rss]
# "text" (the default) scrolls the lines of a Russian text file; "rss" starts
# a local feed server on 127.0.0.1 and scrolls its items, refreshed every minute.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
"$SKIMROW_ROOT/scripts/setup.sh"
frames=${1:-150}
mode=${2:-text}
arch=$(wine_arch)
tree=$(windows_tree "$arch")
toolchain=$(windows_toolchain "$arch")
say "building the plug-in and the stand-in host ($arch)"
mkdir -p "$SKIMROW_BUILD"
configure_and_build "$tree" -DCMAKE_TOOLCHAIN_FILE="$toolchain"

demo=$SKIMROW_BUILD/demo
app=$demo/app
rm -rf "$demo"
mkdir -p "$app/Plugins"
cp "$tree/vantrex_host.exe" "$tree/Mivra_Skimrow.dll" "$app/"
# The ticker reads a Russian text file in Windows-1251, one message a line.
cp "$SKIMROW_ROOT/scripts/demo/news.txt" "$app/news.txt"
news=$(winepath_of "$app/news.txt")
sed "s|@NEWS@|${news//\\/\\\\}|" "$SKIMROW_ROOT/scripts/demo/Mivra_Skimrow.ini.in" | sed 's/$/\r/' > "$app/Plugins/Mivra_Skimrow.ini"
pace=()
if [ "$mode" = rss ]; then
    say "starting the feed server on 127.0.0.1"
    "$SKIMROW_ROOT/tests/http/server_ctl.sh" start "$demo/http"
    trap '"$SKIMROW_ROOT/tests/http/server_ctl.sh" stop "$demo/http"' EXIT
    url="http://127.0.0.1:$(cat "$demo/http/feed_server.port")/dated.xml"
    sed -e 's/^StringSource=1/StringSource=2/' -e "s|^File_000=.*|URL_000=$url|" "$SKIMROW_ROOT/scripts/demo/Mivra_Skimrow.ini.in" |
        sed -e 's/$/\r/' > "$app/Plugins/Mivra_Skimrow.ini"
    printf 'AutoUpdate=1\r\n' >> "$app/Plugins/Mivra_Skimrow.ini"
    pace=(--pace)  # real time, so that the feed arrives while the video plays
    echo "feed: $url"
fi

say "playing $frames frames of FFmpeg's testsrc2 video (720x576 YUY2) through the host and the plug-in"
ffmpeg -v error -f lavfi -i "testsrc2=size=720x576:rate=25" -frames:v "$frames" -f rawvideo -pix_fmt yuyv422 - |
    wine_exe "$arch" "$tree" "$app/vantrex_host.exe" --headless "${pace[@]}" --size 720x576 --format yuy2 --input - --output - --stats \
        > "$demo/frames.yuy2"

say "encoding build/demo/demo.mp4 and build/demo/still.png"
ffmpeg -v error -y -f rawvideo -pix_fmt yuyv422 -s 720x576 -r 25 -i "$demo/frames.yuy2" \
    -c:v libx264 -pix_fmt yuv420p "$demo/demo.mp4"
ffmpeg -v error -y -f rawvideo -pix_fmt yuyv422 -s 720x576 -i "$demo/frames.yuy2" \
    -vf "select=eq(n\,$((frames * 2 / 3)))" -frames:v 1 "$demo/still.png"
ls -l "$demo"/demo.mp4 "$demo"/still.png
[ -f "$app/Plugins/Mivra_Skimrow.log" ] && { say "the plug-in's download log"; cat "$app/Plugins/Mivra_Skimrow.log"; }
say "done"
