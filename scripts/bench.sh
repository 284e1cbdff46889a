#!/usr/bin/env bash
# Benchmarks that print numbers: the blender and whole frames natively
# (Google Benchmark), the split of one frame (composition, blend) and whole
# frames through the stand-in host under Wine, against FFmpeg drawing a
# comparable band on the same frames (drawtext, and a lanczos-scaled strip
# with overlay). Each side's best of three runs.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
"$SKIMROW_ROOT/scripts/setup.sh" >/dev/null
frames=${FRAMES:-300}  # ours per run; FFmpeg plays as many as its clock needs (below)
runs=3

machine="$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(nproc) cores, $(uname -m)"
say "machine: $machine"

say "native (x86-64, Release): BlendBand, both fields, per path (from resampled strips, and with every column"
echo "filtered: _direct), a memcpy of the band region, and whole frames (the engine's DrawFrame)"
configure_and_build "$SKIMROW_BUILD/bench" -DSKIMROW_SANITIZE= -DSKIMROW_BENCH=ON -DCMAKE_BUILD_TYPE=Release
native=$("$SKIMROW_BUILD/bench/core_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_filter="${BENCH_FILTER:-^(Blend|Copy|Frame)/}" 2>/dev/null | grep -E '_median|^Run on' || true)
echo "$native"
native_us() { echo "$native" | awk -v n="$1_median" '$1 == n { print $2 }'; }

arch=$(wine_arch)
tree=$(windows_tree "$arch")
toolchain=$(windows_toolchain "$arch")
build=$(windows_build_name "$arch")
configure_and_build "$tree" -DCMAKE_TOOLCHAIN_FILE="$toolchain"
app=$SKIMROW_BUILD/bench/app
rm -rf "$app" && mkdir -p "$app/Plugins"
cp "$tree/vantrex_host.exe" "$tree/Mivra_Skimrow.dll" "$app/"
# BENCH_BEFORE=DIR: an earlier build's Mivra_Skimrow.dll, timed in the same
# host, runs interleaved with ours, for a before/after in one run.
before_dll=${BENCH_BEFORE:+$BENCH_BEFORE/Mivra_Skimrow.dll}
if [ -n "$before_dll" ]; then
    [ -f "$before_dll" ] || { echo "bench: no $before_dll" >&2; exit 1; }
    rm -rf "$app.before" && mkdir -p "$app.before/Plugins"
    cp "$tree/vantrex_host.exe" "$app.before/" && cp "$before_dll" "$app.before/"
fi
before_rows=""
text='Бегущая строка: новости часа  В Москве без осадков'
font=/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf

say "under Wine ($build): one frame's time split, in-process, frame in cache"
split=$(wine_exe "$arch" "$tree" "$tree/frame_split_bench.exe")
echo "$split"
split_col() { echo "$split" | awk -v s="$1" -v c="$2" '$1 == s { print $c }'; }

say "under Wine ($build): laying out one message as it enters the band, by script"
wine_exe "$arch" "$tree" "$tree/layout_bench.exe"

best() { sort -g | head -1; }
# FFmpeg's -benchmark reports the CPU time the kernel has counted, which
# moves in clock ticks (10 ms at most): a difference of two runs is off by up
# to 20 ms. Enough frames keep that under 1/50 of the figure measured.
tick_ms=10

say "whole frames: $build, YUY2, interlaced, default band; best of $runs runs each"
echo "ours: ProcessFrame in the stand-in host (compose + blend, both fields), median of $frames frames"
echo "drawtext: FFmpeg drawtext on yuv422p (box, shadow), cost above a plain decode of the same frames"
echo "lanczos+overlay: FFmpeg rendering the band as a 768-wide RGBA strip each frame (drawtext),"
echo "  scaling it with scale=...:flags=lanczos and compositing it with overlay, cost above a plain decode"
echo "frames: how many FFmpeg played (its input looped); +-: the clock's rounding per frame"
echo "compose/blend: the split of ours (frame_split_bench); memcpy: the band region, natively"
printf '%-10s %8s %11s %8s %11s %8s %7s %7s %10s %8s %11s %9s\n' size ours_ms drawtext_ms ratio lanczos_ms ratio \
    frames +-% compose_ms blend_ms memcpy_us blend/cp
for size in 720x576 1920x1080 3840x2160; do
    w=${size%x*} h=${size#*x}
    printf '[PluginSettings]\r\nLineOn=1\r\nStr_000=%s\r\n' "$(echo "$text" | iconv -f utf-8 -t cp1251)" \
        > "$app/Plugins/Mivra_Skimrow.ini"
    frame_ms() {  # app dir -> median ProcessFrame time of one run
        wine_exe "$arch" "$tree" "$1/vantrex_host.exe" --headless --size "$size" --frames "$frames" --stats 2>&1 |
            sed -n 's/.*median \([0-9.]*\).*/\1/p'
    }
    [ -z "$before_dll" ] || cp "$app/Plugins/Mivra_Skimrow.ini" "$app.before/Plugins/"
    times=$(for r in $(seq $runs); do
        echo "ours $(frame_ms "$app")"
        [ -z "$before_dll" ] || echo "before $(frame_ms "$app.before")"
    done)
    ours=$(echo "$times" | awk '$1 == "ours" { print $2 }' | best)
    if [ -n "$before_dll" ]; then
        before=$(echo "$times" | awk '$1 == "before" { print $2 }' | best)
        before_rows+=$(printf '%-10s %9s %8s %8s' "$size" "$before" "$ours" \
            "$(echo "$before $ours" | awk '{ if ($2 > 0) printf "%.2fx", $1 / $2; else print "-" }')")$'\n'
    fi
    # drawtext does not take packed YUYV; its nearest format is planar 4:2:2 (yuv422p).
    # Text of the same pixel height as ours (31 of 576 lines), a box at 80 %, a shadow;
    # one thread, frames read from a file (50 frames, looped), the cost without the filter subtracted.
    fs=$((31 * h / 576)) boxh=$((37 * h / 576)) sh=$((2 * h / 576 > 0 ? 2 * h / 576 : 1))
    raw=$SKIMROW_BUILD/bench/frames50_$size.yuv
    [ -f "$raw" ] || ffmpeg -v error -f lavfi -i "testsrc2=size=$size:rate=25" -frames:v 50 -pix_fmt yuv422p -f rawvideo "$raw"
    esc=${text//:/\\:}
    dt="drawtext=fontfile=$font:text='$esc':fontsize=$fs:fontcolor=0xC0C0C0@0.9:box=1:boxcolor=0x606060@0.8:boxborderw=$((boxh / 8)):shadowx=$sh:shadowy=$sh:shadowcolor=black@0.9:x=w-mod(n*8\,w+tw):y=h-$boxh"
    strip="[1:v]format=rgba,drawtext=fontfile=$font:text='$esc':fontsize=31:fontcolor=0xC0C0C0@0.9:shadowx=2:shadowy=2:shadowcolor=black@0.9:x=w-mod(n*8\,w+tw):y=2,scale=$w:$boxh:flags=lanczos[band];[0:v][band]overlay=0:H-h:shortest=1:format=yuv422"
    run_ffmpeg() {  # frames, ffmpeg arguments -> CPU seconds
        ffmpeg -hide_banner -benchmark -threads 1 -filter_threads 1 -stream_loop $(($1 / 50 - 1)) -f rawvideo \
            -pix_fmt yuv422p -s "$size" -i "$raw" "${@:2}" -frames:v "$1" -f null - 2>&1 |
            sed -n 's/.*utime=\([0-9.]*\)s.*/\1/p'
    }
    per_frame() { echo "$1 $2 $3" | awk '{printf "%.4f", ($1 - $2) * 1000 / $3}'; }
    # A first short run tells drawtext's cost; then enough frames for the clock
    # (aiming at 1 %), and more if the measured cost turns out smaller.
    frames_for() { echo "$1 $tick_ms" | awk '{n = 2 * $2 * 100 / ($1 > 0.001 ? $1 : 0.001); n = n < 300 ? 300 : n;
        printf "%d", (int((n + 49) / 50)) * 50}'; }
    n=$(frames_for "$(per_frame "$(run_ffmpeg 300 -vf "$dt")" "$(run_ffmpeg 300)" 300)")
    for attempt in 1 2; do
        base=$(for r in $(seq $runs); do run_ffmpeg "$n"; done | best)
        with=$(for r in $(seq $runs); do run_ffmpeg "$n" -vf "$dt"; done | best)
        drawtext=$(per_frame "$with" "$base" "$n")
        rounding=$(echo "$tick_ms $n $drawtext" | awk '{printf "%.1f", 200 * $1 / $2 / ($3 > 0 ? $3 : 1)}')
        if awk -v r="$rounding" 'BEGIN { exit !(r <= 2) }'; then break; fi
        n=$(frames_for "$drawtext")
    done
    piped=$(for r in $(seq $runs); do
        run_ffmpeg "$n" -f lavfi -i "color=c=0x606060CC:s=768x37:r=25" -filter_complex "$strip"
    done | best)
    lanczos=$(per_frame "$piped" "$base" "$n")
    ratio() { echo "$1 $2" | awk '{ if ($2 > 0) printf "%.1fx", $1 / $2; else print "-" }'; }
    cp=$(native_us "Copy/yuy2_${size}_memcpy") bl=$(native_us "Blend/yuy2_${size}_avx2")
    printf '%-10s %8s %11.3f %8s %11.3f %8s %7s %7s %10s %8s %11s %9s\n' "$size" "$ours" "$drawtext" \
        "$(ratio "$drawtext" "$ours")" "$lanczos" "$(ratio "$lanczos" "$ours")" "$n" "$rounding" \
        "$(split_col "$size" 3)" "$(split_col "$size" 5)" "$cp" "$(ratio "$bl" "$cp")"
done
echo "ratio: FFmpeg's time / ours (above 1: ours is faster); blend/cp: native AVX2 BlendBand / memcpy"
if [ -n "$before_dll" ]; then
    say "ProcessFrame, the build in $BENCH_BEFORE against this one, same runs interleaved (best of $runs)"
    printf '%-10s %9s %8s %8s\n' size before_ms ours_ms speedup
    printf '%s' "$before_rows"
fi

say "the blend against a memcpy of its band region, natively, both formats (AVX2, medians)"
printf '%-10s %-6s %10s %12s %10s %9s\n' size format blend_us all_cols_us memcpy_us blend/cp
for size in 720x576 1920x1080 3840x2160; do
    for f in yuy2 rgb24; do
        bl=$(native_us "Blend/${f}_${size}_avx2") all=$(native_us "Blend/${f}_${size}_direct_avx2")
        cp=$(native_us "Copy/${f}_${size}_memcpy")
        printf '%-10s %-6s %10s %12s %10s %9s\n' "$size" "$f" "$bl" "$all" "$cp" \
            "$(echo "$bl $cp" | awk '{ if ($2 > 0) printf "%.1fx", $1 / $2; else print "-" }')"
    done
done

say "feeds under Wine ($build): download end to on air, the publish's hold on the video thread,"
echo "and the 5 MB and 17 MB feeds downloaded from the local test server over HTTP and HTTPS"
# The test server (its test CA trusted in this prefix while it runs) serves the feeds.
server=$SKIMROW_BUILD/bench/http
with_wine "$arch" "$tree/wineprefix" bash -c '
    "$1/tests/http/server_ctl.sh" start "$2" "$3" "$4" || exit 1
    SKIMROW_FEED_PORT_FILE=$2/feed_server.port "$1/scripts/wine-run.sh" "$3" "$4" "$5"
    rc=$?
    "$1/tests/http/server_ctl.sh" stop "$2" "$3" "$4"
    exit $rc' bench "$SKIMROW_ROOT" "$server" "$arch" "$tree/wineprefix" "$tree/feed_bench.exe"
