#include "base/number.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace {
using Wide = unsigned __int128;  // holds every finite float's integer part

// Every number below 1000 as three digits with leading zeros (and a spare
// byte, for four-byte copies), and as its own digits followed by their count.
struct DigitTables {
  char padded[1000][4];
  char plain[1000][4];
};

constexpr DigitTables MakeDigitTables() {
  DigitTables tables{};
  for (int i = 0; i < 1000; ++i) {
    char* padded = tables.padded[i];
    padded[0] = static_cast<char>('0' + i / 100);
    padded[1] = static_cast<char>('0' + i / 10 % 10);
    padded[2] = static_cast<char>('0' + i % 10);
    int length = i >= 100 ? 3 : i >= 10 ? 2 : 1;
    for (int j = 0; j < length; ++j) tables.plain[i][j] = padded[3 - length + j];
    tables.plain[i][3] = static_cast<char>(length);
  }
  return tables;
}

constexpr DigitTables kDigits = MakeDigitTables();

// Two digits of a number below 100.
void WritePair(unsigned pair, char* out) { std::memcpy(out, kDigits.padded[pair] + 1, 2); }

// The digits of `value`, no leading zeros ("0" for zero).
char* WriteUnsigned(std::uint64_t value, char* out) {
  int length = 1;
  for (std::uint64_t bound = 10; length < 20 && value >= bound; bound *= 10) ++length;
  char* digit = out + length;
  while (value >= 100) {
    digit -= 2;
    WritePair(static_cast<unsigned>(value % 100), digit);
    value /= 100;
  }
  if (value >= 10) {
    WritePair(static_cast<unsigned>(value), digit - 2);
  } else {
    digit[-1] = static_cast<char>('0' + value);
  }
  return out + length;
}

char* WriteWide(Wide value, char* out) {
  if (value <= UINT64_MAX) return WriteUnsigned(static_cast<std::uint64_t>(value), out);
  constexpr std::uint64_t kTen19 = 10000000000000000000ull;
  out = WriteWide(value / kTen19, out);
  auto low = static_cast<std::uint64_t>(value % kTen19);
  for (int i = 18; i >= 0; --i, low /= 10) out[i] = static_cast<char>('0' + low % 10);
  return out + 19;
}

bool IsDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }
char Lower(char c) { return static_cast<char>(c | 0x20); }  // for comparing with letters only
bool IsHexDigit(char c) { return IsDigit(c) || static_cast<unsigned char>(Lower(c) - 'a') < 6; }

// Steps over `word` (lower case) at `p` in any case. False when the input
// differs or ends first.
bool MatchWord(const char*& p, const char* end, const char* word) {
  for (; *word != '\0'; ++word, ++p) {
    if (p == end || Lower(*p) != *word) return false;
  }
  return true;
}

// The float nearest significand * 10^power, when one double product finds
// it: significand and power are exact doubles, the product is within two
// units in the last place of the exact value, and rounding it to float is
// right unless it lies that close to a halfway point between two floats.
// False when it cannot tell.
bool QuickDecimal(std::uint64_t significand, int power, float& value) {
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  static constexpr double kInversePowers[] = {
      1e0,   1e-1,  1e-2,  1e-3,  1e-4,  1e-5,  1e-6,  1e-7,  1e-8,  1e-9,  1e-10, 1e-11,
      1e-12, 1e-13, 1e-14, 1e-15, 1e-16, 1e-17, 1e-18, 1e-19, 1e-20, 1e-21, 1e-22};
  if (significand > (std::uint64_t{1} << 53) || power < -22 || power > 22) return false;
  double product = static_cast<double>(significand) *
                   (power < 0 ? kInversePowers[-power] : kPowers[power]);
  std::uint64_t bits;
  std::memcpy(&bits, &product, sizeof bits);
  // The low 29 bits are what float drops; 0x10000000 is exactly halfway.
  if ((bits & 0x1fffffff) - (0x10000000 - 8) <= 16) return false;
  value = static_cast<float>(product);
  return true;
}

// Appends the digits at `p` to `significand` (wrapping past 19 digits),
// adds their number to `count` and returns their end.
const char* ReadDigits(const char* p, const char* end, std::uint64_t& significand, int& count) {
  for (; p != end && IsDigit(*p); ++p, ++count) significand = significand * 10 + (*p - '0');
  return p;
}

// Six decimals at a time: the editor writes every number with six, as
// printf's "%f" does. A chunk holds eight characters, the first in its
// lowest byte.
constexpr bool kLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

