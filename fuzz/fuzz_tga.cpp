// libFuzzer entry point for the TGA decoder: any bytes must decode or be
// refused without a crash, and a decoded image must hold exactly
// width * height * channels bytes.
#include <cstdint>
#include <cstdlib>

#include "io/tga.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TgaImage image;
  TgaError error = DecodeTga(data, size, image);
  if (error != TgaError::None) {
    if (!image.pixels.empty() || image.width != 0) std::abort();
    return 0;
  }
  std::size_t expected = static_cast<std::size_t>(image.width) * image.height * image.channels;
  if (image.pixels.size() != expected || (image.channels != 3 && image.channels != 4)) std::abort();
  unsigned sum = 0;  // touch every byte so MSan/ASan see uninitialised or stray reads
  for (unsigned char byte : image.pixels) sum += byte;
  return static_cast<int>(sum & 0);
}
