#!/usr/bin/env bash
# Benchmarks that print numbers: the blender natively (Google Benchmark),
# whole frames through the stand-in host under Wine, and FFmpeg's drawtext
# drawing a comparable band on the same frames.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
"$SKIMROW_ROOT/scripts/setup.sh" >/dev/null
frames=${FRAMES:-300}

say "native: BlendBand (both fields) against a memcpy of the band region"
configure_and_build "$SKIMROW_BUILD/bench" -DSKIMROW_SANITIZE= -DSKIMROW_BENCH=ON -DCMAKE_BUILD_TYPE=Release
"$SKIMROW_BUILD/bench/core_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_filter="${BENCH_FILTER:-.}" 2>/dev/null | grep -E '_median|^Run on' || true

arch=$(wine_arch)
tree=$(windows_tree "$arch")
toolchain=$SKIMROW_ROOT/cmake/mingw-i686.cmake
[ "$arch" = win64 ] && toolchain=$SKIMROW_ROOT/cmake/mingw-x86_64.cmake
configure_and_build "$tree" -DCMAKE_TOOLCHAIN_FILE="$toolchain"
app=$SKIMROW_BUILD/bench/app
rm -rf "$app" && mkdir -p "$app/Plugins"
cp "$tree/vantrex_host.exe" "$tree/Mivra_Skimrow.dll" "$app/"
text='Бегущая строка: новости часа  В Москве без осадков'
font=/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf

say "whole frames under Wine ($arch): ProcessFrame per frame (compose + blend, both fields), $frames frames"
printf '%-10s %12s %12s %10s\n' size ours_ms drawtext_ms ratio
for size in 720x576 1920x1080 3840x2160; do
    w=${size%x*} h=${size#*x}
    printf '[PluginSettings]\r\nLineOn=1\r\nStr_000=%s\r\n' "$(echo "$text" | iconv -f utf-8 -t cp1251)" \
        > "$app/Plugins/Mivra_Skimrow.ini"
    ours=$(with_wine "$arch" "$tree/wineprefix" "$SKIMROW_ROOT/scripts/wine-run.sh" "$arch" "$tree/wineprefix" \
        "$app/vantrex_host.exe" --headless --size "$size" --frames "$frames" --stats 2>&1 |
        sed -n 's/.*median \([0-9.]*\).*/\1/p')
    # drawtext does not take packed YUYV; its nearest format is planar 4:2:2 (yuv422p).
    # Text of the same pixel height as ours (31 of 576 lines), a box at 80 %, a shadow;
    # one thread, frames read from a file, the cost without drawtext subtracted.
    fs=$((31 * h / 576)) boxh=$((37 * h / 576)) sh=$((2 * h / 576 > 0 ? 2 * h / 576 : 1))
    raw=$SKIMROW_BUILD/bench/frames_$size.yuv
    [ -f "$raw" ] || ffmpeg -v error -f lavfi -i "testsrc2=size=$size:rate=25" -frames:v "$frames" -pix_fmt yuv422p -f rawvideo "$raw"
    dt="drawtext=fontfile=$font:text='${text//:/\\:}':fontsize=$fs:fontcolor=0xC0C0C0@0.9:box=1:boxcolor=0x606060@0.8:boxborderw=$((boxh / 8)):shadowx=$sh:shadowy=$sh:shadowcolor=black@0.9:x=w-mod(n*8\,w+tw):y=h-$boxh"
    run_ffmpeg() {
        ffmpeg -hide_banner -benchmark -threads 1 -filter_threads 1 -f rawvideo -pix_fmt yuv422p -s "$size" \
            -i "$raw" "$@" -f null - 2>&1 | sed -n 's/.*utime=\([0-9.]*\)s.*/\1/p'
    }
    base=$(run_ffmpeg)
    with=$(run_ffmpeg -vf "$dt")
    drawtext=$(echo "$with $base $frames" | awk '{printf "%.3f", ($1 - $2) * 1000 / $3}')
    ratio=$(echo "$drawtext $ours" | awk '{ if ($2 > 0) printf "%.1fx", $1 / $2; else print "-" }')
    printf '%-10s %12s %12s %10s\n' "$size" "$ours" "$drawtext" "$ratio"
done

say "a 10,000-item, 5 MB feed under Wine: parse time and the publish's hold on the video thread"
with_wine "$arch" "$tree/wineprefix" "$SKIMROW_ROOT/scripts/wine-run.sh" "$arch" "$tree/wineprefix" "$tree/feed_bench.exe"
