#!/usr/bin/env bash
# wine-session.sh ARCH PREFIX command... : runs the command with a warm,
# private wineserver and stops that server afterwards.
set -uo pipefail
arch=$1 prefix=$2
shift 2
export WINEARCH=$arch WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
here=$(dirname "$0")
wineserver=/usr/lib/wine/wineserver
stop_server() {
    "$wineserver" -k </dev/null >/dev/null 2>&1
    "$wineserver" -w </dev/null >/dev/null 2>&1
}
# A persistent server left by an interrupted session would never go away.
[ -d "$prefix" ] && stop_server
# Make the prefix first, and let the server that made it go: "wineserver -p"
# beside a running server changes nothing, and a server that is not
# persistent stops Wine's own services a few seconds after each test, so the
# next test waits ten seconds for them to come back.
"$here/wine-run.sh" "$arch" "$prefix" cmd /c exit </dev/null >/dev/null 2>&1
"$wineserver" -w </dev/null >/dev/null 2>&1
"$wineserver" -p </dev/null >/dev/null 2>&1
trap stop_server EXIT
trap 'exit 130' INT TERM
"$here/wine-run.sh" "$arch" "$prefix" cmd /c exit </dev/null >/dev/null 2>&1
"$@"
