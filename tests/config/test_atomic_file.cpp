#include "config/profile.h"
#include "platform/atomic_file.h"

#include "child_process.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <dirent.h>
#include <random>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <thread>
#include <unistd.h>

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* e = readdir(dir)) {
            std::string name = e->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        closedir(dir);
    }
    return names;
}

// A configuration-like file of about 600 kB whose lines all carry the version mark, so that a
// mix of two versions cannot pass for either.
std::string BigConfig(char version) {
    std::string text;
    for (int s = 0; s < 200; ++s) {
        text += "[section_" + std::to_string(s) + "]\n";
        for (int k = 0; k < 100; ++k)
            text += "key_" + std::to_string(k) + "=value " + std::string(8, version) + "\n";
    }
    return text;
}

} // namespace

TEST(AtomicFile, ReadReportsWhatIsNotARegularFile) {
    TempDir dir;
    std::string content = "stale";
    EXPECT_EQ(platform::ReadWholeFile(dir.File("missing"), content), ENOENT);
    EXPECT_EQ(content, "");
    EXPECT_EQ(platform::ReadWholeFile(dir.Path(), content), EISDIR);
    ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
    EXPECT_EQ(platform::ReadWholeFile(dir.File("fifo"), content), EINVAL);
    WriteFile(dir.File("big"), std::string(100, 'x'));
    EXPECT_EQ(platform::ReadWholeFile(dir.File("big"), content, 99), EFBIG);
    EXPECT_EQ(platform::ReadWholeFile(dir.File("big"), content, 100), 0);
    EXPECT_EQ(content, std::string(100, 'x'));
}

TEST(AtomicFile, WriteReplacesContentAndKeepsMode) {
    TempDir dir;
    const std::string path = dir.File("config.ini");
    ASSERT_EQ(platform::WriteWholeFileAtomic(path, "new\n"), 0);
    EXPECT_EQ(ReadFile(path), "new\n");
    EXPECT_EQ(ModeOf(path), 0600u);

    ASSERT_EQ(chmod(path.c_str(), 0644), 0);
    ASSERT_EQ(platform::WriteWholeFileAtomic(path, "second"), 0);
    EXPECT_EQ(ReadFile(path), "second");
    EXPECT_EQ(ModeOf(path), 0644u);
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"config.ini"});
}

