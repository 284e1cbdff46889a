#!/usr/bin/env bash
# Opens the stand-in host with a window, the demo's settings and the
# plug-in's settings dialog (--settings), and takes a picture of the screen
# under Xvfb: build/demo/dialog.png. Run scripts/demo.sh once first. The
# picture shows what a user's Windows shows: the text file lies in
# C:\Новости, not in a build folder.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
arch=$(wine_arch)
tree=$(windows_tree "$arch")
app=$SKIMROW_BUILD/demo/picture  # a copy of the demo's, for the picture
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
[ -d "$SKIMROW_BUILD/demo/app" ] || { echo "run scripts/demo.sh first" >&2; exit 1; }
rm -rf "$app"
cp -r "$SKIMROW_BUILD/demo/app" "$app"
cp "$tree/vantrex_host.exe" "$tree/Mivra_Skimrow.dll" "$app/"
folder="$tree/wineprefix/drive_c/Новости"
mkdir -p "$folder"
cp "$SKIMROW_ROOT/scripts/demo/news.txt" "$folder/news.txt"
python3 - "$app/Plugins/Mivra_Skimrow.ini" <<'PY'
import sys
path = sys.argv[1]
lines = open(path, 'rb').read().split(b'\r\n')
lines = [b'File_000=' + 'C:\\Новости\\news.txt'.encode('cp1251') if l.startswith(b'File_000=') else l for l in lines]
# A string, a feed and the news settings as a station would have them,
# with the feeds chosen, so that no check box is greyed (Wine cuts the last
# letter of a greyed check box's label, which Windows does not), and the
# line stopped, so that no feed is asked for.
extra = ['Str_000=Смотрите нас каждый день в 19:00', 'URL_000=https://example.ru/news/rss.xml',
         'MaxAge=24', 'AnnounceEvery=5', 'SourceLabel=1', 'AllFeeds=1', 'StringSource=2', 'LineOn=0',
         'AutoUpdate=0', 'ControlPort=8080', 'ControlKey=studio-panel-7']
keys = {e.split('=')[0].encode() for e in extra}
lines = [l for l in lines if l and l.split(b'=')[0] not in keys] + [e.encode('cp1251') for e in extra] + [b'']
open(path, 'wb').write(b'\r\n'.join(lines))
PY
with_wine "$arch" "$tree/wineprefix" bash "$SKIMROW_ROOT/scripts/dialog-screenshot.sh" --inside
echo "$out"
