#include "config/config.h"
#include "config/ini.h"
#include "config/voiceconfig.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

struct ConfigFixture : testing::Test {
    TempDir dir;
    AppConfig config{dir.Path()};

    void WriteConfig(const std::string& text) { WriteFile(dir.File("config.ini"), text); }
    IniDocument SavedConfig() { return IniDocument::Parse(ReadFile(dir.File("config.ini"))); }
};

// A configuration with a value other than the default in every field.
void FillEverything(AppConfig& c) {
    c.voiceEffects = {{"Brevo", "Robot", {{0.25f, ""}, {1.0f, ""}}}, {"Spectro", "Écho", {}}};
    c.effects = {"Robot", "", "Écho"};
    c.backSounds[0] = {"rain.wav", "Rain", 80};
    c.backSounds[2] = {"bar.wav", "A bar = noisy", 0};
    c.emotics = {{"boo.wav", "Boo"}, {"laugh.wav", " Laugh "}};
    c.input = "Built-in Microphone";
    c.monitor = "Speakers";
    c.mixInSrc = "Line In";
    c.activeEffect = 2;
    c.activeBackSound = 0;
    c.wizard = true;
    c.version = "1.0.3";
    c.langsPath = "./lang/";
    c.langFile = "./lang/voxwarp_de.glo";
    c.helpFile = "help/voxwarp_en.chm";
    c.skinFile = "./skins/de/Dark.sdf";
    c.inBuffSizeMs = 10;
    c.outBuffSizeMs = 65535;
    c.monBuffSizeMs = 0;
    c.inBuffsN = 255;
    c.outBuffsN = 3;
    c.monBuffsN = 7;
    c.queueHighMs = 60;
    c.monitorOn = true;
    c.listenOnly = true;
    c.monitorVol = 1;
    c.testVolVEff = 2;
    c.testVolBack = 3;
    c.testVolEmotic = 4;
    c.testVolEffStudio = 5;
    for (size_t i = 0; i < c.shortcuts.size(); ++i)
        c.shortcuts[i] = "Ctrl+Alt+F" + std::to_string(i + 1);
}

void ExpectSameSettings(const AppConfig& a, const AppConfig& b) {
    ASSERT_EQ(a.voiceEffects.size(), b.voiceEffects.size());
    for (size_t i = 0; i < a.voiceEffects.size(); ++i) {
        EXPECT_EQ(a.voiceEffects[i].plugin, b.voiceEffects[i].plugin);
        EXPECT_EQ(a.voiceEffects[i].name, b.voiceEffects[i].name);
        ASSERT_EQ(a.voiceEffects[i].params.size(), b.voiceEffects[i].params.size());
        for (size_t p = 0; p < a.voiceEffects[i].params.size(); ++p)
            EXPECT_NEAR(a.voiceEffects[i].params[p].value, b.voiceEffects[i].params[p].value, 1e-6);
    }
    EXPECT_EQ(a.effects, b.effects);
    for (int s = 0; s < AppConfig::kBackSoundSlots; ++s) {
        EXPECT_EQ(a.backSounds[s].file, b.backSounds[s].file);
        EXPECT_EQ(a.backSounds[s].descr, b.backSounds[s].descr);
        EXPECT_EQ(a.backSounds[s].volume, b.backSounds[s].volume);
    }
    ASSERT_EQ(a.emotics.size(), b.emotics.size());
    for (size_t i = 0; i < a.emotics.size(); ++i) {
        EXPECT_EQ(a.emotics[i].file, b.emotics[i].file);
        EXPECT_EQ(a.emotics[i].name, b.emotics[i].name);
    }
    EXPECT_EQ(a.input, b.input);
    EXPECT_EQ(a.monitor, b.monitor);
    EXPECT_EQ(a.mixInSrc, b.mixInSrc);
    EXPECT_EQ(a.activeEffect, b.activeEffect);
    EXPECT_EQ(a.activeBackSound, b.activeBackSound);
    EXPECT_EQ(a.wizard, b.wizard);
    EXPECT_EQ(a.version, b.version);
    EXPECT_EQ(a.langsPath, b.langsPath);
    EXPECT_EQ(a.langFile, b.langFile);
    EXPECT_EQ(a.helpFile, b.helpFile);
    EXPECT_EQ(a.skinFile, b.skinFile);
    EXPECT_EQ(a.inBuffSizeMs, b.inBuffSizeMs);
    EXPECT_EQ(a.outBuffSizeMs, b.outBuffSizeMs);
    EXPECT_EQ(a.monBuffSizeMs, b.monBuffSizeMs);
    EXPECT_EQ(a.inBuffsN, b.inBuffsN);
    EXPECT_EQ(a.outBuffsN, b.outBuffsN);
    EXPECT_EQ(a.monBuffsN, b.monBuffsN);
    EXPECT_EQ(a.queueHighMs, b.queueHighMs);
    EXPECT_EQ(a.monitorOn, b.monitorOn);
    EXPECT_EQ(a.listenOnly, b.listenOnly);
    EXPECT_EQ(a.monitorVol, b.monitorVol);
    EXPECT_EQ(a.testVolVEff, b.testVolVEff);
    EXPECT_EQ(a.testVolBack, b.testVolBack);
    EXPECT_EQ(a.testVolEmotic, b.testVolEmotic);
    EXPECT_EQ(a.testVolEffStudio, b.testVolEffStudio);
    EXPECT_EQ(a.shortcuts, b.shortcuts);
}

} // namespace

