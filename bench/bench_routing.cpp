// The routing stream's whole per-block pipeline (copy, drift decision, effect, monitor scaling,
// sound mixing, oscilloscope, writes to both outputs) on the in-memory audio back end, with
// Brevo an octave up as the voice effect, next to the same pipeline with no effect selected and
// to Brevo's ProcessMono alone on the same block. Each pipeline runs without a monitor card
// (argument 0) and with one at 80 % (argument 1). The counter block_fraction is the CPU time of
// one block as a fraction of the block's 25 ms: what share of one core the voice server needs.
//
// Every effect slot holds two plug-in instances, one per output, and both run on every block
// (the monitor one over silence when no monitor card is open), so the pipeline with Brevo costs
// about the pipeline without effect plus twice ProcessMono alone.
#include <benchmark/benchmark.h>

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "audio/audio_memory_backend.h"
#include "bench_paths.h"
#include "effect/effect.h"
#include "routing/stream.h"

namespace {

constexpr std::uint16_t kBufferMs = 25;
constexpr double kBlockSeconds = 1102.0 / 44100.0;
// The memory back end keeps everything the outputs played: a fixed number of blocks keeps
// that bounded (about 2 MB per output for 500 blocks).
constexpr benchmark::IterationCount kBlocks = 500;

std::string BrevoPath() {
    return BenchBuildFolder() + "bin/effects/Brevo.so";
}

// "Octave up": eight overlaps and pitch factor 2, the other parameters at Brevo's defaults.
std::vector<EffectParam> OctaveUp(PnAudioEffect& brevo) {
    std::vector<EffectParam> params = brevo.GetParams();
    if (params.size() == 6) {
        params[0].value = 1.0f;
        params[5].value = 1.75f / 3.75f;
    }
    return params;
}

std::vector<std::int16_t> Voice(std::size_t samples) {
    std::vector<std::int16_t> block(samples);
    for (std::size_t i = 0; i < samples; ++i) {
        const double t = static_cast<double>(i) / 44100;
        block[i] = static_cast<std::int16_t>(6000 * std::sin(6.283185307 * 220 * t) +
                                             3000 * std::sin(6.283185307 * 660 * t));
    }
    return block;
}

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The CPU time of the measured calls per block, as a share of the block's duration.
void BlockFraction(benchmark::State& state, double cpuSeconds) {
    if (state.iterations() > 0)
        state.counters["block_fraction"] =
            cpuSeconds / static_cast<double>(state.iterations()) / kBlockSeconds;
}

// The routing stream with a way to wait until the engine thread has handled everything posted
// so far: a played output buffer becomes free only after the engine thread passed its
// notification on, so without the wait the fast pipeline would find the outputs' rings full.
class DrainedStream : public PnIOStream {
public:
    using PnIOStream::PnIOStream;

