// Float text written and read by hand must match printf("%f") and
// scanf("%f") byte for byte and bit for bit.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "base/number.h"

namespace {
std::string Formatted(float value) {
  char text[kMaxFixedLength];
  return std::string(text, FormatFixed(value, text));
}

std::string Printed(float value) {
  char text[64];
  std::snprintf(text, sizeof text, "%f", value);
  return text;
}

std::uint32_t Bits(float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

float FromBits(std::uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// ScanFloat and sscanf agree on success, on the value's bits and on where
// the reading stopped; characters kept for printing back are the number's
// own and what printf("%f") writes for it. Returns whether they were kept.
bool ExpectScansLikeScanf(const std::string& text) {
  float expected = -7.0f, got = -7.0f;
  int stop = -1;
  bool matched = std::sscanf(text.c_str(), "%f%n", &expected, &stop) == 1;
  std::string padded = text + std::string(sizeof(FixedText::bytes), '\0');
  FixedText kept;
  std::size_t used = ScanFloat(padded.data(), padded.data() + text.size(), got, &kept);
  EXPECT_EQ(used != 0, matched) << '"' << text << '"';
  if (!matched) return false;
  EXPECT_EQ(used, static_cast<std::size_t>(stop)) << '"' << text << '"';
  EXPECT_EQ(Bits(got), Bits(expected)) << '"' << text << '"';
  if (kept.length == 0) return false;
  std::string keptText(kept.bytes, kept.length);
  EXPECT_EQ(keptText, text.substr(used - kept.length, kept.length)) << '"' << text << '"';
  EXPECT_EQ(keptText, Printed(got)) << '"' << text << '"';
  return true;
}
}  // namespace

TEST(Number, FormatsLikePrintf) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  std::vector<float> values = {0.0f, -0.0f, 1.0f, -1.0f, 0.1f, -0.1f, 1e-7f, -1e-7f, 5e-7f,
                               4.9999997e-7f, 5.0000006e-7f, 0.9999995f, 0.99999952f,
                               999999.94f, 123456.789f, 16777216.0f, 1.8446744e19f,
                               1.8446746e19f, 1e19f, 1e20f, 3e38f, FLT_MAX, -FLT_MAX, FLT_MIN,
                               FLT_TRUE_MIN, -FLT_TRUE_MIN, HUGE_VALF, -HUGE_VALF, nan, -nan,
                               // Either side of 2^32, where the double-product path ends.
                               4294967296.0f, -4294967296.0f, 4294967040.0f, -4294967040.0f,
                               4294967808.0f, 2147483648.5f, 0.0000005f, 0.0000015f};
  // Halves of the sixth decimal that floats hold exactly: ties to even.
  for (int k = 1; k < 4096; k += 2) {
    values.push_back(k / 128.0f);
    values.push_back(-k / 256.0f);
    values.push_back(std::nextafter(k / 128.0f, 0.0f));
    values.push_back(std::nextafter(k / 128.0f, 100.0f));
  }
  for (float v : values) EXPECT_EQ(Formatted(v), Printed(v)) << std::hexfloat << v;
}

TEST(Number, FormatsRandomFloatsLikePrintf) {
  std::mt19937 random(12345);
  for (int i = 0; i < 300000; ++i) {
    float v = FromBits(random());
    if (i % 2 == 1) v = std::ldexp(static_cast<float>(random() % 100000000), -(i % 30));
    ASSERT_EQ(Formatted(v), Printed(v)) << std::hexfloat << v;
  }
  char text[11];
  for (int id : {0, 7, -1, 1234567, INT32_MAX, INT32_MIN}) {
    EXPECT_EQ(std::string(text, FormatInt(id, text)), std::to_string(id));
  }
}

TEST(Number, ScansLikeScanf) {
  const char* texts[] = {
      "0", "-0", "+0", "1", "-1.5", "  \t\n\v\f\r 7", "1e3", "+.5", "-.5e-2", "5.", ".", "-.",
      "+", "-", "", "   ", "+-1", "1.5.5", "1e", "1e+", "1ex", "1e+x", "1E5", "e5", ".e1",
      "0x", "0xg", "0x.", "-0x.", "0x.p1", "0x1p", "0x1p+", "0x1pz", "0X1P3", "0x1.8p-149",
      "0x1p-150", "0xp3", "0x1.p3", "0x1.fffffep127", "0x1.ffffffp127", "00x1", "0xABCDEFp-20",
      "inf", "-INF", "infx", "infi", "infinity", "INFINITYx", "infinit", "nan", "-nan", "NaN(12)",
      "nanx", "na", "nx", "i", "1e1000", "-1e1000", "1e-50", "-1e-46", "1e-45", "7e-46",
      "3.4028235e38", "3.4028236e38", "3.40282357e38", "1.17549435e-38", "0.0000005",
      "1e400000000000000000000", "1.0000000596046447753906250", "1.00000005960464477539062501",
      "0.000000000000000000000000000000000000000000001401298464324817070923729583289916",
      "123456789012345678901234567890", "16777217", "5.331508485478385e+20",
      // Next to halfway points between floats, where a double product misleads.
      "14.64536428451538", "75.17016220092773", "0.4728260487318039",
      "3355443.3", "1,5", "1 2", "-0.000000", "12abc", "\0015",
      // six decimals that "%f" writes back for their value, or writes otherwise
      ".500000 1", "00.500000 1", "+1.000000 1", "16777217.000000 1", "1234.567891 1",
      "-123456789012.000000 1", "96313.960938 1", "-0.000000 1"};
  for (const char* text : texts) ExpectScansLikeScanf(text);
}

// Numbers as the editor writes them and in other spellings, and random
// strings over the characters a number is made of.
TEST(Number, ScansRandomTextLikeScanf) {
  std::mt19937 random(6789);
  const char* formats[] = {"%f", "%.9g", "%a", "%e", "%.3f", "%.20e", " %+g"};
  char text[128];
  for (int i = 0; i < 200000; ++i) {
    float v = i % 2 == 0 ? FromBits(random()) : static_cast<float>(random() % 2000000) / 1000;
    std::snprintf(text, sizeof text, formats[i % 7], v);
    ExpectScansLikeScanf(text);
    if (HasFailure()) return;
  }
  const char alphabet[] = "0123456789..eE+-xXpPaAfFiInNtTy \n";
  for (int i = 0; i < 200000; ++i) {
    std::string random_text;
    for (int n = random() % 12; n > 0; --n) random_text += alphabet[random() % (sizeof alphabet - 1)];
    ExpectScansLikeScanf(random_text);
    if (HasFailure()) return;
  }
}

// Six decimals and a blank, as the editor writes numbers, are read eight
// characters at a time when at least nine remain: random values and digit
// strings, followed by every kind of character, against sscanf.
TEST(Number, ScansSixDecimalsFollowedByTextLikeScanf) {
  std::mt19937 random(4242);
  const char* tails[] = {" 1", "\n0", "\t\t", "e5 ", "E-2 ", "x  ", ". 1", "5  ", "\v1",
                         "a  ", "p3 ", "\r\n ", ",1 ", "-1 ", "\x80  "};
  char text[128];
  for (int i = 0; i < 300000; ++i) {
    int length;
    if (i % 3 == 0) {
      length = std::snprintf(text, sizeof text, "%f", FromBits(random()));
    } else if (i % 3 == 1) {
      float v = static_cast<float>(static_cast<int>(random() % 2000000000) - 1000000000) / 1e4f;
      length = std::snprintf(text, sizeof text, " %f", v);
    } else {  // digits no float holds exactly, a sign, leading zeros, 5 to 7 decimals
      length = std::snprintf(text, sizeof text, "%s%u.%0*u", i % 4 == 0 ? "-" : i % 5 == 0 ? "+" : "",
                             static_cast<unsigned>(random() % (1u << (random() % 32))), 5 + i % 3,
                             static_cast<unsigned>(random() % 10000000));
    }
    const char* tail = tails[random() % 15];
    std::snprintf(text + length, sizeof text - length, "%s", tail);
    bool kept = ExpectScansLikeScanf(text);
    // What the editor writes ends with a blank and is copied, not formatted,
    // when a scene is loaded.
    if (i % 3 == 1 && IsAsciiSpace(*tail)) {
      EXPECT_TRUE(kept) << '"' << text << '"';
    }
    if (HasFailure()) return;
  }
}
