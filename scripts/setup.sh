#!/usr/bin/env bash
# Installs what the builds, the tests and the demo need on a fresh Debian 12
# machine (as root). Quick when everything is already there.
set -euo pipefail
say() { printf '\n== %s\n' "$*"; }

packages=(cmake make g++ googletest libgtest-dev libbenchmark-dev python3 locales
          g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64
          xvfb xauth fonts-liberation2 fonts-wqy-microhei ffmpeg clang libclang-rt-14-dev openssl)
# 32-bit Wine only where the kernel runs 32-bit code: elsewhere it could not
# start, and its i386 packages need an i386 index that mirrors do not always
# have in step with amd64's.
can_run_32bit() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }
if can_run_32bit; then packages+=(wine32:i386); fi
missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    say "installing: ${missing[*]}"
    if [ "$(id -u)" != 0 ]; then echo "setup: installing needs root" >&2; exit 1; fi
    if printf '%s\n' "${missing[@]}" | grep -q ':i386$'; then
        dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    fi
    export DEBIAN_FRONTEND=noninteractive
    # A mirror in the middle of a sync fails an index now and then: try again.
    for attempt in 1 2 3; do
        apt-get update -qq && break
        echo "setup: apt-get update failed (attempt $attempt), trying again" >&2
        sleep 15
    done
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
else
    say "packages already installed"
fi

# Wine runs with a Russian locale so that its ANSI code page is 1251.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf8$'; then
    say "generating the ru_RU.UTF-8 locale"
    localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
fi
