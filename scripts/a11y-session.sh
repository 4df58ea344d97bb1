#!/usr/bin/env bash
# A private accessibility session for driving the control panel from outside over AT-SPI, apart
# from any desktop session: its own session bus, the accessibility bus launcher on it (with
# accessibility switched on) and the AT-SPI registry on the accessibility bus. It needs DISPLAY
# (the private X server of x-test-server.sh), where the registry reads and makes input events.
# Works without systemd or a logged-in user; the buses' sockets live under /tmp.
#
#   a11y-session.sh start DIR [XDIR]   starts it (does nothing when it already answers); with
#                               XDIR, on the X server that x-test-server.sh runs there
#   a11y-session.sh stop DIR    stops it
#   a11y-session.sh env DIR     prints the settings that programs started in it need
set -euo pipefail

usage() {
    echo "usage: $0 start DIR [XDIR] | stop DIR | env DIR" >&2
    exit 2
}
[ $# -eq 2 ] || { [ $# -eq 3 ] && [ "$1" = start ]; } || usage
verb=$1
dir=$(mkdir -p "$2" && cd "$2" && pwd)
launcher=/usr/libexec/at-spi-bus-launcher
# No dconf service on the private bus: the launcher's settings come from its arguments.
export GSETTINGS_BACKEND=memory

call() { # BUS DEST PATH METHOD [ARGS...]: prints the reply, fails when there is none
    local bus=$1 dest=$2 path=$3 method=$4
    shift 4
    timeout 5 dbus-send --bus="$bus" --print-reply=literal --dest="$dest" "$path" "$method" "$@" \
        2>/dev/null
}

answers() {
    [ -f "$dir/bus" ] && [ -f "$dir/a11y-bus" ] &&
        call "$(cat "$dir/a11y-bus")" org.a11y.atspi.Registry /org/a11y/atspi/accessible/root \
            org.freedesktop.DBus.Peer.Ping >/dev/null
}

stop_all() {
    # The launcher leads its own process group, with the accessibility bus and the registry.
    local pids=()
    [ -f "$dir/launcher.pid" ] && pids+=("-$(cat "$dir/launcher.pid")")
    for f in registry.pid bus.pid; do
        [ -f "$dir/$f" ] && pids+=("$(cat "$dir/$f")")
    done
    if [ ${#pids[@]} -gt 0 ]; then
        kill -- "${pids[@]}" 2>/dev/null || true
        for _ in $(seq 1 50); do
            kill -0 -- "${pids[@]}" 2>/dev/null || break
            sleep 0.1
        done
        kill -9 -- "${pids[@]}" 2>/dev/null || true
    fi
    [ -f "$dir/runtime" ] && rm -rf "$(cat "$dir/runtime")"
    rm -f "$dir"/{bus,a11y-bus,runtime,launcher.pid,registry.pid,bus.pid}
}

fail() {
    echo "a11y-session: $1; the launcher's log:" >&2
    cat "$dir/launcher.log" >&2 || true
    stop_all
    exit 1
}

case "$verb" in
start)
    if answers; then
        echo "a11y-session: already running at $(cat "$dir/bus")"
        exit 0
    fi
    if [ $# -eq 3 ]; then
        eval "export $("$(dirname "$0")/x-test-server.sh" env "$3" | tr '\n' ' ')"
    fi
    [ -n "${DISPLAY:-}" ] || {
        echo "a11y-session: DISPLAY is not set (start the private X server first)" >&2
        exit 1
    }
    [ -x "$launcher" ] || {
        echo "a11y-session: $launcher is missing (package at-spi2-core)" >&2
        exit 1
    }
    stop_all
    # The session bus forks away; it prints its address and pid.
    dbus-daemon --session --fork --print-address=1 --print-pid=1 >"$dir/bus-start"
    sed -n 1p "$dir/bus-start" >"$dir/bus"
    sed -n 2p "$dir/bus-start" >"$dir/bus.pid"
    rm -f "$dir/bus-start"
    bus=$(cat "$dir/bus")
    export DBUS_SESSION_BUS_ADDRESS=$bus
    # The accessibility bus's socket goes to a short runtime folder of its own (not the user's).
    runtime=$(mktemp -d /tmp/a11y-session.XXXXXX)
    echo "$runtime" >"$dir/runtime"
    # setsid: the session outlives the test that started it, until the stop test ends it.
    XDG_RUNTIME_DIR=$runtime setsid "$launcher" --launch-immediately --a11y=1 >"$dir/launcher.log" 2>&1 </dev/null &
    echo $! >"$dir/launcher.pid"
    a11y=
    for _ in $(seq 1 100); do
        a11y=$(call "$bus" org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress | tr -d ' ') || true
        [ -n "$a11y" ] && break
        sleep 0.1
    done
    [ -n "$a11y" ] || fail "the accessibility bus did not start"
    echo "$a11y" >"$dir/a11y-bus"
    # The registry is started on demand by the accessibility bus: ask for it now, so the first
    # client does not wait for it, and note its pid for stop.
    for _ in $(seq 1 100); do
        answers && break
        sleep 0.1
    done
    answers || fail "the AT-SPI registry did not answer"
    call "$a11y" org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.GetConnectionUnixProcessID string:org.a11y.atspi.Registry |
        awk '{print $NF}' >"$dir/registry.pid"
    echo "a11y-session: running at $bus"
    ;;
stop)
    stop_all
    echo "a11y-session: stopped"
    ;;
env)
    echo "DBUS_SESSION_BUS_ADDRESS=$(cat "$dir/bus" 2>/dev/null)"
    # Not AT_SPI_BUS_ADDRESS: Qt 6.4 then connects to the accessibility bus but never registers
    # the application; through the session bus it does. Qt reads this once at start: accessibility on without asking the bus.
    echo "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"
    echo "GSETTINGS_BACKEND=memory"
    ;;
*)
    usage
    ;;
esac