// True when the eight characters at `p` are six digits and a blank, and
// sets their value. Subtracting '0' borrows only into later bytes and adding
// 0x76 carries only out of bytes that are not digits, so a top bit set in
// the first six bytes marks a character that is not a digit.
bool ReadSixDecimals(const char* p, std::uint64_t& six) {
  std::uint64_t chunk;
  std::memcpy(&chunk, p, sizeof chunk);
  std::uint64_t x = chunk - 0x3030303030303030;
  bool digits = ((x | (x + 0x7676767676767676)) & 0x0000808080808080) == 0;
  if (!digits || !IsAsciiSpace(static_cast<char>(chunk >> 48))) return false;
  x <<= 16;  // the digits at the top, below two zeros
  x = x * 10 + (x >> 8);
  six = ((x & 0x000000ff000000ff) * (100 + (1000000ull << 32)) +
         ((x >> 16) & 0x000000ff000000ff) * (1 + (10000ull << 32))) >> 32;
  return true;
}

// What strtof makes of a number text, for the rare cases from_chars leaves:
// values that overflow or underflow.
float StrToFloat(const char* begin, const char* end) {
  std::string text(begin, end);
  return std::strtof(text.c_str(), nullptr);
}
}  // namespace

namespace {
constexpr float kTwo32 = 4294967296.0f;

// `magnitude` (below 2^32) in millionths, rounded as "%f" rounds. Below
// 2^32, magnitude * 10^6 is exact in a double (24 significant bits times
// 15625 * 2^6) and under 2^52, where adding and taking away 2^52 rounds it
// to a whole number, ties to even (the default rounding mode, which the
// program never changes).
std::uint64_t Millionths(float magnitude) {
  constexpr double kTwo52 = 4503599627370496.0;
  double scaled = static_cast<double>(magnitude) * 1e6;
  return static_cast<std::uint64_t>((scaled + kTwo52) - kTwo52);
}

// Writes `whole`, a point and six digits of `six` (below 10^6).
char* WriteFixed(std::uint64_t whole, unsigned six, char* out) {
  if (whole < 1000) {
    std::memcpy(out, kDigits.plain[whole], 4);  // the fourth byte is overwritten
    out += kDigits.plain[whole][3];
  } else {
    out = WriteUnsigned(whole, out);
  }
  *out = '.';
  std::memcpy(out + 1, kDigits.padded[six / 1000], 4);  // the fourth byte is overwritten
  std::memcpy(out + 4, kDigits.padded[six % 1000], 4);  // and this one is spare
  return out + 7;
}
}  // namespace

char* FormatFixed(float value, char* out) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  *out = '-';  // kept only for a set sign bit
  out += bits >> 31;
  float magnitude = std::fabs(value);
  if (magnitude < kTwo32) {
    std::uint64_t millionths = Millionths(magnitude);
    return WriteFixed(millionths / 1000000, static_cast<unsigned>(millionths % 1000000), out);
  }
  std::uint32_t exponent = (bits >> 23) & 0xff;
  std::uint32_t fraction = bits & 0x7fffff;
  if (exponent == 0xff) {
    std::memcpy(out, fraction != 0 ? "nan" : "inf", 3);
    return out + 3;
  }
  // From 2^32 up a float is a whole number, (fraction + 2^23) * 2^power
  // with power at least 9.
  std::uint64_t mantissa = fraction | 0x800000;
  int power = static_cast<int>(exponent) - 150;
  if (power > 39) {  // beyond 64 bits
    out = WriteWide(static_cast<Wide>(mantissa) << power, out);
    return AppendText(out, ".000000");
  }
  return WriteFixed(mantissa << power, 0, out);
}

namespace {
char* FormatFixedFrom(float value, const FixedText* text, char* out) {
  if (text == nullptr || text->length == 0) return FormatFixed(value, out);
  std::memcpy(out, text->bytes, sizeof text->bytes);
  return out + text->length;
}
}  // namespace

char* FormatFixed3(float a, float b, float c, std::string_view separator, char* out,
                   const FixedText* texts) {
  out = FormatFixedFrom(a, texts, out);
  out = AppendText(out, separator);
  out = FormatFixedFrom(b, texts ? texts + 1 : nullptr, out);
  out = AppendText(out, separator);
  return FormatFixedFrom(c, texts ? texts + 2 : nullptr, out);
}

char* FormatInt(int value, char* out) { return std::to_chars(out, out + 11, value).ptr; }

