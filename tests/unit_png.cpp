// PNG output read back by an independent decoder.
#include <gtest/gtest.h>
#include <stb/stb_image.h>

#include "io/png.h"
#include "tests/test_support.h"

TEST(Png, RoundTripsThroughAnIndependentDecoder) {
  for (int channels : {3, 4}) {
    const int w = 5, h = 3;  // odd row lengths catch stride mistakes
    std::vector<unsigned char> pixels(w * h * channels);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>(i * 37);
    std::vector<unsigned char> png;
    ASSERT_TRUE(EncodePng(w, h, channels, pixels.data(), png));
    int dw, dh, dc;
    unsigned char* back = stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &dw,
                                                &dh, &dc, 0);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(dw, w);
    EXPECT_EQ(dh, h);
    EXPECT_EQ(dc, channels);
    EXPECT_EQ(std::vector<unsigned char>(back, back + pixels.size()), pixels);
    stbi_image_free(back);
  }
}

TEST(Png, RefusesBadImagesAndUnwritablePaths) {
  unsigned char pixel[4] = {};
  std::vector<unsigned char> png;
  EXPECT_FALSE(EncodePng(0, 1, 3, pixel, png));
  EXPECT_FALSE(EncodePng(1, 1, 2, pixel, png));
  EXPECT_TRUE(png.empty());
  TempDir dir;
  EXPECT_FALSE(WritePngFile(dir.File("missing/out.png"), 1, 1, 3, pixel));
  EXPECT_TRUE(WritePngFile(dir.File("out.png"), 1, 1, 3, pixel));
  EXPECT_EQ(ReadFileBytes(dir.File("out.png")).substr(1, 3), "PNG");
}
