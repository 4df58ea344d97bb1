// The voice effect library file, voiceeffects.ini: section "sys" key "numEffects", then one
// section "eff_<n>" per effect with "vst" (plug-in name), "name", "numParams" and "param_<i>".
#pragma once

#include "base/types.h"

#include <string>
#include <vector>

// Reads the library: every "eff_<n>" section below "numEffects" whose name is not empty, in
// order, with "numParams" parameter values (missing values are 0; values are kept within 0..1).
// A missing file gives an empty library. Returns false when the file exists but cannot be
// read; the library is then empty.
bool LoadVoiceEffects(const std::string& path, std::vector<VoiceEffect>& effects);

// Replaces the whole file with the library, sections numbered from 0 in list order, in one
// crash-safe write. Returns false when the file could not be written or would be too large for
// LoadVoiceEffects to read back; the file then keeps its old content.
bool SaveVoiceEffects(const std::string& path, const std::vector<VoiceEffect>& effects);
