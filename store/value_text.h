// Text and hexadecimal forms of the values an INI store keeps.
//
// Numbers are written as "%i" and "%g" would write them in the C locale and
// read back only when the whole text is a number: "12x" is no integer, and
// "nan", "inf" or a real beyond the double range ("1e999") are no reals.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "host/text.h"

namespace vd::storetext {

// Largest block a hexadecimal INI value may announce in its count.
constexpr uint32_t kMaxBinaryBytes = 32767;
// Digits of the count that opens a hexadecimal block.
constexpr size_t kCountDigits = 8;

vstring formatInt(int32_t value);
// Six significant digits, as "%g": 0.1234567 gives "0.123457", 1e20 "1e+20".
vstring formatDouble(double value);

// Blanks (space, tab) around the number are ignored; anything else that is
// not part of the number fails.
std::optional<int32_t> parseInt(vstring_view text);
// Decimal notation only; non-finite results and overflow fail.
std::optional<double> parseDouble(vstring_view text);

// The number a typed text begins with, as C's strtod reads decimal
// notation: blanks first, then a sign, digits with at most one point, and
// an exponent when digits follow its "e". Whatever comes after is ignored
// ("2.5x" reads as 2.5). Nothing when the text begins with no number; a
// number beyond the range of a double reads as an infinity of its sign.
std::optional<double> leadingDouble(vstring_view text);

// Semicolon-joined lists, as "1;2;3". Parsing allows one trailing semicolon;
// an empty text is an empty list. On failure `out` is left empty.
vstring joinInts(std::span<const int32_t> values);
vstring joinDoubles(std::span<const double> values);
bool parseIntList(vstring_view text, std::vector<int32_t>& out);
bool parseDoubleList(vstring_view text, std::vector<double>& out);

// 8 upper-case hex digits of the byte count, then two upper-case digits per byte.
vstring encodeHex(std::span<const uint8_t> bytes);
// The count: exactly 8 digits 0-9 or A-F (lower case is refused here).
std::optional<uint32_t> decodeHexCount(vstring_view digits);
// Byte pairs after the count: upper- or lower-case digits; any other character fails.
bool decodeHexBytes(vstring_view digits, std::vector<uint8_t>& out);

}  // namespace vd::storetext
