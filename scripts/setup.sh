#!/usr/bin/env bash
# Installs what the builds, the tests and the demo need on a fresh Debian 12
# machine (as root). Quick when everything is already there.
#
# What every path needs comes first; 32-bit Wine, which only a machine that
# runs 32-bit code can use, comes after it and may fail without stopping
# anything: its i386 packages need an i386 index in step with amd64's, and a
# mirror in the middle of a sync does not always have one. Without it the
# tests, the demo and the benchmarks take the 64-bit path (lib.sh's
# wine_arch), and a later run that can install it does.
set -uo pipefail
source "$(dirname "$0")/lib.sh"

packages=(cmake make g++ googletest libgtest-dev libbenchmark-dev python3 locales zip unzip
          g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64
          xvfb xauth fonts-liberation2 fonts-wqy-microhei ffmpeg clang libclang-rt-14-dev openssl
          fonts-dejavu-core fonts-thai-tlwg fonts-symbola)  # the fonts the tests fall back to: Arabic and Hebrew, Thai, emoji

missing_of() { local p; for p in "$@"; do dpkg -s "$p" >/dev/null 2>&1 || echo "$p"; done; }

apt_updated=no
apt_update() {
    [ $apt_updated = yes ] && return 0
    apt_updated=yes
    # One index that fails (a mirror out of step) leaves the others usable:
    # apt-get says so and exits non-zero, which must not stop the install.
    local attempt
    for attempt in 1 2; do
        apt-get update -qq 2>"$SKIMROW_BUILD/apt-update.log" && return 0
        grep -E '^(E|W):' "$SKIMROW_BUILD/apt-update.log" | head -3 >&2
        echo "setup: apt-get update reported a failure (attempt $attempt)" >&2
        [ $attempt = 1 ] && sleep 10
    done
    return 0
}

apt_install() {  # packages...
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@" \
        >"$SKIMROW_BUILD/apt-install.log" 2>&1
}

mkdir -p "$SKIMROW_BUILD"
mapfile -t missing < <(missing_of "${packages[@]}")
if [ ${#missing[@]} -gt 0 ]; then
    say "installing: ${missing[*]}"
    if [ "$(id -u)" != 0 ]; then echo "setup: installing needs root" >&2; exit 1; fi
    apt_update
    apt_install "${missing[@]}" || { tail -20 "$SKIMROW_BUILD/apt-install.log" >&2; exit 1; }
else
    say "packages already installed"
fi

if can_run_32bit && ! has_wine32; then
    say "installing 32-bit Wine (this machine runs 32-bit code)"
    if [ "$(id -u)" = 0 ]; then
        dpkg --print-foreign-architectures | grep -qx i386 || { dpkg --add-architecture i386; apt_updated=no; }
        apt_update
        if ! apt_install wine32:i386; then
            reason=$(grep -E '^E:' "$SKIMROW_BUILD/apt-install.log" | head -1)
            echo "setup: 32-bit Wine could not be installed (${reason:-see $SKIMROW_BUILD/apt-install.log}); the Windows tests, the demo and the benchmarks take the 64-bit path"
        fi
    else
        echo "setup: 32-bit Wine is missing and installing needs root; the Windows tests take the 64-bit path"
    fi
fi

# Wine runs with a Russian locale so that its ANSI code page is 1251.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf8$'; then
    say "generating the ru_RU.UTF-8 locale"
    localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
fi
exit 0
