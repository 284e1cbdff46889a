#!/usr/bin/env bash
# Every feed of the real-feed corpus through the real DLL: each is served by
# the local feed server (with its HTTP charset where the corpus lists one)
# and must show its newest item first, cleaned, with LastUpdate saved as that
# item's stamp. What is expected comes from scripts/real_feeds_model.py, a
# model of its own built on Python's standard library.
#   scripts/real-feeds.sh [FEEDS_DIR]
# FEEDS_DIR defaults to $SKIMROW_FEEDS, else ../shared/feeds beside the
# repository. Prints one line per failure and "N of M real feeds"; exit
# status 1 when a feed fails, 0 (with a line saying so) when there is no corpus.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
feeds=${1:-${SKIMROW_FEEDS:-$SKIMROW_ROOT/../shared/feeds}}
if [ ! -f "$feeds/MANIFEST.tsv" ]; then
    echo "real feeds: skipped (no corpus at $feeds)"
    exit 0
fi
feeds=$(cd "$feeds" && pwd)
arch=$(wine_arch)
tree=$(windows_tree "$arch")
if [ ! -f "$tree/real_feeds.exe" ]; then
    toolchain=$(windows_toolchain "$arch")
    configure_and_build "$tree" -DCMAKE_TOOLCHAIN_FILE="$toolchain" || exit 1
fi
work=$tree/real_feeds
mkdir -p "$work"
python3 "$SKIMROW_ROOT/scripts/real_feeds_model.py" "$feeds" >"$work/expected.tsv" || exit 1
"$SKIMROW_ROOT/tests/http/server_ctl.sh" start "$work" -- --corpus "$feeds" || exit 1
export SKIMROW_FEED_PORT_FILE=$work/feed_server.port SKIMROW_REAL_FEEDS=$work/expected.tsv
wine_exe "$arch" "$tree" "$tree/real_feeds.exe" >"$work/run.log" 2>&1
rc=$?
"$SKIMROW_ROOT/tests/http/server_ctl.sh" stop "$work"
tr -d '\r' <"$work/run.log" | grep -E '^FAIL |real feeds$' || { tail -20 "$work/run.log"; rc=1; }
exit $([ $rc -eq 0 ] && echo 0 || echo 1)
