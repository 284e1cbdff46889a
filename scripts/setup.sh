#!/usr/bin/env bash
# Installs what the builds, the tests and the demo need on a fresh Debian 12
# machine (as root). Quick when everything is already there.
set -euo pipefail
say() { printf '\n== %s\n' "$*"; }

packages=(cmake make g++ googletest libgtest-dev libbenchmark-dev python3 locales
          g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64
          xvfb xauth fonts-liberation2 ffmpeg clang libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    say "installing: ${missing[*]}"
    if [ "$(id -u)" != 0 ]; then echo "setup: installing needs root" >&2; exit 1; fi
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
else
    say "packages already installed"
fi

# Wine runs with a Russian locale so that its ANSI code page is 1251.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf8$'; then
    say "generating the ru_RU.UTF-8 locale"
    localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
fi
