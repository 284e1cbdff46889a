#!/usr/bin/env bash
# The long soak: the plug-in DLL driven as a host drives it, under Wine,
#   scripts/soak.sh [cycles]            (default 3000)
# with `cycles` start/stop cycles, a tenth as many feed downloads and dialog
# openings, a fifteenth as many whole load-Init-Start-Stop-Shutdown-unload
# cycles and 1,000 requests to the control endpoint, in each of ten rounds;
# or
#   scripts/soak.sh --lifecycles N      (say 5000)
# with N whole life cycles and nothing else, as a host that loads and
# unloads plug-ins would run them. Prints each measure at the start, after
# the warm-up and at the end, and its growth per 1000 cycles (in all and per
# kind), net of a do-nothing library with the same imports.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
"$SKIMROW_ROOT/scripts/setup.sh" >/dev/null
usage() { echo "usage: scripts/soak.sh [cycles] | --lifecycles N" >&2; exit 2; }
lifecycles=
if [ "${1:-}" = --lifecycles ]; then lifecycles=${2:-}; cycles=0; else cycles=${1:-3000}; fi
case $cycles$lifecycles in '' | *[!0-9]*) usage ;; esac
[ -n "$lifecycles" ] || [ "$cycles" -ge 30 ] || { echo "soak: at least 30 cycles" >&2; exit 2; }

arch=$(wine_arch)
tree=$(windows_tree "$arch")
toolchain=$(windows_toolchain "$arch")
build=$(windows_build_name "$arch")
say "building $tree"
configure_and_build "$tree" -DCMAKE_TOOLCHAIN_FILE="$toolchain"

# The local feed server (its test CA trusted in this prefix) for as long as
# the soak takes.
http=$tree/soak-http
"$SKIMROW_ROOT/tests/http/server_ctl.sh" start "$http" "$arch" "$tree/wineprefix" -- --lifetime 86400
trap '"$SKIMROW_ROOT/tests/http/server_ctl.sh" stop "$http" "$arch" "$tree/wineprefix"' EXIT
export SKIMROW_FEED_PORT_FILE=$http/feed_server.port

if [ -n "$lifecycles" ]; then
    counts=0,0,0,$lifecycles,0 warmup=0,0,0,20,0 rounds=10
    say "soak: $lifecycles whole life cycles; $build"
else
    counts=$cycles,$((cycles / 10)),$((cycles / 10)),$((cycles / 15)),10000 warmup=20,3,10,3,20 rounds=10
    say "soak: ${counts//,/ \/ } start/stop / download / dialog / load-unload / request cycles; $build"
fi
wine_exe "$arch" "$tree" "$tree/soak/soak.exe" --cycles "$counts" --warmup "$warmup" --rounds "$rounds" --check
