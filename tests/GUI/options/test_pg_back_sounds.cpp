// The Background page on the offscreen platform: "<<" and the slot descriptions, Import... with
// its conversion, replace question and failure, Delete with the slots it empties, and Test on
// the in-memory devices.
#include "options/pg_back_sounds.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include "sound/wave.h"
#include "sound_pages_env.h"

namespace {

namespace fs = std::filesystem;
using namespace soundpagetest;

class BackSoundsPage : public SoundPageTest {
protected:
    std::unique_ptr<CPgBackSounds> Open() {
        auto page = std::make_unique<CPgBackSounds>(context_);
        page->SetImportChooser([this](QWidget*, const QString& filter) {
            filters_.push_back(filter);
            return chosen_;
        });
        page->show();
        page->OnSetActive();
        return page;
    }
    static std::vector<std::string> Listed(CPgBackSounds& page) {
        std::vector<std::string> names;
        auto* list = Child<QListWidget>(page, "sounds");
        for (int row = 0; row < list->count(); ++row)
            names.push_back(list->item(row)->text().toStdString());
        return names;
    }
    static void Select(CPgBackSounds& page, const std::string& name) {
        auto* list = Child<QListWidget>(page, "sounds");
        auto found = list->findItems(QString::fromStdString(name), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name;
        list->setCurrentItem(found.front());
    }
    // Everything in the background folder, hidden files included.
    std::vector<std::string> FolderContent() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_.File("backsounds")))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string chosen_;
    std::vector<QString> filters_;
};

TEST_F(BackSoundsPage, UseFillsTheSlotAnewAndDescriptionsAreEdited) {
    Mono("backsounds/rain.wav");
    Mono("backsounds/hum.wav");
    running_.backSounds[1] = {"old.wav", "Old", 40};
    working_ = running_;
    auto page = Open();
    ExpectAccessibleNames(*page);
    EXPECT_EQ(Listed(*page), (std::vector<std::string>{"hum", "rain"}));
    auto* description = Child<QLineEdit>(*page, "description1");
    EXPECT_EQ(description->text(), "Old");
    // Nothing selected: nothing to use, delete or test.
    EXPECT_FALSE(Child<QPushButton>(*page, "use1")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>(*page, "delete")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>(*page, "test")->isEnabled());

    Select(*page, "rain");
    Click(*page, "use1");
    EXPECT_EQ(working_.backSounds[1].file, "rain.wav");
    EXPECT_EQ(working_.backSounds[1].descr, "rain");
    EXPECT_EQ(working_.backSounds[1].volume, 100);
    EXPECT_EQ(description->text(), "rain");
    EXPECT_TRUE(context_.modified);
    EXPECT_EQ(running_.backSounds[1].file, "old.wav") << "only Apply moves it on";

    context_.modified = false;
    description->setFocus();
    QTest::keyClicks(description, " at night");
    EXPECT_EQ(working_.backSounds[1].descr, "rain at night");
    EXPECT_EQ(working_.backSounds[1].file, "rain.wav");
    EXPECT_TRUE(context_.modified);
}

TEST_F(BackSoundsPage, ImportStoresTheMixingFormatAndCancelKeepsIt) {
    chosen_ = folder_.File("in/Sea Side.wav");
    fs::create_directories(folder_.File("in"));
    MakeWave(chosen_, "-r 48000 -c 2 -b 24");
    {
        auto page = Open();
        Click(*page, "import");
        ASSERT_EQ(filters_.size(), 1u);
        EXPECT_EQ(filters_.front(), "Sounds (*.wav)");
        EXPECT_EQ(Listed(*page), (std::vector<std::string>{"Sea Side"}));
        EXPECT_TRUE(shown_.empty()) << LastText();
        // The sheet is cancelled: the page goes without Apply.
        page->OnKillActive();
    }
    Wave stored;
    ASSERT_EQ(stored.ReadFromFile(folder_.File("backsounds/Sea Side.wav")), kWaveSuccess);
    EXPECT_EQ(stored.format.formatTag, kMixingFormat.formatTag);
    EXPECT_EQ(stored.format.channels, 1);
    EXPECT_EQ(stored.format.samplesPerSec, 44100u);
    EXPECT_EQ(stored.format.bitsPerSample, 16);
    EXPECT_NEAR(static_cast<double>(stored.data.size()), 88200.0, 8.0);
}

TEST_F(BackSoundsPage, ImportOfWhatIsNoWaveIsRefusedAndChangesNothing) {
    Mono("backsounds/hum.wav");
    const std::vector<std::string> before = FolderContent();
    chosen_ = folder_.File("notes.wav");
    testsupport::WriteFile(chosen_, "RIFF but not really a sound");
    auto page = Open();
    Click(*page, "import");
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_.back().icon, MessageIcon::Error);
    EXPECT_EQ(LastText(),
              soundtext::Format(250, LoadStr(132).c_str(), chosen_.c_str())); // format error
    EXPECT_EQ(FolderContent(), before);
    EXPECT_EQ(Listed(*page), (std::vector<std::string>{"hum"}));
}