TEST_F(ConfigFixture, FoldersDeriveFromTheProgramFolder) {
    EXPECT_EQ(config.ConfigPath(), dir.File("config.ini"));
    EXPECT_EQ(config.VoiceEffectsPath(), dir.File("voiceeffects.ini"));
    config.SetProgramFolder("/opt/voxwarp");
    EXPECT_EQ(config.ProgramFolder(), "/opt/voxwarp/");
    EXPECT_EQ(config.PluginFolder(), "/opt/voxwarp/effects/");
    EXPECT_EQ(config.BackSoundFolder(), "/opt/voxwarp/backsounds/");
    EXPECT_EQ(config.FunSoundFolder(), "/opt/voxwarp/emoticsounds/");
    EXPECT_EQ(config.ConfigPath(), "/opt/voxwarp/config.ini");
    config.SetProgramFolder("");
    EXPECT_EQ(config.ProgramFolder(), "/opt/voxwarp/");
}

TEST_F(ConfigFixture, EmptyOrMissingFilesGiveTheDefaults) {
    for (bool fileExists : {false, true}) {
        if (fileExists)
            WriteConfig("");
        AppConfig c(dir.Path());
        c.activeEffect = 1; // values left from before are replaced
        c.inBuffsN = 1;
        EXPECT_TRUE(c.Load());
        EXPECT_EQ(c.activeEffect, -1);
        EXPECT_EQ(c.activeBackSound, -1);
        EXPECT_FALSE(c.wizard);
        EXPECT_EQ(c.version, "0");
        EXPECT_EQ(c.langsPath, ".\\lang\\");
        EXPECT_EQ(c.langFile, ".\\lang\\voxwarp_en.glo");
        EXPECT_EQ(c.helpFile, "help\\voxwarp_de.chm");
        EXPECT_EQ(c.skinFile, ".\\skins\\en\\Default.sdf");
        EXPECT_EQ(c.inBuffSizeMs, 25);
        EXPECT_EQ(c.outBuffSizeMs, 25);
        EXPECT_EQ(c.monBuffSizeMs, 25);
        EXPECT_EQ(c.inBuffsN, 40);
        EXPECT_EQ(c.outBuffsN, 40);
        EXPECT_EQ(c.monBuffsN, 40);
        EXPECT_EQ(c.queueHighMs, 150);
        EXPECT_FALSE(c.monitorOn);
        EXPECT_FALSE(c.listenOnly);
        EXPECT_EQ(c.monitorVol, 100);
        EXPECT_EQ(c.testVolVEff, 100);
        EXPECT_EQ(c.testVolBack, 100);
        EXPECT_EQ(c.testVolEmotic, 100);
        EXPECT_EQ(c.testVolEffStudio, 100);
        EXPECT_EQ(c.backSounds[1].volume, 100);
        EXPECT_TRUE(c.emotics.empty());
        EXPECT_TRUE(c.voiceEffects.empty());
        for (const std::string& s : c.shortcuts)
            EXPECT_EQ(s, "");
    }
}

TEST_F(ConfigFixture, SlotsOutsideTheRangeReadAsNone) {
    for (auto [text, expected] : std::vector<std::pair<std::string, int>>{
             {"3", -1}, {"-2", -1}, {"2", 2}, {"0", 0}, {"-1", -1}, {"99999999999", -1}}) {
        WriteConfig("[sys]\nactiveEffect=" + text + "\nactiveBackSound=" + text + "\n");
        ASSERT_TRUE(config.ReadSys());
        EXPECT_EQ(config.activeEffect, expected) << text;
        EXPECT_EQ(config.activeBackSound, expected) << text;
    }
}

