// The TGA decoder: public samples from other image libraries, and crafted
// byte strings for every refusal and odd layout.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "io/tga.h"
#include "tests/test_support.h"

namespace {
using Bytes = std::vector<unsigned char>;

std::string Sha256Hex(const Bytes& bytes) {
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

// An 18-byte header followed by `body`.
Bytes Tga(int type, int width, int height, int depth, const Bytes& body, int idLength = 0) {
  auto byte = [](int value) { return static_cast<unsigned char>(value); };
  Bytes file = {byte(idLength), 0, byte(type), 0, 0, 0, 0, 0, 0, 0, 0, 0,
                byte(width), byte(width >> 8), byte(height), byte(height >> 8), byte(depth), 0};
  file.insert(file.end(), body.begin(), body.end());
  return file;
}

// `file` with a colour map of `entries` entries of `bits` bits declared in
// its header; the map itself must already be in the body.
Bytes WithColourMap(Bytes file, int entries, int bits) {
  file[1] = 1;
  file[5] = static_cast<unsigned char>(entries);
  file[6] = static_cast<unsigned char>(entries >> 8);
  file[7] = static_cast<unsigned char>(bits);
  return file;
}

// `count` copies of `pixel` followed by `zeros` zero bytes.
Bytes Repeat(const Bytes& pixel, int count, int zeros = 0) {
  Bytes out;
  for (int i = 0; i < count; ++i) out.insert(out.end(), pixel.begin(), pixel.end());
  out.resize(out.size() + zeros);
  return out;
}
}  // namespace

// Every sample decodes to the exact bytes an independent decoder produced.
TEST(TgaSamples, MatchTheExpectedTable) {
  // The samples belong to other projects and live outside the repository.
  const std::string root = std::string(QUILLMAR_TESTDATA) + "/tga-public/";
  std::ifstream table(root + "expected.tsv");
  if (!table) {
    const char* require = std::getenv("QUILLMAR_REQUIRE_SAMPLES");
    const std::string where = "the TGA samples go in " + root + " (with expected.tsv)";
    if (require != nullptr && std::string(require) == "1") FAIL() << "missing samples: " << where;
    GTEST_SKIP() << "no samples: " << where;
  }
  std::string line;
  std::getline(table, line);  // column names
  int checked = 0;
  while (std::getline(table, line)) {
    std::istringstream row(line);
    std::string name, sha;
    int channels = 0, width = 0, height = 0;
    row >> name >> channels >> width >> height >> sha;
    SCOPED_TRACE(name);
    ++checked;
    const std::string bytes = ReadFileBytes(root + name);
    TgaImage image;
    TgaError error = DecodeTga(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), image);
    if (error != TgaError::None || bytes.empty()) {
      ADD_FAILURE() << TgaErrorName(error) << ", file of " << bytes.size() << " bytes";
      continue;
    }
    EXPECT_EQ(image.channels, channels);
    EXPECT_EQ(image.width, width);
    EXPECT_EQ(image.height, height);
    EXPECT_EQ(Sha256Hex(image.pixels), sha);
  }
  EXPECT_EQ(checked, 46);
}

