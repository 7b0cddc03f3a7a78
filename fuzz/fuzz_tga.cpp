// libFuzzer entry point for the TGA decoder: any bytes must decode or be
// refused without a crash, a refusal must leave the image empty, and a decoded
// image must have the header's size and exactly width * height * channels
// bytes.
#include <cstdint>
#include <cstdlib>

#include "io/tga.h"

namespace {
volatile unsigned sink;  // keeps the read of every pixel byte
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TgaImage image;
  if (DecodeTga(data, size, image) != TgaError::None) {
    if (image.channels != 0 || image.width != 0 || image.height != 0 || !image.pixels.empty()) std::abort();
    return 0;
  }
  const int depth = data[16];
  if (image.width != (data[12] | data[13] << 8) || image.height != (data[14] | data[15] << 8)) std::abort();
  if (image.channels != (depth == 32 ? 4 : 3)) std::abort();
  if (image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * image.channels) std::abort();
  unsigned sum = 0;
  for (unsigned char byte : image.pixels) sum += byte;
  sink = sum;
  return 0;
}
