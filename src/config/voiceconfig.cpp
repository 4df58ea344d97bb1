#include "config/voiceconfig.h"

#include "base/mlog.h"
#include "config/profile.h"
#include "platform/atomic_file.h"

#include <algorithm>

namespace {

// "numEffects" and "numParams" are 16-bit fields.
constexpr size_t kMaxCount = 0xFFFF;
// Parameter values held for the whole library at most, so that a damaged file whose effects
// all claim 65535 parameters cannot exhaust memory; later parameters are not read.
constexpr size_t kMaxLibraryParams = size_t{1} << 20;

std::string EffectSection(size_t n) {
    return "eff_" + std::to_string(n);
}
std::string ParamKey(size_t i) {
    return "param_" + std::to_string(i);
}

// The most bytes the library file takes when written: every line counted with a two-byte line
// end. A library larger than the reader accepts is never written.
size_t WrittenSize(const std::vector<VoiceEffect>& effects, size_t count) {
    auto line = [](size_t textBytes) { return textBytes + 2; };
    size_t size = line(5) + line(std::string("numEffects=").size() + 5);
    for (size_t n = 0; n < count; ++n) {
        const VoiceEffect& effect = effects[n];
        const size_t numParams = std::min(effect.params.size(), kMaxCount);
        size += line(EffectSection(n).size() + 2) + line(4 + effect.plugin.size()) +
                line(5 + effect.name.size()) + line(10 + 5);
        for (size_t i = 0; i < numParams && size <= platform::kMaxReadBytes; ++i)
            size += line(ParamKey(i).size() + 1 + FormatFloat(effect.params[i].value).size());
        if (size > platform::kMaxReadBytes)
            break;
    }
    return size;
}

} // namespace

bool LoadVoiceEffects(const std::string& path, std::vector<VoiceEffect>& effects) {
    effects.clear();
    ProfileFile file(path);
    const auto count = static_cast<uint16_t>(file.ReadUnsigned("sys", "numEffects", 0));
    size_t paramBudget = kMaxLibraryParams;
    for (size_t n = 0; n < count; ++n) {
        const std::string section = EffectSection(n);
        VoiceEffect effect;
        effect.name = file.ReadText(section, "name", "");
        if (effect.name.empty())
            continue;
        effect.plugin = file.ReadText(section, "vst", "");
        const auto numParams = static_cast<uint16_t>(file.ReadUnsigned(section, "numParams", 0));
        const size_t taken = std::min<size_t>(numParams, paramBudget);
        paramBudget -= taken;
        effect.params.resize(taken);
        for (size_t i = 0; i < taken; ++i)
            effect.params[i].value =
                std::clamp(file.ReadFloat(section, ParamKey(i), 0.0f), 0.0f, 1.0f);
        effects.push_back(std::move(effect));
    }
    return file.Error() == 0;
}

bool SaveVoiceEffects(const std::string& path, const std::vector<VoiceEffect>& effects) {
    const size_t count = std::min(effects.size(), kMaxCount);
    if (WrittenSize(effects, count) > platform::kMaxReadBytes) {
        LogError("Voice effect library not saved: it would be larger than %zu bytes, more than "
                 "can be read back",
                 platform::kMaxReadBytes);
        return false;
    }
    ProfileFile file(path);
    file.Clear();
    bool ok = file.WriteUnsigned("sys", "numEffects", static_cast<uint32_t>(count));
    for (size_t n = 0; n < count; ++n) {
        const VoiceEffect& effect = effects[n];
        const std::string section = EffectSection(n);
        const size_t numParams = std::min(effect.params.size(), kMaxCount);
        ok &= file.WriteText(section, "vst", effect.plugin);
        ok &= file.WriteText(section, "name", effect.name);
        ok &= file.WriteUnsigned(section, "numParams", static_cast<uint32_t>(numParams));
        for (size_t i = 0; i < numParams; ++i)
            ok &= file.WriteFloat(section, ParamKey(i), effect.params[i].value);
    }
    return file.Save() && ok;
}
