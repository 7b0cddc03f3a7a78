// TGA decoding against stb_image's decoder on the same in-memory files.
#include <benchmark/benchmark.h>
#include <stb/stb_image.h>

#include <vector>

#include "io/tga.h"

namespace {
using Bytes = std::vector<unsigned char>;

Bytes Header(int type, int size, int depth) {
  return {0, 0, static_cast<unsigned char>(type), 0, 0, 0, 0, 0, 0, 0, 0, 0,
          static_cast<unsigned char>(size & 255), static_cast<unsigned char>(size >> 8),
          static_cast<unsigned char>(size & 255), static_cast<unsigned char>(size >> 8),
          static_cast<unsigned char>(depth), 0x20};
}

// A 1024 x 1024 uncompressed image of noise-like pixels.
Bytes Raw(int depth) {
  const int size = 1024;
  Bytes file = Header(2, size, depth);
  unsigned state = 12345;
  for (long i = 0; i < static_cast<long>(size) * size * (depth / 8); ++i) {
    state = state * 1103515245 + 12345;
    file.push_back(static_cast<unsigned char>(state >> 16));
  }
  return file;
}

// A 1024 x 1024 run-length image: runs of 1 to 16 pixels, alternating with
// raw packets, as drawn artwork tends to be.
Bytes Rle(int depth) {
  const int size = 1024, bytes = depth / 8;
  Bytes file = Header(10, size, depth);
  unsigned state = 777;
  for (long done = 0; done < static_cast<long>(size) * size;) {
    state = state * 1103515245 + 12345;
    int count = 1 + (state >> 16) % 16;
    bool run = (state >> 8) & 1;
    file.push_back(static_cast<unsigned char>((run ? 128 : 0) + count - 1));
    for (int p = 0; p < (run ? 1 : count); ++p) {
      for (int b = 0; b < bytes; ++b) file.push_back(static_cast<unsigned char>(state >> (b * 3)));
    }
    done += count;
  }
  return file;
}

const Bytes& Sample(int which) {
  static const Bytes samples[] = {Raw(24), Raw(32), Rle(24), Rle(32)};
  return samples[which];
}

void BM_Ours(benchmark::State& state) {
  const Bytes& file = Sample(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    TgaImage image;
    benchmark::DoNotOptimize(DecodeTga(file.data(), file.size(), image));
    benchmark::DoNotOptimize(image.pixels.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long>(file.size()));
}

void BM_StbImage(benchmark::State& state) {
  const Bytes& file = Sample(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    int w, h, n;
    stbi_uc* pixels = stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &w, &h, &n, 0);
    benchmark::DoNotOptimize(pixels);
    stbi_image_free(pixels);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long>(file.size()));
}
}  // namespace

// 0: raw 24-bit, 1: raw 32-bit, 2: RLE 24-bit, 3: RLE 32-bit
BENCHMARK(BM_Ours)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StbImage)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
