#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: first in the normal build, then again
# in a build with AddressSanitizer and UndefinedBehaviorSanitizer, then fuzzes the parsers for a
# short while (scripts/fuzz.sh; VOXWARP_FUZZ_SECONDS sets the time per parser, default 5).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# Each phase's time, so that the slow ones are known.
phase() { echo "== $1 (at $((SECONDS / 60)) min $((SECONDS % 60)) s)"; }

scripts/install-deps.sh

phase "build (build/)"
scripts/build.sh build
phase "tests (build/)"
ctest --test-dir build -j "$(nproc)" --output-on-failure --timeout 300

phase "build with AddressSanitizer + UndefinedBehaviorSanitizer (build-asan/)"
scripts/build.sh build-asan -DVOXWARP_SANITIZE=ON -DVOXWARP_BUILD_BENCH=OFF
phase "tests (build-asan/)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    LSAN_OPTIONS=suppressions="$root/tests/sanitizers/lsan.supp" \
    ctest --test-dir build-asan -j "$(nproc)" --output-on-failure --timeout 600

phase "fuzz the parsers for a short while (build-fuzz/)"
scripts/fuzz.sh "${VOXWARP_FUZZ_SECONDS:-5}"
phase "done"
