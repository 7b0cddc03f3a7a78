// TGA decoding against stb_image's decoder on the same in-memory files.
#include <benchmark/benchmark.h>
#include <stb/stb_image.h>

#include <vector>

#include "io/tga.h"

namespace {
using Bytes = std::vector<unsigned char>;
constexpr int kSize = 1024;  // every sample is kSize x kSize pixels

// Top-left origin, so neither decoder has rows to flip.
Bytes Header(int type, int depth) {
  return {0, 0, static_cast<unsigned char>(type), 0, 0, 0, 0, 0, 0, 0, 0, 0,
          kSize & 255, kSize >> 8, kSize & 255, kSize >> 8, static_cast<unsigned char>(depth), 0x20};
}

unsigned Next(unsigned& state) {
  state = state * 1103515245 + 12345;
  return state >> 16;
}

// Uncompressed noise-like pixels, as in a photograph.
Bytes Raw(int depth) {
  Bytes file = Header(2, depth);
  unsigned state = 12345;
  for (long i = 0; i < static_cast<long>(kSize) * kSize * (depth / 8); ++i) {
    file.push_back(static_cast<unsigned char>(Next(state)));
  }
  return file;
}

// Run-length packets of 1 to 16 pixels, runs and raw packets mixed at
// random, as drawn artwork tends to be.
Bytes Rle(int depth) {
  Bytes file = Header(10, depth);
  unsigned state = 777;
  for (long done = 0; done < static_cast<long>(kSize) * kSize;) {
    const unsigned r = Next(state);
    const int count = 1 + r % 16;
    const bool run = (r >> 4) & 1;
    file.push_back(static_cast<unsigned char>((run ? 128 : 0) + count - 1));
    for (int i = 0; i < (run ? depth / 8 : count * depth / 8); ++i) {
      file.push_back(static_cast<unsigned char>(Next(state)));
    }
    done += count;
  }
  return file;
}

enum Sample { kRaw24, kRaw32, kRaw16, kRle24, kRle32 };

const Bytes& File(Sample sample) {
  static const Bytes files[] = {Raw(24), Raw(32), Raw(16), Rle(24), Rle(32)};
  return files[sample];
}

void BM_Ours(benchmark::State& state, Sample sample) {
  const Bytes& file = File(sample);
  for (auto _ : state) {
    TgaImage image;
    if (DecodeTga(file.data(), file.size(), image) != TgaError::None) state.SkipWithError("refused");
    benchmark::DoNotOptimize(image.pixels.data());
  }
}

void BM_Stb(benchmark::State& state, Sample sample) {
  const Bytes& file = File(sample);
  for (auto _ : state) {
    int width, height, channels;
    stbi_uc* pixels = stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &width, &height, &channels, 0);
    if (pixels == nullptr) state.SkipWithError("refused");
    benchmark::DoNotOptimize(pixels);
    stbi_image_free(pixels);
  }
}
}  // namespace

BENCHMARK_CAPTURE(BM_Ours, raw24, kRaw24)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Stb, raw24, kRaw24)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Ours, raw32, kRaw32)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Stb, raw32, kRaw32)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Ours, raw16, kRaw16)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Stb, raw16, kRaw16)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Ours, rle24, kRle24)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Stb, rle24, kRle24)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Ours, rle32, kRle32)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Stb, rle32, kRle32)->Unit(benchmark::kMicrosecond);
