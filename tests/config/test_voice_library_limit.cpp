#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/voiceconfig.h"
#include "platform/atomic_file.h"
#include "temp_dir.h"

namespace {

VoiceEffect EffectWithParams(const std::string& name, std::size_t count) {
    VoiceEffect effect;
    effect.plugin = "Brevo";
    effect.name = name;
    effect.params.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        effect.params[i].value = 0.5f;
    return effect;
}

TEST(VoiceLibraryLimit, ALibraryTooLargeToReadBackIsNotWrittenAndTheOldOneStays) {
    testsupport::TempDir dir;
    const std::string path = dir.File("voiceeffects.ini");
    const std::vector<VoiceEffect> small{EffectWithParams("Robot", 6)};
    ASSERT_TRUE(SaveVoiceEffects(path, small));
    std::string before;
    ASSERT_EQ(platform::ReadWholeFile(path, before), 0);

    std::vector<VoiceEffect> huge;
    for (int n = 0; n < 16; ++n)
        huge.push_back(EffectWithParams("Big " + std::to_string(n), 65535));
    EXPECT_FALSE(SaveVoiceEffects(path, huge));
    std::string after;
    ASSERT_EQ(platform::ReadWholeFile(path, after), 0);
    EXPECT_EQ(after, before);

    // What is written is read back whole, up to what the file may hold.
    std::vector<VoiceEffect> large;
    for (int n = 0; n < 16; ++n)
        large.push_back(EffectWithParams("Large " + std::to_string(n), 20000));
    ASSERT_TRUE(SaveVoiceEffects(path, large));
    std::vector<VoiceEffect> loaded;
    ASSERT_TRUE(LoadVoiceEffects(path, loaded));
    ASSERT_EQ(loaded.size(), 16u);
    EXPECT_EQ(loaded.back().params.size(), 20000u);
    EXPECT_EQ(loaded.back().params.back().value, 0.5f);
}

} // namespace
