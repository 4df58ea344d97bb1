// The application configuration: config.ini and the voice effect library voiceeffects.ini, both
// in the program folder. Read by both programs, written by the control panel; every section has
// its own reader and writer, so that an options page can reload or save just its own part.
#pragma once

#include "base/types.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class ProfileFile;

// One of the three background-sound slots (sections "sound_0" to "sound_2").
struct BackSoundSlot {
    std::string file;
    std::string descr;
    uint16_t volume = 100; // percent, 0..100
};

// One fun sound of the "emotics" list.
struct FunSound {
    std::string file;
    std::string name;

    bool operator==(const FunSound&) const = default;
};

class AppConfig {
public:
    static constexpr int kEffectSlots = 3;
    static constexpr int kBackSoundSlots = 3;
    static constexpr int kShortcutCount = 17;
    // The keys of section "Shortcuts", by shortcut index.
    static const std::array<const char*, kShortcutCount> kShortcutKeys;
    // The name of the virtual output device; not stored in the file.
    static constexpr const char* kVirtualDeviceName = "Voxwarp Microphone";

    // Uses the program folder of this process.
    AppConfig();
    explicit AppConfig(const std::string& programFolder);

    // Sets the program folder and derives the file paths and the plug-in and sound folders from
    // it; a folder without a trailing '/' gets one. An empty text is ignored.
    void SetProgramFolder(const std::string& folder);

    const std::string& ProgramFolder() const { return programFolder_; }
    const std::string& ConfigPath() const { return configPath_; }
    const std::string& VoiceEffectsPath() const { return voiceEffectsPath_; }
    const std::string& PluginFolder() const { return pluginFolder_; }
    const std::string& BackSoundFolder() const { return backSoundFolder_; }
    const std::string& FunSoundFolder() const { return funSoundFolder_; }

    // Reads everything: the voice effects, then effects, sound_0..2, emotics, soundcards, sys,
    // stream, monitors, Shortcuts. Missing files and keys give the defaults. Returns false when
    // a file exists but could not be read (its values are then the defaults).
    bool Load();
    // Writes effects, sound_0..2, emotics, the whole voice effect library, soundcards, sys,
    // stream, monitors, Shortcuts. config.ini is replaced in one crash-safe write. Returns false
    // when a file could not be written; that file then keeps its old content.
    bool Save();

    // Writes to config.ini only the keys whose value, as the section writers would write it,
    // differs between before and this configuration; a changed fun sound list rewrites the
    // emotics section. One crash-safe write; every other line stays as it stands. Returns false
    // when a value cannot be stored or the file could not be written.
    bool WriteChanged(const AppConfig& before) const;

    // Section readers and writers. Each reader reads the file; each writer saves it once. A
    // writer changes its section in place and leaves the rest of the file as it stands.
    bool ReadVoiceEffects();
    bool WriteVoiceEffects() const;
    bool ReadEffects();
    bool WriteEffects() const;
    bool ReadBackSound(int slot);
    bool WriteBackSound(int slot) const;
    bool ReadEmotics();
    bool WriteEmotics() const;
    bool ReadSoundCards();
    bool WriteSoundCards() const;
    bool ReadSys();
    bool WriteSys() const;
    bool ReadStream();
    bool WriteStream() const;
    bool ReadMonitors();
    bool WriteMonitors() const;
    bool ReadShortcuts();
    bool WriteShortcuts() const;

    // The voice effect library (voiceeffects.ini).
    std::vector<VoiceEffect> voiceEffects;

    // Section "effects": the voice effect names in the three slots.
    std::array<std::string, kEffectSlots> effects;

    // Sections "sound_0" to "sound_2".
    std::array<BackSoundSlot, kBackSoundSlots> backSounds;

    // Section "emotics".
    std::vector<FunSound> emotics;

    // Section "soundcards": device and mixer line names.
    std::string input;
    std::string monitor;
    std::string mixInSrc;

    // Section "sys".
    int32_t activeEffect = -1;    // slot 0..2, -1 = none
    int32_t activeBackSound = -1; // slot 0..2, -1 = none
    bool wizard = false;          // the setup wizard has been completed
    std::string version;
    std::string langsPath;
    std::string langFile;
    std::string helpFile;
    std::string skinFile;
    // Written by the setup finalizer; the programs only read them.
    std::string kestrelUrl;
    std::string affiliateId;
    std::string partnerId;

    // Section "stream": buffer lengths in milliseconds and buffer counts.
    uint16_t inBuffSizeMs = 25;
    uint16_t outBuffSizeMs = 25;
    uint16_t monBuffSizeMs = 25;
    uint8_t inBuffsN = 40;
    uint8_t outBuffsN = 40;
    uint8_t monBuffsN = 40;
    // Milliseconds: the top of the band the output queues are held in (their bottom is three
    // input blocks). A top below the bottom is raised by the routing stream.
    uint16_t queueHighMs = 150;

    // Section "monitors".
    bool monitorOn = false;
    bool listenOnly = false; // "listen" is anything but "always"
    uint8_t monitorVol = 100;
    uint8_t testVolVEff = 100;
    uint8_t testVolBack = 100;
    uint8_t testVolEmotic = 100;
    uint8_t testVolEffStudio = 100;

    // Section "Shortcuts": the text form of each key combination, empty = none. The conversion
    // to and from key codes belongs to the hot-key module (keyboard/shortcut.h, whose
    // keyboard::HotKeyAction is the index); here they are kept as stored.
    std::array<std::string, kShortcutCount> shortcuts;

private:
    void ReadEffectsFrom(const ProfileFile& file);
    bool WriteEffectsTo(ProfileFile& file) const;
    void ReadBackSoundFrom(const ProfileFile& file, int slot);
    bool WriteBackSoundTo(ProfileFile& file, int slot) const;
    void ReadEmoticsFrom(const ProfileFile& file);
    bool WriteEmoticsTo(ProfileFile& file) const;
    void ReadSoundCardsFrom(const ProfileFile& file);
    bool WriteSoundCardsTo(ProfileFile& file) const;
    void ReadSysFrom(const ProfileFile& file);
    bool WriteSysTo(ProfileFile& file) const;
    void ReadStreamFrom(const ProfileFile& file);
    bool WriteStreamTo(ProfileFile& file) const;
    void ReadMonitorsFrom(const ProfileFile& file);
    bool WriteMonitorsTo(ProfileFile& file) const;
    void ReadShortcutsFrom(const ProfileFile& file);
    bool WriteShortcutsTo(ProfileFile& file) const;
    // Every section of config.ini but emotics.
    bool WriteKeySectionsTo(ProfileFile& file) const;

    std::string programFolder_;
    std::string configPath_;
    std::string voiceEffectsPath_;
    std::string pluginFolder_;
    std::string backSoundFolder_;
    std::string funSoundFolder_;
};
