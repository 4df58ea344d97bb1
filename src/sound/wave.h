// Sounds from WAV files: reading and writing RIFF/WAVE files and converting a sound to the
// mixing format (PCM, one channel, 16 bits, 44100 samples per second).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Format tags of the format record.
constexpr std::uint16_t kWaveFormatPcm = 1;
constexpr std::uint16_t kWaveFormatFloat = 3;
constexpr std::uint16_t kWaveFormatExtensible = 0xFFFE;

// The format record exactly as a WAV file holds it: 18 bytes, every field little-endian.
#pragma pack(push, 1)
struct WaveFormat {
    std::uint16_t formatTag = 0; // kWaveFormatPcm, kWaveFormatFloat, ...
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0; // bytes of one sample frame (all channels)
    std::uint16_t bitsPerSample = 0;
    std::uint16_t extraSize = 0; // bytes of format-specific data behind the record
};
#pragma pack(pop)
static_assert(sizeof(WaveFormat) == 18);

// The record read from 18 file bytes, and back.
WaveFormat WaveFormatFromBytes(const std::uint8_t* bytes);
void WaveFormatToBytes(const WaveFormat& format, std::uint8_t* bytes);

// The format every stream mixes.
constexpr WaveFormat kMixingFormat{kWaveFormatPcm, 1, 44100, 88200, 2, 16, 0};

enum WaveErrorNum : std::uint32_t {
    kWaveSuccess = 0,
    kWaveOpenError = 1,   // the file cannot be opened
    kWaveFormatError = 2, // not a RIFF/WAVE file, format or data chunk missing, bad format
    kWaveReadError = 3,   // reading failed
    kWaveWriteError = 4,  // creating or writing the file failed
};

// Sample rates a WAV file may declare; others are a format error.
constexpr std::uint32_t kMinWaveRate = 1000;
constexpr std::uint32_t kMaxWaveRate = 768000;
// The longest sound a conversion to the mixing format makes, in seconds (one hour).
constexpr std::uint32_t kMaxConvertedSeconds = 3600;

// Results of ConvertToOneChanel16Bit besides 0.
enum WaveConvertError : std::uint32_t {
    kWaveConvertFailed = 1,   // the resampler failed
    kWaveConvertNoMemory = 7, // the result does not fit in memory or in a WAV file
    kWaveConvertTooLong = 8,  // the result would last longer than kMaxConvertedSeconds
    // A compressed or unknown sample format, or a format record that cannot describe sound.
    kWaveConvertNotPossible = 512,
};

// The localised message of a WaveErrorNum value ("Undefined error" for unknown values).
std::string WaveErrorText(std::uint32_t code);
// What a WaveConvertError value means, in a sentence.
std::string WaveConvertErrorText(std::uint32_t code);

// One sound in memory.
class Wave {
public:
    // Replaces the content by the sound of a WAV file. On failure the object is empty (no
    // data, all format fields zero).
    WaveErrorNum ReadFromFile(const std::string& path);

    // Writes the sound as a WAV file with the canonical 44-byte header (a 16-byte format
    // chunk, then the data chunk). A failed write may leave a partial file.
    WaveErrorNum WriteToFile(const std::string& path) const;

    // Converts the sound in place to kMixingFormat; a sound in that format already is left
    // as it is. Returns 0 or a WaveConvertError value. With kWaveConvertNotPossible the object
    // is unchanged; after a failure during the conversion it holds what was converted so far.
    std::uint32_t ConvertToOneChanel16Bit();

    // Number of data bytes.
    std::uint32_t Size() const { return static_cast<std::uint32_t>(data.size()); }

    // Frees the data and zeroes every field.
    void Clear();

    WaveFormat format;
    // For kWaveFormatExtensible: the format tag that the record's sub-format identifier
    // stands for (kWaveFormatPcm, kWaveFormatFloat, ...); 0 when the file has none or an
    // identifier of another family.
    std::uint16_t subFormat = 0;
    // The bytes of the data chunk, unchanged.
    std::vector<std::uint8_t> data;
};

// Checks that a file can be read as a WAV file (the same checks as Wave::ReadFromFile),
// without reading the sound.
WaveErrorNum WaveCanUse(const std::string& path);
