#include "sound/waveconvert.h"

#include "platform/large_buffer.h"
#include "sound/riff.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

namespace {

// Bytes a WAV file can hold in its data chunk behind the 44-byte header.
constexpr std::uint64_t kMaxResultBytes = std::numeric_limits<std::uint32_t>::max() - 36;
// The longest result a conversion makes, in the mixing format: a background loop or a fun
// sound has no business being longer, and a file that declares a tiny rate would otherwise
// blow a few kilobytes up into gigabytes.
constexpr std::uint64_t kMaxConvertedBytes =
    std::uint64_t{kMaxConvertedSeconds} * kMixingFormat.avgBytesPerSec;
// Output samples that one resampler call may deliver at most.
constexpr std::size_t kResampledChunk = 8192;

float DecodeU8(const std::uint8_t* p) {
    return (static_cast<float>(p[0]) - 128.0f) * (1.0f / 128.0f);
}
float DecodeS16(const std::uint8_t* p) {
    return static_cast<float>(static_cast<std::int16_t>(ReadLe16(p))) * (1.0f / 32768.0f);
}
float DecodeS24(const std::uint8_t* p) {
    // The three bytes go to the top of a 32-bit value so that the sign comes along.
    const auto v = static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) << 8 |
                                             static_cast<std::uint32_t>(p[1]) << 16 |
                                             static_cast<std::uint32_t>(p[2]) << 24);
    return static_cast<float>(v) * (1.0f / 2147483648.0f);
}
float DecodeS32(const std::uint8_t* p) {
    return static_cast<float>(static_cast<std::int32_t>(ReadLe32(p))) * (1.0f / 2147483648.0f);
}
float DecodeF32(const std::uint8_t* p) {
    const std::uint32_t bits = ReadLe32(p);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}
float DecodeF64(const std::uint8_t* p) {
    const std::uint64_t bits =
        static_cast<std::uint64_t>(ReadLe32(p)) | static_cast<std::uint64_t>(ReadLe32(p + 4)) << 32;
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return static_cast<float>(v);
}

template <float (*Decode)(const std::uint8_t*), std::size_t SampleBytes>
void AverageChannels(const std::uint8_t* source, std::size_t frames, unsigned channels,
                     float* out) {
    if (channels == 1) {
        for (std::size_t i = 0; i < frames; ++i)
            out[i] = Decode(source + i * SampleBytes);
        return;
    }
    const float scale = 1.0f / static_cast<float>(channels);
    for (std::size_t i = 0; i < frames; ++i) {
        float sum = 0.0f;
        for (unsigned c = 0; c < channels; ++c, source += SampleBytes)
            sum += Decode(source);
        out[i] = sum * scale;
    }
}

std::int16_t ToSample16(float x) {
    // NaN and infinities from a damaged float file become silence and full scale.
    if (std::isnan(x))
        return 0;
    const float scaled = x * 32768.0f;
    if (scaled >= 32767.0f)
        return 32767;
    if (scaled <= -32768.0f)
        return -32768;
    return static_cast<std::int16_t>(std::lrintf(scaled));
}

} // namespace

SampleEncoding SampleEncodingOf(const WaveFormat& format, std::uint16_t subFormat) {
    const std::uint16_t tag =
        format.formatTag == kWaveFormatExtensible ? subFormat : format.formatTag;
    // Each sample takes the whole bytes its bits need, every frame one sample per channel.
    const unsigned bits = format.bitsPerSample;
    const unsigned container = (bits + 7) / 8;
    if (format.channels == 0 || format.samplesPerSec == 0 || container == 0 ||
        format.blockAlign != format.channels * container)
        return SampleEncoding::Unsupported;
    if (tag == kWaveFormatPcm) {
        switch (container) {
        case 1:
            return SampleEncoding::Unsigned8;
        case 2:
            return SampleEncoding::Signed16;
        case 3:
            return SampleEncoding::Signed24;
        case 4:
            return SampleEncoding::Signed32;
        default:
            return SampleEncoding::Unsupported;
        }
    }
    if (tag == kWaveFormatFloat && bits == container * 8) {
        if (container == 4)
            return SampleEncoding::Float32;
        if (container == 8)
            return SampleEncoding::Float64;
    }
    return SampleEncoding::Unsupported;
}

MixingConverter::~MixingConverter() {
    if (resampler_ != nullptr)
        soxr_delete(resampler_);
}

