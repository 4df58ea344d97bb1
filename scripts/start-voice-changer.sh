#!/usr/bin/env bash
# Starts the voice changer from a built tree (default: build): makes sure a sound server answers
# (a private PulseAudio is started only when none does), loads the virtual microphone "Voxwarp
# Microphone", chooses a recording device when none is configured, and runs the voice server as
# a user service (or as a detached process where no user service manager answers). With
# VOXWARP_START_PANEL=1 it then opens the control panel when an X display answers (under Wayland,
# XWayland's).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
ctl="$build/bin/voxwarpctl"

if ! timeout 5 pactl info >/dev/null 2>&1; then
    "$root/scripts/pulse-test-server.sh" start "$build/pulse-session" >/dev/null
    eval "export $("$root/scripts/pulse-test-server.sh" env "$build/pulse-session")"
    echo "No sound server answered; started a private PulseAudio with a fake microphone."
    echo "Programs reach it with: export PULSE_SERVER=$PULSE_SERVER"
fi

"$ctl" vcard install >/dev/null

# A program folder without any configuration gets the starter voice effects (Chipmunk, Deep
# voice, Alien in slots 1 to 3).
home=${VOXWARP_HOME:-$build/bin}
if [ ! -e "$home/config.ini" ] && [ ! -e "$home/voiceeffects.ini" ]; then
    mkdir -p "$home"
    cp "$build/bin/starter/config.ini" "$build/bin/starter/voiceeffects.ini" "$home/"
fi

# The recording device: the configured one, else the sound server's default recording device
# (or its first one) that is not the virtual microphone itself.
if [ -z "$("$ctl" cards | sed -n 's/^input: //p')" ]; then
    devices=$("$ctl" devices | sed -n 's/^recording: //p' | grep -v '^Voxwarp Microphone' || true)
    input=$(printf '%s\n' "$devices" | sed -n 's/ (default)$//p' | head -n 1)
    [ -n "$input" ] || input=$(printf '%s\n' "$devices" | head -n 1)
    if [ -z "$input" ]; then
        echo "The sound server has no recording device to take the voice from." >&2
        exit 1
    fi
    "$ctl" cards input "$input" >/dev/null
fi

# Installs the service, or replaces it when the server program changed; then starts it.
"$ctl" service install >/dev/null
"$ctl" service start >/dev/null

cat <<TEXT
The voice changer runs: it records "$("$ctl" cards | sed -n 's/^input: //p')" and plays into "Voxwarp Microphone",
which chat and recording programs can choose as their microphone.
Steer it with $ctl, for example:
  $ctl client-started        (effects and sounds apply while a client runs)
  $ctl effect 1              (voice effect of slot 1, Chipmunk; "effect off" for none)
  $ctl fun play 1            (fun sound 1)
  $ctl service stop          (stop the voice server)
  $ctl --help                (every command)
TEXT

if [ "${VOXWARP_START_PANEL:-0}" = 1 ]; then
    if [ -n "${DISPLAY:-}" ] && timeout 5 xdpyinfo >/dev/null 2>&1; then
        # Detached, so that the terminal stays free; the control panel lives until its Exit.
        setsid "$build/bin/Voxwarp" >/dev/null 2>&1 </dev/null &
        echo "The control panel Voxwarp is opening on display $DISPLAY."
    else
        echo "No display answered: steer the voice changer with voxwarpctl."
    fi
fi
