// TGA image reader: true-colour images, uncompressed (16, 24, 32 bits) or
// run-length encoded (type 10), decoded to tightly packed RGB or RGBA rows
// in file order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TgaImage {
  int channels = 0;  // 3 for RGB, 4 for RGBA
  int width = 0;
  int height = 0;
  std::vector<unsigned char> pixels;  // width * height * channels bytes
};

enum class TgaError {
  None,
  OpenFailed,        // the file could not be opened or read
  ShortHeader,       // fewer than 18 header bytes, or the ID/colour map runs past the end
  UnsupportedDepth,  // a pixel depth this reader does not decode
  Truncated,         // uncompressed pixel data runs past the end of the file
  TooLarge,          // the header claims more pixels than the file can plausibly hold
};

// Decodes a whole TGA file held in memory. On failure returns the reason and
// leaves `out` empty; never reads outside [data, data + size).
TgaError DecodeTga(const unsigned char* data, std::size_t size, TgaImage& out);

// Reads and decodes a TGA file, reading only the bytes its header says the
// image needs (run-length data up to a fixed cap). Prints
// "\nUnable to load TGA File!\n" when the file cannot be opened; other
// failures (TooLarge also when memory runs out) are returned silently.
TgaError ReadTga(const std::string& fileName, TgaImage& out);

// Short human-readable name of an error, for tests and tools.
const char* TgaErrorName(TgaError error);
