// PNG writing through libpng: 8-bit RGB or RGBA images, top row first.
#pragma once

#include <string>
#include <vector>

// Encodes width x height pixels of `channels` bytes each (3 RGB, 4 RGBA),
// rows top first, tightly packed. Returns false, with `out` empty, on bad
// arguments or an encoder error; throws std::bad_alloc when memory runs out.
bool EncodePng(int width, int height, int channels, const unsigned char* pixels,
               std::vector<unsigned char>& out);

// Encodes as EncodePng and writes the file safely: on failure nothing is
// left under `path` (an old file stays as it was) and false is returned
// (std::bad_alloc thrown when memory runs out).
bool WritePngFile(const std::string& path, int width, int height, int channels,
                  const unsigned char* pixels);
