#!/usr/bin/env bash
# Builds the release a user installs: dist/Mivra_Skimrow-<version>.zip with
# the shipped 32-bit DLL and the Russian user's guide (HTML and its PNG
# pictures), all in one folder named like the archive.
#   scripts/package.sh [--tree DIR] [--out DIR]
# --tree: the i686 build tree (build/win32; configured and built when the DLL
# is missing or out of date); --out: where the archive goes (dist/).
# The version comes from base/version.h, as the DLL's own does.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
tree=$SKIMROW_BUILD/win32
out=$SKIMROW_ROOT/dist
while [ $# -gt 0 ]; do
    case $1 in
    --tree) tree=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    *) echo "usage: scripts/package.sh [--tree DIR] [--out DIR]" >&2; exit 2 ;;
    esac
done

version=$(sed -n 's/^#define SKIMROW_VERSION_TEXT "\([^"]*\)".*/\1/p' "$SKIMROW_ROOT/base/version.h")
[ -n "$version" ] || { echo "package: no SKIMROW_VERSION_TEXT in base/version.h" >&2; exit 1; }
name=Mivra_Skimrow-$version

if [ ! -f "$tree/CMakeCache.txt" ]; then
    say "configuring the i686 tree $tree"
    mkdir -p "$tree"
    cmake -S "$SKIMROW_ROOT" -B "$tree" -DCMAKE_TOOLCHAIN_FILE="$SKIMROW_ROOT/cmake/mingw-i686.cmake" \
        >"$tree.configure.log" 2>&1 || { cat "$tree.configure.log"; exit 1; }
fi
# Only the DLL: the host and the tests are not shipped.
cmake --build "$tree" --target Mivra_Skimrow -j "$(build_jobs)" >"$tree.package-build.log" 2>&1 ||
    { tail -30 "$tree.package-build.log"; exit 1; }

# The tree builds with debug information (9 MB of it); users get the same
# code without it.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
dll=$stage/Mivra_Skimrow.dll
i686-w64-mingw32-strip --strip-debug -o "$dll" "$tree/Mivra_Skimrow.dll" 2>/dev/null ||
    { echo "package: $tree/Mivra_Skimrow.dll is no i686 DLL (was the tree built for x86-64?)" >&2; exit 1; }

mkdir -p "$out"
python3 - "$SKIMROW_ROOT" "$dll" "$version" "$out/$name.zip" <<'EOF'
import os, struct, sys, zipfile
root, dll, version, archive = sys.argv[1:]
folder = os.path.basename(archive)[:-len('.zip')]

# The host is a 32-bit program: a DLL built for x86-64 must never ship.
with open(dll, 'rb') as f:
    head = f.read(4096)
pe = struct.unpack_from('<I', head, 0x3C)[0]
if head[:2] != b'MZ' or head[pe:pe + 4] != b'PE\0\0' or struct.unpack_from('<H', head, pe + 4)[0] != 0x14C:
    sys.exit('package: the DLL is not an i386 PE file (was the tree built for x86-64?)')

guide_dir = os.path.join(root, 'docs', 'guide')
guide = open(os.path.join(guide_dir, 'guide.ru.html'), encoding='utf-8').read().replace('@VERSION@', version)
pictures = sorted(os.listdir(os.path.join(guide_dir, 'images')))

# Written beside the final name and moved over it: no half archive is left behind.
partial = archive + '.partial'
with zipfile.ZipFile(partial, 'w', zipfile.ZIP_DEFLATED) as z:
    z.write(dll, f'{folder}/Mivra_Skimrow.dll')
    z.writestr(f'{folder}/guide.ru.html', guide.encode('utf-8'))
    for picture in pictures:
        z.write(os.path.join(guide_dir, 'images', picture), f'{folder}/images/{picture}')
os.replace(partial, archive)
EOF
echo "$out/$name.zip"