TEST(AtomicFile, WriteThroughASymbolicLinkReplacesItsTarget) {
    TempDir dir;
    WriteFile(dir.File("real.ini"), "old");
    ASSERT_EQ(symlink("real.ini", dir.File("link.ini").c_str()), 0);
    ASSERT_EQ(platform::WriteWholeFileAtomic(dir.File("link.ini"), "new"), 0);
    struct stat st {};
    ASSERT_EQ(lstat(dir.File("link.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFile(dir.File("real.ini")), "new");
}

TEST(AtomicFile, FailedWriteLeavesOldFileAndNoTemporary) {
    TempDir dir;
    EXPECT_EQ(platform::WriteWholeFileAtomic(dir.File("no/such/folder.ini"), "x"), ENOENT);
    ASSERT_EQ(mkdir(dir.File("sub").c_str(), 0700), 0);
    EXPECT_EQ(platform::WriteWholeFileAtomic(dir.File("sub"), "x"), EISDIR);

    // A file size limit makes the write itself fail part way, also for root.
    const std::string path = dir.File("config.ini");
    WriteFile(path, "old content\n");
    pid_t child = testsupport::SpawnChild("AtomicWriteOverSizeLimit", {path});
    EXPECT_EQ(testsupport::WaitChild(child), 0);
    EXPECT_EQ(ReadFile(path), "old content\n");
    EXPECT_EQ(FolderEntries(dir.Path()).size(), 2u); // config.ini and sub
}

VOXWARP_TEST_CHILD(AtomicWriteOverSizeLimit) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4096, 4096};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
        return 2;
    int rc = platform::WriteWholeFileAtomic(args.at(0), std::string(100000, 'n'));
    return rc == EFBIG ? 0 : 1;
}

TEST(AtomicFile, LeftoversOfEndedWritersAreRemoved) {
    TempDir dir;
    const std::string path = dir.File("config.ini");
    pid_t ended = testsupport::SpawnChild("AtomicWriteNothing");
    ASSERT_EQ(testsupport::WaitChild(ended), 0);

    const std::string old = ".config.ini.tmp-" + std::to_string(ended) + "-aaaaaa";
    const std::string fresh = ".config.ini.tmp-" + std::to_string(ended) + "-bbbbbb";
    const std::string alive = ".config.ini.tmp-" + std::to_string(getppid()) + "-cccccc";
    const std::string other = ".other.ini.tmp-" + std::to_string(ended) + "-dddddd";
    for (const std::string& name : {old, fresh, alive, other})
        WriteFile(dir.File(name), "half");
    timeval hourAgo[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
    for (const std::string& name : {old, alive, other})
        ASSERT_EQ(utimes(dir.File(name).c_str(), hourAgo), 0);

    ASSERT_EQ(platform::WriteWholeFileAtomic(path, "content"), 0);
    std::vector<std::string> entries = FolderEntries(dir.Path());
    std::sort(entries.begin(), entries.end());
    std::vector<std::string> expected = {fresh, alive, other, "config.ini"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(entries, expected);
}

VOXWARP_TEST_CHILD(AtomicWriteNothing) {
    return 0;
}

TEST(ProfileFile, NeverReplacesAFileItCouldNotRead) {
    TempDir dir;
    const std::string fifo = dir.File("config.ini");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ProfileFile file(fifo);
    EXPECT_EQ(file.Error(), EINVAL);
    file.WriteText("sys", "wizard", "1");
    EXPECT_FALSE(file.Save());
    struct stat st {};
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_FALSE(WriteProfileString(fifo, "sys", "wizard", "1"));
}

TEST(ProfileFile, ProfileFunctionsReadAndWriteOneKey) {
    TempDir dir;
    const std::string path = dir.File("config.ini");
    WriteFile(path, "; kept\r\n[sys]\r\nwizard=0\r\n");
    EXPECT_EQ(GetProfileString(path, "SYS", "Wizard", "x"), "0");
    EXPECT_EQ(GetProfileString(path, "sys", "none", "dflt"), "dflt");
    EXPECT_TRUE(WriteProfileString(path, "sys", "wizard", "1"));
    EXPECT_TRUE(WriteProfileString(path, "sys", "version", "1.2"));
    EXPECT_FALSE(WriteProfileString(path, "sys", "version", "two\nlines"));
    EXPECT_EQ(ReadFile(path), "; kept\r\n[sys]\r\nwizard=1\r\nversion=1.2\r\n");
    EXPECT_TRUE(DeleteProfileKey(path, "sys", "wizard"));
    EXPECT_TRUE(DeleteProfileSection(path, "nothing"));
    EXPECT_EQ(ReadFile(path), "; kept\r\n[sys]\r\nversion=1.2\r\n");
    EXPECT_TRUE(DeleteProfileSection(path, "sys"));
    EXPECT_EQ(ReadFile(path), "; kept\r\n");
}

TEST(ProfileFile, NumbersScanAsPrintfWouldWithoutLocale) {
    EXPECT_EQ(ScanUnsigned(" 42abc"), 42u);
    EXPECT_EQ(ScanUnsigned("+7"), 7u);
    EXPECT_EQ(ScanUnsigned("-1"), 4294967295u);
    EXPECT_EQ(ScanUnsigned("4294967396"), 100u); // taken modulo 2^32
    EXPECT_EQ(ScanUnsigned(""), std::nullopt);
    EXPECT_EQ(ScanUnsigned("x1"), std::nullopt);
    EXPECT_EQ(ScanUnsigned("-"), std::nullopt);
    EXPECT_EQ(ScanInt("-2"), -2);
    EXPECT_EQ(ScanInt("99999999999"), INT32_MAX);
    EXPECT_EQ(ScanInt("-99999999999"), INT32_MIN);
    EXPECT_EQ(ScanInt("--1"), std::nullopt);
    EXPECT_EQ(ScanFloat(" 0.25xyz"), 0.25f);
    EXPECT_EQ(ScanFloat("+1e-1"), 0.1f);
    EXPECT_EQ(ScanFloat("+-1"), std::nullopt);
    EXPECT_EQ(ScanFloat("nan"), std::nullopt);
    EXPECT_EQ(ScanFloat("inf"), std::nullopt);
    EXPECT_EQ(ScanFloat("0,5"), 0.0f);
    EXPECT_EQ(FormatFloat(0.5f), "0.500000");
    EXPECT_EQ(FormatFloat(1.0f / 3.0f), "0.333333");
    EXPECT_EQ(FormatInt(-1), "-1");
}

// Saves two large contents in turn, as fast as it can, until it is killed (or, should the test
// be gone, after a while).
VOXWARP_TEST_CHILD(AtomicSaveForever) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    const std::string contents[2] = {BigConfig('a'), BigConfig('b')};
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (unsigned i = 0; std::chrono::steady_clock::now() < end; ++i) {
        ProfileFile file(args.at(0));
        file.Doc() = IniDocument::Parse(contents[i % 2]);
        if (!file.Save())
            return 1;
    }
    return 2;
}

namespace {

// Kills the child when the test leaves early.
struct KillOnExit {
    pid_t pid;
    ~KillOnExit() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            testsupport::WaitChild(pid);
        }
    }
};

} // namespace

TEST(AtomicFile, KilledWriterLeavesOldOrNewContent) {
    TempDir dir;
    const std::string path = dir.File("config.ini");
    const std::string a = BigConfig('a'), b = BigConfig('b');
    WriteFile(path, a);
    std::mt19937 rng(7);
    int reads = 0;
    for (int round = 0; round < 12; ++round) {
        pid_t child = testsupport::SpawnChild("AtomicSaveForever", {path});
        KillOnExit guard{child};
        auto until = std::chrono::steady_clock::now() +
                     std::chrono::milliseconds(std::uniform_int_distribution<int>(5, 60)(rng));
        // Meanwhile this process reads the file over and over, as the voice server would.
        while (std::chrono::steady_clock::now() < until) {
            std::string seen;
            ASSERT_EQ(platform::ReadWholeFile(path, seen), 0);
            ASSERT_TRUE(seen == a || seen == b) << "mixed content of " << seen.size() << " bytes";
            ++reads;
        }
        kill(child, SIGKILL);
        guard.pid = -1;
        EXPECT_EQ(testsupport::WaitChild(child), 128 + SIGKILL);
        std::string after = ReadFile(path);
        ASSERT_TRUE(after == a || after == b) << "round " << round;
        // Temporary files a killed writer left behind are never the configuration.
        for (const std::string& name : FolderEntries(dir.Path()))
            EXPECT_TRUE(name == "config.ini" || name.starts_with(".config.ini.tmp-")) << name;
        ProfileFile reread(path);
        EXPECT_EQ(reread.Doc().Get("section_199", "key_99"),
                  after == a ? "value aaaaaaaa" : "value bbbbbbbb");
    }
    EXPECT_GT(reads, 0);
}
