#include "sound/wave.h"

#include "base/mlog.h"
#include "base/strtable.h"
#include "platform/large_buffer.h"
#include "sound/riff.h"
#include "sound/waveconvert.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

constexpr unsigned kStrSuccess = 120;
constexpr unsigned kStrOpenError = 131;
constexpr unsigned kStrFormatError = 132;
constexpr unsigned kStrUndefinedError = 141;
constexpr unsigned kStrReadError = 142;
constexpr unsigned kStrWriteError = 143;

constexpr std::size_t kShortFormatBytes = 16;
constexpr std::size_t kFormatBytes = sizeof(WaveFormat);
// Behind the record of an extensible format: valid bits (2), channel mask (4), and the
// 16-byte sub-format identifier.
constexpr std::size_t kExtensionBytes = 22;
constexpr std::size_t kSubFormatOffset = 6;
// The identifier of every sub-format that stands for a format tag: the tag in its first two
// bytes (little-endian), then these fourteen bytes.
constexpr std::uint8_t kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                             0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

constexpr std::size_t kHeaderBytes = 44;
constexpr std::uint32_t kMaxWrittenData = 0xFFFFFFFFu - (kHeaderBytes - 8);

// Where a WAV file keeps its sound.
struct WaveLayout {
    WaveFormat format;
    std::uint16_t subFormat = 0;
    RiffChunk data;
};

// Records whose fields cannot describe sound: no channels, a rate outside what sound cards
// use, or a block align that does not match the channels and sample size of an uncompressed
// format.
bool FormatMakesSense(const WaveFormat& format) {
    if (format.channels == 0 || format.blockAlign == 0 || format.samplesPerSec < kMinWaveRate ||
        format.samplesPerSec > kMaxWaveRate)
        return false;
    const bool uncompressed = format.formatTag == kWaveFormatPcm ||
                              format.formatTag == kWaveFormatFloat ||
                              format.formatTag == kWaveFormatExtensible;
    if (!uncompressed)
        return true;
    const unsigned sampleBytes = (format.bitsPerSample + 7u) / 8u;
    return sampleBytes != 0 && format.blockAlign == format.channels * sampleBytes;
}

// A failed read while searching is a read error; a chunk that is not there is a format error.
WaveErrorNum SearchFailure(int systemError) {
    return systemError != 0 ? kWaveReadError : kWaveFormatError;
}

// The RIFF chunk of form "WAVE", in it the first "fmt " chunk and the next "data" chunk behind
// that. Other chunks are skipped.
WaveErrorNum LocateWave(RiffFile& file, WaveLayout& layout, int& systemError) {
    const auto riff = file.FindChunk(0, file.Size(), "RIFF", "WAVE", systemError);
    if (!riff)
        return SearchFailure(systemError);
    const std::uint64_t riffEnd = riff->contentOffset + riff->availableSize;
    const auto fmt = file.FindChunk(riff->contentOffset + 4, riffEnd, "fmt ", nullptr, systemError);
    if (!fmt)
        return SearchFailure(systemError);

    // 16 bytes for a chunk of 16 (a 17th byte would be stray), else the 18-byte record.
    const std::size_t wanted = fmt->declaredSize <= 17 ? kShortFormatBytes : kFormatBytes;
    if (fmt->availableSize < wanted)
        return kWaveFormatError;
    std::uint8_t record[kFormatBytes] = {};
    systemError = file.ReadAt(fmt->contentOffset, record, wanted);
    if (systemError != 0)
        return kWaveReadError;
    layout.format = WaveFormatFromBytes(record);
    if (!FormatMakesSense(layout.format))
        return kWaveFormatError;

    if (layout.format.formatTag == kWaveFormatExtensible &&
        layout.format.extraSize >= kExtensionBytes &&
        fmt->availableSize >= kFormatBytes + kExtensionBytes) {
        std::uint8_t extension[kExtensionBytes];
        systemError = file.ReadAt(fmt->contentOffset + kFormatBytes, extension, sizeof extension);
        if (systemError != 0)
            return kWaveReadError;
        const std::uint8_t* guid = extension + kSubFormatOffset;
        if (std::memcmp(guid + 2, kSubFormatTail, sizeof kSubFormatTail) == 0)
            layout.subFormat = ReadLe16(guid);
    }

    const auto data = file.FindChunk(fmt->End(), riffEnd, "data", nullptr, systemError);
    if (!data)
        return SearchFailure(systemError);
    layout.data = *data;
    return kWaveSuccess;
}

} // namespace