// Small crafted files: what each decodes to, or which refusal it gets.
TEST(TgaCrafted, DecodeOrRefuseExactly) {
  const TgaError ok = TgaError::None;
  struct Case {
    const char* what;
    Bytes file;
    TgaError error;
    int channels, width, height;
    Bytes pixels;
  } cases[] = {
      {"24-bit swaps blue and red", Tga(2, 2, 1, 24, {10, 20, 30, 40, 50, 60}), ok, 3, 2, 1,
       {30, 20, 10, 60, 50, 40}},
      {"32-bit keeps alpha", Tga(2, 1, 1, 32, {1, 2, 3, 4}), ok, 4, 1, 1, {3, 2, 1, 4}},
      {"16-bit 5-5-5, top bit ignored", Tga(2, 2, 1, 16, {0xFF, 0x7F, 0x00, 0x80}), ok, 3, 2, 1,
       {248, 248, 248, 0, 0, 0}},
      {"rows stay in file order", Tga(2, 1, 2, 24, {1, 0, 0, 2, 0, 0}), ok, 3, 1, 2, {0, 0, 1, 0, 0, 2}},
      {"image ID skipped", Tga(2, 1, 1, 24, {9, 9, 9, 9, 9, 7, 8, 9}, 5), ok, 3, 1, 1, {9, 8, 7}},
      {"colour map skipped", WithColourMap(Tga(2, 1, 1, 24, {0xAA, 0xAA, 0xBB, 0xBB, 0xCC, 0xCC, 1, 2, 3}), 3, 15),
       ok, 3, 1, 1, {3, 2, 1}},
      {"RLE run", Tga(10, 3, 1, 24, {0x82, 1, 2, 3}), ok, 3, 3, 1, Repeat({3, 2, 1}, 3)},
      {"RLE raw packet", Tga(10, 2, 1, 24, {0x01, 1, 2, 3, 4, 5, 6}), ok, 3, 2, 1, {3, 2, 1, 6, 5, 4}},
      {"RLE run crosses rows", Tga(10, 2, 2, 24, {0x83, 1, 2, 3}), ok, 3, 2, 2, Repeat({3, 2, 1}, 4)},
      {"RLE run past the last pixel clipped", Tga(10, 2, 1, 32, {0xFF, 1, 2, 3, 4, 0x80, 9, 9, 9, 9}), ok, 4, 2,
       1, Repeat({3, 2, 1, 4}, 2)},
      {"RLE raw packet past the last pixel clipped", Tga(10, 1, 1, 24, {0x01, 1, 2, 3, 4, 5, 6}), ok, 3, 1, 1,
       {3, 2, 1}},
      {"RLE run pixel cut short leaves zeros", Tga(10, 3, 1, 24, {0x00, 1, 2, 3, 0x81, 7}), ok, 3, 3, 1,
       Repeat({3, 2, 1}, 1, 6)},
      {"RLE raw packet cut short leaves zeros", Tga(10, 3, 1, 24, {0x02, 1, 2, 3, 4, 5}), ok, 3, 3, 1,
       Repeat({3, 2, 1}, 1, 6)},
      {"RLE at 16 bits", Tga(10, 3, 1, 16, {0x81, 0xE0, 0x03, 0x00, 0x1F, 0x7C}), ok, 3, 3, 1,
       {0, 248, 0, 0, 248, 0, 248, 0, 248}},
      {"RLE claim at the size limit", Tga(10, 736, 1, 32, {0xFF, 1, 2, 3, 4}), ok, 4, 736, 1,
       Repeat({3, 2, 1, 4}, 128, 608 * 4)},
      {"zero width", Tga(2, 0, 5, 24, {}), ok, 3, 0, 5, {}},
      {"zero height RLE", Tga(10, 7, 0, 32, {}), ok, 4, 7, 0, {}},
      {"grey 8-bit", Tga(3, 1, 1, 8, {5}), TgaError::UnsupportedDepth, 0, 0, 0, {}},
      {"RLE 8-bit", Tga(10, 1, 1, 8, {0x80, 5}), TgaError::UnsupportedDepth, 0, 0, 0, {}},
      {"15-bit", Tga(2, 1, 1, 15, {0, 0}), TgaError::UnsupportedDepth, 0, 0, 0, {}},
      {"header cut short", Bytes(17, 0), TgaError::ShortHeader, 0, 0, 0, {}},
      {"ID runs past the end", Tga(2, 1, 1, 24, {1, 2}, 200), TgaError::ShortHeader, 0, 0, 0, {}},
      {"colour map runs past the end", WithColourMap(Tga(2, 1, 1, 24, {1, 2, 3, 4}), 2, 24),
       TgaError::ShortHeader, 0, 0, 0, {}},
      {"pixels cut short", Tga(2, 2, 2, 24, {1, 2, 3, 4, 5, 6}), TgaError::Truncated, 0, 0, 0, {}},
      {"huge uncompressed claim", Tga(2, 65535, 65535, 32, {1, 2, 3, 4}), TgaError::Truncated, 0, 0, 0, {}},
      {"RLE claim over the size limit", Tga(10, 737, 1, 32, {0xFF, 1, 2, 3, 4}), TgaError::TooLarge, 0, 0, 0, {}},
      {"huge RLE claim", Tga(10, 65535, 65535, 32, {0xFF, 1, 2, 3, 4}), TgaError::TooLarge, 0, 0, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TgaImage image;  // left over from an earlier decode: must be replaced
    image.channels = image.width = image.height = 9;
    image.pixels = {1, 2, 3};
    TgaError error = DecodeTga(c.file.data(), c.file.size(), image);
    EXPECT_EQ(error, c.error) << TgaErrorName(error);
    EXPECT_EQ(image.channels, c.channels);
    EXPECT_EQ(image.width, c.width);
    EXPECT_EQ(image.height, c.height);
    EXPECT_EQ(image.pixels, c.pixels);
  }
}

TEST(TgaFiles, UnreadableFilesSaySoAndOtherFailuresAreSilent) {
  ConsoleCapture console;
  TempDir dir;
  TgaImage image;
  for (const std::string& name : {std::string("/nonexistent/x.tga"), dir.path(), std::string("/dev/zero")}) {
    EXPECT_EQ(ReadTga(name, image), TgaError::OpenFailed) << name;
    EXPECT_EQ(console.Take(), "\nUnable to load TGA File!\n") << name;
  }

  const Bytes grey = Tga(3, 1, 1, 8, {5});
  WriteFileBytes(dir.File("grey.tga"), std::string(grey.begin(), grey.end()));
  EXPECT_EQ(ReadTga(dir.File("grey.tga"), image), TgaError::UnsupportedDepth);
  const Bytes good = Tga(2, 1, 2, 24, {1, 2, 3, 4, 5, 6});
  WriteFileBytes(dir.File("good.tga"), std::string(good.begin(), good.end()));
  EXPECT_EQ(ReadTga(dir.File("good.tga"), image), TgaError::None);
  EXPECT_EQ(image.pixels, (Bytes{3, 2, 1, 6, 5, 4}));
  EXPECT_EQ(console.Take(), "");
}

// A small image followed by gigabytes of zeros (a sparse file) loads under an
// address-space limit far below the file's size: only the image is read.
TEST(TgaFiles, ReadsOnlyWhatTheHeaderNeeds) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "AddressSanitizer cannot run under an address-space limit";
#endif
  TempDir dir;
  const std::string name = dir.File("big.tga");
  const Bytes file = Tga(2, 2, 2, 24, Repeat({1, 2, 3}, 4));
  WriteFileBytes(name, std::string(file.begin(), file.end()));
  ASSERT_EQ(truncate(name.c_str(), off_t{3} << 30), 0);
  pid_t child = fork();
  if (child == 0) {
    rlimit limit{2000000ul * 1024, 2000000ul * 1024};
    setrlimit(RLIMIT_AS, &limit);
    TgaImage image;
    _exit(ReadTga(name, image) == TgaError::None && image.width == 2 && image.height == 2 ? 0 : 1);
  }
  int status = -1;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}
