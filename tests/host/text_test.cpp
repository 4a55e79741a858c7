#include <gtest/gtest.h>

#include <cstdint>

#include "host/names.h"
#include "host/text.h"

namespace {

using vd::vstring;

TEST(Text, Utf8AndUtf16RoundTrip) {
  const char* samples[] = {"", "ASCII", "Zadejte bod vložení výškové kóty", "±0.000", "ČSN ř Ř ů Ů",
                           "\xF0\x9F\x93\x90 emoji outside the basic plane"};
  for (const char* s : samples) {
    vstring wide = vd::utf8ToUtf16(s);
    EXPECT_EQ(vd::utf16ToUtf8(wide), s);
  }
  EXPECT_EQ(vd::utf8ToUtf16("Č"), vstring(1, u'\u010C'));
  EXPECT_EQ(vd::utf8ToUtf16("\xF0\x9F\x93\x90").size(), 2u) << "a surrogate pair";
}

TEST(Text, BytesThatAreNotUtf8BecomeReplacementCharacters) {
  // One U+FFFD per maximal bad part; what follows it is read afresh.
  const struct {
    const char* bytes;
    const char16_t* wide;
  } cases[] = {
      {"\xC4N", u"\uFFFDN"},                  // a lead byte without its continuation
      {"a\x80z", u"a\uFFFDz"},                // a stray continuation byte
      {"\xC0\xAF", u"\uFFFD\uFFFD"},          // overlong '/'
      {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},  // overlong in three bytes
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // an encoded surrogate (kept only on request, below)
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
      {"\xE2\x82", u"\uFFFD"},               // cut at the end: one part
      {"\xE2\x82x", u"\uFFFDx"},
      {"\xF0\x9F\x93", u"\uFFFD"},
      {"\xFF\xFE", u"\uFFFD\uFFFD"},
      {"\xEF\xBF\xBD", u"\uFFFD"},            // U+FFFD itself is fine
      {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},    // the last code point
  };
  for (const auto& c : cases) {
    EXPECT_EQ(vd::utf8ToUtf16(c.bytes), vstring(c.wide)) << c.bytes;
  }
  // A lone surrogate is written as U+FFFD, so what is written is UTF-8.
  EXPECT_EQ(vd::utf16ToUtf8(vstring(1, char16_t(0xD800)) + u"a"), "\xEF\xBF\xBD" "a");
  EXPECT_EQ(vd::utf16ToUtf8(vstring(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

TEST(Text, FormatLikeTheCLibraryWithWideStrings) {
  EXPECT_EQ(vd::vformat(u"Zadejte %súroveň <%.2f>: ", u"1. ", 2.5), u"Zadejte 1. úroveň <2.50>: ");
  EXPECT_EQ(vd::vformat(u"%g", 0.1234567), u"0.123457");
  EXPECT_EQ(vd::vformat(u"%d objektů", 12), u"12 objektů");
  EXPECT_EQ(vd::vformat(u"%u", 4294967295u), u"4294967295");
  EXPECT_EQ(vd::vformat(u"%I64x", static_cast<long long>(0x1A2B3C4D5EULL)), u"1a2b3c4d5e");
  EXPECT_EQ(vd::vformat(u"%d, %d, %d", 255, 0, 128), u"255, 0, 128");
  EXPECT_EQ(vd::vformat(u"100%%"), u"100%");
  EXPECT_EQ(vd::vformat(u"[%5s|%-3s|%.2s]", u"ab", u"c", u"xyz"), u"[   ab|c  |xy]");
  EXPECT_EQ(vd::vformat(u"_LINE\n%g,%g,%g\n", 1.5, -2.0, 0.0), u"_LINE\n1.5,-2,0\n");
  EXPECT_EQ(vd::vformat(nullptr), u"");
}

TEST(Text, FormatTakesWidthAndPrecisionFromTheArguments) {
  struct Row {
    vstring got, expected;
  } rows[] = {
      {vd::vformat(u"%.*f", 2, 2.5), u"2.50"},
      {vd::vformat(u"%.*f až %.*f", 2, 1.0, 0, 100.0), u"1.00 až 100"},
      {vd::vformat(u"[%*d|%-*d]", 4, 7, 3, 8), u"[   7|8  ]"},
      {vd::vformat(u"[%*.*f]", 6, 1, 3.14159), u"[   3.1]"},
      {vd::vformat(u"[%*d]", -3, 5), u"[5  ]"},
      {vd::vformat(u"%.*f", -1, 0.5), u"0.500000"},
      {vd::vformat(u"%.*s|", 2, u"abc"), u"ab|"},
  };
  for (const Row& r : rows) EXPECT_EQ(r.got, r.expected);
  // Longer than any fixed buffer: all 309 digits of the largest double, 300 decimals.
  const vstring largest = vd::vformat(u"%.*f", 0, 1.7976931348623157e308);
  EXPECT_EQ(largest.size(), 309u);
  EXPECT_EQ(largest.substr(0, 5), u"17976");
  EXPECT_EQ(vd::vformat(u"%.*f", 300, 1.0), u"1." + vstring(300, u'0'));
}

TEST(Text, CopyToBufferAlwaysTerminates) {
  char16_t buf[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ(vd::copyToBuffer(u"abcdef", buf, 4), 3);
  EXPECT_EQ(vstring(buf), u"abc");
  EXPECT_EQ(vd::copyToBuffer(u"ab", buf, 4), 2);
  EXPECT_EQ(vstring(buf), u"ab");
  EXPECT_EQ(vd::copyToBuffer(u"ab", buf, 0), 0);
  EXPECT_EQ(vd::copyToBuffer(u"ab", nullptr, 4), 0);
}

TEST(Text, LatinLettersCompareWithoutCase) {
  struct Case {
    const char16_t* a;
    const char16_t* b;
    bool equal;
  } cases[] = {
      {u"ČERVENÁ", u"červená", true},
      {u"ŽLUTÁ", u"žlutá", true},
      {u"ĎŤŇĚŘŠŮÝÍÉÚÓ", u"ďťňěřšůýíéúó", true},
      {u"Ĺ Ľ Ł Ń Ź Ż Ÿ Ö", u"ĺ ľ ł ń ź ż ÿ ö", true},
      {u"Černá/bílá", u"ČERNÁ/BÍLÁ", true},
      {u"×", u"÷", false},     // signs, not letters
      {u"č", u"c", false},     // a letter with a mark is another letter
      {u"ĸ", u"Ĺ", false},     // kra has no capital; Ĺ pairs with ĺ
      {u"Modrá", u"Modra", false},
      {u"SvModrá", u"SvModrá ", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(vd::equalsNoCaseLatin(c.a, c.b), c.equal) << vd::utf16ToUtf8(c.a) << " / " << vd::utf16ToUtf8(c.b);
    EXPECT_EQ(vd::equalsNoCaseLatin(c.b, c.a), c.equal);
  }
}

TEST(Text, LatinLettersToUpperCase) {
  struct Case {
    const char16_t* in;
    const char16_t* out;
  } cases[] = {
      {u"Označení", u"OZNAČENÍ"},
      {u"výška 2", u"VÝŠKA 2"},
      {u"zaokrouhlení", u"ZAOKROUHLENÍ"},
      {u"ďťňěřšůýíéúóá", u"ĎŤŇĚŘŠŮÝÍÉÚÓÁ"},
      {u"ĺ ľ ł ń ź ż ÿ ö ā", u"Ĺ Ľ Ł Ń Ź Ż Ÿ Ö Ā"},
      {u"ČERNÁ", u"ČERNÁ"},
      {u"÷ ß ĸ ŉ 1_", u"÷ ß ĸ ŉ 1_"},  // signs and letters without a capital stay
  };
  for (const Case& c : cases) EXPECT_EQ(vd::utf16ToUtf8(vd::upperCaseLatin(c.in)), vd::utf16ToUtf8(c.out));
}

}  // namespace
