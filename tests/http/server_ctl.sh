#!/usr/bin/env bash
# server_ctl.sh start|stop DIR [ARCH PREFIX] [-- server options] : the feed
# server for the Windows tests, with its port in DIR/feed_server.port and its
# HTTPS ports in DIR/feed_server.tls. Its output goes to a file, never to the
# test runner's pipes.
#
# With ARCH and PREFIX, start makes a fresh test CA and trusts it in that
# Wine prefix only (one registry value); stop, and the next start, take that
# trust back, so that no old test CA stays trusted.
set -euo pipefail
action=$1 dir=$2
shift 2
arch= prefix=
if [ $# -gt 0 ] && [ "$1" != -- ]; then arch=$1 prefix=${2:-}; shift 2 || shift; fi
[ "${1:-}" = -- ] && shift
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$dir"
roots='HKCU\Software\Microsoft\SystemCertificates\Root\Certificates'

wine_reg() {
    "$here/../../scripts/wine-run.sh" "$arch" "$prefix" reg "$@" </dev/null >/dev/null 2>&1
}

untrust() {
    [ -n "$prefix" ] && [ -f "$dir/trusted_ca.sha1" ] || return 0
    wine_reg delete "$roots\\$(cat "$dir/trusted_ca.sha1")" /f || true
    rm -f "$dir/trusted_ca.sha1"
}

trust() {  # the CA's DER as the store keeps it: property 0x20, 1, length, bytes
    [ -n "$prefix" ] || return 0
    local der=$dir/tls/ca.der sha1 length blob
    sha1=$(openssl dgst -sha1 -binary "$der" | od -An -tx1 | tr -d ' \n' | tr a-f A-F)
    length=$(stat -c %s "$der")
    blob=2000000001000000$(printf '%08x' "$length" | sed -E 's/(..)(..)(..)(..)/\4\3\2\1/')$(od -An -tx1 -v "$der" | tr -d ' \n')
    wine_reg add "$roots\\$sha1" /v Blob /t REG_BINARY /d "$blob" /f
    echo "$sha1" >"$dir/trusted_ca.sha1"
}

case $action in
start)
    rm -f "$dir/feed_server.port" "$dir/feed_server.tls"
    untrust
    bash "$here/make_test_certs.sh" "$dir/tls"
    trust
    mkdir -p "$dir/files"
    nohup python3 "$here/feed_server.py" --port-file "$dir/feed_server.port" --tls "$dir/tls" "$@" \
        </dev/null >"$dir/feed_server.log" 2>&1 &
    echo $! >"$dir/feed_server.pid"
    for _ in $(seq 200); do [ -s "$dir/feed_server.port" ] && exit 0; sleep 0.1; done
    echo "feed server did not start" >&2
    exit 1
    ;;
stop)
    [ -f "$dir/feed_server.pid" ] && kill "$(cat "$dir/feed_server.pid")" 2>/dev/null || true
    rm -f "$dir/feed_server.pid"
    untrust
    ;;
esac
