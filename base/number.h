// Exact float text, fast: the same characters printf's "%f" writes and the
// same reading scanf's "%f" does, without the formatted functions' cost.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

// The longest text FormatFixed writes: a sign, 39 integer digits, a point
// and six decimals.
constexpr std::size_t kMaxFixedLength = 47;

// Writes `value` exactly as printf("%f", value) does in the C locale: six
// decimals, rounded to nearest with ties to even, "inf", "nan", and a minus
// sign whenever the sign bit is set. Returns the end of the text; writes no
// terminator, but may change the byte at the end. `out` needs
// kMaxFixedLength bytes. Cannot fail.
char* FormatFixed(float value, char* out);

// A number's characters as they were read, kept when FormatFixed writes the
// number's value back as exactly these characters; `length` is 0 otherwise.
struct FixedText {
  char bytes[16];
  unsigned char length = 0;
};

// Writes three values with FormatFixed, `separator` between them (as
// printf("%f, %f, %f") with ", "), copying the characters of `texts` (three,
// or none when null) where they are kept instead of formatting. Returns the
// end of the text; `out` needs 3 * kMaxFixedLength bytes and two
// separators. Cannot fail.
char* FormatFixed3(float a, float b, float c, std::string_view separator, char* out,
                   const FixedText* texts = nullptr);

// Writes the decimal digits of `value` as printf("%d") does. Returns the end
// of the text; `out` needs 11 bytes. Cannot fail.
char* FormatInt(int value, char* out);

// Reads one float from [begin, end) as scanf("%f") reads it from a stream
// that ends at `end`: leading white space, a sign, decimal or "0x" hex digits
// with a point and exponent, "inf", "infinity" or "nan" in any case; the
// value is correctly rounded and overflows to infinity. Returns how many
// characters scanf would have consumed, white space included, and sets
// `value`; returns 0, leaving `value` alone, where scanf reports no
// conversion (no number there, or the input ends first).
// Given `text`, also keeps the number's characters there when FormatFixed
// writes them back for the value (and sets its length to 0 otherwise); then
// 16 bytes from where the number starts must be readable, even past `end`.
std::size_t ScanFloat(const char* begin, const char* end, float& value, FixedText* text = nullptr);

// White space as scanf and isspace see it in the C locale.
inline bool IsAsciiSpace(char c) { return c == ' ' || static_cast<unsigned char>(c - '\t') < 5; }

// Copies `text` to `out` and returns the end, for building lines by hand.
inline char* AppendText(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}