TEST_F(BackSoundsPage, ReplacingAsksAndThenDeletesTheOldSoundFirst) {
    Mono("backsounds/hum.wav", 0.5);
    running_.backSounds[2] = {"hum.wav", "Hum", 70};
    working_ = running_;
    fs::create_directories(folder_.File("in"));
    chosen_ = folder_.File("in/hum.wav");
    MakeWave(chosen_, "-r 22050 -c 1 -b 8", 2.0);
    auto page = Open();

    answers_ = {MessageAnswer::No};
    Click(*page, "import");
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].text, "Do you want to replace hum.wav?");
    EXPECT_EQ(shown_[0].icon, MessageIcon::Warning);
    EXPECT_EQ(fs::file_size(folder_.File("backsounds/hum.wav")), 44u + 44100u);

    answers_ = {MessageAnswer::Yes};
    Click(*page, "import");
    EXPECT_EQ(shown_.size(), 2u) << LastText();
    EXPECT_EQ(fs::file_size(folder_.File("backsounds/hum.wav")), 44u + 4u * 44100u);
    // As Delete does: the slots that played the old sound are empty.
    EXPECT_TRUE(running_.backSounds[2].file.empty());
    EXPECT_TRUE(working_.backSounds[2].file.empty());
}

TEST_F(BackSoundsPage, DeleteEmptiesEverySlotThatPlaysTheSoundOnTheServerToo) {
    Mono("backsounds/hum.wav");
    Mono("backsounds/rain.wav");
    running_.backSounds = {BackSoundSlot{"hum.wav", "Hum", 50},
                           BackSoundSlot{"rain.wav", "Rain", 60},
                           BackSoundSlot{"hum.wav", "Hum again", 70}};
    ASSERT_TRUE(running_.Save());
    working_ = running_;
    working_.backSounds[1] = {"hum.wav", "Hum here", 80}; // not applied yet
    server_.connected = true;
    auto page = Open();
    Select(*page, "hum");

    answers_ = {MessageAnswer::No};
    Click(*page, "delete");
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].text, "Do you really want to delete \"hum\"?");
    EXPECT_EQ(shown_[0].icon, MessageIcon::Question);
    EXPECT_TRUE(fs::exists(folder_.File("backsounds/hum.wav")));
    EXPECT_TRUE(server_.backSoundSelects.empty());

    answers_ = {MessageAnswer::Yes};
    Click(*page, "delete");
    EXPECT_FALSE(fs::exists(folder_.File("backsounds/hum.wav")));
    EXPECT_EQ(Listed(*page), (std::vector<std::string>{"rain"}));
    EXPECT_EQ(server_.backSoundSelects,
              (std::vector<std::pair<int, std::string>>{{0, ""}, {2, ""}}));
    for (int slot : {0, 1, 2})
        EXPECT_TRUE(working_.backSounds[static_cast<std::size_t>(slot)].file.empty()) << slot;
    EXPECT_EQ(running_.backSounds[1].file, "rain.wav");
    EXPECT_TRUE(Child<QLineEdit>(*page, "description1")->text().isEmpty());
    // Written at once: the file agrees with the running configuration.
    AppConfig reread(folder_.Path());
    ASSERT_TRUE(reread.Load());
    EXPECT_TRUE(reread.backSounds[0].file.empty());
    EXPECT_EQ(reread.backSounds[1].file, "rain.wav");
    EXPECT_TRUE(reread.backSounds[2].file.empty());

    // Without a server, only the configurations change.
    server_.connected = false;
    server_.backSoundSelects.clear();
    running_.backSounds[0] = {"rain.wav", "Rain", 100};
    Select(*page, "rain");
    answers_ = {MessageAnswer::Yes};
    Click(*page, "delete");
    EXPECT_TRUE(server_.backSoundSelects.empty());
    EXPECT_TRUE(running_.backSounds[0].file.empty());
}

TEST_F(BackSoundsPage, TestPlaysTheSoundOnceAndTheButtonComesBack) {
    Mono("backsounds/beep.wav", 0.05);
    auto page = Open();
    Select(*page, "beep");
    auto* test = Child<QPushButton>(*page, "test");

    // The sheet could not open the stream: the user learns why nothing plays.
    test->click();
    EXPECT_EQ(LastText(), "Error starting test stream: I/O stream not found");
    EXPECT_EQ(test->text(), "Test");

    const int speakers = backend_.AddPlaybackDevice("Speakers");
    ASSERT_EQ(stream_.OpenStream(-1, speakers, "", 10, 4), kMmeSuccess);
    server_.connected = true;
    working_.testVolBack = 50;
    test->click();
    EXPECT_EQ(server_.monitorSets, std::vector<bool>{false}) << "the server's monitor goes off";
    EXPECT_EQ(test->text(), "Stop");
    EXPECT_TRUE(stream_.IsRunning());
    // Stop ends it at once.
    test->click();
    EXPECT_FALSE(stream_.IsRunning());
    EXPECT_EQ(test->text(), "Test");

    // Played to its end, the sound ends the test by itself.
    test->click();
    ASSERT_EQ(test->text(), "Stop");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            backend_.Advance(441);
            return test->text() == "Test";
        },
        20000));
    EXPECT_FALSE(stream_.IsRunning());
    EXPECT_TRUE(stream_.HasEnded()) << "the sound ran out";

    // A file that is no sound cannot be tested.
    testsupport::WriteFile(folder_.File("backsounds/bad.wav"), "not a sound");
    page->UpdatePage();
    Select(*page, "bad");
    test->click();
    EXPECT_EQ(LastText(), "Error loading WAV file: WAV file format error");
    EXPECT_EQ(test->text(), "Test");
    stream_.CloseStream();
}

} // namespace
