// The colour-index palette: chosen table entries, the indirect numbers and
// the ground-dependent foreground, and the hue and level rule of 10..249
// checked against the table as a whole.
#include <gtest/gtest.h>

#include "colour/palette.h"

#include <algorithm>
#include <cmath>

using namespace vd::colour;

namespace {

constexpr std::uint32_t kWhite = rgb(255, 255, 255), kBlack = rgb(0, 0, 0);
constexpr std::uint32_t kDark = rgb(127, 127, 127);  // 381: still a dark ground
constexpr std::uint32_t kLight = rgb(128, 127, 127); // 382: a light one


} // namespace

TEST(ColourPalette, ResolvesIndexesOnAGround) {
  struct Case {
    int index, layer, block;
    std::uint32_t background, expected;
    const char* what;
  } cases[] = {
      {1, kNone, kNone, kWhite, rgb(255, 0, 0), "red"},
      {5, kNone, kNone, kBlack, rgb(0, 0, 255), "blue, whatever the ground"},
      {7, kNone, kNone, kWhite, kBlack, "foreground on white"},
      {7, kNone, kNone, kBlack, kWhite, "foreground on black"},
      {8, kNone, kNone, kWhite, rgb(0x6A, 0x6A, 0x6A), "dark grey"},
      {9, kNone, kNone, kWhite, rgb(0xC4, 0xC4, 0xC4), "light grey"},
      {10, kNone, kNone, kWhite, rgb(255, 0, 0), "first hue, full"},
      {11, kNone, kNone, kWhite, rgb(255, 0x80, 0x80), "first hue, half-saturated"},
      {95, kNone, kNone, kWhite, rgb(0x5A, 0xB4, 0x5A), "green at level 180, half-saturated"},
      {249, kNone, kNone, kWhite, rgb(0x42, 0x21, 0x29), "last hue, lowest level"},
      {250, kNone, kNone, kWhite, rgb(0x37, 0x37, 0x37), "darkest grey"},
      {255, kNone, kNone, kBlack, kWhite, "white stays white on black"},
      {0, kNone, 3, kWhite, rgb(0, 255, 0), "by block: the block colour"},
      {0, 1, 7, kBlack, kWhite, "by block with block colour 7: foreground"},
      {0, 1, kNone, kWhite, kBlack, "by block without a block colour"},
      {0, 1, kByLayer, kWhite, kBlack, "by block whose block is by layer: not followed further"},
      {256, 30, 3, kWhite, rgb(255, 0x80, 0), "by layer: the layer colour"},
      {256, kNone, 3, kBlack, kWhite, "by layer without a layer colour"},
      {256, 0, 3, kWhite, kBlack, "by layer to a by-block layer: not followed further"},
      {256, 300, 3, kWhite, kBlack, "layer colour out of range"},
      {-1, 1, 1, kWhite, kBlack, "none"},
      {257, 1, 1, kBlack, kWhite, "above the table"},
      {7, kNone, kNone, kDark, kWhite, "ground adding up to 381 counts as dark"},
      {7, kNone, kNone, kLight, kBlack, "ground adding up to 382 counts as light"},
      {256, 7, kNone, kLight, kBlack, "a layer of colour 7 follows the ground too"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(index_rgb(c.index, c.layer, c.block, c.background), c.expected) << c.what << " (" << c.index << ")";
}

TEST(ColourPalette, RawTableAndLayout) {
  EXPECT_EQ(rgb(0x12, 0x34, 0x56), 0x00563412u) << "COLORREF order";
  EXPECT_EQ(rgb_of_index(2), rgb(255, 255, 0));
  EXPECT_EQ(rgb_of_index(7), kWhite) << "the cell of colour 7";
  EXPECT_EQ(rgb_of_index(0), kNoColour);
  EXPECT_EQ(rgb_of_index(256), kNoColour);
  EXPECT_EQ(rgb_of_index(-7), kNoColour);
  for (int i = 1; i <= 255; ++i)
    EXPECT_EQ(rgb_of_index(i) >> 24, 0u) << "no bits above blue in " << i;
  // The greys at the end run from dark to white.
  for (int i = 250; i < 255; ++i) {
    const std::uint32_t c = rgb_of_index(i), d = rgb_of_index(i + 1);
    EXPECT_TRUE(red_of(c) == green_of(c) && green_of(c) == blue_of(c)) << i;
    EXPECT_LT(red_of(c), red_of(d)) << i;
  }
}

