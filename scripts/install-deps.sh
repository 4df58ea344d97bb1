#!/usr/bin/env bash
# Installs the Debian packages that building and testing Voxwarp needs. Installs only what is
# missing, so it is cheap to run again.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git python3
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    gettext clang-format clang libclang-rt-14-dev
    libsoxr-dev sox alsa-utils
    libpulse-dev pulseaudio pulseaudio-utils
    lsp-plugins-vst
    libfftw3-dev librubberband-dev
    espeak-ng aubio-tools
    systemd
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev fonts-dejavu-core
    libxcb1-dev libxcb-keysyms1-dev libx11-dev xvfb xauth xdotool x11-utils
    dbus at-spi2-core python3-pyatspi trayer
    desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: all ${#packages[@]} packages are installed"
    exit 0
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
fi
echo "install-deps: installing ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
