// Text of drawing text entities: special characters and switches of one-line
// texts, inline codes of multi-line texts, wrapping of paragraphs, and how a
// mirrored text is turned to read.
#include <gtest/gtest.h>

#include "preview/chain_texts.h"
#include "preview/text_codes.h"
#include "preview/text_extents.h"

#include <string>
#include <vector>

using namespace GDI;

namespace {

// Runs as "text|" with a letter for each format that differs from the base:
// u underline, o overline, k strike-out, h<height>, c<colour>, t<true colour>.
std::string describe(const std::vector<text_run>& runs) {
  std::string out;
  for (const text_run& r : runs) {
    for (char16_t c : r.text)
      out += c < 0x80 ? static_cast<char>(c) : '#';
    if (r.format.underline)
      out += "/u";
    if (r.format.overline)
      out += "/o";
    if (r.format.strike_out)
      out += "/k";
    if (r.format.height != 1.0)
      out += "/h" + std::to_string(static_cast<int>(r.format.height * 10));
    if (r.format.colour_index >= 0)
      out += "/c" + std::to_string(r.format.colour_index);
    if (r.format.true_colour >= 0)
      out += "/t" + std::to_string(r.format.true_colour);
    out += '|';
  }
  return out;
}

std::u16string joined(const std::vector<text_run>& runs) {
  std::u16string out;
  for (const text_run& r : runs)
    out += r.text;
  return out;
}

} // namespace

TEST(TextCodes, OneLineSpecialCharactersAndSwitches) {
  struct Case {
    const char16_t* text;
    const char16_t* reads;
    const char* runs; // null: not checked
  } cases[] = {
      {u"%%c50", u"\u230050", nullptr}, {u"90%%d", u"90\u00B0", nullptr}, {u"%%p0,000", u"\u00B10,000", nullptr},
      {u"%%C%%D%%P", u"\u2300\u00B0\u00B1", nullptr}, {u"100%%%", u"100%", nullptr},
      {u"%%176 %%65x", u"\u00B0 Ax", nullptr}, {u"%%1234", u"\u007B4", nullptr}, {u"50%", u"50%", nullptr},
      {u"%%", u"%%", nullptr}, {u"%%x", u"%%x", nullptr}, {u"%%uA%%uB", u"AB", "A/u|B|"},
      {u"a%%ob%%kc%%o%%kd", u"abcd", "a|b/o|c/o/k|d|"}, {u"%%U%%u", u"", ""},
  };
  for (const Case& c : cases) {
    const std::vector<text_run> runs = decode_text(c.text, {});
    EXPECT_EQ(joined(runs), c.reads) << describe(runs);
    if (c.runs) {
      EXPECT_EQ(describe(runs), c.runs);
    }
    for (const text_run& r : runs)
      EXPECT_FALSE(r.text.empty()) << "no empty runs";
  }
}

TEST(TextCodes, MultiLineInlineCodes) {
  struct Case {
    const char16_t* text;
    std::vector<std::string> paragraphs; // each described as its runs
  } cases[] = {
      {u"one\\Ptwo", {"one|", "two|"}}, {u"a^Jb\\Nc\\Xd", {"a|", "b|", "c|", "d|"}}, {u"no\\~break", {"no#break|"}},
      {u"\\\\ \\{x\\}", {"\\ {x}|"}}, {u"{\\H2.5;big} small", {"big/h25| small|"}},
      {u"a\\H2x;b\\H0.5x;c", {"a|b/h20|c|"}}, {u"{\\C1;red}{\\c255;rgb}", {"red/c1|rgb/t16711680|"}},
      {u"\\Lunder\\l \\Kout\\k \\Oover\\o", {"under/u| |out/k| |over/o|"}},
      {u"{\\fArial|b1|i0|c238|p34;A}\\A1;B\\Q15;C\\W0.8;D\\T1.1;E\\pxqc;F", {"ABCDEF|"}},
      {u"\\S1/2;\\S2^;\\Sa#b;", {"1/22a/b|"}}, {u"\\U+0158\\U+01", {"#\\U+01|"}}, {u"\\M+18140x", {"x|"}},
      {u"%%c\\Pa^Ib^ c", {"#|", "a b^c|"}}, {u"\\q?", {"\\q?|"}}, {u"}{unbalanced", {"unbalanced|"}},
      {u"{\\H3;a\\P}b", {"a/h30|", "b|"}},
  };
  for (const Case& c : cases) {
    const std::vector<text_paragraph> paragraphs = decode_mtext(c.text, {});
    std::vector<std::string> got;
    for (const text_paragraph& p : paragraphs)
      got.push_back(describe(p.runs));
    EXPECT_EQ(got, c.paragraphs) << "case " << &c - cases;
  }
  // An empty paragraph keeps the format it begins in.
  const auto paragraphs = decode_mtext(u"{\\H4;\\P}", {});
  ASSERT_EQ(paragraphs.size(), 2u);
  EXPECT_EQ(paragraphs[1].start.height, 4.0);
  EXPECT_TRUE(paragraphs[1].runs.empty());
  // Heights that are not positive numbers are passed over.
  EXPECT_EQ(describe(decode_mtext(u"\\H-2;a\\Hx;b\\H0;c", {})[0].runs), "abc|");
}

