// What an object's colour triple means. One triple encodes three kinds of
// appearance: a plain colour, a material preset or a texture slot. Drawing,
// export and the help text all read it from here.
#pragma once

#include <string>

constexpr int kTextureSlots = 20;  // slot 0 is the default texture, never filled
constexpr int kMaterialPresets = 6;

struct Appearance {
  enum Kind { Plain, Texture, Preset } kind;
  int index;  // texture slot or preset number; -1 when outside the table
};

// Decodes a colour triple: red and green not negative give a plain colour;
// negative red a texture slot (-red, truncated); otherwise negative green a
// material preset (-green, truncated). Never fails; odd values give index -1.
Appearance DecodeAppearance(float red, float green);

// A material preset, 1 to kMaterialPresets.
struct MaterialPreset {
  const char* name;         // as the help screen lists it
  float color[3];           // ambient and diffuse red, green, blue
};
constexpr float kPresetAlpha = 0.1f;         // alpha of every preset's colour
constexpr float kShininess = 1;           // every material, plain or preset
constexpr float kPresetSpecular[4] = {0, 0, 0, 0.2f};
constexpr float kPlainAlpha = 0.1f;          // alpha of a plain colour's material

// The preset with `number`, or null outside 1 to kMaterialPresets.
const MaterialPreset* FindPreset(int number);

// The table of OpenGL texture names, one per slot; 0 means none.
struct TextureTable {
  unsigned names[kTextureSlots] = {};
  std::string files[kTextureSlots];  // the TGA file that filled each slot; empty when none
};
