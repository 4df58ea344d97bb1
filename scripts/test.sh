#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: first in the normal build, then again
# in a build with AddressSanitizer and UndefinedBehaviorSanitizer, then fuzzes the parsers for a
# short while (scripts/fuzz.sh; VOXWARP_FUZZ_SECONDS sets the time per parser, default 5).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/install-deps.sh

echo "== build (build/)"
scripts/build.sh build
echo "== tests (build/)"
ctest --test-dir build -j "$(nproc)" --output-on-failure --timeout 300

echo "== build with AddressSanitizer + UndefinedBehaviorSanitizer (build-asan/)"
scripts/build.sh build-asan -DVOXWARP_SANITIZE=ON -DVOXWARP_BUILD_BENCH=OFF
echo "== tests (build-asan/)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    LSAN_OPTIONS=suppressions="$root/tests/sanitizers/lsan.supp" \
    ctest --test-dir build-asan -j "$(nproc)" --output-on-failure --timeout 600

echo "== fuzz the parsers for a short while (build-fuzz/)"
scripts/fuzz.sh "${VOXWARP_FUZZ_SECONDS:-5}"