WaveFormat WaveFormatFromBytes(const std::uint8_t* bytes) {
    WaveFormat format;
    format.formatTag = ReadLe16(bytes);
    format.channels = ReadLe16(bytes + 2);
    format.samplesPerSec = ReadLe32(bytes + 4);
    format.avgBytesPerSec = ReadLe32(bytes + 8);
    format.blockAlign = ReadLe16(bytes + 12);
    format.bitsPerSample = ReadLe16(bytes + 14);
    format.extraSize = ReadLe16(bytes + 16);
    return format;
}

void WaveFormatToBytes(const WaveFormat& format, std::uint8_t* bytes) {
    WriteLe16(bytes, format.formatTag);
    WriteLe16(bytes + 2, format.channels);
    WriteLe32(bytes + 4, format.samplesPerSec);
    WriteLe32(bytes + 8, format.avgBytesPerSec);
    WriteLe16(bytes + 12, format.blockAlign);
    WriteLe16(bytes + 14, format.bitsPerSample);
    WriteLe16(bytes + 16, format.extraSize);
}

std::string WaveErrorText(std::uint32_t code) {
    switch (code) {
    case kWaveSuccess:
        return LoadStr(kStrSuccess);
    case kWaveOpenError:
        return LoadStr(kStrOpenError);
    case kWaveFormatError:
        return LoadStr(kStrFormatError);
    case kWaveReadError:
        return LoadStr(kStrReadError);
    case kWaveWriteError:
        return LoadStr(kStrWriteError);
    default:
        return LoadStr(kStrUndefinedError);
    }
}

std::string WaveConvertErrorText(std::uint32_t code) {
    switch (code) {
    case kWaveConvertFailed:
        return "The sound could not be resampled.";
    case kWaveConvertNoMemory:
        return "The converted sound does not fit in memory or in a WAV file.";
    case kWaveConvertTooLong:
        return "The converted sound would last longer than " +
               std::to_string(kMaxConvertedSeconds / 60) + " minutes.";
    case kWaveConvertNotPossible:
        return "The sound's sample format cannot be converted.";
    default:
        return "The conversion failed.";
    }
}

void Wave::Clear() {
    format = WaveFormat{};
    subFormat = 0;
    std::vector<std::uint8_t>().swap(data);
}

WaveErrorNum Wave::ReadFromFile(const std::string& path) {
    static constexpr char kMethod[] = "Wave::ReadFromFile";
    LogScope scope(kMethod, "\"%s\"", path.c_str());
    Clear();
    RiffFile file;
    int systemError = file.Open(path);
    WaveErrorNum code = systemError != 0 ? kWaveOpenError : kWaveSuccess;
    WaveLayout layout;
    if (code == kWaveSuccess)
        code = LocateWave(file, layout, systemError);
    if (code == kWaveSuccess) {
        // A data chunk cut short by the end of the file gives the bytes that are there.
        if (layout.data.availableSize < layout.data.declaredSize)
            LogWarning("%s(): the data chunk declares %u bytes, the file holds %llu of them",
                       kMethod, layout.data.declaredSize,
                       static_cast<unsigned long long>(layout.data.availableSize));
        try {
            const auto size = static_cast<std::size_t>(layout.data.availableSize);
            data.reserve(size);
            platform::AdviseLargeBuffer(data.data(), data.capacity());
            data.resize(size);
            systemError = file.ReadAt(layout.data.contentOffset, data.data(), data.size());
            if (systemError != 0)
                code = kWaveReadError;
        } catch (const std::bad_alloc&) {
            systemError = ENOMEM;
            code = kWaveReadError;
        }
    }
    if (code == kWaveSuccess) {
        format = layout.format;
        subFormat = layout.subFormat;
    } else {
        LogError("Error of load wav file: %s. Last error code: %u. File: %s ",
                 WaveErrorText(code).c_str(), static_cast<unsigned>(systemError), path.c_str());
        Clear();
    }
    file.Close();
    scope.SetResult(WaveErrorText(code));
    return code;
}