TEST_F(ConfigFixture, NumbersAreCutToTheirFieldAndJunkKeepsTheDefault) {
    WriteConfig("[sound_1]\nvolume=150\n"
                "[sound_2]\nvolume=65636\n" // 100 after the cut to 16 bits
                "[stream]\ninBuffsN=300\noutBuffSizeMs=70000\nmonBuffSizeMs=abc\n"
                "outBuffsN=\nmonBuffsN=  12 ms\n"
                "[monitors]\nmonitorVol=-1\ntestVolBack=x\n");
    ASSERT_TRUE(config.Load());
    EXPECT_EQ(config.backSounds[1].volume, 100);
    EXPECT_EQ(config.backSounds[2].volume, 100);
    EXPECT_EQ(config.inBuffsN, 44);
    EXPECT_EQ(config.outBuffSizeMs, 70000 - 65536);
    EXPECT_EQ(config.monBuffSizeMs, 25);
    EXPECT_EQ(config.outBuffsN, 40);
    EXPECT_EQ(config.monBuffsN, 12);
    EXPECT_EQ(config.monitorVol, 255);
    EXPECT_EQ(config.testVolBack, 100);
}

TEST_F(ConfigFixture, FlagsAndListenModeReadAndWriteBackNormalised) {
    WriteConfig("[sys]\nwizard=yes\n[monitors]\nmonitorOn=10\nlisten=never\n");
    ASSERT_TRUE(config.Load());
    EXPECT_FALSE(config.wizard);
    EXPECT_TRUE(config.monitorOn);
    EXPECT_TRUE(config.listenOnly);
    ASSERT_TRUE(config.WriteMonitors());
    EXPECT_EQ(SavedConfig().Get("monitors", "listen"), "only");
    EXPECT_EQ(SavedConfig().Get("monitors", "monitorOn"), "1");

    WriteConfig("[sys]\nwizard=1\n[monitors]\nmonitorOn=01\nlisten=always\n");
    ASSERT_TRUE(config.Load());
    EXPECT_TRUE(config.wizard);
    EXPECT_FALSE(config.monitorOn);
    EXPECT_FALSE(config.listenOnly);
}

TEST_F(ConfigFixture, FunSoundsNeedFileAndNameAndKeepTheirOrder) {
    WriteConfig("[emotics]\nnum=5\n"
                "file_0=a.wav\nname_0=A\n"
                "file_1=b.wav\nname_1=\n"
                "file_2=c.wav\nname_2=C\n"
                "name_3=no file\n"
                "file_4=e.wav\nname_4=E\n"
                "file_5=beyond.wav\nname_5=beyond num\n");
    ASSERT_TRUE(config.ReadEmotics());
    ASSERT_EQ(config.emotics.size(), 3u);
    EXPECT_EQ(config.emotics[0].name, "A");
    EXPECT_EQ(config.emotics[1].file, "c.wav");
    EXPECT_EQ(config.emotics[2].name, "E");

    // A huge count costs nothing; sparse numbers are still found.
    WriteConfig("[emotics]\nnum=4294967295\nfile_4000000000=z.wav\nname_4000000000=Z\n"
                "file_01=leading zero.wav\nname_01=not file_1\n");
    ASSERT_TRUE(config.ReadEmotics());
    ASSERT_EQ(config.emotics.size(), 1u);
    EXPECT_EQ(config.emotics[0].name, "Z");
}

TEST_F(ConfigFixture, SavingAfterDeletingAFunSoundLeavesNoStaleEntries) {
    WriteConfig("[emotics]\nnum=3\nfile_0=a.wav\nname_0=A\nfile_1=b.wav\nname_1=B\n"
                "file_2=c.wav\nname_2=C\n; old note\n[sys]\nwizard=1\n");
    ASSERT_TRUE(config.Load());
    config.emotics.erase(config.emotics.begin() + 1);
    ASSERT_TRUE(config.Save());
    IniDocument saved = SavedConfig();
    EXPECT_EQ(saved.KeyNames("emotics"),
              (std::vector<std::string>{"num", "file_0", "name_0", "file_1", "name_1"}));
    EXPECT_EQ(saved.Get("emotics", "num"), "2");
    EXPECT_EQ(saved.Get("emotics", "name_1"), "C");
    EXPECT_EQ(saved.Get("sys", "wizard"), "1");
}

