#!/usr/bin/env bash
# Installs what is missing, builds everything, and starts the voice changer: a sound server, the
# virtual microphone and the voice server as a user service (scripts/start-voice-changer.sh), then
# the control panel when a display is available.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/install-deps.sh
scripts/build.sh build
VOXWARP_START_PANEL=1 exec scripts/start-voice-changer.sh build
