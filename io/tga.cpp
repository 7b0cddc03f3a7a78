#include "io/tga.h"

#include <cstdio>

#include "io/console.h"
#include "io/file.h"

namespace {
constexpr std::size_t kHeaderSize = 18;
// A run-length file claiming more than this many output bytes per file byte
// is not believed (the best case, a 128-pixel run of 4 bytes from 5 bytes,
// stays well below it).
constexpr std::uint64_t kMaxRleExpansion = 128;

unsigned U16(const unsigned char* p) { return p[0] | (p[1] << 8); }

// One file pixel of `Bytes` bytes (2, 3 or 4) to RGB or RGBA. The depth is a
// template argument so each decoding loop is compiled for one depth.
template <int Bytes>
inline void StorePixel(const unsigned char* in, unsigned char* out) {
  if (Bytes == 2) {
    unsigned p = U16(in);
    out[0] = static_cast<unsigned char>(((p >> 10) & 31) << 3);
    out[1] = static_cast<unsigned char>(((p >> 5) & 31) << 3);
    out[2] = static_cast<unsigned char>((p & 31) << 3);
    return;
  }
  out[0] = in[2];
  out[1] = in[1];
  out[2] = in[0];
  if (Bytes == 4) out[3] = in[3];
}

// Decodes run-length packets into `out` (already zeroed) until every pixel
// is set or the data ends; packets are clipped at the last pixel.
template <int Bytes>
void DecodeRle(const unsigned char* data, const unsigned char* end, std::vector<unsigned char>& out) {
  constexpr int bytes = Bytes, channels = Bytes == 4 ? 4 : 3;
  unsigned char* dst = out.data();
  unsigned char* const last = dst + out.size();
  while (dst < last && data < end) {
    unsigned header = *data++;
    std::size_t count = (header & 127) + 1;
    std::size_t room = static_cast<std::size_t>(last - dst) / channels;
    if (count > room) count = room;
    if (header >= 128) {
      if (end - data < bytes) return;
      unsigned char pixel[4];
      StorePixel<Bytes>(data, pixel);
      data += bytes;
      for (std::size_t i = 0; i < count; ++i, dst += channels) {
        for (int c = 0; c < channels; ++c) dst[c] = pixel[c];
      }
    } else {
      for (std::size_t i = 0; i < count; ++i, dst += channels, data += bytes) {
        if (end - data < bytes) return;
        StorePixel<Bytes>(data, dst);
      }
    }
  }
}

template <int Bytes>
void DecodeRaw(const unsigned char* data, std::vector<unsigned char>& out) {
  constexpr int channels = Bytes == 4 ? 4 : 3;
  unsigned char* dst = out.data();
  unsigned char* const last = dst + out.size();
  for (; dst < last; dst += channels, data += Bytes) StorePixel<Bytes>(data, dst);
}

template <int Bytes>
void DecodePixels(bool rle, const unsigned char* data, const unsigned char* end,
                  std::vector<unsigned char>& out) {
  if (rle) {
    DecodeRle<Bytes>(data, end, out);
  } else {
    DecodeRaw<Bytes>(data, out);
  }
}
}  // namespace

TgaError DecodeTga(const unsigned char* data, std::size_t size, TgaImage& out) {
  out = TgaImage();
  if (size < kHeaderSize) return TgaError::ShortHeader;
  const bool rle = data[2] == 10;
  const int width = static_cast<int>(U16(data + 12));
  const int height = static_cast<int>(U16(data + 14));
  const int depth = data[16];

  // Pixel data follows the image ID and, when present, the colour map.
  std::uint64_t offset = kHeaderSize + data[0];
  if (data[1] == 1) offset += static_cast<std::uint64_t>(U16(data + 5)) * ((data[7] + 7) / 8);
  if (offset > size) return TgaError::ShortHeader;

  if (depth != 16 && depth != 24 && depth != 32) return TgaError::UnsupportedDepth;
  const int bytes = depth / 8;
  const int channels = depth == 32 ? 4 : 3;
  const std::uint64_t pixels = static_cast<std::uint64_t>(width) * height;
  const std::uint64_t left = size - offset;
  if (rle) {
    if (pixels * channels > kMaxRleExpansion * size) return TgaError::TooLarge;
  } else if (pixels * bytes > left) {
    return TgaError::Truncated;
  }

  TgaImage image;
  image.channels = channels;
  image.width = width;
  image.height = height;
  image.pixels.assign(static_cast<std::size_t>(pixels * channels), 0);
  const unsigned char* pixelData = data + offset;
  switch (bytes) {
    case 2: DecodePixels<2>(rle, pixelData, data + size, image.pixels); break;
    case 3: DecodePixels<3>(rle, pixelData, data + size, image.pixels); break;
    default: DecodePixels<4>(rle, pixelData, data + size, image.pixels); break;
  }
  out = std::move(image);
  return TgaError::None;
}

TgaError ReadTga(const std::string& fileName, TgaImage& out) {
  out = TgaImage();
  std::FILE* file = OpenInputFile(fileName, "rb");
  std::vector<unsigned char> bytes;
  bool read = file != nullptr;
  if (read) {
    unsigned char buffer[1 << 16];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    read = !std::ferror(file);
    std::fclose(file);
  }
  if (!read) {
    Print("\nUnable to load TGA File!\n");
    return TgaError::OpenFailed;
  }
  return DecodeTga(bytes.data(), bytes.size(), out);
}

const char* TgaErrorName(TgaError error) {
  switch (error) {
    case TgaError::None: return "none";
    case TgaError::OpenFailed: return "open failed";
    case TgaError::ShortHeader: return "short header";
    case TgaError::UnsupportedDepth: return "unsupported depth";
    case TgaError::Truncated: return "truncated";
    case TgaError::TooLarge: return "too large";
  }
  return "unknown";
}
