// The text forms of numbers and the hexadecimal form of binary blocks.
#include <gtest/gtest.h>

#include <cmath>

#include <limits>

#include "store/value_text.h"

using namespace vd;
using namespace vd::storetext;

namespace {

std::string u8(const vstring& s) { return utf16ToUtf8(s); }

TEST(ValueText, IntegersParseOnlyWhenTheWholeTextIsOne) {
  struct Case {
    const char16_t* text;
    std::optional<int32_t> value;
  } cases[] = {
      {u"12", 12},          {u"12x", std::nullopt}, {u"-7", -7},          {u"+5", 5},
      {u" 8\t", 8},         {u"", std::nullopt},    {u"-", std::nullopt}, {u"+-1", std::nullopt},
      {u"1.5", std::nullopt}, {u"0x10", std::nullopt}, {u"2147483647", 2147483647},
      {u"2147483648", std::nullopt}, {u"-2147483648", std::numeric_limits<int32_t>::min()},
      {u"1 2", std::nullopt}, {u"\u0661", std::nullopt},  // an Arabic-Indic digit is no decimal digit
  };
  for (const Case& c : cases) EXPECT_EQ(parseInt(c.text), c.value) << u8(c.text);
}

TEST(ValueText, RealsParseOnlyWhenFiniteAndComplete) {
  struct Case {
    const char16_t* text;
    std::optional<double> value;
  } cases[] = {
      {u"0.123457", 0.123457}, {u"1e5", 1e5},           {u".5", 0.5},
      {u"-0.25", -0.25},       {u"+3", 3},              {u"7", 7},
      {u"nan", std::nullopt},  {u"inf", std::nullopt},  {u"-infinity", std::nullopt},
      {u"1e999", std::nullopt}, {u"1,5", std::nullopt}, {u"abc", std::nullopt},
      {u"0x1p3", std::nullopt}, {u"", std::nullopt},    {u"2.5mm", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(parseDouble(c.text), c.value) << u8(c.text);
}

// A typed text reads as the number it begins with, as C's strtod reads
// decimal notation; no words ("inf", "nan"), no hexadecimal.
TEST(ValueText, TheNumberATextBeginsWith) {
  struct Case {
    const char16_t* text;
    std::optional<double> value;
  } cases[] = {
      {u"2.5x", 2.5},          {u"  -0.25 m", -0.25},   {u".5", 0.5},          {u"5.", 5},
      {u"+3e2kg", 300},        {u"1e", 1},              {u"1e+", 1},           {u"2E-1", 0.2},
      {u"12,5", 12},           {u"0x1p3", 0},           {u"1e999", HUGE_VAL},  {u"-1e999", -HUGE_VAL},
      {u"1e-999", 0},          {u"abc", std::nullopt},  {u"", std::nullopt},   {u"-", std::nullopt},
      {u".", std::nullopt},    {u"inf", std::nullopt},  {u"nan", std::nullopt}, {u"\u0661", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(leadingDouble(c.text), c.value) << u8(c.text);
}

TEST(ValueText, ListsAreSemicolonSeparated) {
  struct Case {
    const char16_t* text;
    bool ok;
    std::vector<int32_t> values;
  } cases[] = {
      {u"1;2;3;", true, {1, 2, 3}}, {u"1;2;3", true, {1, 2, 3}}, {u"1,2", false, {}},
      {u"5", true, {5}},            {u"", true, {}},             {u";", false, {}},
      {u"1;;2", false, {}},         {u"1;2;;", false, {}},       {u"-1; 2", true, {-1, 2}},
      {u"1;x;3", false, {}},
  };
  for (const Case& c : cases) {
    std::vector<int32_t> out = {99};
    EXPECT_EQ(parseIntList(c.text, out), c.ok) << u8(c.text);
    EXPECT_EQ(out, c.values) << u8(c.text);
  }
  std::vector<double> reals;
  EXPECT_TRUE(parseDoubleList(u"0.5;1e+20;", reals));
  EXPECT_EQ(reals, (std::vector<double>{0.5, 1e20}));
  EXPECT_FALSE(parseDoubleList(u"0.5;nan", reals));
  EXPECT_TRUE(reals.empty());

  const int32_t ints[] = {1, -2, 30};
  EXPECT_EQ(u8(joinInts(ints)), "1;-2;30");
  const double doubles[] = {0.1234567, 2};
  EXPECT_EQ(u8(joinDoubles(doubles)), "0.123457;2");
}

TEST(ValueText, BinaryBlocksAreCountThenBytesInUpperCaseHex) {
  const uint8_t bytes[] = {0x01, 0x2C, 0xFF};
  EXPECT_EQ(u8(encodeHex(bytes)), "00000003012CFF");
  EXPECT_EQ(u8(encodeHex({})), "00000000");

  EXPECT_EQ(decodeHexCount(u"0000ABCD"), 0xABCDu);
  EXPECT_EQ(decodeHexCount(u"0000abcd"), std::nullopt);  // the count is upper case only
  EXPECT_EQ(decodeHexCount(u"0000000"), std::nullopt);
  EXPECT_EQ(decodeHexCount(u"00000G00"), std::nullopt);

  std::vector<uint8_t> out;
  EXPECT_TRUE(decodeHexBytes(u"012cFf", out));  // byte digits take either case
  EXPECT_EQ(out, (std::vector<uint8_t>{0x01, 0x2C, 0xFF}));
  EXPECT_FALSE(decodeHexBytes(u"012", out));
  EXPECT_FALSE(decodeHexBytes(u"0g", out));
  EXPECT_TRUE(out.empty());
}

}  // namespace
