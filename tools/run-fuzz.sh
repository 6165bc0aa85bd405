#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each for FUZZ_SECONDS (default 60) from
# its seed corpus in fuzz/corpus/. Fails at the first finding; the input that
# found it is left in build-fuzz/artifacts/.
#
#   FUZZ_SECONDS=300 bash tools/run-fuzz.sh              every target
#   FUZZ_SECONDS=30 bash tools/run-fuzz.sh telnet ini_file   some of them
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${FUZZ_SECONDS:-60}
jobs=${LEMNAR_JOBS:-2}
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(receive command_channel telnet command_line ini_file)
fi

echo "== build (fuzz, address + undefined)"
CC=clang CXX=clang++ cmake -S . -B "$build" -DLEMNAR_FUZZ=ON -DLEMNAR_SANITIZE=address \
    -DLEMNAR_TESTS=OFF -DLEMNAR_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$jobs" --target $(printf 'lemnar_fuzz_%s ' "${targets[@]}")

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkdir -p "$build/artifacts"
status=0
for t in "${targets[@]}"; do
    # New inputs go to a working corpus in the build tree; the seeds in the
    # repository stay as they are.
    work=$build/corpus-work/$t
    mkdir -p "$work"
    echo "== fuzz $t for ${seconds}s"
    log=$build/artifacts/$t.log
    if "$build/fuzz/lemnar_fuzz_$t" "$work" "$root/fuzz/corpus/$t" \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
        -print_final_stats=1 -artifact_prefix="$build/artifacts/$t-" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        echo "   $t: ${runs:-?} executions, no finding"
    else
        echo "   $t: FINDING (log: $log)"
        grep -E 'ERROR|SUMMARY|Test unit written' "$log" || tail -20 "$log"
        status=1
        break
    fi
done
exit $status
