#include "config/config.h"

#include "config/profile.h"
#include "config/voiceconfig.h"
#include "platform/program_folder.h"

#include <algorithm>
#include <optional>
#include <set>

namespace {

constexpr const char* kConfigFile = "config.ini";
constexpr const char* kVoiceEffectsFile = "voiceeffects.ini";

constexpr const char* kSecEffects = "effects";
constexpr const char* kSecEmotics = "emotics";
constexpr const char* kSecSoundCards = "soundcards";
constexpr const char* kSecSys = "sys";
constexpr const char* kSecStream = "stream";
constexpr const char* kSecMonitors = "monitors";
constexpr const char* kSecShortcuts = "Shortcuts";

constexpr uint16_t kMaxVolume = 100;

std::string Numbered(const char* prefix, size_t n) {
    return prefix + std::to_string(n);
}

std::string BackSoundSection(int slot) {
    return Numbered("sound_", static_cast<size_t>(slot));
}

bool IsSlot(int slot, int count) {
    return slot >= 0 && slot < count;
}

// Slots outside -1..2 read as none.
int32_t ValidSlot(int32_t slot) {
    return slot >= -1 && slot <= 2 ? slot : -1;
}

// The entry numbers present in the emotics section as "file_<n>" keys (n written without
// leading zeros, the only spelling a lookup of "file_<n>" matches), ascending.
std::set<uint32_t> FunSoundNumbers(const ProfileFile& file) {
    std::set<uint32_t> numbers;
    for (const std::string& key : file.Doc().KeyNames(kSecEmotics)) {
        if (key.size() < 6 || key.size() > 15)
            continue;
        std::string prefix = key.substr(0, 5);
        std::transform(prefix.begin(), prefix.end(), prefix.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
        std::string digits = key.substr(5);
        if (prefix != "file_" || digits.find_first_not_of("0123456789") != std::string::npos ||
            (digits.size() > 1 && digits.front() == '0'))
            continue;
        uint64_t n = std::stoull(digits);
        if (n <= UINT32_MAX)
            numbers.insert(static_cast<uint32_t>(n));
    }
    return numbers;
}

// Reads one section from a fresh read of the file.
template <class Reader>
bool ReadSection(const std::string& path, Reader read) {
    ProfileFile file(path);
    read(file);
    return file.Error() == 0;
}

// Writes one section into the file as it stands and saves it in one write.
template <class Writer>
bool WriteSection(const std::string& path, Writer write) {
    ProfileFile file(path);
    bool ok = write(file);
    return file.Save() && ok;
}

} // namespace

const std::array<const char*, AppConfig::kShortcutCount> AppConfig::kShortcutKeys = {
    "VoiceEffect1",
    "VoiceEffect2",
    "VoiceEffect3",
    "Listen",
    "FunSound1",
    "FunSound2",
    "FunSound3",
    "BackSound1",
    "BackSound1_VolAdd",
    "BackSound1_VolSub",
    "BackSound2",
    "BackSound2_VolAdd",
    "BackSound2_VolSub",
    "BackSound3",
    "BackSound3_VolAdd",
    "BackSound3_VolSub",
    "Stop",
};

AppConfig::AppConfig() : AppConfig(platform::ProgramFolder()) {}

AppConfig::AppConfig(const std::string& programFolder) {
    SetProgramFolder(programFolder);
}

void AppConfig::SetProgramFolder(const std::string& folder) {
    if (folder.empty())
        return;
    programFolder_ = folder.back() == '/' ? folder : folder + '/';
    configPath_ = programFolder_ + kConfigFile;
    voiceEffectsPath_ = programFolder_ + kVoiceEffectsFile;
    pluginFolder_ = programFolder_ + "effects/";
    backSoundFolder_ = programFolder_ + "backsounds/";
    funSoundFolder_ = programFolder_ + "emoticsounds/";
}

bool AppConfig::Load() {
    bool ok = ReadVoiceEffects();
    ProfileFile file(configPath_);
    ReadEffectsFrom(file);
    for (int slot = 0; slot < kBackSoundSlots; ++slot)
        ReadBackSoundFrom(file, slot);
    ReadEmoticsFrom(file);
    ReadSoundCardsFrom(file);
    ReadSysFrom(file);
    ReadStreamFrom(file);
    ReadMonitorsFrom(file);
    ReadShortcutsFrom(file);
    return ok && file.Error() == 0;
}

bool AppConfig::Save() {
    // All sections of config.ini go into one document that is written once, so that the file
    // never holds a mix of old and new sections.
    ProfileFile file(configPath_);
    bool ok = WriteEffectsTo(file);
    for (int slot = 0; slot < kBackSoundSlots; ++slot)
        ok &= WriteBackSoundTo(file, slot);
    ok &= WriteEmoticsTo(file);
    ok &= WriteVoiceEffects();
    ok &= WriteSoundCardsTo(file);
    ok &= WriteSysTo(file);
    ok &= WriteStreamTo(file);
    ok &= WriteMonitorsTo(file);
    ok &= WriteShortcutsTo(file);
    return file.Save() && ok;
}

bool AppConfig::WriteChanged(const AppConfig& before) const {
    // Both configurations are written into empty documents; the keys whose text differs are
    // the changes.
    ProfileFile old, now;
    before.WriteKeySectionsTo(old);
    bool ok = WriteKeySectionsTo(now);
    ProfileFile file(configPath_);
    for (const std::string& section : now.Doc().SectionNames()) {
        for (const std::string& key : now.Doc().KeyNames(section)) {
            std::optional<std::string> value = now.Doc().Get(section, key);
            if (value != old.Doc().Get(section, key))
                ok &= file.WriteText(section, key, *value);
        }
    }
    if (emotics != before.emotics)
        ok &= WriteEmoticsTo(file);
    return file.Save() && ok;
}

bool AppConfig::WriteKeySectionsTo(ProfileFile& file) const {
    bool ok = WriteEffectsTo(file);
    for (int slot = 0; slot < kBackSoundSlots; ++slot)
        ok &= WriteBackSoundTo(file, slot);
    ok &= WriteSoundCardsTo(file);
    ok &= WriteSysTo(file);
    ok &= WriteStreamTo(file);
    ok &= WriteMonitorsTo(file);
    ok &= WriteShortcutsTo(file);
    return ok;
}

// Public section readers and writers: one file read, and at most one write.

bool AppConfig::ReadVoiceEffects() {
    return LoadVoiceEffects(voiceEffectsPath_, voiceEffects);
}

bool AppConfig::WriteVoiceEffects() const {
    return SaveVoiceEffects(voiceEffectsPath_, voiceEffects);
}

bool AppConfig::ReadEffects() {
    return ReadSection(configPath_, [this](const ProfileFile& f) { ReadEffectsFrom(f); });
}
bool AppConfig::WriteEffects() const {
    return WriteSection(configPath_, [this](ProfileFile& f) { return WriteEffectsTo(f); });
}

bool AppConfig::ReadBackSound(int slot) {
    return IsSlot(slot, kBackSoundSlots) &&
           ReadSection(configPath_, [&](const ProfileFile& f) { ReadBackSoundFrom(f, slot); });
}
bool AppConfig::WriteBackSound(int slot) const {
    return IsSlot(slot, kBackSoundSlots) &&
           WriteSection(configPath_, [&](ProfileFile& f) { return WriteBackSoundTo(f, slot); });
}

bool AppConfig::ReadEmotics() {
    return ReadSection(configPath_, [this](const ProfileFile& f) { ReadEmoticsFrom(f); });
}
bool AppConfig::WriteEmotics() const {
    return WriteSection(configPath_, [this](ProfileFile& f) { return WriteEmoticsTo(f); });
}

bool AppConfig::ReadSoundCards() {
    return ReadSection(configPath_, [this](const ProfileFile& f) { ReadSoundCardsFrom(f); });
}
bool AppConfig::WriteSoundCards() const {
    return WriteSection(configPath_, [this](ProfileFile& f) { return WriteSoundCardsTo(f); });
}

bool AppConfig::ReadSys() {
    return ReadSection(configPath_, [this](const ProfileFile& f) { ReadSysFrom(f); });
}
bool AppConfig::WriteSys() const {
    return WriteSection(configPath_, [this](ProfileFile& f) { return WriteSysTo(f); });
}

bool AppConfig::ReadStream() {
    return ReadSection(configPath_, [this](const ProfileFile& f) { ReadStreamFrom(f); });
}
bool AppConfig::WriteStream() const {
    return WriteSection(configPath_, [this](ProfileFile& f) { return WriteStreamTo(f); });
}

bool AppConfig::ReadMonitors() {
    return ReadSection(configPath_, [this](const ProfileFile& f) { ReadMonitorsFrom(f); });
}
bool AppConfig::WriteMonitors() const {
    return WriteSection(configPath_, [this](ProfileFile& f) { return WriteMonitorsTo(f); });
}

bool AppConfig::ReadShortcuts() {
    return ReadSection(configPath_, [this](const ProfileFile& f) { ReadShortcutsFrom(f); });
}
bool AppConfig::WriteShortcuts() const {
    return WriteSection(configPath_, [this](ProfileFile& f) { return WriteShortcutsTo(f); });
}

// Section "effects".

void AppConfig::ReadEffectsFrom(const ProfileFile& file) {
    for (size_t i = 0; i < effects.size(); ++i)
        effects[i] = file.ReadText(kSecEffects, Numbered("eff_", i), "");
}

bool AppConfig::WriteEffectsTo(ProfileFile& file) const {
    bool ok = true;
    for (size_t i = 0; i < effects.size(); ++i)
        ok &= file.WriteText(kSecEffects, Numbered("eff_", i), effects[i]);
    return ok;
}

// Sections "sound_0" to "sound_2".

void AppConfig::ReadBackSoundFrom(const ProfileFile& file, int slot) {
    const std::string section = BackSoundSection(slot);
    BackSoundSlot& sound = backSounds[static_cast<size_t>(slot)];
    sound.file = file.ReadText(section, "file", "");
    sound.descr = file.ReadText(section, "descr", "");
    sound.volume = static_cast<uint16_t>(file.ReadUnsigned(section, "volume", kMaxVolume));
    if (sound.volume > kMaxVolume)
        sound.volume = kMaxVolume;
}

bool AppConfig::WriteBackSoundTo(ProfileFile& file, int slot) const {
    const std::string section = BackSoundSection(slot);
    const BackSoundSlot& sound = backSounds[static_cast<size_t>(slot)];
    bool ok = file.WriteText(section, "file", sound.file);
    ok &= file.WriteText(section, "descr", sound.descr);
    ok &= file.WriteUnsigned(section, "volume", sound.volume);
    return ok;
}

// Section "emotics": "num" entries "file_<i>"/"name_<i>"; entries with an empty file or name
// are left out.

void AppConfig::ReadEmoticsFrom(const ProfileFile& file) {
    emotics.clear();
    const uint32_t num = file.ReadUnsigned(kSecEmotics, "num", 0);
    // Only numbers that have a "file_<i>" key can give an entry: visiting just those keeps a
    // huge "num" from costing anything.
    for (uint32_t i : FunSoundNumbers(file)) {
        if (i >= num)
            break;
        FunSound sound;
        sound.file = file.ReadText(kSecEmotics, Numbered("file_", i), "");
        sound.name = file.ReadText(kSecEmotics, Numbered("name_", i), "");
        if (!sound.file.empty() && !sound.name.empty())
            emotics.push_back(std::move(sound));
    }
}

bool AppConfig::WriteEmoticsTo(ProfileFile& file) const {
    // The section keeps its place and holds just the list afterwards, so that no entry of a
    // longer old list remains; entries that stay the same keep their lines.
    std::vector<std::string> keys = {"num"};
    for (size_t i = 0; i < emotics.size(); ++i) {
        keys.push_back(Numbered("file_", i));
        keys.push_back(Numbered("name_", i));
    }
    file.Doc().KeepOnlyKeys(kSecEmotics, keys);
    bool ok = file.WriteUnsigned(kSecEmotics, "num", static_cast<uint32_t>(emotics.size()));
    for (size_t i = 0; i < emotics.size(); ++i) {
        ok &= file.WriteText(kSecEmotics, keys[2 * i + 1], emotics[i].file);
        ok &= file.WriteText(kSecEmotics, keys[2 * i + 2], emotics[i].name);
    }
    return ok;
}

// Section "soundcards".

void AppConfig::ReadSoundCardsFrom(const ProfileFile& file) {
    input = file.ReadText(kSecSoundCards, "input", "");
    monitor = file.ReadText(kSecSoundCards, "monitor", "");
    mixInSrc = file.ReadText(kSecSoundCards, "mixInSrc", "");
}

bool AppConfig::WriteSoundCardsTo(ProfileFile& file) const {
    bool ok = file.WriteText(kSecSoundCards, "input", input);
    ok &= file.WriteText(kSecSoundCards, "monitor", monitor);
    ok &= file.WriteText(kSecSoundCards, "mixInSrc", mixInSrc);
    return ok;
}

// Section "sys".

void AppConfig::ReadSysFrom(const ProfileFile& file) {
    activeEffect = ValidSlot(file.ReadInt(kSecSys, "activeEffect", -1));
    activeBackSound = ValidSlot(file.ReadInt(kSecSys, "activeBackSound", -1));
    wizard = file.ReadText(kSecSys, "wizard", "0") == "1";
    version = file.ReadText(kSecSys, "version", "0");
    langsPath = file.ReadText(kSecSys, "langsPath", ".\\lang\\");
    langFile = file.ReadText(kSecSys, "langFile", ".\\lang\\voxwarp_en.glo");
    helpFile = file.ReadText(kSecSys, "helpFile", "help\\voxwarp_de.chm");
    skinFile = file.ReadText(kSecSys, "skinFile", ".\\skins\\en\\Default.sdf");
    kestrelUrl = file.ReadText(kSecSys, "KestrelUrl", "");
    affiliateId = file.ReadText(kSecSys, "AffiliateId", "");
    partnerId = file.ReadText(kSecSys, "PartnerId", "");
}

bool AppConfig::WriteSysTo(ProfileFile& file) const {
    // KestrelUrl, AffiliateId and PartnerId belong to the setup finalizer and are left as they
    // stand in the file.
    bool ok = file.WriteInt(kSecSys, "activeEffect", activeEffect);
    ok &= file.WriteInt(kSecSys, "activeBackSound", activeBackSound);
    ok &= file.WriteText(kSecSys, "wizard", wizard ? "1" : "0");
    ok &= file.WriteText(kSecSys, "version", version);
    ok &= file.WriteText(kSecSys, "langsPath", langsPath);
    ok &= file.WriteText(kSecSys, "langFile", langFile);
    ok &= file.WriteText(kSecSys, "helpFile", helpFile);
    ok &= file.WriteText(kSecSys, "skinFile", skinFile);
    return ok;
}

// Section "stream": "%u" values cut to their field's width, as the buffer engine expects.

void AppConfig::ReadStreamFrom(const ProfileFile& file) {
    inBuffSizeMs = static_cast<uint16_t>(file.ReadUnsigned(kSecStream, "inBuffSizeMs", 25));
    outBuffSizeMs = static_cast<uint16_t>(file.ReadUnsigned(kSecStream, "outBuffSizeMs", 25));
    monBuffSizeMs = static_cast<uint16_t>(file.ReadUnsigned(kSecStream, "monBuffSizeMs", 25));
    inBuffsN = static_cast<uint8_t>(file.ReadUnsigned(kSecStream, "inBuffsN", 40));
    outBuffsN = static_cast<uint8_t>(file.ReadUnsigned(kSecStream, "outBuffsN", 40));
    monBuffsN = static_cast<uint8_t>(file.ReadUnsigned(kSecStream, "monBuffsN", 40));
    queueHighMs = static_cast<uint16_t>(
        std::min<uint32_t>(file.ReadUnsigned(kSecStream, "queueHighMs", 150), 0xFFFF));
}

bool AppConfig::WriteStreamTo(ProfileFile& file) const {
    bool ok = file.WriteUnsigned(kSecStream, "inBuffSizeMs", inBuffSizeMs);
    ok &= file.WriteUnsigned(kSecStream, "outBuffSizeMs", outBuffSizeMs);
    ok &= file.WriteUnsigned(kSecStream, "monBuffSizeMs", monBuffSizeMs);
    ok &= file.WriteUnsigned(kSecStream, "inBuffsN", inBuffsN);
    ok &= file.WriteUnsigned(kSecStream, "outBuffsN", outBuffsN);
    ok &= file.WriteUnsigned(kSecStream, "monBuffsN", monBuffsN);
    ok &= file.WriteUnsigned(kSecStream, "queueHighMs", queueHighMs);
    return ok;
}

// Section "monitors".

void AppConfig::ReadMonitorsFrom(const ProfileFile& file) {
    monitorOn = file.ReadText(kSecMonitors, "monitorOn", "0").starts_with('1');
    listenOnly = file.ReadText(kSecMonitors, "listen", "always") != "always";
    monitorVol = static_cast<uint8_t>(file.ReadUnsigned(kSecMonitors, "monitorVol", 100));
    testVolVEff = static_cast<uint8_t>(file.ReadUnsigned(kSecMonitors, "testVolVEff", 100));
    testVolBack = static_cast<uint8_t>(file.ReadUnsigned(kSecMonitors, "testVolBack", 100));
    testVolEmotic = static_cast<uint8_t>(file.ReadUnsigned(kSecMonitors, "testVolEmotic", 100));
    testVolEffStudio =
        static_cast<uint8_t>(file.ReadUnsigned(kSecMonitors, "testVolEffStudio", 100));
}

bool AppConfig::WriteMonitorsTo(ProfileFile& file) const {
    bool ok = file.WriteText(kSecMonitors, "monitorOn", monitorOn ? "1" : "0");
    ok &= file.WriteText(kSecMonitors, "listen", listenOnly ? "only" : "always");
    ok &= file.WriteUnsigned(kSecMonitors, "monitorVol", monitorVol);
    ok &= file.WriteUnsigned(kSecMonitors, "testVolVEff", testVolVEff);
    ok &= file.WriteUnsigned(kSecMonitors, "testVolBack", testVolBack);
    ok &= file.WriteUnsigned(kSecMonitors, "testVolEmotic", testVolEmotic);
    ok &= file.WriteUnsigned(kSecMonitors, "testVolEffStudio", testVolEffStudio);
    return ok;
}

// Section "Shortcuts".

void AppConfig::ReadShortcutsFrom(const ProfileFile& file) {
    for (size_t i = 0; i < shortcuts.size(); ++i)
        shortcuts[i] = file.ReadText(kSecShortcuts, kShortcutKeys[i], "");
}

bool AppConfig::WriteShortcutsTo(ProfileFile& file) const {
    bool ok = true;
    for (size_t i = 0; i < shortcuts.size(); ++i)
        ok &= file.WriteText(kSecShortcuts, kShortcutKeys[i], shortcuts[i]);
    return ok;
}
