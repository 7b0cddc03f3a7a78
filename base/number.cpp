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

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

void WritePair(unsigned pair, char* out) { std::memcpy(out, kDigitPairs + 2 * pair, 2); }

// The digits of `value`, no leading zeros ("0" for zero).
char* WriteUnsigned(std::uint64_t value, char* out) {
  char digits[20];
  char* start = digits + sizeof digits;
  while (value >= 100) {
    start -= 2;
    WritePair(static_cast<unsigned>(value % 100), start);
    value /= 100;
  }
  if (value >= 10) {
    start -= 2;
    WritePair(static_cast<unsigned>(value), start);
  } else {
    *--start = static_cast<char>('0' + value);
  }
  std::size_t length = digits + sizeof digits - start;
  std::memcpy(out, start, length);
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

// What strtof makes of a number text, for the rare cases from_chars leaves:
// values that overflow or underflow.
float StrToFloat(const char* begin, const char* end) {
  std::string text(begin, end);
  return std::strtof(text.c_str(), nullptr);
}
}  // namespace

char* FormatFixed(float value, char* out) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  if (bits >> 31) *out++ = '-';
  std::uint32_t exponent = (bits >> 23) & 0xff;
  std::uint32_t fraction = bits & 0x7fffff;
  if (exponent == 0xff) {
    std::memcpy(out, fraction != 0 ? "nan" : "inf", 3);
    return out + 3;
  }
  // value = mantissa * 2^power, exactly.
  std::uint64_t mantissa = exponent != 0 ? fraction | 0x800000 : fraction;
  int power = exponent != 0 ? static_cast<int>(exponent) - 150 : -149;
  Wide whole = 0;
  std::uint64_t millionths = 0;
  if (power >= 0) {
    whole = static_cast<Wide>(mantissa) << power;
  } else {
    int shift = -power;
    if (shift < 64) whole = mantissa >> shift;
    // Below 2^-44 the fraction times a million stays under half a unit.
    if (shift <= 44) {
      std::uint64_t mask = (std::uint64_t{1} << shift) - 1;
      std::uint64_t scaled = (mantissa & mask) * 1000000;
      std::uint64_t half = std::uint64_t{1} << (shift - 1);
      millionths = scaled >> shift;
      std::uint64_t rest = scaled & mask;
      if (rest > half || (rest == half && (millionths & 1) != 0)) ++millionths;
      if (millionths == 1000000) {
        millionths = 0;
        ++whole;
      }
    }
  }
  out = WriteWide(whole, out);
  *out++ = '.';
  auto six = static_cast<unsigned>(millionths);
  WritePair(six / 10000, out);
  WritePair(six / 100 % 100, out + 2);
  WritePair(six % 100, out + 4);
  return out + 6;
}

char* FormatFixed3(float a, float b, float c, std::string_view separator, char* out) {
  out = FormatFixed(a, out);
  out = AppendText(out, separator);
  out = FormatFixed(b, out);
  out = AppendText(out, separator);
  return FormatFixed(c, out);
}

char* FormatInt(int value, char* out) { return std::to_chars(out, out + 11, value).ptr; }

// The characters taken follow the C library's scanf: it collects the longest
// run that could still begin a number, then converts the part of it that
// strtof accepts ("1e+" is taken whole and is worth 1).
std::size_t ScanFloat(const char* begin, const char* end, float& value) {
  const char* p = begin;
  while (p != end && IsBlank(*p)) ++p;
  if (p == end) return 0;
  const char* number = p;
  bool negative = *p == '-';
  if ((*p == '-' || *p == '+') && ++p == end) return 0;
  const char* body = p;

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
