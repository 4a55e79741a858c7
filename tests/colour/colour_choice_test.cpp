// What the colour dialogs build on without a window: the cells of the swatch
// grids, a true colour's nearest palette number, and the start and answer of
// ColorExtFunction's dialog modes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "colour/colour_ext.h"
#include "colour/colour_value.h"
#include "colour/palette.h"
#include "colour/swatch_grid.h"
#include "colour_host.h"

using namespace vd;
using namespace vd::colour;

namespace {

// The two grids of the colour dialog as it configures them.
constexpr SwatchGrid kFullGrid{18, 5, -2, 24, 10, false, 1, 1};
constexpr SwatchGrid kHalfGrid{11, 5, 2, 24, 10, false, 1, 1};

TEST(SwatchGrid, CellsShareTheClientAreaAroundTheirGaps) {
  struct Case {
    SwatchGrid grid;
    int width, height, row, column;
    CellBox expected;
    const char* what;
  } cases[] = {
      {SwatchGrid{3}, 20, 12, 0, 0, {0, 0, 20, 12}, "a single cell fills the button"},
      {SwatchGrid{3, 1, 0, 1, 0, true}, 20, 12, 0, 0, {1, 1, 19, 11}, "inside its frame"},
      {SwatchGrid{0, 2, 1, 3, 2}, 11, 9, 0, 0, {0, 0, 3, 4}, "(11 + 1) / 3 = 4 a column, 1 of it the gap"},
      {SwatchGrid{0, 2, 1, 3, 2}, 11, 9, 1, 2, {8, 5, 11, 9}, "the last cell ends at the edge"},
      {SwatchGrid{0, 1, 0, 3, 1, false, 1, 1}, 10, 5, 0, 1, {3, 0, 6, 5}, "uneven room: 11 / 3 begins 0, 3, 7"},
      {SwatchGrid{0, 1, 0, 3, 1, false, 1, 1}, 10, 5, 0, 2, {7, 0, 10, 5}, "the last cell takes the rest"},
      {SwatchGrid{0, 2, 1, 2, 1, true, 2, 3}, 24, 14, 1, 1, {13, 8, 23, 13}, "frame and wide gaps"},
      {kFullGrid, 324, 65, 4, 23, {311, 52, 324, 65}, "the dialog's grid at 1.5 dialog units a pixel"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(cell_box(c.grid, c.width, c.height, c.row, c.column), c.expected);
  }
}

TEST(SwatchGrid, ColourUnderAPoint) {
  struct Case {
    SwatchGrid grid;
    int width, height, x, y;
    std::optional<std::uint32_t> expected;
    const char* what;
  } cases[] = {
      {kFullGrid, 324, 65, 0, 0, 18, "top left: the darkest red"},
      {kFullGrid, 324, 65, 323, 64, 240, "bottom right: 18 - 4 x 2 + 23 x 10"},
      {kFullGrid, 324, 65, 12, 0, std::nullopt, "the gap after the first column: 325 / 24 a column"},
      {kFullGrid, 324, 65, 13, 0, 28, "the second column"},
      {kFullGrid, 324, 65, 0, 13, 16, "the second row, one level lighter"},
      {kHalfGrid, 324, 65, 0, 64, 19, "half-saturated grid, last row"},
      {kFullGrid, 324, 65, 324, 10, std::nullopt, "right of the button"},
      {kFullGrid, 324, 65, -1, 10, std::nullopt, "left of it"},
      {SwatchGrid{5, 1, 0, 1, 0, true}, 16, 14, 0, 5, std::nullopt, "on the frame"},
      {SwatchGrid{5, 1, 0, 1, 0, true}, 16, 14, 1, 5, 5u, "just inside it"},
      {SwatchGrid{256}, 16, 14, 8, 7, 256u, "a single cell of any colour value"},
      {SwatchGrid{1, 0, 0, 0, 0}, 16, 14, 8, 7, std::nullopt, "a grid without cells"},
      {SwatchGrid{1, 2, 1, 2, 1, false, -5, -5}, 10, 10, 5, 5, 3u, "negative gaps count as none"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(colour_at(c.grid, c.width, c.height, c.x, c.y), c.expected);
  }
  // Every pixel of every cell box names that cell, and only those pixels name it.
  const SwatchGrid grid{0, 3, 1, 7, 3, true, 2, 1};
  int named = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 50; ++x) {
      if (std::optional<std::uint32_t> at = colour_at(grid, 50, 40, x, y)) {
        const int row = static_cast<int>(*at % 3), column = static_cast<int>(*at / 3);
        const CellBox box = cell_box(grid, 50, 40, row, column);
        EXPECT_TRUE(x >= box.left && x < box.right && y >= box.top && y < box.bottom) << x << "," << y;
        ++named;
      }
    }
  }
  int inBoxes = 0;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 7; ++c) {
      const CellBox b = cell_box(grid, 50, 40, r, c);
      inBoxes += (b.right - b.left) * (b.bottom - b.top);
    }
  }
  EXPECT_EQ(named, inBoxes);
}