TEST_F(ConfigFixture, EverySectionRoundTrips) {
    FillEverything(config);
    ASSERT_TRUE(config.Save());
    AppConfig loaded(dir.Path());
    ASSERT_TRUE(loaded.Load());
    ExpectSameSettings(config, loaded);

    // Each section's own reader and writer round-trip the same way.
    AppConfig fresh(dir.Path());
    AppConfig filled(dir.Path());
    FillEverything(filled);
    filled.activeEffect = 1;
    filled.backSounds[1] = {"wind.wav", "Wind", 55};
    WriteConfig("");
    ASSERT_TRUE(filled.WriteVoiceEffects() && filled.WriteEffects() && filled.WriteEmotics() &&
                filled.WriteSoundCards() && filled.WriteSys() && filled.WriteStream() &&
                filled.WriteMonitors() && filled.WriteShortcuts());
    for (int slot = 0; slot < AppConfig::kBackSoundSlots; ++slot)
        ASSERT_TRUE(filled.WriteBackSound(slot));
    ASSERT_TRUE(fresh.ReadVoiceEffects() && fresh.ReadEffects() && fresh.ReadEmotics() &&
                fresh.ReadSoundCards() && fresh.ReadSys() && fresh.ReadStream() &&
                fresh.ReadMonitors() && fresh.ReadShortcuts());
    for (int slot = 0; slot < AppConfig::kBackSoundSlots; ++slot)
        ASSERT_TRUE(fresh.ReadBackSound(slot));
    ExpectSameSettings(filled, fresh);
    EXPECT_FALSE(fresh.ReadBackSound(3));
    EXPECT_FALSE(fresh.WriteBackSound(-1));
}

TEST_F(ConfigFixture, SavingKeepsWhatItDoesNotOwn) {
    const std::string before = "; Voxwarp settings\r\n"
                               "[sys]\r\n"
                               "PartnerId=p-17\r\n"
                               "WebInfo=kept\r\n"
                               "version=0.9\r\n"
                               "[custom]\r\n"
                               "note=mine\r\n";
    WriteConfig(before);
    ASSERT_TRUE(config.Load());
    EXPECT_EQ(config.partnerId, "p-17");
    config.partnerId = "changed in memory only";
    ASSERT_TRUE(config.Save());
    std::string after = ReadFile(dir.File("config.ini"));
    EXPECT_TRUE(after.starts_with("; Voxwarp settings\r\n[sys]\r\nPartnerId=p-17\r\n"
                                  "WebInfo=kept\r\nversion=0.9\r\n"));
    EXPECT_NE(after.find("[custom]\r\nnote=mine\r\n"), std::string::npos);
    // Every line, the added ones too, ends in CRLF.
    EXPECT_EQ(std::count(after.begin(), after.end(), '\n'),
              std::count(after.begin(), after.end(), '\r'));

    // A section writer touches its own section only.
    config.effects[0] = "not saved";
    config.monitorVol = 42;
    ASSERT_TRUE(config.WriteMonitors());
    EXPECT_EQ(SavedConfig().Get("effects", "eff_0"), "");
    EXPECT_EQ(SavedConfig().Get("monitors", "monitorVol"), "42");
}

TEST_F(ConfigFixture, SavingChangesOnlyTheLinesOfChangedValues) {
    // A complete file as the program writes it, then changed the way users and other tools do:
    // line ends of every kind, a long value, a lone CR inside a value, duplicate sections.
    FillEverything(config);
    ASSERT_TRUE(config.Save());
    std::string text = ReadFile(dir.File("config.ini"));
    const std::string longMonitor(1500, 'm');
    const auto replace = [&text](const std::string& from, const std::string& to) {
        const size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
    };
    replace("[emotics]\n", "; fun sounds\r\r\n[emotics]\r\n");
    replace("name_0=Boo\n", "name_0 = Boo\r\r\n");
    replace("monitor=Speakers\n", "monitor=" + longMonitor + "\r\n");
    replace("mixInSrc=Line In\n", "mixInSrc=Line In\rsecond half\n");
    replace("[sys]\n", "[EMOTICS]\nnum=7\nfile_6=old.wav\r\n[sys]\n");
    text += "[sys]\rwizard=0\r\r\n[custom]\r\nnote=mine";
    WriteConfig(text);

    AppConfig loaded(dir.Path());
    ASSERT_TRUE(loaded.Load());
    EXPECT_EQ(loaded.monitor, std::string(1023, 'm'));
    EXPECT_EQ(loaded.mixInSrc, "Line In");
    ASSERT_TRUE(loaded.Save());
    EXPECT_EQ(ReadFile(dir.File("config.ini")), text);

    loaded.monitorVol = 7;
    loaded.emotics[1].name = "Giggle";
    ASSERT_TRUE(loaded.Save());
    replace("monitorVol=1\n", "monitorVol=7\n");
    replace("name_1=\" Laugh \"\n", "name_1=Giggle\n");
    EXPECT_EQ(ReadFile(dir.File("config.ini")), text);
}

