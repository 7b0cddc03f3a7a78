#include "scene/appearance.h"

namespace {
const MaterialPreset kPresets[kMaterialPresets] = {
    {"Bright Red", {0.2f, 0.01f, 0.01f}},
    {"Dark Red", {0.1f, 0.0f, 0.0f}},
    {"Blue", {0.01f, 0.01f, 0.2f}},
    {"Shiny Metal", {0.1f, 0.1f, 0.1f}},
    {"Black", {0.0f, 0.0f, 0.0f}},
    {"White", {0.4f, 0.4f, 0.4f}},
};
}  // namespace

Appearance DecodeAppearance(float red, float green) {
  if (red >= 0 && green >= 0) return {Appearance::Plain, 0};
  // Comparisons before the casts keep huge values and NaN out of int range.
  if (red < 0) {
    int slot = red > -kTextureSlots ? static_cast<int>(-red) : -1;
    return {Appearance::Texture, slot};
  }
  float preset = -green;
  int number = preset >= 1 && preset < kMaterialPresets + 1 ? static_cast<int>(preset) : -1;
  return {Appearance::Preset, number};
}

const MaterialPreset* FindPreset(int number) {
  return number >= 1 && number <= kMaterialPresets ? &kPresets[number - 1] : nullptr;
}
