// The TGA decoder: public samples from other image libraries, and crafted
// byte strings for every refusal and odd layout.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <fstream>
#include <sstream>

#include "io/console.h"
#include "io/tga.h"
#include "tests/test_support.h"

namespace {
std::string Sha256Hex(const std::vector<unsigned char>& bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned length = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
  std::string hex;
  char pair[3];
  for (unsigned i = 0; i < length; ++i) {
    std::snprintf(pair, sizeof pair, "%02x", digest[i]);
    hex += pair;
  }
  return hex;
}

using Bytes = std::vector<unsigned char>;

// An 18-byte header followed by `body`.
Bytes Tga(int type, int width, int height, int depth, Bytes body, int idLength = 0) {
  Bytes file = {static_cast<unsigned char>(idLength), 0, static_cast<unsigned char>(type), 0, 0, 0, 0, 0,
                0, 0, 0, 0,
                static_cast<unsigned char>(width & 255), static_cast<unsigned char>(width >> 8),
                static_cast<unsigned char>(height & 255), static_cast<unsigned char>(height >> 8),
                static_cast<unsigned char>(depth), 0};
  for (unsigned char byte : body) file.push_back(byte);
  return file;
}

TgaError Decode(const Bytes& file, TgaImage& image) { return DecodeTga(file.data(), file.size(), image); }
}  // namespace

// Every sample decodes to the exact bytes an independent decoder produced.
TEST(TgaSamples, MatchTheExpectedTable) {
  const std::string root = std::string(QUILLMAR_TESTDATA) + "/tga-public/";
  std::ifstream table(root + "expected.tsv");
  ASSERT_TRUE(table) << "missing " << root << "expected.tsv";
  std::string line;
  std::getline(table, line);  // column names
  int checked = 0;
  while (std::getline(table, line)) {
    std::istringstream row(line);
    std::string name, sha;
    int channels, width, height;
    row >> name >> channels >> width >> height >> sha;
    std::string bytes = ReadFileBytes(root + name);
    ASSERT_FALSE(bytes.empty()) << name;
    TgaImage image;
    TgaError error = DecodeTga(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), image);
    ASSERT_EQ(error, TgaError::None) << name << ": " << TgaErrorName(error);
    EXPECT_EQ(image.channels, channels) << name;
    EXPECT_EQ(image.width, width) << name;
    EXPECT_EQ(image.height, height) << name;
    EXPECT_EQ(Sha256Hex(image.pixels), sha) << name;
    ++checked;
  }
  EXPECT_EQ(checked, 46);
}

