#!/usr/bin/env bash
# The long soak: the plug-in DLL driven as a host drives it, under Wine,
#   scripts/soak.sh [cycles]        (default 3000)
# with `cycles` start/stop cycles, a tenth as many feed downloads and dialog
# openings and a fifteenth as many whole load-Init-Start-Stop-Shutdown-unload
# cycles, in ten rounds. Prints each measure at the start, after the warm-up
# and at the end, and its growth per 1000 cycles (in all and per kind).
set -euo pipefail
source "$(dirname "$0")/lib.sh"
"$SKIMROW_ROOT/scripts/setup.sh" >/dev/null
cycles=${1:-3000}
case $cycles in '' | *[!0-9]*) echo "usage: scripts/soak.sh [cycles]" >&2; exit 2 ;; esac
[ "$cycles" -ge 30 ] || { echo "soak: at least 30 cycles" >&2; exit 2; }

arch=$(wine_arch)
tree=$(windows_tree "$arch")
toolchain=$(windows_toolchain "$arch")
build=$(windows_build_name "$arch")
say "building $tree"
configure_and_build "$tree" -DCMAKE_TOOLCHAIN_FILE="$toolchain"

# The local feed server, for as long as the soak takes.
http=$tree/soak-http
mkdir -p "$http"
rm -f "$http/feed_server.port"
python3 "$SKIMROW_ROOT/tests/http/feed_server.py" --port-file "$http/feed_server.port" --lifetime 86400 \
    </dev/null >"$http/feed_server.log" 2>&1 &
server=$!
trap 'kill $server 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$http/feed_server.port" ] && break; sleep 0.1; done
export SKIMROW_FEED_PORT_FILE=$http/feed_server.port

s=$cycles d=$((cycles / 10)) g=$((cycles / 10)) w=$((cycles / 15))
say "soak: $s start/stop, $d download, $g dialog, $w load/unload cycles; $build"
with_wine "$arch" "$tree/wineprefix" "$SKIMROW_ROOT/scripts/wine-run.sh" "$arch" "$tree/wineprefix" \
    "$tree/soak/soak.exe" --cycles "$s,$d,$g,$w" --warmup 20,3,3,3 --rounds 10 --check
