#include "base/mlog.h"

#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>
#include <vector>

#include "child_process.h"
#include "temp_dir.h"

namespace {

std::vector<std::string> Lines(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream in(testsupport::ReadFile(path));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Logs without time, so that whole lines can be compared.
class LogFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LogInit(path_.c_str(), false, false, false, false, false));
    }
    void TearDown() override { LogInit("", false, false, false, false, false); }
    std::vector<std::string> Read() const { return Lines(path_); }

    testsupport::TempDir dir_;
    std::string path_ = dir_.File("voxwarp.log");
};

enum class Color { Red = 2 };
struct Opaque {};

// A method with three ways out: an early return, a return with its result, and an exception
// thrown after the result was set.
void ScopedMethod(int way) {
    LogScope scope("PnIOStream::Open", "way=%d", way);
    if (way == 0)
        return;
    scope.SetResult(way == 1);
    if (way == 2)
        throw std::runtime_error("failed");
}

} // namespace

TEST_F(LogFile, MethodEnterAndLeaveLines) {
    LogMethod("PnIOStream::Open");
    LogEnter("PnIOStream::Open");
    LogMethod("VoiceServer::Load", "effect %d", 2);
    LogEnter("PnAudioEffect::_SecureLoad", "\"%s\", isOn=%d", "/x/Brevo.so", 1);
    LogLeave("PnIOStream::Open");
    EXPECT_EQ(Read(), (std::vector<std::string>{
                          "        == PnIOStream::Open()",
                          "       --> PnIOStream::Open()",
                          "        == VoiceServer::Load(): effect 2",
                          "       --> PnAudioEffect::_SecureLoad(\"/x/Brevo.so\", isOn=1)",
                          "       <-- PnIOStream::Open()",
                      }));
}

TEST_F(LogFile, LeaveResultTextFollowsTheValueType) {
    Opaque opaque;
    LogLeaveResult("F", false);
    LogLeaveResult("F", -7);
    LogLeaveResult("F", 4000000000u);
    LogLeaveResult("F", 0.5);
    LogLeaveResult("F", "narrow");
    LogLeaveResult("F", std::string("string"));
    LogLeaveResult("F", L"wide \u00e4");
    LogLeaveResult("F", Color::Red);
    LogLeaveResult("F", &opaque);
    LogLeaveResult("F", opaque);
    auto lines = Read();
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0], "       <-- F() = false");
    EXPECT_EQ(lines[1], "       <-- F() = -7");
    EXPECT_EQ(lines[2], "       <-- F() = 4000000000");
    EXPECT_EQ(lines[3], "       <-- F() = 5.000000e-01");
    EXPECT_EQ(lines[4], "       <-- F() = narrow");
    EXPECT_EQ(lines[5], "       <-- F() = string");
    EXPECT_EQ(lines[6], "       <-- F() = wide \xC3\xA4");
    EXPECT_EQ(lines[7], "       <-- F() = 2");
    EXPECT_TRUE(std::regex_match(lines[8], std::regex("       <-- F\\(\\) = 0x[0-9A-F]{16}")))
        << lines[8];
    EXPECT_EQ(lines[9], "       <-- F() = undefined type!");
}

TEST_F(LogFile, ScopeWritesOneLeaveLineOnEveryWayOut) {
    ScopedMethod(0);
    ScopedMethod(1);
    EXPECT_THROW(ScopedMethod(2), std::runtime_error);
    EXPECT_EQ(Read(), (std::vector<std::string>{
                          "       --> PnIOStream::Open(way=0)",
                          "       <-- PnIOStream::Open()",
                          "       --> PnIOStream::Open(way=1)",
                          "       <-- PnIOStream::Open() = true",
                          "       --> PnIOStream::Open(way=2)",
                          "       <-- PnIOStream::Open()",
                      }));
}

TEST_F(LogFile, TimeFieldAndLineEnd) {
    LogInit(path_.c_str(), true, false, false, false, false);
    LogError("disk %s", "full");
    std::string text = testsupport::ReadFile(path_);
    EXPECT_TRUE(
        std::regex_match(text, std::regex("\\d{1,2}:\\d{1,2}:\\d{1,2} +    Error: disk full\n")))
        << text;
    // The time field is padded to nine characters.
    EXPECT_EQ(text.find("    Error: "), 9u);
}

TEST_F(LogFile, StartBannerIsABoxOf79Columns) {
    LogStartBanner();
    auto lines = Read();
    ASSERT_EQ(lines.size(), 3u);
    std::string rule = "+" + std::string(77, '-') + "+";
    EXPECT_EQ(lines[0], rule);
    EXPECT_EQ(lines[2], rule);
    EXPECT_EQ(lines[1].size(), 79u);
    EXPECT_TRUE(std::regex_match(
        lines[1], std::regex("\\| Application started on \\d{1,2}\\.\\d{1,2}\\.\\d{4} "
                             "\\d{1,2}:\\d{1,2}:\\d{1,2} +\\|")))
        << lines[1];

    LogInit(path_.c_str(), false, false, false, true, false);
    LogStartBanner();
    lines = Read();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4].rfind("Application started on ", 0), 0u);
    EXPECT_EQ(lines[5], "");
}

TEST_F(LogFile, UnopenableFileIsTriedAgainAtTheNextLine) {
    std::string later = dir_.File("later/voxwarp.log");
    LogInit(later.c_str(), false, false, false, false, false);
    LogNote("lost");
    ASSERT_EQ(mkdir(dir_.File("later").c_str(), 0700), 0);
    LogNote("kept");
    EXPECT_EQ(Lines(later), std::vector<std::string>{"        == kept"});
}

TEST_F(LogFile, OverlongValueIsCutNotOverrun) {
    LogLeaveResult("F", std::string(5000, 'v'));
    auto lines = Read();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].size(), kLogLineChars);
}

// Writes 10,000 lines from two threads into the log named by args[0].
VOXWARP_TEST_CHILD(log_writer) {
    LogInit(args.at(0).c_str(), true, true, false, false, false);
    const std::string tag = args.at(1);
    const std::string filler(300, 'x');
    auto write = [&](int thread) {
        for (int i = 0; i < 5000; ++i)
            LogPlain("proc=%s thread=%d line=%d %s end", tag.c_str(), thread, i, filler.c_str());
    };
    std::thread other(write, 1);
    write(0);
    other.join();
    return 0;
}

TEST(LogProcesses, TwoProcessesWriteWholeLines) {
    testsupport::TempDir dir;
    std::string path = dir.File("shared.log");
    pid_t a = testsupport::SpawnChild("log_writer", {path, "A"});
    pid_t b = testsupport::SpawnChild("log_writer", {path, "B"});
    ASSERT_EQ(testsupport::WaitChild(a), 0);
    ASSERT_EQ(testsupport::WaitChild(b), 0);

    auto lines = Lines(path);
    ASSERT_EQ(lines.size(), 20000u);
    std::regex whole("\\d{1,2}:\\d{1,2}:\\d{1,2} +\\[\\d+\\] +           proc=([AB]) thread=([01]) "
                     "line=(\\d+) x{300} end");
    std::set<std::string> seen;
    for (const auto& line : lines) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, whole)) << line;
        seen.insert(m[1].str() + m[2].str() + "/" + m[3].str());
    }
    EXPECT_EQ(seen.size(), 20000u);
}