// Small crafted files: what each decodes to, or which refusal it gets.
TEST(TgaCrafted, DecodeOrRefuseExactly) {
  const Bytes none;
  struct Case {
    const char* what;
    Bytes file;
    TgaError error;
    int channels, width, height;
    Bytes pixels;
  } cases[] = {
      {"24-bit swaps blue and red", Tga(2, 2, 1, 24, {10, 20, 30, 40, 50, 60}), TgaError::None, 3, 2, 1,
       {30, 20, 10, 60, 50, 40}},
      {"32-bit keeps alpha", Tga(2, 1, 1, 32, {1, 2, 3, 4}), TgaError::None, 4, 1, 1, {3, 2, 1, 4}},
      {"16-bit 5-5-5, top bit ignored", Tga(2, 2, 1, 16, {0xFF, 0x7F, 0x00, 0x80}), TgaError::None, 3, 2,
       1, {248, 248, 248, 0, 0, 0}},
      {"rows stay in file order", Tga(2, 1, 2, 24, {1, 0, 0, 2, 0, 0}), TgaError::None, 3, 1, 2,
       {0, 0, 1, 0, 0, 2}},
      {"image ID skipped", Tga(2, 1, 1, 24, {9, 9, 9, 9, 9, 7, 8, 9}, 5), TgaError::None, 3, 1, 1, {9, 8, 7}},
      {"RLE run", Tga(10, 3, 1, 24, {0x82, 1, 2, 3}), TgaError::None, 3, 3, 1, {3, 2, 1, 3, 2, 1, 3, 2, 1}},
      {"RLE raw packet", Tga(10, 2, 1, 24, {0x01, 1, 2, 3, 4, 5, 6}), TgaError::None, 3, 2, 1,
       {3, 2, 1, 6, 5, 4}},
      {"RLE run crosses rows", Tga(10, 2, 2, 24, {0x83, 1, 2, 3}), TgaError::None, 3, 2, 2,
       {3, 2, 1, 3, 2, 1, 3, 2, 1, 3, 2, 1}},
      {"RLE run past the end is clipped", Tga(10, 2, 1, 32, {0xFF, 1, 2, 3, 4, 0x80, 9, 9, 9, 9}),
       TgaError::None, 4, 2, 1, {3, 2, 1, 4, 3, 2, 1, 4}},
      {"RLE ending early leaves zeros", Tga(10, 3, 1, 24, {0x00, 1, 2, 3, 0x81, 7}), TgaError::None, 3, 3,
       1, {3, 2, 1, 0, 0, 0, 0, 0, 0}},
      {"RLE at 16 bits", Tga(10, 2, 1, 16, {0x81, 0xE0, 0x03}), TgaError::None, 3, 2, 1,
       {0, 248, 0, 0, 248, 0}},
      {"zero width", Tga(2, 0, 5, 24, {}), TgaError::None, 3, 0, 5, {}},
      {"zero height RLE", Tga(10, 7, 0, 32, {}), TgaError::None, 4, 7, 0, {}},
      {"grey 8-bit", Tga(3, 1, 1, 8, {5}), TgaError::UnsupportedDepth, 0, 0, 0, none},
      {"RLE 8-bit", Tga(10, 1, 1, 8, {0x80, 5}), TgaError::UnsupportedDepth, 0, 0, 0, none},
      {"15-bit", Tga(2, 1, 1, 15, {0, 0}), TgaError::UnsupportedDepth, 0, 0, 0, none},
      {"header cut short", Bytes(17, 0), TgaError::ShortHeader, 0, 0, 0, none},
      {"ID runs past the end", Tga(2, 1, 1, 24, {1, 2}, 200), TgaError::ShortHeader, 0, 0, 0, none},
      {"pixels cut short", Tga(2, 2, 2, 24, {1, 2, 3, 4, 5, 6}), TgaError::Truncated, 0, 0, 0, none},
      {"huge uncompressed claim", Tga(2, 65535, 65535, 32, {1, 2, 3, 4}), TgaError::Truncated, 0, 0, 0,
       none},
      {"huge RLE claim", Tga(10, 65535, 65535, 32, {0xFF, 1, 2, 3, 4}), TgaError::TooLarge, 0, 0, 0, none},
  };
  for (const Case& c : cases) {
    TgaImage image;
    TgaError error = Decode(c.file, image);
    EXPECT_EQ(error, c.error) << c.what << ": " << TgaErrorName(error);
    EXPECT_EQ(image.channels, c.channels) << c.what;
    EXPECT_EQ(image.width, c.width) << c.what;
    EXPECT_EQ(image.height, c.height) << c.what;
    EXPECT_EQ(image.pixels, c.pixels) << c.what;
  }
}

TEST(TgaCrafted, ColourMapInATrueColourFileIsSkipped) {
  Bytes file = Tga(2, 1, 1, 24, {0xAA, 0xAA, 0xBB, 0xBB, 0xCC, 0xCC, 1, 2, 3});
  file[1] = 1;       // colour map present
  file[5] = 3;       // three entries
  file[7] = 15;      // of 15 bits: two bytes each
  TgaImage image;
  ASSERT_EQ(Decode(file, image), TgaError::None);
  EXPECT_EQ(image.pixels, (Bytes{3, 2, 1}));

  file[5] = 200;  // a colour map longer than the file
  EXPECT_EQ(Decode(file, image), TgaError::ShortHeader);
}

TEST(TgaFiles, MissingFileSaysSoAndOtherFailuresAreSilent) {
  ConsoleCapture console;
  TgaImage image;
  EXPECT_EQ(ReadTga("/nonexistent/x.tga", image), TgaError::OpenFailed);
  EXPECT_EQ(console.Take(), "\nUnable to load TGA File!\n");

  TempDir dir;
  for (const std::string& name : {dir.path(), std::string("/dev/zero")}) {
    EXPECT_EQ(ReadTga(name, image), TgaError::OpenFailed) << name;
    EXPECT_EQ(console.Take(), "\nUnable to load TGA File!\n");
  }

  Bytes grey = Tga(3, 1, 1, 8, {5});
  WriteFileBytes(dir.File("grey.tga"), std::string(grey.begin(), grey.end()));
  EXPECT_EQ(ReadTga(dir.File("grey.tga"), image), TgaError::UnsupportedDepth);
  Bytes good = Tga(2, 1, 1, 24, {1, 2, 3});
  WriteFileBytes(dir.File("good.tga"), std::string(good.begin(), good.end()));
  EXPECT_EQ(ReadTga(dir.File("good.tga"), image), TgaError::None);
  EXPECT_EQ(image.pixels, (Bytes{3, 2, 1}));
  EXPECT_EQ(console.Take(), "");
}
