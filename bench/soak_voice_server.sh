#!/usr/bin/env bash
# Soak test of the running voice changer: the voice server in the foreground with Brevo an octave
# up, fed a continuous 220 Hz sine through the fake microphone of a private sound server and
# recorded from "Voxwarp Microphone", while a busy loop keeps the other core loaded. At the end it
# prints the server's "Dropped blocks" line and the gaps (runs of silence) in the recording, and
# in a recording of the fake microphone taken at the same time.
#
#   bench/soak_voice_server.sh BUILD_DIR [SECONDS [BUFFER_MS [QUEUE_HIGH_MS]]]
#
# SECONDS defaults to 600. BUFFER_MS sets the buffer length of all three streams and
# QUEUE_HIGH_MS the top of the output queues' band (the "[stream]" section); without them the
# configuration's defaults apply.
#
# Everything lives in a temporary folder (sound server, program folder, home, kernel objects);
# nothing of the user's sound setup is touched.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 4 ]; then
    echo "usage: $0 BUILD_DIR [SECONDS [BUFFER_MS [QUEUE_HIGH_MS]]]" >&2
    exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
seconds=${2:-600}
buffer_ms=${3:-}
queue_high_ms=${4:-}
for number in "$seconds" ${buffer_ms:+"$buffer_ms"} ${queue_high_ms:+"$queue_high_ms"}; do
    case "$number" in
    '' | *[!0-9]*)
        echo "SECONDS, BUFFER_MS and QUEUE_HIGH_MS must be whole numbers, not \"$number\"" >&2
        exit 2
        ;;
    esac
done
bin="$build/bin"
for program in VoxwarpServer voxwarpctl effects/Brevo.so; do
    [ -e "$bin/$program" ] || {
        echo "$bin/$program is missing: build VoxwarpServer, voxwarpctl and Brevo first" >&2
        exit 1
    }
done
for tool in sox pacat parec g++; do
    command -v "$tool" >/dev/null || {
        echo "$tool is needed" >&2
        exit 1
    }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/voxwarp-soak.XXXXXX")
pids=()
server_pid=
cleanup() {
    set +e
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null
    done
    if [ -n "$server_pid" ] && kill -0 "$server_pid" 2>/dev/null; then
        kill -INT "$server_pid"
        wait "$server_pid" 2>/dev/null
    fi
    "$bin/voxwarpctl" vcard remove >/dev/null 2>&1
    "$root/scripts/pulse-test-server.sh" stop "$work/pulse" >/dev/null 2>&1
    wait 2>/dev/null
    if [ -n "${KEEP_SOAK_FOLDER:-}" ]; then
        echo "kept: $work"
    else
        rm -rf "$work"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The user's home, configuration and runtime folders, the program folder and the kernel objects
# all go into the temporary folder.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_RUNTIME_DIR="$work/home/runtime"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export VOXWARP_HOME="$work/program"
export VOXWARP_KOBJECT_NAMESPACE="soak$$"

"$root/scripts/pulse-test-server.sh" start "$work/pulse" >/dev/null
eval "export $("$root/scripts/pulse-test-server.sh" env "$work/pulse")"

# The program folder: the fake microphone as input, one voice effect "Octave up" (Brevo with
# eight overlaps and pitch factor 2, the other parameters at Brevo's defaults) in slot 1.
mkdir -p "$VOXWARP_HOME/effects" "$VOXWARP_HOME/backsounds" "$VOXWARP_HOME/emoticsounds"
cp "$bin/effects/Brevo.so" "$VOXWARP_HOME/effects/"
cat >"$VOXWARP_HOME/config.ini" <<'INI'
[effects]
eff_0=Octave up
eff_1=
eff_2=
[soundcards]
input=Built-in Microphone
monitor=
mixInSrc=
INI
if [ -n "$buffer_ms" ]; then
    printf '[stream]\ninBuffSizeMs=%s\noutBuffSizeMs=%s\nmonBuffSizeMs=%s\nqueueHighMs=%s\n' \
        "$buffer_ms" "$buffer_ms" "$buffer_ms" "${queue_high_ms:-150}" >>"$VOXWARP_HOME/config.ini"
fi
cat >"$VOXWARP_HOME/voiceeffects.ini" <<'INI'
[sys]
numEffects=1
[eff_0]
vst=Brevo
name=Octave up
numParams=6
param_0=1.000000
param_1=0.500000
param_2=0.000000
param_3=0.000000
param_4=0.000000
param_5=0.466667
INI

# Counts the runs of silence in 16-bit mono PCM at 44100 Hz: samples whose magnitude stays below
# a small threshold. Near a zero crossing a sine is quiet for a few samples only, so a quiet run
# of 5 ms or more is a gap. The silence before the first and after the last sound is not counted.
cat >"$work/gaps.cpp" <<'CPP'
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>
int main(int argc, char** argv) {
    if (argc != 2) return 2;
    std::FILE* file = std::fopen(argv[1], "rb");
    if (!file) return 1;
    std::vector<std::int16_t> s;
    std::int16_t buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 2, 4096, file)) > 0) s.insert(s.end(), buffer, buffer + got);
    std::fclose(file);
    const int kQuiet = 200, kRate = 44100;
    const std::size_t kShort = kRate * 5 / 1000, kLong = kRate * 20 / 1000;
    std::size_t first = 0, last = s.size();
    while (first < s.size() && std::abs(s[first]) < kQuiet) ++first;
    while (last > first && std::abs(s[last - 1]) < kQuiet) --last;
    std::size_t shortGaps = 0, longGaps = 0, quietSamples = 0, run = 0;
    for (std::size_t i = first; i <= last; ++i) {
        if (i < last && std::abs(s[i]) < kQuiet) { ++run; continue; }
        if (run >= kShort) {
            ++shortGaps;
            quietSamples += run;
            if (shortGaps <= 10)
                std::printf("gap at %.3f s, %.1f ms\n", double(i - run) / kRate, run * 1000.0 / kRate);
        }
        if (run >= kLong) ++longGaps;
        run = 0;
    }
    std::printf("Recorded %.1f s (sound from %.3f s to %.3f s); gaps of 20 ms or more: %zu; "
                "of 5 ms or more: %zu (%.1f ms of silence in all)\n",
                double(s.size()) / kRate, double(first) / kRate, double(last) / kRate, longGaps,
                shortGaps, quietSamples * 1000.0 / kRate);
    return 0;
}
CPP
g++ -O2 -std=c++20 -o "$work/gaps" "$work/gaps.cpp"

