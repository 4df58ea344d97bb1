#!/usr/bin/env bash
# A private PulseAudio daemon for the tests that need real audio, apart from any sound server of
# the user: its own runtime folder, configuration folder and socket (DIR/native), no modules but
# the ones loaded here. It has a fake microphone (the null sink "fake_mic_feed" whose monitor is
# remapped to the source "fake_mic", described "Built-in Microphone") and speakers (the null sink
# "speakers"); both are the defaults.
#
#   pulse-test-server.sh start DIR   starts it (does nothing when it already answers)
#   pulse-test-server.sh stop DIR    stops it
#   pulse-test-server.sh env DIR     prints the PULSE_SERVER setting that reaches it
set -euo pipefail

usage() {
    echo "usage: $0 start|stop|env DIR" >&2
    exit 2
}
[ $# -eq 2 ] || usage
verb=$1
dir=$(mkdir -p "$2" && cd "$2" && pwd)
socket="$dir/native"
export PULSE_SERVER="unix:$socket"
export XDG_RUNTIME_DIR="$dir/runtime"
export XDG_CONFIG_HOME="$dir/config"

answers() {
    [ -S "$socket" ] && timeout 5 pactl info >/dev/null 2>&1
}

# Voice servers that an interrupted earlier test run left talking to this socket: they would put
# their virtual microphone into the new daemon and spoil the tests' device lists.
stray_voice_servers() {
    local proc
    for proc in /proc/[0-9]*; do
        [ "$(cat "$proc/comm" 2>/dev/null)" = VoxwarpServer ] || continue
        if tr '\0' '\n' <"$proc/environ" 2>/dev/null | grep -qxF "PULSE_SERVER=unix:$socket"; then
            echo "${proc#/proc/}"
        fi
    done
}

case "$verb" in
start)
    if answers; then
        echo "pulse-test-server: already running at $socket"
        exit 0
    fi
    for pid in $(stray_voice_servers); do
        echo "pulse-test-server: stopping voice server $pid left by an earlier run"
        kill "$pid" 2>/dev/null || true
    done
    rm -f "$socket"
    mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME"
    chmod 700 "$XDG_RUNTIME_DIR"
    cat >"$dir/server.pa" <<PA
load-module module-native-protocol-unix socket=$socket auth-anonymous=1
load-module module-null-sink sink_name=fake_mic_feed rate=48000 channels=1 sink_properties='device.description="Fake microphone feed"'
load-module module-remap-source source_name=fake_mic master=fake_mic_feed.monitor channels=1 source_properties='device.description="Built-in Microphone"'
load-module module-null-sink sink_name=speakers rate=48000 channels=2 sink_properties=device.description=Speakers
set-default-sink speakers
set-default-source fake_mic
PA
    pulseaudio -n -F "$dir/server.pa" --daemonize=yes --exit-idle-time=-1 \
        --use-pid-file=yes --system=no --realtime=no --high-priority=no \
        --log-target="file:$dir/pulseaudio.log" --log-level=notice
    for _ in $(seq 1 100); do
        if answers; then
            echo "pulse-test-server: running at $socket"
            exit 0
        fi
        sleep 0.1
    done
    echo "pulse-test-server: the daemon did not answer; its log:" >&2
    cat "$dir/pulseaudio.log" >&2 || true
    exit 1
    ;;
stop)
    pidfile="$XDG_RUNTIME_DIR/pulse/pid"
    if [ -f "$pidfile" ]; then
        pid=$(cat "$pidfile")
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 1 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -9 "$pid" 2>/dev/null || true
    fi
    rm -f "$socket"
    echo "pulse-test-server: stopped"
    ;;
env)
    echo "PULSE_SERVER=$PULSE_SERVER"
    ;;
*)
    usage
    ;;
esac
