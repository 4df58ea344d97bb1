#!/usr/bin/env bash
# Configures and builds one build tree: scripts/build.sh BUILD_DIR [extra CMake options...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
shift
cmake -S "$root" -B "$root/$dir" -G Ninja -DVOXWARP_WERROR=ON "$@" >/dev/null
cmake --build "$root/$dir" -j "$(nproc)"