TEST(ColourPalette, NearestIndexOfATrueColour) {
  struct Case {
    std::uint32_t colour;
    int expected;
    const char* what;
  } cases[] = {
      {rgb(255, 0, 0), 1, "pure red: 1, not 10 which has the same colour"},
      {rgb(250, 3, 2), 1, "near red"},
      {rgb(0, 0, 0), 0, "black is entry 0's colour"},
      {rgb(255, 255, 255), 7, "white: 7 comes before 255"},
      {rgb(0x6A, 0x6A, 0x6A), 8, "8 comes before 251"},
      {rgb(0xE1, 0x71, 0x71), 13, "an exact table colour"},
      {rgb(0x38, 0x38, 0x38), 250, "nearest the darkest grey"},
      {rgb(128, 64, 0), 36, "7e3f00 is 2 + 1 away"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(nearest_index(c.colour), c.expected);
  }
  // Each table colour finds the lowest number that has it.
  for (int i = 1; i <= 255; ++i) {
    const int found = nearest_index(rgb_of_index(i));
    EXPECT_EQ(rgb_of_index(found), rgb_of_index(i)) << i;
    for (int j = 1; j < found; ++j) EXPECT_NE(rgb_of_index(j), rgb_of_index(i)) << i << " before " << found;
  }
}

class NamesHost : public ::testing::Test {
 protected:
  colourtest::ColourHost host;
};

TEST_F(NamesHost, DialogModesStartAndAnswer) {
  struct Case {
    int mode;
    std::uint32_t colour;
    const char16_t* text;
    std::optional<DialogStart> expected;
    const char* asked;  // the layer FindLayerInfoA was asked for
  } cases[] = {
      {1, 3, u"", DialogStart{3, kNone, kNone}, ""},
      {2, 3, u"STĚNY", DialogStart{3, kByLayer, kNone}, ""},
      {2, 256, u"STĚNY", DialogStart{256, 5, kNone}, "ST\xCCNY"},
      {2, 256, u"NIKDE", DialogStart{256, kByLayer, kNone}, "NIKDE"},
      {3, 256, u"STĚNY", DialogStart{256, kNone, kByBlock}, ""},
      {4, 256, u"STĚNY", DialogStart{256, 5, kByBlock}, "ST\xCCNY"},
      {4, kNoColourValue, u"", DialogStart{7, kByLayer, kByBlock}, ""},
      {0, 3, u"", std::nullopt, ""},
      {5, 3, u"", std::nullopt, ""},
      {-1, 3, u"", std::nullopt, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    colourtest::askedLayer().clear();
    vchar buffer[32] = {};
    std::memcpy(buffer, c.text, vlength(c.text) * sizeof(vchar));
    std::uint32_t colour = c.colour;
    std::optional<DialogStart> start = dialog_start(c.mode, &colour, buffer, 32);
    ASSERT_EQ(start.has_value(), c.expected.has_value());
    if (start) {
      EXPECT_EQ(start->colour, c.expected->colour);
      EXPECT_EQ(start->layer_index, c.expected->layer_index);
      EXPECT_EQ(start->block_index, c.expected->block_index);
    }
    EXPECT_EQ(colourtest::askedLayer(), c.asked);
  }
  std::uint32_t none = 3;
  EXPECT_FALSE(dialog_start(2, nullptr, nullptr, 0)) << "no colour to start from";
  EXPECT_TRUE(dialog_start(2, &none, nullptr, -4)) << "no text is no layer";

  // The answer: colour, RGB with the layer's colour, the name where there is room.
  const DialogStart layer5{256, 5, kByBlock};
  std::uint32_t colour = 1, rgbOut = 0;
  vchar text[16] = u"STĚNY";
  answer_choice(256, layer5, &colour, &rgbOut, text, 16);
  EXPECT_EQ(colour, 256u);
  EXPECT_EQ(rgbOut, rgb(0, 0, 255));
  EXPECT_EQ(vstring(text), u"DleHlad");
  answer_choice(3, layer5, &colour, nullptr, text, 4);
  EXPECT_EQ(colour, 3u);
  EXPECT_EQ(vstring(text), u"Zel") << "cut to the buffer";
  text[0] = u'x';
  answer_choice(0, layer5, &colour, &rgbOut, text, 0);
  EXPECT_EQ(text[0], u'x') << "a buffer of length 0 is not written";
  EXPECT_EQ(rgbOut, rgb(0, 0, 0)) << "by block, its colour unknown: the foreground on white";
  answer_choice(3, layer5, nullptr, nullptr, nullptr, -1);  // nothing to write to, nothing written
}

}  // namespace
