# Shared by the README's commands.
SKIMROW_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
SKIMROW_BUILD=${SKIMROW_BUILD:-$SKIMROW_ROOT/build}
say() { printf '\n== %s\n' "$*"; }

# Some machines run 64-bit code only (no IA-32 emulation in the kernel), so
# 32-bit Wine cannot start there. The shipped DLL is always the 32-bit one;
# on such machines the Windows tests and the demo use the 64-bit build of
# the same sources under 64-bit Wine.
# Where 32-bit Wine could not be installed (setup.sh says why), they do the
# same.
can_run_32bit() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }
has_wine32() { [ -x /usr/lib/wine/wine ] && dpkg -s wine32:i386 >/dev/null 2>&1; }
wine_arch() { if can_run_32bit && has_wine32; then echo win32; else echo win64; fi; }
why_not_win32() {  # one phrase: why the Windows tests do not run the i686 DLL
    if ! can_run_32bit; then echo "this machine runs no 32-bit code"
    else echo "32-bit Wine is not installed here"; fi
}

build_jobs() { nproc 2>/dev/null || echo 2; }

configure_and_build() {  # dir, cmake args...: prints the build's warnings and errors
    local dir=$1; shift
    cmake -S "$SKIMROW_ROOT" -B "$dir" "$@" >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; return 1; }
    local rc=0
    cmake --build "$dir" -j "$(build_jobs)" >"$dir.build.log" 2>&1 || rc=$?
    grep -E 'error|warning:|Error' "$dir.build.log" || true
    return $rc
}

windows_tree() {  # arch -> build dir of the Windows build that runs here
    if [ "$1" = win32 ]; then echo "$SKIMROW_BUILD/win32"; else echo "$SKIMROW_BUILD/win64"; fi
}

windows_toolchain() {  # arch -> CMake toolchain file of that Windows build
    if [ "$1" = win32 ]; then echo "$SKIMROW_ROOT/cmake/mingw-i686.cmake"; else echo "$SKIMROW_ROOT/cmake/mingw-x86_64.cmake"; fi
}

windows_build_name() {  # arch -> which build the numbers come from, in words
    if [ "$1" = win32 ]; then echo "the shipped i686 DLL under 32-bit Wine"
    else echo "the x86-64 build under 64-bit Wine ($(why_not_win32))"; fi
}

# Runs a command inside one Xvfb with a private, persistent wineserver, so
# that CTest does not wait for Wine's service processes on every test.
with_wine() {  # arch prefix command...
    local arch=$1 prefix=$2; shift 2
    xvfb-run -a -s "-screen 0 1280x1024x24" "$SKIMROW_ROOT/scripts/wine-session.sh" "$arch" "$prefix" "$@"
}

# Runs one Windows program of a build tree in that tree's prefix, in a session
# of its own: wine_exe ARCH TREE program.exe [args...]
wine_exe() {
    local arch=$1 tree=$2; shift 2
    with_wine "$arch" "$tree/wineprefix" "$SKIMROW_ROOT/scripts/wine-run.sh" "$arch" "$tree/wineprefix" "$@"
}

# Wine maps the Unix root to drive Z:.
winepath_of() { printf 'Z:%s' "$(echo "$1" | tr '/' '\\')"; }