    void OnMessage(std::uint32_t message, std::uintptr_t param) override {
        if (message != kMark) {
            PnIOStream::OnMessage(message, param);
            return;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        ++marks_;
        cv_.notify_all();
    }
    // Device notifications go before owner messages: the mark comes after every one posted.
    bool Drain() {
        std::unique_lock<std::mutex> lock(mutex_);
        const int target = marks_ + 1;
        if (!PostEngineMessage(kMark, 0))
            return false;
        return cv_.wait_for(lock, std::chrono::seconds(5), [&] { return marks_ >= target; });
    }

private:
    static constexpr std::uint32_t kMark = 0x8F01;
    std::mutex mutex_;
    std::condition_variable cv_;
    int marks_ = 0;
};

// Both outputs (or only the virtual one) open and running and a client attached; blocks are
// handed to the pipeline directly (the capture device is not started) and the outputs play one
// block's worth after each, so their queues stay where they are. The queues are first filled
// into their band so that the timed blocks are written as they come (no drift stretching).
void RunPipeline(benchmark::State& state, bool withEffect) {
    const bool withMonitor = state.range(0) != 0;
    setenv("VOXWARP_KOBJECT_NAMESPACE", ("bench" + std::to_string(getpid())).c_str(), 1);
    MemoryAudioBackend backend;
    int mic = backend.AddCaptureDevice("Microphone");
    int virtualCard = backend.AddPlaybackDevice("Voxwarp Microphone");
    int monitor = backend.AddPlaybackDevice("Speakers");
    DrainedStream stream(backend);
    if (!stream.Init() || !stream.Open(kStreamInput, mic, 16, 44100, kBufferMs, 40) ||
        !stream.Restart(kStreamVirtual, virtualCard, 16, 44100, kBufferMs, 40) ||
        (withMonitor && !stream.Restart(kStreamMonitor, monitor, 16, 44100, kBufferMs, 40))) {
        state.SkipWithError("the routing stream did not open on the memory back end");
        return;
    }
    if (withEffect) {
        if (stream.LoadEffect(0, BrevoPath()) != kVstSuccess) {
            state.SkipWithError("Brevo is not built");
            return;
        }
        PnAudioEffect brevo;
        if (brevo.Load(BrevoPath(), true) != kVstSuccess) {
            state.SkipWithError("Brevo did not load");
            return;
        }
        stream.SetEffectParams(0, OctaveUp(brevo));
        stream.SelectEffect(0);
    }
    stream.SetClientRunning(true);
    stream.SetMonitorOn(withMonitor ? 1 : 0);
    stream.SetMonitorVol(80);

    const RoutingLayout layout = stream.Layout();
    const std::uint32_t samples = layout.blockSamples;
    std::vector<std::int16_t> voice = Voice(samples);
    BufferInfo block;
    block.direction = 0;
    block.bytesUsed = samples * 2;
    block.size = samples * 2;
    block.data = reinterpret_cast<std::uint8_t*>(voice.data());
    // The once-per-process start delay, and the stretching that lifts each queue into its
    // band, happen before the timing.
    const std::uint32_t inBand = (layout.queueLow + layout.queueHigh) / 2;
    for (int i = 0; i < 40 && stream.OutputQueueState(kStreamVirtual).queuedBytes / 2 < inBand; ++i)
        stream.OnInputData(block);
    const std::uint32_t droppedBefore =
        PnIOStream::DroppedBlocks(kStreamVirtual) + PnIOStream::FailedWrites(kStreamVirtual);
    double cpu = 0;
    for (auto _ : state) {
        const double start = ThreadCpuSeconds();
        stream.OnInputData(block);
        cpu += ThreadCpuSeconds() - start;
        state.PauseTiming();
        backend.Advance(samples);
        const bool drained = stream.Drain();
        state.ResumeTiming();
        if (!drained) {
            state.SkipWithError("the engine thread did not answer");
            break;
        }
    }
    BlockFraction(state, cpu);
    state.counters["virtual_queue_ms"] =
        stream.OutputQueueState(kStreamVirtual).queuedBytes / 2 * 1000.0 / 44100;
    state.counters["lost_blocks"] = PnIOStream::DroppedBlocks(kStreamVirtual) +
                                    PnIOStream::FailedWrites(kStreamVirtual) - droppedBefore;
    stream.CloseAll();
}

void BM_RoutingPipelineBrevo(benchmark::State& state) {
    RunPipeline(state, true);
}
BENCHMARK(BM_RoutingPipelineBrevo)
    ->ArgName("monitor")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(kBlocks)
    ->Unit(benchmark::kMicrosecond);

void BM_RoutingPipelineNoEffect(benchmark::State& state) {
    RunPipeline(state, false);
}
BENCHMARK(BM_RoutingPipelineNoEffect)
    ->ArgName("monitor")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(kBlocks)
    ->Unit(benchmark::kMicrosecond);

// Brevo's ProcessMono alone on the same block (argument 0) and on a silent one (1, what the
// monitor instance gets without a monitor card): the reference for the pipeline's own cost.
void BM_BrevoProcessMonoAlone(benchmark::State& state) {
    PnAudioEffect effect;
    if (effect.Load(BrevoPath(), true) != kVstSuccess) {
        state.SkipWithError("Brevo is not built");
        return;
    }
    effect.SetParams(OctaveUp(effect));
    const std::vector<std::int16_t> voice =
        state.range(0) == 0 ? Voice(1102) : std::vector<std::int16_t>(1102, 0);
    std::vector<std::int16_t> block(voice.size());
    double cpu = 0;
    for (auto _ : state) {
        const double start = ThreadCpuSeconds();
        std::copy(voice.begin(), voice.end(), block.begin());
        effect.ProcessMono(block.data(), static_cast<std::uint32_t>(block.size() * 2));
        benchmark::ClobberMemory();
        cpu += ThreadCpuSeconds() - start;
    }
    BlockFraction(state, cpu);
}
BENCHMARK(BM_BrevoProcessMonoAlone)
    ->ArgName("silent")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(kBlocks)
    ->Unit(benchmark::kMicrosecond);

// Two instances in turn, the first over the block and the second over silence, as the pipeline
// without a monitor card runs them: what the pipeline's effect step costs when each instance
// finds its data evicted by the other.
void BM_BrevoProcessMonoTwoInstances(benchmark::State& state) {
    PnAudioEffect first;
    PnAudioEffect second;
    if (first.Load(BrevoPath(), true) != kVstSuccess ||
        second.Load(BrevoPath(), true) != kVstSuccess) {
        state.SkipWithError("Brevo is not built");
        return;
    }
    first.SetParams(OctaveUp(first));
    second.SetParams(OctaveUp(second));
    const std::vector<std::int16_t> voice = Voice(1102);
    std::vector<std::int16_t> block(voice.size());
    std::vector<std::int16_t> silence(voice.size());
    double cpu = 0;
    for (auto _ : state) {
        const double start = ThreadCpuSeconds();
        std::copy(voice.begin(), voice.end(), block.begin());
        std::fill(silence.begin(), silence.end(), std::int16_t{0});
        second.ProcessMono(silence.data(), static_cast<std::uint32_t>(silence.size() * 2));
        first.ProcessMono(block.data(), static_cast<std::uint32_t>(block.size() * 2));
        benchmark::ClobberMemory();
        cpu += ThreadCpuSeconds() - start;
    }
    BlockFraction(state, cpu);
}
BENCHMARK(BM_BrevoProcessMonoTwoInstances)->Iterations(kBlocks)->Unit(benchmark::kMicrosecond);

} // namespace
