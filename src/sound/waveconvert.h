// Conversion of sample data to the mixing format, piece by piece: each piece's channels are
// averaged into one, resampled to 44100 samples per second by one resampler stream that runs
// across all pieces (so the result is continuous), rounded and clipped to 16 bits and appended
// to the result.
#pragma once

#include "sound/wave.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

struct soxr;

// How the samples of a format are stored; Unsupported for compressed and unknown formats.
enum class SampleEncoding {
    Unsupported,
    Unsigned8,
    Signed16,
    Signed24,
    Signed32,
    Float32,
    Float64
};

// The encoding of a format's samples, judged by the format tag (for an extensible record: its
// sub-format), the block align and the bits per sample.
SampleEncoding SampleEncodingOf(const WaveFormat& format, std::uint16_t subFormat);

class MixingConverter {
public:
    // Longest piece of source bytes fed at once.
    static constexpr std::size_t kMaxPieceBytes = 6144;

    MixingConverter() = default;
    ~MixingConverter();
    MixingConverter(const MixingConverter&) = delete;
    MixingConverter& operator=(const MixingConverter&) = delete;

    // Checks the source format and prepares the conversion of dataBytes bytes of it. Returns 0
    // or a WaveConvertError value.
    std::uint32_t Open(const WaveFormat& format, std::uint16_t subFormat, std::size_t dataBytes);

    // Length of the pieces to feed: whole sample frames, at most kMaxPieceBytes (a single frame
    // when one frame is longer).
    std::size_t PieceBytes() const { return pieceBytes_; }

    // Converts one piece of at most PieceBytes() bytes and appends its output to the result.
    // The bytes of an incomplete frame at the end of the piece are ignored. 0 or an error.
    std::uint32_t Convert(std::span<const std::uint8_t> piece);

    // Appends the output that the resampler still holds back at the end of the sound.
    std::uint32_t Finish();

    // 16-bit little-endian mono samples at 44100 per second.
    std::vector<std::uint8_t>& Result() { return result_; }

private:
    void MixDown(const std::uint8_t* source, std::size_t frames);
    void AppendSamples(const float* samples, std::size_t count);
    std::uint32_t Resample(const float* input, std::size_t frames);

    SampleEncoding encoding_ = SampleEncoding::Unsupported;
    unsigned channels_ = 0;
    std::size_t frameBytes_ = 0;
    std::size_t pieceBytes_ = 0;
    soxr* resampler_ = nullptr; // none when the source rate is 44100 already
    std::vector<float> mono_;
    std::vector<float> resampled_;
    std::vector<std::uint8_t> result_;
};
