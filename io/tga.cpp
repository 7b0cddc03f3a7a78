#include "io/tga.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "base/console.h"
#include "base/file.h"

namespace {
constexpr std::size_t kHeaderSize = 18;
// A run-length file claiming more than this many output bytes per file byte
// is not believed (the best case, a 128-pixel run of 4 bytes from 5 bytes,
// stays well below it).
constexpr std::uint64_t kMaxRleExpansion = 128;

// Run-length data is read up to its worst case (one raw packet per pixel)
// but never past this many bytes, whatever the header claims.
constexpr std::uint64_t kMaxRleBytes = std::uint64_t{64} << 20;

unsigned U16(const unsigned char* p) { return p[0] | (p[1] << 8); }

// Where the pixel data starts: after the header, the image ID and, when
// present, the colour map.
std::uint64_t PixelOffset(const unsigned char* header) {
  std::uint64_t offset = kHeaderSize + header[0];
  if (header[1] == 1) offset += static_cast<std::uint64_t>(U16(header + 5)) * ((header[7] + 7) / 8);
  return offset;
}

// How many bytes of a file with this header the decoder can use.
std::uint64_t UsableSize(const unsigned char* header) {
  const std::uint64_t pixels = static_cast<std::uint64_t>(U16(header + 12)) * U16(header + 14);
  const std::uint64_t bytes = (header[16] + 7) / 8;
  const std::uint64_t data = header[2] == 10 ? std::min(pixels * (bytes + 1), kMaxRleBytes) : pixels * bytes;
  return PixelOffset(header) + data;
}

template <int Bytes>
constexpr std::size_t kChannels = Bytes == 4 ? 4 : 3;

// One file pixel of `Bytes` bytes (2, 3 or 4) to RGB or RGBA. The depth is a
// template argument so each decoding loop is compiled for one depth. All
// bytes are loaded before any is stored, so nothing is reloaded in case `in`
// and `out` overlap.
template <int Bytes>
inline void StorePixel(const unsigned char* in, unsigned char* out) {
  if constexpr (Bytes == 2) {
    const unsigned p = U16(in);
    out[0] = static_cast<unsigned char>(((p >> 10) & 31) << 3);
    out[1] = static_cast<unsigned char>(((p >> 5) & 31) << 3);
    out[2] = static_cast<unsigned char>((p & 31) << 3);
  } else {
    unsigned char pixel[Bytes];
    std::memcpy(pixel, in, Bytes);
    out[0] = pixel[2];
    out[1] = pixel[1];
    out[2] = pixel[0];
    if constexpr (Bytes == 4) out[3] = pixel[3];
  }
}

// Decodes run-length packets into [out, last) (already zeroed) until every
// pixel is set or the data ends. Packets may cross rows and are clipped at
// the last pixel; pixels the data does not reach stay zero.
template <int Bytes>
void DecodeRle(const unsigned char* in, const unsigned char* end, unsigned char* out, unsigned char* last) {
  constexpr std::size_t channels = kChannels<Bytes>;
  while (out < last && in < end) {
    const unsigned header = *in++;
    const std::size_t room = static_cast<std::size_t>(last - out) / channels;
    const std::size_t count = std::min<std::size_t>((header & 127) + 1, room);
    if (header & 128) {
      if (end - in < Bytes) return;
      unsigned char pixel[channels];
      StorePixel<Bytes>(in, pixel);
      in += Bytes;
      for (unsigned char* runEnd = out + count * channels; out < runEnd; out += channels) {
        std::memcpy(out, pixel, channels);
      }
    } else {
      // A packet cut off by the end of the data stores its whole pixels; the
      // next pass then finds less than a pixel left and stores nothing more.
      const std::size_t stored = std::min(count, static_cast<std::size_t>(end - in) / Bytes);
      for (unsigned char* rawEnd = out + stored * channels; out < rawEnd; out += channels, in += Bytes) {
        StorePixel<Bytes>(in, out);
      }
    }
  }
}

// Fills `out` with `count` pixels decoded from [in, end).
template <int Bytes>
void DecodePixels(bool rle, const unsigned char* in, const unsigned char* end, std::size_t count,
                  std::vector<unsigned char>& out) {
  if (rle) {
    out.resize(count * kChannels<Bytes>);
    DecodeRle<Bytes>(in, end, out.data(), out.data() + out.size());
  } else if constexpr (Bytes == 2) {
    out.resize(count * 3);
    for (std::size_t i = 0; i < count; ++i) StorePixel<2>(in + 2 * i, out.data() + 3 * i);
  } else {
    // Uncompressed 24 and 32-bit pixels already have the output layout apart
    // from blue and red: one block copy and a swap in place beat moving each
    // pixel byte by byte.
    out.assign(in, in + count * Bytes);
    if constexpr (Bytes == 4) {
      // Whole words swap faster and vectorise: BGRA to RGBA whatever the
      // host's byte order, since the mask keeps bytes 1 and 3 in place.
      for (unsigned char *p = out.data(), *last = p + out.size(); p < last; p += 4) {
        std::uint32_t v;
        std::memcpy(&v, p, 4);
        v = (v & 0xFF00FF00u) | ((v >> 16) & 0xFFu) | ((v & 0xFFu) << 16);
        std::memcpy(p, &v, 4);
      }
    } else {
      for (unsigned char *p = out.data(), *last = p + out.size(); p < last; p += 3) std::swap(p[0], p[2]);
    }
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

  const std::uint64_t offset = PixelOffset(data);
  if (offset > size) return TgaError::ShortHeader;

  if (depth != 16 && depth != 24 && depth != 32) return TgaError::UnsupportedDepth;
  const int bytes = depth / 8;
  const int channels = depth == 32 ? 4 : 3;
  const std::uint64_t pixels = static_cast<std::uint64_t>(width) * height;
  if (rle) {
    if (pixels * channels > kMaxRleExpansion * size) return TgaError::TooLarge;
  } else if (pixels * bytes > size - offset) {
    return TgaError::Truncated;
  }

  TgaImage image;
  image.channels = channels;
  image.width = width;
  image.height = height;
  const unsigned char* in = data + offset;
  const std::size_t count = static_cast<std::size_t>(pixels);
  switch (bytes) {
    case 2: DecodePixels<2>(rle, in, data + size, count, image.pixels); break;
    case 3: DecodePixels<3>(rle, in, data + size, count, image.pixels); break;
    default: DecodePixels<4>(rle, in, data + size, count, image.pixels); break;
  }
  out = std::move(image);
  return TgaError::None;
}

TgaError ReadTga(const std::string& fileName, TgaImage& out) {
  out = TgaImage();
  // Only what the header says the image needs is read, so trailing bytes
  // cost nothing. OpenInputFile opens regular files only, so fstat gives the
  // real size.
  std::vector<unsigned char> bytes;
  bool read = false;
  if (std::FILE* file = OpenInputFile(fileName, "rb")) {
    struct stat info;
    unsigned char header[kHeaderSize];
    if (fstat(fileno(file), &info) == 0) {
      const std::uint64_t size = static_cast<std::uint64_t>(info.st_size);
      std::uint64_t wanted = std::min<std::uint64_t>(size, kHeaderSize);
      if (size >= kHeaderSize && std::fread(header, 1, kHeaderSize, file) == kHeaderSize) {
        wanted = std::min(size, UsableSize(header));
      }
      bytes.resize(static_cast<std::size_t>(wanted));
      read = std::fseek(file, 0, SEEK_SET) == 0 && std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    std::fclose(file);
  }
  if (!read) {
    Print("\nUnable to load TGA File!\n");
    return TgaError::OpenFailed;
  }
  try {
    return DecodeTga(bytes.data(), bytes.size(), out);
  } catch (const std::bad_alloc&) {  // a run-length image bigger than memory allows
    out = TgaImage();
    return TgaError::TooLarge;
  }
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