std::uint32_t MixingConverter::Open(const WaveFormat& format, std::uint16_t subFormat,
                                    std::size_t dataBytes) {
    encoding_ = SampleEncodingOf(format, subFormat);
    if (encoding_ == SampleEncoding::Unsupported)
        return kWaveConvertNotPossible;
    channels_ = format.channels;
    frameBytes_ = format.blockAlign;
    pieceBytes_ = std::max(kMaxPieceBytes / frameBytes_, std::size_t{1}) * frameBytes_;

    const double ratio = static_cast<double>(kMixingFormat.samplesPerSec) / format.samplesPerSec;
    const double frames = static_cast<double>(dataBytes / frameBytes_);
    // A few samples more than the exact length for the resampler's rounding.
    const double expectedBytes = (std::ceil(frames * ratio) + 16.0) * 2.0;
    if (expectedBytes > static_cast<double>(kMaxConvertedBytes))
        return kWaveConvertTooLong;
    if (expectedBytes > static_cast<double>(kMaxResultBytes))
        return kWaveConvertNoMemory;
    try {
        result_.reserve(static_cast<std::size_t>(expectedBytes));
        platform::AdviseLargeBuffer(result_.data(), result_.capacity());
        mono_.resize(pieceBytes_ / frameBytes_);
        if (format.samplesPerSec != kMixingFormat.samplesPerSec)
            resampled_.resize(kResampledChunk);
    } catch (const std::bad_alloc&) {
        return kWaveConvertNoMemory;
    }

    if (format.samplesPerSec != kMixingFormat.samplesPerSec) {
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        soxr_error_t error = nullptr;
        resampler_ = soxr_create(format.samplesPerSec, kMixingFormat.samplesPerSec, 1, &error, &io,
                                 &quality, nullptr);
        if (resampler_ == nullptr || error != nullptr)
            return kWaveConvertFailed;
    }
    return 0;
}

void MixingConverter::MixDown(const std::uint8_t* source, std::size_t frames) {
    float* out = mono_.data();
    switch (encoding_) {
    case SampleEncoding::Unsigned8:
        AverageChannels<DecodeU8, 1>(source, frames, channels_, out);
        break;
    case SampleEncoding::Signed16:
        AverageChannels<DecodeS16, 2>(source, frames, channels_, out);
        break;
    case SampleEncoding::Signed24:
        AverageChannels<DecodeS24, 3>(source, frames, channels_, out);
        break;
    case SampleEncoding::Signed32:
        AverageChannels<DecodeS32, 4>(source, frames, channels_, out);
        break;
    case SampleEncoding::Float32:
        AverageChannels<DecodeF32, 4>(source, frames, channels_, out);
        break;
    case SampleEncoding::Float64:
        AverageChannels<DecodeF64, 8>(source, frames, channels_, out);
        break;
    case SampleEncoding::Unsupported:
        break;
    }
}

void MixingConverter::AppendSamples(const float* samples, std::size_t count) {
    const std::size_t at = result_.size();
    // resize grows the capacity geometrically when the estimate was short.
    result_.resize(at + count * 2);
    std::uint8_t* out = result_.data() + at;
    for (std::size_t i = 0; i < count; ++i, out += 2)
        WriteLe16(out, static_cast<std::uint16_t>(ToSample16(samples[i])));
}

std::uint32_t MixingConverter::Resample(const float* input, std::size_t frames) {
    // With input == nullptr the resampler is told that the sound has ended.
    std::size_t used = 0;
    for (;;) {
        std::size_t inputDone = 0;
        std::size_t outputDone = 0;
        const soxr_error_t error =
            soxr_process(resampler_, input != nullptr ? input + used : nullptr, frames - used,
                         &inputDone, resampled_.data(), resampled_.size(), &outputDone);
        if (error != nullptr)
            return kWaveConvertFailed;
        AppendSamples(resampled_.data(), outputDone);
        used += inputDone;
        const bool inputLeft = input != nullptr && used < frames;
        const bool outputFull = outputDone == resampled_.size();
        if (!inputLeft && !outputFull) {
            // At the end the resampler may hand out its tail over several calls.
            if (input != nullptr || outputDone == 0)
                return 0;
        } else if (inputDone == 0 && outputDone == 0) {
            return kWaveConvertFailed;
        }
    }
}

std::uint32_t MixingConverter::Convert(std::span<const std::uint8_t> piece) {
    const std::size_t frames = std::min(piece.size(), pieceBytes_) / frameBytes_;
    if (frames == 0)
        return 0;
    try {
        MixDown(piece.data(), frames);
        if (resampler_ == nullptr) {
            AppendSamples(mono_.data(), frames);
            return 0;
        }
        return Resample(mono_.data(), frames);
    } catch (const std::bad_alloc&) {
        return kWaveConvertNoMemory;
    }
}

std::uint32_t MixingConverter::Finish() {
    if (resampler_ == nullptr)
        return 0;
    try {
        return Resample(nullptr, 0);
    } catch (const std::bad_alloc&) {
        return kWaveConvertNoMemory;
    }
}
