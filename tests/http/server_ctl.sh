#!/usr/bin/env bash
# server_ctl.sh start|stop DIR [server options] : the feed server for the
# Windows tests, with its port in DIR/feed_server.port. Its output goes to a
# file, never to the test runner's pipes.
set -euo pipefail
action=$1 dir=$2
shift 2
mkdir -p "$dir"
case $action in
start)
    rm -f "$dir/feed_server.port"
    nohup python3 "$(dirname "$0")/feed_server.py" --port-file "$dir/feed_server.port" --lifetime 1800 "$@" \
        </dev/null >"$dir/feed_server.log" 2>&1 &
    echo $! >"$dir/feed_server.pid"
    for _ in $(seq 100); do [ -s "$dir/feed_server.port" ] && exit 0; sleep 0.1; done
    echo "feed server did not start" >&2
    exit 1
    ;;
stop)
    [ -f "$dir/feed_server.pid" ] && kill "$(cat "$dir/feed_server.pid")" 2>/dev/null || true
    rm -f "$dir/feed_server.pid"
    ;;
esac
