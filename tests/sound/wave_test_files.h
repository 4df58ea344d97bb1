// Building WAV file bytes and measuring converted sound, for the WAV tests.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace wavetest {

inline std::string Le16(std::uint32_t v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}

inline std::string Le32(std::uint32_t v) {
    return Le16(v & 0xFFFF) + Le16(v >> 16);
}

// One chunk: id, size, content, and the pad byte behind odd content.
inline std::string Chunk(const std::string& id, const std::string& content) {
    std::string chunk = id + Le32(static_cast<std::uint32_t>(content.size())) + content;
    if (content.size() % 2 != 0)
        chunk += '\0';
    return chunk;
}

// The 16-byte format record with a matching block align and byte rate.
inline std::string FormatRecord(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                                std::uint16_t bits) {
    const std::uint32_t blockAlign = channels * ((bits + 7u) / 8u);
    return Le16(tag) + Le16(channels) + Le32(rate) + Le32(rate * blockAlign) + Le16(blockAlign) +
           Le16(bits);
}

// The extension behind an 18-byte extensible record: valid bits, channel mask and the
// sub-format identifier of a format tag.
inline std::string ExtensibleTail(std::uint16_t validBits, std::uint16_t subTag) {
    return Le16(22) + Le16(validBits) + Le32(0x3) + Le16(subTag) +
           std::string("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
}

inline std::string RiffWave(const std::string& chunks) {
    return "RIFF" + Le32(static_cast<std::uint32_t>(4 + chunks.size())) + "WAVE" + chunks;
}

inline std::string PcmFile(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                           const std::string& data) {
    return RiffWave(Chunk("fmt ", FormatRecord(1, channels, rate, bits)) + Chunk("data", data));
}

inline std::string Samples16(const std::vector<std::int16_t>& samples) {
    std::string bytes;
    for (std::int16_t s : samples)
        bytes += Le16(static_cast<std::uint16_t>(s));
    return bytes;
}

inline std::vector<std::int16_t> Samples16Of(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return samples;
}

// A sine of the given amplitude (1.0 = full scale) as 16-bit samples.
inline std::vector<std::int16_t> Sine16(double frequency, double rate, double amplitude,
                                        std::size_t count) {
    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i)
        samples[i] = static_cast<std::int16_t>(
            std::lround(amplitude * 32767.0 * std::sin(2 * M_PI * frequency * i / rate)));
    return samples;
}

// The frequency of a tone from its rising zero crossings (interpolated between samples),
// measured between `skip` samples from either end.
inline double ZeroCrossingFrequency(const std::vector<std::int16_t>& s, double rate,
                                    std::size_t skip) {
    double first = -1, last = -1;
    int crossings = 0;
    for (std::size_t i = skip + 1; i + skip < s.size(); ++i) {
        if (s[i - 1] < 0 && s[i] >= 0) {
            const double at = (i - 1) + double(-s[i - 1]) / (double(s[i]) - s[i - 1]);
            if (first < 0)
                first = at;
            last = at;
            ++crossings;
        }
    }
    if (crossings < 2)
        return 0;
    return (crossings - 1) * rate / (last - first);
}

// RMS level in dB of full scale, measured between `skip` samples from either end.
inline double RmsDb(const std::vector<std::int16_t>& s, std::size_t skip) {
    double sum = 0;
    std::size_t n = 0;
    for (std::size_t i = skip; i + skip < s.size(); ++i, ++n)
        sum += double(s[i]) * s[i];
    return 10 * std::log10(sum / n / (32768.0 * 32768.0));
}

} // namespace wavetest
