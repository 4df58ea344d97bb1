#!/usr/bin/env bash
# A private systemd user manager for the tests that need a real one, apart from any manager of
# the user: its own runtime folder (DIR/runtime, where `systemctl --user` reaches it through
# systemd/private), configuration folder (DIR/config) and home (DIR/home). On a machine whose
# init is not systemd (a root container) it gets a cgroup of its own (in the name=systemd and
# unified hierarchies, or a cgroup v2 subtree) and, in a mount namespace of its own, a copy of
# /run/systemd with a system/ folder, so that it believes it runs under a system manager.
#
#   user-manager-test.sh start DIR   starts it (does nothing when it already answers)
#   user-manager-test.sh stop DIR    stops it and removes its cgroups
#   user-manager-test.sh env DIR     prints the settings that reach it
#
# start fails (status 1, reason on stderr) where no manager can be started here.
set -euo pipefail

usage() {
    echo "usage: $0 start|stop|env DIR" >&2
    exit 2
}
[ $# -eq 2 ] || usage
verb=$1
dir=$(mkdir -p "$2" && cd "$2" && pwd)
runtime="$dir/runtime"
name="voxwarp-test-$(echo "$dir" | cksum | cut -d' ' -f1)"
settings=(XDG_RUNTIME_DIR="$runtime" XDG_CONFIG_HOME="$dir/config" HOME="$dir/home")

answers() {
    [ -S "$runtime/systemd/private" ] &&
        env -u DBUS_SESSION_BUS_ADDRESS "${settings[@]}" \
            timeout 5 systemctl --user show-environment >/dev/null 2>&1
}

# The cgroup folders of the manager: one per writable hierarchy it uses.
cgroups() {
    if [ -f /sys/fs/cgroup/cgroup.controllers ]; then
        echo "/sys/fs/cgroup/$name"
    else
        for h in systemd unified; do
            [ -d "/sys/fs/cgroup/$h" ] && echo "/sys/fs/cgroup/$h/$name"
        done
    fi
}

fail() {
    echo "user-manager-test: $*" >&2
    exit 1
}

case "$verb" in
start)
    if answers; then
        echo "user-manager-test: already running in $runtime"
        exit 0
    fi
    [ -x /lib/systemd/systemd ] || fail "no /lib/systemd/systemd (package systemd)"
    command -v systemctl >/dev/null || fail "no systemctl (package systemd)"
    command -v unshare >/dev/null || fail "no unshare (package util-linux)"
    mkdir -p "$runtime" "$dir/config" "$dir/home"
    chmod 700 "$runtime"
    if [ -d /run/systemd/system ]; then
        # A machine run by systemd: the manager needs no borrowed setting, but it must not be
        # another user manager of the same user.
        fail "this machine runs systemd; use the user's own manager (systemctl --user)"
    fi
    [ "$(id -u)" -eq 0 ] || fail "needs root to make a cgroup and a mount namespace"
    for g in $(cgroups); do
        mkdir -p "$g" 2>/dev/null || fail "cannot create the cgroup $g"
    done
    [ -n "$(cgroups)" ] || fail "no cgroup hierarchy for systemd under /sys/fs/cgroup"
    rm -rf "$dir/run-systemd"
    mkdir -p "$dir/run-systemd"
    cp -a /run/systemd/. "$dir/run-systemd/" 2>/dev/null || true
    mkdir -p "$dir/run-systemd/system"
    # The manager moves itself into its cgroups; the mount namespace hides the copy from all
    # but it and its services.
    (
        for g in $(cgroups); do echo $BASHPID >"$g/cgroup.procs"; done
        exec env -u DBUS_SESSION_BUS_ADDRESS -u NOTIFY_SOCKET -u INVOCATION_ID "${settings[@]}" \
            unshare -m --propagation private sh -c \
            'mount --bind "$1" /run/systemd && exec /lib/systemd/systemd --user' \
            manager "$dir/run-systemd" >"$dir/manager.log" 2>&1 </dev/null
    ) &
    echo $! >"$dir/manager.pid"
    for _ in $(seq 1 100); do
        if answers; then
            echo "user-manager-test: running in $runtime"
            exit 0
        fi
        kill -0 "$(cat "$dir/manager.pid")" 2>/dev/null || break
        sleep 0.1
    done
    echo "user-manager-test: the manager did not answer; its log:" >&2
    cat "$dir/manager.log" >&2 || true
    "$0" stop "$dir" >/dev/null 2>&1 || true
    exit 1
    ;;
stop)
    if [ -f "$dir/manager.pid" ]; then
        pid=$(cat "$dir/manager.pid")
        if kill -0 "$pid" 2>/dev/null; then
            answers && env -u DBUS_SESSION_BUS_ADDRESS "${settings[@]}" \
                timeout 10 systemctl --user exit >/dev/null 2>&1 || true
            for _ in $(seq 1 100); do
                kill -0 "$pid" 2>/dev/null || break
                sleep 0.1
            done
            kill -9 "$pid" 2>/dev/null || true
        fi
        rm -f "$dir/manager.pid"
    fi
    # Whatever is left in the cgroups (a service the manager did not stop) ends with them.
    for g in $(cgroups); do
        [ -d "$g" ] || continue
        for _ in $(seq 1 50); do
            procs=$(find "$g" -name cgroup.procs -exec cat {} + 2>/dev/null || true)
            [ -z "$procs" ] && break
            kill -9 $procs 2>/dev/null || true
            sleep 0.1
        done
        find "$g" -depth -type d -exec rmdir {} \; 2>/dev/null || true
    done
    echo "user-manager-test: stopped"
    ;;
env)
    printf '%s\n' "${settings[@]}"
    ;;
*)
    usage
    ;;
esac
