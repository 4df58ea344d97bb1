// Damaged WAV files: random mutations of valid files must never crash the reader or the
// converter nor make them read outside the file or their buffers (the sanitizer build checks
// that); each file either reads or fails with one of the WAV errors.
#include "sound/wave.h"

#include <chrono>
#include <gtest/gtest.h>
#include <random>

#include "temp_dir.h"
#include "wave_test_files.h"

namespace {

using namespace wavetest;

std::vector<std::string> SeedFiles() {
    const std::string sine = Samples16(Sine16(440, 22050, 0.5, 700));
    return {
        PcmFile(2, 22050, 16, sine),
        RiffWave(Chunk("JUNK", "abc") + Chunk("fmt ", FormatRecord(1, 1, 8000, 8) + Le16(0)) +
                 Chunk("LIST", "INFOx") + Chunk("data", sine.substr(0, 301)) +
                 Chunk("cue ", "1234")),
        RiffWave(Chunk("fmt ", FormatRecord(0xFFFE, 2, 48000, 24) + ExtensibleTail(24, 1)) +
                 Chunk("fact", Le32(200)) + Chunk("data", sine.substr(0, 1200))),
        RiffWave(Chunk("fmt ", FormatRecord(3, 1, 32000, 32) + Le16(0)) +
                 Chunk("data", sine.substr(0, 800))),
    };
}

// Offsets of the chunk size fields: the RIFF chunk's and those of its sub-chunks.
std::vector<std::size_t> SizeFields(const std::string& file) {
    std::vector<std::size_t> fields = {4};
    std::size_t at = 12;
    while (at + 8 <= file.size()) {
        fields.push_back(at + 4);
        const std::uint32_t size =
            static_cast<std::uint8_t>(file[at + 4]) | static_cast<std::uint8_t>(file[at + 5]) << 8 |
            static_cast<std::uint8_t>(file[at + 6]) << 16 |
            static_cast<std::uint32_t>(static_cast<std::uint8_t>(file[at + 7])) << 24;
        at += 8 + size + (size & 1);
    }
    return fields;
}

std::string Mutate(std::string file, std::mt19937& random) {
    auto pick = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n)(random);
    };
    const std::size_t rounds = 1 + pick(2);
    for (std::size_t r = 0; r < rounds && !file.empty(); ++r) {
        switch (pick(5)) {
        case 0: // bit flips
            for (std::size_t i = 0, n = 1 + pick(7); i < n; ++i)
                file[pick(file.size() - 1)] ^= static_cast<char>(1 << pick(7));
            break;
        case 1: // cut
            file.resize(pick(file.size()));
            break;
        case 2: { // a size field set to something large or slightly off
            const auto fields = SizeFields(file);
            const std::size_t at = fields[pick(fields.size() - 1)];
            const std::uint32_t values[] = {0xFFFFFFFF,
                                            0xFFFFFFFE,
                                            0x80000000,
                                            0x7FFFFFFF,
                                            static_cast<std::uint32_t>(file.size()),
                                            static_cast<std::uint32_t>(file.size() + 1),
                                            0,
                                            1,
                                            15,
                                            17};
            if (at + 4 <= file.size())
                file.replace(at, 4, Le32(values[pick(std::size(values) - 1)]));
            break;
        }
        case 3: { // a junk chunk at a chunk boundary, possibly with a wrong size
            const char* ids[] = {"JUNK", "fmt ", "data", "LIST", "RIFF", "WAVE"};
            std::string content(pick(40), static_cast<char>(pick(255)));
            std::string chunk = Chunk(ids[pick(std::size(ids) - 1)], content);
            if (pick(3) == 0)
                chunk.replace(4, 4, Le32(static_cast<std::uint32_t>(random())));
            const auto fields = SizeFields(file);
            const std::size_t at =
                std::min(fields[pick(fields.size() - 1)] - 4 + (pick(1) ? 0 : 12), file.size());
            file.insert(at, chunk);
            break;
        }
        case 4: { // a byte range removed
            const std::size_t at = pick(file.size() - 1);
            file.erase(at, pick(16));
            break;
        }
        default: { // a format field set to an extreme
            const std::size_t at = 20 + pick(15);
            if (at < file.size())
                file[at] = static_cast<char>(pick(1) ? 0xFF : 0);
            break;
        }
        }
    }
    return file;
}

TEST(WaveFuzz, DamagedFilesReadOrFailCleanly) {
    const auto seeds = SeedFiles();
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("random seed " + std::to_string(seed));
    std::mt19937 random(seed);
    testsupport::TempDir dir;
    const std::string path = dir.File("damaged.wav");
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    int runs = 0, readable = 0, converted = 0;
    while (std::chrono::steady_clock::now() < until && runs < 20000) {
        ++runs;
        const std::string file = Mutate(seeds[runs % seeds.size()], random);
        testsupport::WriteFile(path, file);
        Wave wave;
        const WaveErrorNum code = wave.ReadFromFile(path);
        ASSERT_TRUE(code == kWaveSuccess || code == kWaveFormatError) << code;
        ASSERT_EQ(WaveCanUse(path), code);
        if (code != kWaveSuccess) {
            ASSERT_EQ(wave.Size(), 0u);
            ASSERT_EQ(wave.format.channels, 0);
            continue;
        }
        ++readable;
        ASSERT_LE(wave.Size(), file.size());
        ASSERT_NE(wave.format.channels, 0);
        ASSERT_NE(wave.format.samplesPerSec, 0u);
        // Setting up a resampler takes milliseconds, so only some of the files are converted,
        // and far-out rates are left to the converter's own tests.
        if (readable % 4 != 0 || wave.format.samplesPerSec < 4000 ||
            wave.format.samplesPerSec > 200000)
            continue;
        const WaveFormat before = wave.format;
        const std::uint32_t size = wave.Size();
        const std::uint32_t result = wave.ConvertToOneChanel16Bit();
        ASSERT_TRUE(result == 0 || result == kWaveConvertNotPossible) << result;
        if (result == 0) {
            ++converted;
            ASSERT_EQ(wave.format.samplesPerSec, 44100u);
            ASSERT_EQ(wave.format.channels, 1);
            ASSERT_EQ(wave.Size() % 2, 0u);
        } else {
            ASSERT_EQ(wave.format.formatTag, before.formatTag);
            ASSERT_EQ(wave.Size(), size);
        }
    }
    // The mutations must leave enough files readable to reach the converter.
    EXPECT_GT(readable, runs / 10);
    EXPECT_GT(converted, 0);
    std::printf("%d damaged files, %d readable, %d converted\n", runs, readable, converted);
}

} // namespace
