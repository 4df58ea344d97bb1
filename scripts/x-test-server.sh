#!/usr/bin/env bash
# A private X server (Xvfb) for the control panel's tests that need real X11 behaviour: key grabs
# fired through XTEST, window regions on screen pixels. It takes the first free display number
# from :90 on, with its own authority file; DIR/display and DIR/xauthority tell the tests where
# it is.
#
#   x-test-server.sh start DIR   starts it (does nothing when it already answers)
#   x-test-server.sh stop DIR    stops it
#   x-test-server.sh env DIR     prints the DISPLAY and XAUTHORITY settings that reach it
set -euo pipefail

usage() {
    echo "usage: $0 start|stop|env DIR" >&2
    exit 2
}
[ $# -eq 2 ] || usage
verb=$1
dir=$(mkdir -p "$2" && cd "$2" && pwd)
export XAUTHORITY="$dir/xauthority"

answers() {
    [ -f "$dir/display" ] && DISPLAY=$(cat "$dir/display") timeout 5 xdpyinfo >/dev/null 2>&1
}

case "$verb" in
start)
    if answers; then
        echo "x-test-server: already running at $(cat "$dir/display")"
        exit 0
    fi
    rm -f "$dir/display"
    number=90
    while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do
        number=$((number + 1))
    done
    display=":$number"
    : >"$XAUTHORITY"
    xauth -q -f "$XAUTHORITY" add "$display" . "$(mcookie)"
    # setsid: the server outlives the test that started it, until the stop test ends it.
    setsid Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp -auth "$XAUTHORITY" \
        >"$dir/xvfb.log" 2>&1 </dev/null &
    echo $! >"$dir/pid"
    echo "$display" >"$dir/display"
    for _ in $(seq 1 100); do
        if answers; then
            echo "x-test-server: running at $display"
            exit 0
        fi
        sleep 0.1
    done
    echo "x-test-server: Xvfb did not answer; its log:" >&2
    cat "$dir/xvfb.log" >&2 || true
    exit 1
    ;;
stop)
    if [ -f "$dir/pid" ]; then
        pid=$(cat "$dir/pid")
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 1 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -9 "$pid" 2>/dev/null || true
        rm -f "$dir/pid"
    fi
    rm -f "$dir/display"
    echo "x-test-server: stopped"
    ;;
env)
    echo "DISPLAY=$(cat "$dir/display" 2>/dev/null)"
    echo "XAUTHORITY=$XAUTHORITY"
    ;;
*)
    usage
    ;;
esac
