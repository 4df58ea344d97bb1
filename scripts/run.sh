#!/usr/bin/env bash
# Installs what is missing, builds everything, and starts the voice changer: a sound server, the
# virtual microphone and the voice server as a user service (scripts/start-voice-changer.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/install-deps.sh
scripts/build.sh build
exec scripts/start-voice-changer.sh build