namespace {
// The characters taken follow the C library's scanf: it collects the longest
// run that could still begin a number, then converts the part of it that
// strtof accepts ("1e+" is taken whole and is worth 1). `number` is where
// the number starts, `body` where it starts after its sign.
__attribute__((noinline)) std::size_t ScanAnyFloat(const char* begin, const char* number,
                                                   const char* body, const char* end,
                                                   float& value) {
  bool negative = *number == '-';
  const char* p = body;
  if (Lower(*p) == 'n') {
    if (!MatchWord(p, end, "nan")) return 0;
    value = std::copysign(std::numeric_limits<float>::quiet_NaN(), negative ? -1.0f : 1.0f);
    return p - begin;
  }
  if (Lower(*p) == 'i') {
    if (!MatchWord(p, end, "inf")) return 0;
    if (p != end && Lower(*p) == 'i' && !MatchWord(p, end, "inity")) return 0;
    value = negative ? -HUGE_VALF : HUGE_VALF;
    return p - begin;
  }

  bool hex = *p == '0' && p + 1 != end && Lower(p[1]) == 'x';
  if (hex) p += 2;
  const char* digits = p;
  const char exponentChar = hex ? 'p' : 'e';
  bool gotDigit = false, gotDot = false, gotExponent = false;
  const char* valueEnd = nullptr;  // end of the part strtof converts
  for (; p != end; ++p) {
    char c = *p;
    if (IsDigit(c) || (hex && !gotExponent && IsHexDigit(c))) {
      gotDigit = true;
      valueEnd = p + 1;
    } else if (gotExponent && Lower(p[-1]) == exponentChar && (c == '-' || c == '+')) {
      // the exponent's sign
    } else if (gotDigit && !gotExponent && Lower(c) == exponentChar) {
      gotExponent = gotDot = true;
    } else if (!gotDot && c == '.') {
      gotDot = true;
    } else {
      break;
    }
  }
  if (p == body || (hex && p == digits)) return 0;  // nothing, or a bare "0x"
  float magnitude = 0;  // "0x." is worth the "0" before the x
  if (valueEnd == nullptr) {
    if (!hex) return 0;  // a lone point
  } else {
    auto format = hex ? std::chars_format::hex : std::chars_format::general;
    auto result = std::from_chars(hex ? digits : body, valueEnd, magnitude, format);
    if (result.ec != std::errc() || result.ptr != valueEnd) {
      value = StrToFloat(number, valueEnd);  // out of range: infinity or zero
      return p - begin;
    }
  }
  value = negative ? -magnitude : magnitude;
  return p - begin;
}
}  // namespace

// The usual number, digits with at most one point and no exponent, is read
// here; anything else by ScanAnyFloat.
std::size_t ScanFloat(const char* begin, const char* end, float& value, FixedText* text) {
  if (text != nullptr) text->length = 0;
  const char* p = begin;
  while (p != end && IsAsciiSpace(*p)) ++p;
  if (p == end) return 0;
  const char* number = p;
  bool negative = *p == '-';
  p += negative | (*p == '+');  // no branch on the sign
  if (p == end) return 0;
  const char* body = p;

  std::uint64_t significand = 0;
  int count = 0, fractionDigits = 0;
  p = ReadDigits(p, end, significand, count);
  float magnitude;
  std::uint64_t six;
  if (kLittleEndian && end - p >= 9 && *p == '.' && count <= 13 && ReadSixDecimals(p + 1, six)) {
    // A blank ends the number; at most 19 digits, none lost.
    if (!QuickDecimal(significand * 1000000 + six, -6, magnitude)) {
      return ScanAnyFloat(begin, number, body, end, value);
    }
    // The characters are what "%f" writes for the value when they fit,
    // there is no plus sign, one whole digit or more and no leading zero,
    // and the value rounds to the text's millionths: always below 16, where
    // floats lie less than a millionth apart, and for whole numbers up to
    // 2^24, which floats hold exactly; elsewhere below 2^32 as worked out.
    if (text != nullptr && p + 7 - number <= static_cast<std::ptrdiff_t>(sizeof text->bytes) &&
        *number != '+' && count >= 1 && (count == 1 || *body != '0') &&
        (significand < 16 || (six == 0 && significand <= (1u << 24)) ||
         (magnitude < kTwo32 && Millionths(magnitude) == significand * 1000000 + six))) {
      std::memcpy(text->bytes, number, sizeof text->bytes);
      text->length = static_cast<unsigned char>(p + 7 - number);
    }
    p += 7;
  } else {
    if (p != end && *p == '.') p = ReadDigits(p + 1, end, significand, fractionDigits);
    count += fractionDigits;
    // The next character must not continue the number ("1.5e3", "0x1", "1.2.").
    if (count == 0 || count > 19 ||
        (p != end && (Lower(*p) == 'e' || Lower(*p) == 'x' || *p == '.')) ||
        !QuickDecimal(significand, -fractionDigits, magnitude)) {
      return ScanAnyFloat(begin, number, body, end, value);
    }
  }
  std::uint32_t bits;
  std::memcpy(&bits, &magnitude, sizeof bits);
  bits |= std::uint32_t{negative} << 31;
  std::memcpy(&value, &bits, sizeof value);
  return p - begin;
}
