#!/usr/bin/env bash
# The test command: installs what is missing, builds every tree and runs
# every test. Prints one summary line per tree and a total at the end.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
"$SKIMROW_ROOT/scripts/setup.sh" || exit 1
mkdir -p "$SKIMROW_BUILD"
arch=$(wine_arch)
say "Windows tests: $(windows_build_name "$arch")"
status=0 passed=0 failed=0

run_ctest() {  # label dir [wrapper...]
    local label=$1 dir=$2; shift 2
    say "$label: running tests"
    local log="$dir.ctest.log"
    local filter=() environment=()
    if [ "${1:-}" = env ]; then  # env VAR=value ctest_filter NAME
        environment=("$2"); shift 2
    fi
    if [ "${1:-}" = ctest_filter ]; then filter=(-R "$2"); shift 2; fi
    # The environment is the subshell's own: it does not reach later steps.
    (cd "$dir" && for e in "${environment[@]}"; do export "$e"; done &&
        "$@" ctest --output-on-failure -j 1 "${filter[@]}") >"$log" 2>&1
    local rc=$?
    grep -E 'tests passed|Failed|\*\*\*|Errors while' "$log" | tail -20
    [ $rc -eq 0 ] || { status=1; sed -n '/The following tests FAILED/,$p' "$log"; grep -B2 -A30 'Failure\|FAILED\|ERROR: ' "$log" | head -120; }
    local total failures
    total=$(grep -oE 'out of [0-9]+' "$log" | tail -1 | grep -oE '[0-9]+' || echo 0)
    failures=$(grep -oE '[0-9]+% tests passed, [0-9]+ tests failed' "$log" | tail -1 | grep -oE ', [0-9]+' | grep -oE '[0-9]+' || echo 0)
    # A runner that failed without counting (it did not start) is a failure too.
    local ran=$((total - failures))
    [ $rc -eq 0 ] || [ "$failures" -gt 0 ] || failures=1
    passed=$((passed + ran)) failed=$((failed + failures))
}

say "native build with AddressSanitizer and UBSan"
configure_and_build "$SKIMROW_BUILD/native" -DSKIMROW_SANITIZE=address,undefined || exit 1
run_ctest "native (ASan+UBSan)" "$SKIMROW_BUILD/native"

say "native build with ThreadSanitizer (the threading stress test)"
configure_and_build "$SKIMROW_BUILD/native-tsan" -DSKIMROW_SANITIZE=thread || exit 1
run_ctest "native (TSan)" "$SKIMROW_BUILD/native-tsan" env TSAN_OPTIONS=halt_on_error=1 ctest_filter Stress

say "Windows build, 32-bit (the shipped plug-in)"
wine32_tests=OFF
[ "$arch" = win32 ] && wine32_tests=ON
configure_and_build "$SKIMROW_BUILD/win32" -DCMAKE_TOOLCHAIN_FILE="$SKIMROW_ROOT/cmake/mingw-i686.cmake" \
    -DSKIMROW_WINE_TESTS=$wine32_tests || exit 1
if [ "$arch" = win32 ]; then
    run_ctest "Windows 32-bit under Wine" "$SKIMROW_BUILD/win32" with_wine win32 "$SKIMROW_BUILD/win32/wineprefix"
else
    run_ctest "Windows 32-bit (tables and release archive only: $(why_not_win32))" "$SKIMROW_BUILD/win32"
    say "Windows build, 64-bit (the same sources, tested under 64-bit Wine)"
    configure_and_build "$SKIMROW_BUILD/win64" -DCMAKE_TOOLCHAIN_FILE="$SKIMROW_ROOT/cmake/mingw-x86_64.cmake" || exit 1
    run_ctest "Windows 64-bit under Wine" "$SKIMROW_BUILD/win64" with_wine win64 "$SKIMROW_BUILD/win64/wineprefix"
fi

say "real feeds through the DLL"
feedslog=$SKIMROW_BUILD/real-feeds.log
bash "$SKIMROW_ROOT/scripts/real-feeds.sh" >"$feedslog" 2>&1
rc=$?
cat "$feedslog"
if grep -q 'real feeds: skipped' "$feedslog"; then :
elif [ $rc -eq 0 ]; then passed=$((passed + 1))
else failed=$((failed + 1)) status=1
fi

say "fuzz targets (libFuzzer, ASan+UBSan), ${SKIMROW_FUZZ_SECONDS:-20} s each"
fuzzlog=$SKIMROW_BUILD/fuzz.run.log
bash "$SKIMROW_ROOT/scripts/fuzz.sh" "${SKIMROW_FUZZ_SECONDS:-20}" >"$fuzzlog" 2>&1
[ $? -eq 0 ] || status=1
grep -vE '^(INFO|#)' "$fuzzlog" | tail -40
fuzzed=$(sed -n 's/^fuzz: \([0-9]*\) passed, \([0-9]*\) failed$/\1 \2/p' "$fuzzlog")
fuzzed=${fuzzed:-0 1}  # no summary line: the targets did not build or run
passed=$((passed + ${fuzzed% *})) failed=$((failed + ${fuzzed#* }))

say "summary"
echo "Windows tests: $(windows_build_name "$arch")"
echo "$passed passed, $failed failed"
exit $status
