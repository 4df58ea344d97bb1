#include "sound/wave.h"

#include <gtest/gtest.h>
#include <sstream>

#include "base/mlog.h"
#include "base/resstrings.h"
#include "base/strtable.h"
#include "temp_dir.h"
#include "wave_test_files.h"

namespace {

using namespace wavetest;
using testsupport::TempDir;
using testsupport::WriteFile;

class WaveRead : public ::testing::Test {
protected:
    // Writes the bytes as a file and reads it into wave_.
    WaveErrorNum Read(const std::string& bytes) {
        WriteFile(path_, bytes);
        return wave_.ReadFromFile(path_);
    }
    std::string Data() const { return std::string(wave_.data.begin(), wave_.data.end()); }

    TempDir dir_;
    std::string path_ = dir_.File("sound.wav");
    Wave wave_;
};

TEST_F(WaveRead, SixteenByteFormatChunkLeavesExtraSizeZero) {
    const std::string data = "\x01\x02\x03\x04\x05\x06\x07\x08";
    ASSERT_EQ(Read(PcmFile(2, 22050, 16, data)), kWaveSuccess);
    EXPECT_EQ(wave_.format.formatTag, 1);
    EXPECT_EQ(wave_.format.channels, 2);
    EXPECT_EQ(wave_.format.samplesPerSec, 22050u);
    EXPECT_EQ(wave_.format.avgBytesPerSec, 88200u);
    EXPECT_EQ(wave_.format.blockAlign, 4);
    EXPECT_EQ(wave_.format.bitsPerSample, 16);
    EXPECT_EQ(wave_.format.extraSize, 0);
    EXPECT_EQ(wave_.Size(), 8u);
    EXPECT_EQ(Data(), data);
}

TEST_F(WaveRead, FormatChunkLengthDecidesHowMuchOfTheRecordIsRead) {
    const std::string record = FormatRecord(1, 1, 8000, 8);
    const std::string data = "abcdef";
    // 18 bytes and more: the extra size comes from the file; later bytes are skipped.
    ASSERT_EQ(Read(RiffWave(Chunk("fmt ", record + Le16(0x1234)) + Chunk("data", data))),
              kWaveSuccess);
    EXPECT_EQ(wave_.format.extraSize, 0x1234);
    EXPECT_EQ(Data(), data);
    ASSERT_EQ(Read(RiffWave(Chunk("fmt ", record + Le16(6) + "xxdatayy") + Chunk("data", data))),
              kWaveSuccess);
    EXPECT_EQ(wave_.format.extraSize, 6);
    EXPECT_EQ(wave_.format.samplesPerSec, 8000u);
    EXPECT_EQ(Data(), data);
    // 17 bytes: the record's 16 bytes, the stray byte and the pad byte skipped.
    ASSERT_EQ(Read(RiffWave(Chunk("fmt ", record + "\x07") + Chunk("data", data))), kWaveSuccess);
    EXPECT_EQ(wave_.format.extraSize, 0);
    EXPECT_EQ(Data(), data);
}

TEST_F(WaveRead, OtherChunksAndOddSizesAreSkipped) {
    const std::string data = "12345"; // odd, padded in the file
    ASSERT_EQ(Read(RiffWave(Chunk("JUNK", "abc") + Chunk("fmt ", FormatRecord(1, 1, 8000, 8)) +
                            Chunk("LIST", "x") + Chunk("data", data) + Chunk("cue ", "12"))),
              kWaveSuccess);
    EXPECT_EQ(wave_.format.samplesPerSec, 8000u);
    EXPECT_EQ(Data(), data);
    // A RIFF chunk of another form ahead of the sound is passed over too.
    ASSERT_EQ(Read(Chunk("RIFF", "AVI xyz") + PcmFile(1, 8000, 8, data)), kWaveSuccess);
    EXPECT_EQ(Data(), data);
}

TEST_F(WaveRead, ExtensibleRecordNamesItsSampleFormat) {
    const std::string pcm = FormatRecord(0xFFFE, 2, 48000, 24) + ExtensibleTail(24, 1);
    ASSERT_EQ(Read(RiffWave(Chunk("fmt ", pcm) + Chunk("data", "abcdef"))), kWaveSuccess);
    EXPECT_EQ(wave_.format.formatTag, 0xFFFE);
    EXPECT_EQ(wave_.format.extraSize, 22);
    EXPECT_EQ(wave_.subFormat, 1);
    const std::string flt = FormatRecord(0xFFFE, 1, 48000, 32) + ExtensibleTail(32, 3);
    ASSERT_EQ(Read(RiffWave(Chunk("fmt ", flt) + Chunk("data", "abcd"))), kWaveSuccess);
    EXPECT_EQ(wave_.subFormat, 3);
    std::string foreign = flt;
    foreign.back() = 'X'; // an identifier of another family
    ASSERT_EQ(Read(RiffWave(Chunk("fmt ", foreign) + Chunk("data", "abcd"))), kWaveSuccess);
    EXPECT_EQ(wave_.subFormat, 0);
}

TEST_F(WaveRead, ChunkSizesBeyondTheFileAreCutAtItsEnd) {
    const std::string data(1000, 'd');
    std::string file = PcmFile(1, 8000, 8, data);
    // A data chunk cut short, as after an interrupted copy: what is there is read.
    file.resize(file.size() - 300);
    ASSERT_EQ(Read(file), kWaveSuccess);
    EXPECT_EQ(wave_.Size(), 700u);
    // A RIFF size that overstates the file.
    file = PcmFile(1, 8000, 8, data);
    file.replace(4, 4, Le32(0xFFFFFFF0));
    ASSERT_EQ(Read(file), kWaveSuccess);
    EXPECT_EQ(wave_.Size(), 1000u);
    // A huge data size is never taken as an allocation size.
    file = PcmFile(1, 8000, 8, data);
    file.replace(40, 4, Le32(0xFFFFFFFF));
    ASSERT_EQ(Read(file), kWaveSuccess);
    EXPECT_EQ(wave_.Size(), 1000u);
}

TEST_F(WaveRead, ChunksBehindTheEndOfTheRiffChunkAreNotPartOfIt) {
    const std::string fmt = Chunk("fmt ", FormatRecord(1, 1, 8000, 8));
    const std::string file = "RIFF" + Le32(4 + static_cast<std::uint32_t>(fmt.size())) + "WAVE" +
                             fmt + Chunk("data", "abcd");
    EXPECT_EQ(Read(file), kWaveFormatError);
}

struct BadFile {
    const char* what;
    std::string bytes;
    WaveErrorNum expected;
};

TEST_F(WaveRead, BadFilesFailWithTheirErrorAndLeaveTheSoundEmpty) {
    const std::string fmt = Chunk("fmt ", FormatRecord(1, 2, 44100, 16));
    const std::string data = Chunk("data", "abcdabcd");
    const std::string good = RiffWave(fmt + data);
    std::string longFmtCut = RiffWave(Chunk("fmt ", FormatRecord(1, 1, 8000, 8) + Le16(0)));
    longFmtCut.resize(longFmtCut.size() - 1);
    const BadFile cases[] = {
        {"empty file", "", kWaveFormatError},
        {"not RIFF", "hello world, this is no sound file at all", kWaveFormatError},
        {"RIFF of another form", Chunk("RIFF", "AVI " + Chunk("LIST", "hdrl")), kWaveFormatError},
        {"no format chunk", RiffWave(data), kWaveFormatError},
        {"data only before the format", RiffWave(data + fmt), kWaveFormatError},
        {"no data chunk", RiffWave(fmt + Chunk("LIST", "info")), kWaveFormatError},
        {"format chunk of 14 bytes",
         RiffWave(Chunk("fmt ", FormatRecord(1, 1, 8000, 8).substr(0, 14)) + data),
         kWaveFormatError},
        {"format chunk cut by the end of file", longFmtCut, kWaveFormatError},
        {"header cut", good.substr(0, 30), kWaveFormatError},
        {"zero channels", RiffWave(Chunk("fmt ", FormatRecord(1, 0, 44100, 16)) + data),
         kWaveFormatError},
        {"zero rate", RiffWave(Chunk("fmt ", FormatRecord(1, 2, 0, 16)) + data), kWaveFormatError},
        {"1 Hz", RiffWave(Chunk("fmt ", FormatRecord(1, 2, 1, 16)) + data), kWaveFormatError},
        {"999 Hz", RiffWave(Chunk("fmt ", FormatRecord(1, 2, 999, 16)) + data), kWaveFormatError},
        {"768001 Hz", RiffWave(Chunk("fmt ", FormatRecord(1, 2, 768001, 16)) + data),
         kWaveFormatError},
        {"block align off",
         RiffWave(Chunk("fmt ", FormatRecord(1, 2, 44100, 16).replace(12, 2, Le16(3))) + data),
         kWaveFormatError},
        {"zero bits", RiffWave(Chunk("fmt ", FormatRecord(1, 2, 44100, 0)) + data),
         kWaveFormatError},
    };
    for (const BadFile& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(Read(good), kWaveSuccess);
        EXPECT_EQ(Read(c.bytes), c.expected);
        EXPECT_EQ(wave_.format.formatTag, 0);
        EXPECT_EQ(wave_.format.channels, 0);
        EXPECT_EQ(wave_.format.samplesPerSec, 0u);
        EXPECT_EQ(wave_.Size(), 0u);
        EXPECT_EQ(WaveCanUse(path_), c.expected);
    }
}

TEST_F(WaveRead, FilesThatCannotBeOpenedFailWithError1) {
    EXPECT_EQ(wave_.ReadFromFile(dir_.File("missing.wav")), kWaveOpenError);
    EXPECT_EQ(wave_.ReadFromFile(dir_.Path()), kWaveOpenError);
    EXPECT_EQ(WaveCanUse(dir_.File("missing.wav")), kWaveOpenError);
    EXPECT_EQ(WaveCanUse(dir_.Path()), kWaveOpenError);
}

TEST_F(WaveRead, CompressedFormatsReadAsTheyAre) {
    // IMA ADPCM: block align and bits do not follow the PCM rule.
    const std::string record = Le16(0x11) + Le16(1) + Le32(22050) + Le32(11100) + Le16(512) +
                               Le16(4) + Le16(2) + Le16(1017);
    ASSERT_EQ(Read(RiffWave(Chunk("fmt ", record) + Chunk("fact", Le32(1)) +
                            Chunk("data", std::string(512, 'x')))),
              kWaveSuccess);
    EXPECT_EQ(wave_.format.formatTag, 0x11);
    EXPECT_EQ(wave_.format.blockAlign, 512);
    EXPECT_EQ(wave_.format.extraSize, 2);
    EXPECT_EQ(wave_.Size(), 512u);
    EXPECT_EQ(WaveCanUse(path_), kWaveSuccess);
}

// Message texts and log lines, with the process's string table started.
class WaveMessages : public WaveRead {
protected:
    void SetUp() override {
        ASSERT_NE(StartStrings(dir_.File("none.glo"), dir_.Path()), 0u);
        ASSERT_TRUE(LogInit(logPath_.c_str(), false, false, false, false, false));
    }
    void TearDown() override {
        LogInit("", false, false, false, false, false);
        EndStrings();
    }
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        std::istringstream in(testsupport::ReadFile(logPath_));
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    std::string logPath_ = dir_.File("test.log");
};

TEST_F(WaveMessages, EachErrorHasItsText) {
    EXPECT_EQ(WaveErrorText(0), "Success");
    EXPECT_EQ(WaveErrorText(1), "Error opening WAV file");
    EXPECT_EQ(WaveErrorText(2), "WAV file format error");
    EXPECT_EQ(WaveErrorText(3), "Error reading WAV file");
    EXPECT_EQ(WaveErrorText(4), "Error writing WAV file");
    EXPECT_EQ(WaveErrorText(5), "Undefined error");
    EXPECT_EQ(WaveErrorText(512), FindResString(141));
}

TEST_F(WaveMessages, FailedReadLogsTheErrorWithPathAndSystemCode) {
    const std::string missing = dir_.File("missing.wav");
    EXPECT_EQ(wave_.ReadFromFile(missing), kWaveOpenError);
    ASSERT_EQ(Read(Chunk("RIFF", "AVI " + Chunk("LIST", "hdrl"))), kWaveFormatError);
    EXPECT_EQ(WaveErrorText(kWaveFormatError), "WAV file format error");
    EXPECT_EQ(LogLines(),
              (std::vector<std::string>{
                  "       --> Wave::ReadFromFile(\"" + missing + "\")",
                  "    Error: Error of load wav file: Error opening WAV file. Last error code: 2. "
                  "File: " +
                      missing + " ",
                  "       <-- Wave::ReadFromFile() = Error opening WAV file",
                  "       --> Wave::ReadFromFile(\"" + path_ + "\")",
                  "    Error: Error of load wav file: WAV file format error. Last error code: 0. "
                  "File: " +
                      path_ + " ",
                  "       <-- Wave::ReadFromFile() = WAV file format error",
              }));
}

} // namespace
