#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's private prefix:
#   wine-run.sh win32|win64 PREFIX program.exe [args...]
# Creates the prefix on first use (serialised with a lock) with no crash
# dialog, unmanaged windows and the Russian locale (ANSI code page 1251).
set -euo pipefail
arch=$1 prefix=$2
shift 2
export WINEARCH=$arch WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8
if [ "$arch" = win64 ]; then wine=/usr/lib/wine/wine64; else wine=wine; fi
export SKIMROW_WINE=$wine
if [ ! -f "$prefix/.skimrow-ready" ]; then
    mkdir -p "$(dirname "$prefix")"
    exec 9>"$prefix.lock"
    flock 9
    if [ ! -f "$prefix/.skimrow-ready" ]; then
        "$wine" wineboot -i </dev/null >/dev/null 2>&1 || true
        "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
        "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
        touch "$prefix/.skimrow-ready"
    fi
    exec 9>&-
fi
exec "$wine" "$@"