"$bin/voxwarpctl" vcard install >/dev/null

# The microphone speaks from before the server starts, as a real one does. The feed lasts
# longer than the soak, so the recording never sees its end.
sox -n -r 44100 -b 16 -c 1 -e signed-integer -t raw - synth $((seconds + 60)) sine 220 vol 0.5 |
    pacat --device=fake_mic_feed --rate=44100 --channels=1 --format=s16le --raw &
pids+=($!)
sleep 1

# The server on the last core, the busy loop on the first (one busy loop when taskset is missing).
cores=$(nproc)
server_cpu=() busy_cpu=()
if command -v taskset >/dev/null && [ "$cores" -ge 2 ]; then
    server_cpu=(taskset -c $((cores - 1)))
    busy_cpu=(taskset -c 0)
fi
"${server_cpu[@]}" "$bin/VoxwarpServer" -f >"$work/server.out" 2>&1 &
server_pid=$!
ready=
for _ in $(seq 1 100); do
    if "$bin/voxwarpctl" errors >/dev/null 2>&1; then
        ready=1
        break
    fi
    sleep 0.2
done
if [ -z "$ready" ]; then
    echo "the voice server did not answer; its log:" >&2
    cat "$VOXWARP_HOME/parlanosrv.log" "$work/server.out" >&2 || true
    exit 1
fi
"$bin/voxwarpctl" client-started >/dev/null
"$bin/voxwarpctl" effect 1 >/dev/null

# The fake microphone is recorded as well: a gap there came from the sound server's side of
# the feed, not from the voice server.
parec --device=voxwarp_mic_source --rate=44100 --channels=1 --format=s16le --raw \
    --latency-msec=20 >"$work/recorded.raw" 2>/dev/null &
recorder=$!
pids+=($recorder)
parec --device=fake_mic --rate=44100 --channels=1 --format=s16le --raw \
    --latency-msec=20 >"$work/input.raw" 2>/dev/null &
input_recorder=$!
pids+=($input_recorder)
nice -n 0 "${busy_cpu[@]}" sh -c 'while :; do :; done' &
busy=$!
pids+=($busy)

echo "soak: ${seconds} s, server pid $server_pid${server_cpu:+ on cpu $((cores - 1))}," \
    "busy loop${busy_cpu:+ on cpu 0}, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
sleep "$seconds"
kill "$busy" "$recorder" "$input_recorder" 2>/dev/null || true
echo "load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"

kill -INT "$server_pid"
wait "$server_pid" || true
server_pid=
grep -a "Output queue virtual" "$VOXWARP_HOME/parlanosrv.log" | tail -n 1 ||
    echo "no \"Output queue virtual\" line in the server's log" >&2
grep -a "Dropped blocks" "$VOXWARP_HOME/parlanosrv.log" | tail -n 1 ||
    echo "no \"Dropped blocks\" line in the server's log" >&2
echo "\"Voxwarp Microphone\" (the voice server's output):"
"$work/gaps" "$work/recorded.raw"
echo "fake microphone (the voice server's input):"
"$work/gaps" "$work/input.raw"
