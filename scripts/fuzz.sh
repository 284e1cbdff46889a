#!/usr/bin/env bash
# Runs every fuzz target (clang's libFuzzer, AddressSanitizer + UBSan) for
# SECONDS each (default 60) and prints per target: executions, executions
# per second, coverage and findings. Inputs that crash are kept under
# build/fuzz/findings/. Exit status 1 when anything was found.
#   scripts/fuzz.sh [SECONDS]
set -uo pipefail
source "$(dirname "$0")/lib.sh"
seconds=${1:-60}
tree=$SKIMROW_BUILD/fuzz
mkdir -p "$tree"
cmake -S "$SKIMROW_ROOT" -B "$tree" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DSKIMROW_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$tree.configure.log" 2>&1 || { cat "$tree.configure.log"; exit 1; }
cmake --build "$tree" -j "$(build_jobs)" >"$tree.build.log" 2>&1 || { grep -E 'error' "$tree.build.log"; exit 1; }
printf '%-18s %12s %10s %8s %9s\n' target executions exec/s cov findings
found=0 clean=0 dirty=0
for seeds in "$SKIMROW_ROOT"/tests/fuzz/corpus/*/; do
    target=$(basename "$seeds")
    corpus=$tree/corpus/$target findings=$tree/findings/$target
    mkdir -p "$corpus" "$findings"
    log=$tree/$target.log
    (cd "$findings" && "$tree/$target" -max_total_time="$seconds" -print_final_stats=1 -rss_limit_mb=4096 \
        "$corpus" "$seeds" >"$log" 2>&1)
    rc=$?
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    cov=$(grep -oE 'cov: [0-9]+' "$log" | tail -1 | grep -oE '[0-9]+')
    crashes=$(find "$findings" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'oom-*' -o -name 'timeout-*' \) | wc -l)
    [ $rc -ne 0 ] && [ "$crashes" -eq 0 ] && crashes=1
    printf '%-18s %12s %10s %8s %9s\n' "$target" "${execs:-?}" "${rate:-?}" "${cov:-?}" "$crashes"
    if [ "$crashes" -gt 0 ]; then
        found=1 dirty=$((dirty + 1))
        grep -m1 -A12 -E 'ERROR|runtime error|deadly' "$log"
    else
        clean=$((clean + 1))
    fi
done
echo "fuzz: $clean passed, $dirty failed"
exit $found
