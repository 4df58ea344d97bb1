#!/usr/bin/env bash
# Builds the libFuzzer harnesses of the parsers with clang (build-fuzz/) and runs each for a
# while, starting from its seed corpus in tests/fuzz/corpus/<harness>/:
#
#   scripts/fuzz.sh [SECONDS] [HARNESS...]     (default 30 seconds each, every harness)
#
# New inputs the fuzzer finds go to build-fuzz/corpus/<harness>/, never into the repository; a
# crash leaves its input in build-fuzz/ and makes the script fail. Without clang's libFuzzer the
# script says so and does nothing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
shift || true
case "$seconds" in
'' | *[!0-9]*)
    echo "SECONDS must be a whole number, not \"$seconds\"" >&2
    exit 2
    ;;
esac
if ! command -v clang++ >/dev/null ||
    [ ! -e "$(clang++ -print-file-name=libclang_rt.fuzzer-x86_64.a)" ]; then
    echo "fuzz: clang with libFuzzer is not installed; skipped"
    exit 0
fi
build="$root/build-fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DVOXWARP_FUZZ=ON \
    -DVOXWARP_BUILD_TESTS=OFF -DVOXWARP_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target voxwarp_fuzzers -j "$(nproc)"

harnesses=("$@")
if [ ${#harnesses[@]} -eq 0 ]; then
    for seeds in "$root"/tests/fuzz/corpus/*/; do
        harnesses+=("$(basename "$seeds")")
    done
fi
for harness in "${harnesses[@]}"; do
    corpus="$build/corpus/$harness"
    mkdir -p "$corpus"
    echo "== fuzz $harness for ${seconds} s"
    (cd "$build" && ASAN_OPTIONS=detect_leaks=1 "$build/fuzz/$harness" -max_total_time="$seconds" \
        -max_len=65536 -rss_limit_mb=2048 -print_final_stats=1 "$corpus" \
        "$root/tests/fuzz/corpus/$harness" 2>&1 | tail -n 12)
done