TEST_F(ConfigFixture, LongTextsAreCutAtACharacterBoundary) {
    std::string longName;
    for (int i = 0; i < 1100; ++i)
        longName += "\xC3\xA9"; // é
    WriteConfig("[soundcards]\ninput=" + longName + "\nmonitor=" + std::string(1023, 'm') +
                "\nmixInSrc=" + std::string(1024, 'x') + "\n");
    ASSERT_TRUE(config.ReadSoundCards());
    EXPECT_EQ(config.input, longName.substr(0, 2 * 1023));
    EXPECT_EQ(config.monitor, std::string(1023, 'm'));
    EXPECT_EQ(config.mixInSrc, std::string(1023, 'x'));
}

TEST_F(ConfigFixture, FailedWritesAreReportedAndLoseNothing) {
    WriteConfig("[sys]\nwizard=1\n");
    // A folder in the place of the voice effect file cannot be replaced.
    ASSERT_EQ(mkdir(dir.File("voiceeffects.ini").c_str(), 0700), 0);
    FillEverything(config);
    EXPECT_FALSE(config.Load());
    EXPECT_TRUE(config.voiceEffects.empty());
    EXPECT_FALSE(config.WriteVoiceEffects());
    EXPECT_FALSE(config.Save());
    // config.ini itself was still written.
    EXPECT_EQ(SavedConfig().Get("sys", "wizard"), "1");
    EXPECT_EQ(SavedConfig().Get("monitors", "listen"), "always");

    // A text that cannot be stored in one line is refused; the rest is saved.
    config.input = "two\nlines";
    config.mixInSrc = "Line In";
    EXPECT_FALSE(config.WriteSoundCards());
    EXPECT_EQ(SavedConfig().Get("soundcards", "mixInSrc"), "Line In");
    EXPECT_EQ(SavedConfig().Get("soundcards", "input"), "");
}

TEST(VoiceEffectFile, LoadSkipsUnnamedEffectsAndBoundsValues) {
    TempDir dir;
    const std::string path = dir.File("voiceeffects.ini");
    WriteFile(path, "[sys]\nnumEffects=4\n"
                    "[eff_0]\nvst=Brevo\nname=Robot\nnumParams=3\nparam_0=0.5\nparam_2=7\n"
                    "[eff_1]\nvst=Brevo\nname=\nnumParams=1\n"
                    "[eff_2]\nvst=Spectro\nname=Deep\nnumParams=1\nparam_0=-0.25\n"
                    "[eff_4]\nvst=Lost\nname=beyond numEffects\n");
    std::vector<VoiceEffect> effects;
    ASSERT_TRUE(LoadVoiceEffects(path, effects));
    ASSERT_EQ(effects.size(), 2u);
    EXPECT_EQ(effects[0].plugin, "Brevo");
    EXPECT_EQ(effects[0].name, "Robot");
    ASSERT_EQ(effects[0].params.size(), 3u);
    EXPECT_EQ(effects[0].params[0].value, 0.5f);
    EXPECT_EQ(effects[0].params[1].value, 0.0f);
    EXPECT_EQ(effects[0].params[2].value, 1.0f);
    EXPECT_EQ(effects[1].name, "Deep");
    EXPECT_EQ(effects[1].params[0].value, 0.0f);
}

TEST(VoiceEffectFile, SaveRewritesTheWholeFile) {
    TempDir dir;
    const std::string path = dir.File("voiceeffects.ini");
    WriteFile(path, "; old\n[sys]\nnumEffects=6\n[eff_5]\nname=stale\n");
    std::vector<VoiceEffect> effects = {{"Brevo", "Robot", {{0.125f, "Pitch"}, {1.0f, "Mix"}}}};
    ASSERT_TRUE(SaveVoiceEffects(path, effects));
    EXPECT_EQ(ReadFile(path), "[sys]\nnumEffects=1\n"
                              "[eff_0]\nvst=Brevo\nname=Robot\nnumParams=2\n"
                              "param_0=0.125000\nparam_1=1.000000\n");
    ASSERT_TRUE(SaveVoiceEffects(path, {}));
    EXPECT_EQ(ReadFile(path), "[sys]\nnumEffects=0\n");
}
