#!/usr/bin/env bash
# Installs what is missing, builds everything, and runs the voice server in the foreground.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/install-deps.sh
scripts/build.sh build

server=build/bin/VoxwarpServer
if [ -x "$server" ]; then
    exec "$server" -f
fi
echo "Built everything into build/bin. The voice server (VoxwarpServer) is not part of this"
echo "version yet, so there is nothing to run; scripts/test.sh runs the tests of what exists."