WaveErrorNum Wave::WriteToFile(const std::string& path) const {
    static constexpr char kMethod[] = "Wave::WriteToFile";
    LogScope scope(kMethod, "\"%s\"", path.c_str());
    WaveErrorNum code = kWaveSuccess;
    std::FILE* file = nullptr;
    if (data.size() > kMaxWrittenData)
        code = kWaveWriteError;
    else
        file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        code = kWaveWriteError;
    } else {
        const auto size = static_cast<std::uint32_t>(data.size());
        std::uint8_t riff[20];
        std::memcpy(riff, "RIFF", 4);
        WriteLe32(riff + 4, size + static_cast<std::uint32_t>(kHeaderBytes - 8));
        std::memcpy(riff + 8, "WAVEfmt ", 8);
        WriteLe32(riff + 16, static_cast<std::uint32_t>(kShortFormatBytes));
        std::uint8_t record[kFormatBytes];
        WaveFormatToBytes(format, record);
        std::uint8_t dataHeader[8];
        std::memcpy(dataHeader, "data", 4);
        WriteLe32(dataHeader + 4, size);
        if (std::fwrite(riff, 1, sizeof riff, file) != sizeof riff ||
            std::fwrite(record, 1, kShortFormatBytes, file) != kShortFormatBytes ||
            std::fwrite(dataHeader, 1, sizeof dataHeader, file) != sizeof dataHeader ||
            std::fwrite(data.data(), 1, data.size(), file) != data.size())
            code = kWaveWriteError;
        // Buffered bytes reach the file only here, so its failure counts too.
        if (std::fclose(file) != 0)
            code = kWaveWriteError;
    }
    scope.SetResult(WaveErrorText(code));
    return code;
}

std::uint32_t Wave::ConvertToOneChanel16Bit() {
    static constexpr char kMethod[] = "Wave::ConvertToOneChanel16Bit";
    LogScope scope(kMethod);
    if (format.formatTag == kMixingFormat.formatTag && format.channels == kMixingFormat.channels &&
        format.bitsPerSample == kMixingFormat.bitsPerSample &&
        format.samplesPerSec == kMixingFormat.samplesPerSec) {
        scope.SetResult(0u);
        return 0;
    }
    MixingConverter converter;
    std::uint32_t result = converter.Open(format, subFormat, data.size());
    if (result != 0) {
        scope.SetResult(result);
        return result;
    }
    const WaveFormat& to = kMixingFormat;
    LogMethod(kMethod,
              "Convert params.From: wFormatTag=%u, nChannels=%u, wBitsPerSample=%u, "
              "nSamplesPerSec=%u, nBlockAlign=%u, nAvgBytesPerSec=%u, cbSize=%u To: "
              "wFormatTag=%u, nChannels=%u, wBitsPerSample=%u, nSamplesPerSec=%u, "
              "nBlockAlign=%u, nAvgBytesPerSec=%u, cbSize=%u",
              unsigned{format.formatTag}, unsigned{format.channels}, unsigned{format.bitsPerSample},
              unsigned{format.samplesPerSec}, unsigned{format.blockAlign},
              unsigned{format.avgBytesPerSec}, unsigned{format.extraSize}, unsigned{to.formatTag},
              unsigned{to.channels}, unsigned{to.bitsPerSample}, unsigned{to.samplesPerSec},
              unsigned{to.blockAlign}, unsigned{to.avgBytesPerSec}, unsigned{to.extraSize});
    LogMethod(kMethod, "Begin convert...");
    const std::span<const std::uint8_t> source(data);
    for (std::size_t offset = 0; offset < source.size() && result == 0;
         offset += converter.PieceBytes()) {
        const std::size_t length = std::min(converter.PieceBytes(), source.size() - offset);
        result = converter.Convert(source.subspan(offset, length));
    }
    if (result == 0)
        result = converter.Finish();
    LogMethod(kMethod, "End convert. Copy data...");
    // Also after a failure: the sound then holds what was converted so far.
    data = std::move(converter.Result());
    format = kMixingFormat;
    subFormat = 0;
    scope.SetResult(result);
    return result;
}

WaveErrorNum WaveCanUse(const std::string& path) {
    static constexpr char kMethod[] = "WaveCanUse";
    LogScope scope(kMethod, "\"%s\"", path.c_str());
    RiffFile file;
    int systemError = file.Open(path);
    WaveErrorNum code = systemError != 0 ? kWaveOpenError : kWaveSuccess;
    if (code == kWaveSuccess) {
        WaveLayout layout;
        code = LocateWave(file, layout, systemError);
    }
    scope.SetResult(WaveErrorText(code));
    return code;
}
