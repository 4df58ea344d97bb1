#!/usr/bin/env bash
# Configures and builds one build tree: scripts/build.sh BUILD_DIR [extra CMake options...]
# A relative BUILD_DIR lies in the source tree; an absolute one is used as it is.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
shift
case "$dir" in
/*) ;;
*) dir="$root/$dir" ;;
esac
cmake -S "$root" -B "$dir" -G Ninja -DVOXWARP_WERROR=ON "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
