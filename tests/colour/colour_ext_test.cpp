// The modes of ColorExtFunction that need no dialog, against a host that
// serves the colour names and knows some layers.
#include "colour/colour_ext.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "colour/colour_value.h"
#include "colour_host.h"

using namespace vd;
using namespace vd::colour;

namespace {

using colourtest::ColourHost;

struct Answer {
  int result;
  uint32_t colour;
  uint32_t rgb;
  vstring text;
};

Answer ask(int mode, uint32_t colour, vstring_view textIn, int length = 64) {
  vchar buffer[64] = {};
  std::memcpy(buffer, textIn.data(), textIn.size() * sizeof(vchar));
  Answer a{0, colour, 0xDEADBEEF, {}};
  a.result = colour_ext(mode, &a.colour, &a.rgb, buffer, length);
  a.text = buffer;
  return a;
}

TEST(ColourExt, NamesAndRgbOfColours) {
  ColourHost host;
  struct Case {
    uint32_t colour;
    const char16_t* layer;  // the text buffer's content on the way in
    const char16_t* name;
    uint32_t rgb;
  } cases[] = {
      {1, u"", u"Červená", rgb(255, 0, 0)},
      {3, u"", u"Zelená", rgb(0, 255, 0)},
      {7, u"", u"Černá/bílá", rgb(0, 0, 0)},  // on the white of a list
      {256, u"", u"DleHlad", rgb(0, 0, 0)},   // by layer unresolved
      {0, u"", u"DleBlok", rgb(0, 0, 0)},
      {30, u"", u"30", rgb(255, 128, 0)},
      {300, u"", u"300", rgb(0, 0, 0)},
      {true_colour(255, 128, 0), u"", u"255, 128, 0", rgb(255, 128, 0)},
      {256, u"Výšky_č", u"DleHlad", rgb(0, 255, 0)},  // the layer's colour 3
      {256, u"OFF", u"DleHlad", rgb(0, 0, 255)},      // a layer that is off keeps its colour 5
      {256, u"nikde", u"DleHlad", rgb(0, 0, 0)},
      {1, u"Výšky_č", u"Červená", rgb(255, 0, 0)},    // a layer only matters for by layer
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(utf16ToUtf8(c.name));
    Answer a = ask(kModeName, c.colour, c.layer);
    EXPECT_EQ(a.result, 1);
    EXPECT_EQ(a.text, c.name);
    EXPECT_EQ(a.rgb, c.rgb);
    EXPECT_EQ(a.colour, c.colour);
  }
  EXPECT_EQ(colourtest::askedLayer(), "nikde") << "the last by-layer question named its layer";

  // A short buffer gets as much as fits; no buffer or no RGB is fine; no colour is not.
  EXPECT_EQ(ask(kModeName, 1, u"", 4).text, u"Čer");
  uint32_t colour = 2;
  EXPECT_EQ(colour_ext(kModeName, &colour, nullptr, nullptr, 0), 1);
  EXPECT_EQ(colour_ext(kModeName, nullptr, nullptr, nullptr, 0), 0);
}

TEST(ColourExt, MoreTextAndOtherModes) {
  ColourHost host;
  Answer more = ask(kModeMoreText, 5, u"");
  EXPECT_EQ(more.result, 1);
  EXPECT_EQ(more.text, u"Další...");
  EXPECT_EQ(colour_ext(kModeMoreText, nullptr, nullptr, nullptr, 10), 0);
  for (int mode : {1, 2, 3, 4, 7, -1}) {
    Answer a = ask(mode, 9, u"x");
    EXPECT_EQ(a.result, 0) << mode;
    EXPECT_EQ(a.colour, 9u) << mode;
    EXPECT_EQ(a.text, u"x") << mode;
    EXPECT_EQ(a.rgb, 0xDEADBEEF) << mode;
  }
}

TEST(ColourExt, ReadingTypedColours) {
  ColourHost host;
  struct Case {
    const char16_t* text;
    bool read;
    uint32_t colour;
  } cases[] = {
      {u"255, 128, 0", true, 0x010080FF}, {u" 0,0,0 ", true, 0x01000000}, {u"255,255,255", true, 0x01FFFFFF},
      {u"červená", true, 1}, {u"ČERNÁ/BÍLÁ", true, 7}, {u"  SvModrá ", true, 4}, {u"fialová", true, 6},
      {u"42", true, 42}, {u"0", true, 0}, {u"256", true, 256}, {u"257", false, 0}, {u"256, 0, 0", false, 0},
      {u"1, 2", false, 0}, {u"1, 2, 3, 4", false, 0}, {u"1,,3", false, 0}, {u"-1", false, 0}, {u"12x", false, 0},
      {u"cervena", false, 0}, {u"", false, 0}, {u"99999999999999999999", false, 0}, {u"\xD800", false, 0},
      {u"4\xDC00", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(utf16ToUtf8(c.text));
    Answer a = ask(kModeRead, 77, c.text);
    EXPECT_EQ(a.result, c.read ? 1 : 0);
    EXPECT_EQ(a.colour, c.read ? c.colour : 77u) << "an unreadable text leaves the colour as it was";
    EXPECT_EQ(read_colour(c.text).has_value(), c.read);
    // A colour number alone, as the colour dialog reads it: no true colours.
    const bool trueColour = c.read && is_true_colour(c.colour);
    EXPECT_EQ(read_index(c.text), c.read && !trueColour ? std::optional<uint32_t>(c.colour) : std::nullopt);
  }
  // The text is read only as far as the caller's length says.
  vchar buffer[] = u"42junk";
  uint32_t colour = 5;
  EXPECT_EQ(colour_ext(kModeRead, &colour, nullptr, buffer, 2), 1);
  EXPECT_EQ(colour, 42u);
}

}  // namespace
