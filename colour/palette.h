#pragma once
// The drawing's colour-index palette: what each of the 255 colour numbers an
// entity or layer can carry looks like on screen, and how the two indirect
// numbers (0 "by block", 256 "by layer") and the ground-dependent colour 7
// resolve. Shared by the preview pictures and the colour-selection dialog.
//
// Colours come as 0x00BBGGRR, the layout of a Win32 COLORREF, so a value can
// go to GDI as it is; no Windows header is needed here.
#include <cstdint>

namespace vd::colour {

// Colour numbers with a meaning of their own.
inline constexpr int kByBlock = 0;   // the colour of the block reference that places the entity
inline constexpr int kForeground = 7; // black on a light ground, white on a dark one
inline constexpr int kByLayer = 256; // the colour of the entity's layer
inline constexpr int kNone = -1;     // no layer or block colour known

// Returned by rgb_of_index for a number the table does not hold.
inline constexpr std::uint32_t kNoColour = 0xFFFFFFFFu;

// Packs 8-bit channels as 0x00BBGGRR.
inline constexpr std::uint32_t rgb(unsigned r, unsigned g, unsigned b) {
  return (r & 0xFFu) | ((g & 0xFFu) << 8) | ((b & 0xFFu) << 16);
}
inline constexpr unsigned red_of(std::uint32_t c) { return c & 0xFFu; }
inline constexpr unsigned green_of(std::uint32_t c) { return (c >> 8) & 0xFFu; }
inline constexpr unsigned blue_of(std::uint32_t c) { return (c >> 16) & 0xFFu; }

// The table entry of colour number 1..255 (7 as white, the cell a dialog
// shows for it); kNoColour for any other number.
//
// 1..6 are red, yellow, green, cyan, blue and magenta; 8 and 9 greys. 10..249
// run through 24 hues 15 degrees apart (10 red, 50 yellow, 90 green, 130
// cyan, 170 blue, 210 magenta), ten numbers a hue: even numbers are the full
// colour at the levels 255, 225, 180, 126 and 66, each odd number the
// half-saturated colour of the even number before it. 250..255 are greys from
// dark to white.
std::uint32_t rgb_of_index(int index);

// The colour number 0..255 whose table colour lies nearest `colour`
// (0x00BBGGRR): the smallest sum of the absolute differences of red, green
// and blue, the lower number on a tie. Entry 0 counts as black and entry 7
// as white, the colours the table keeps for them, so a pure black gives 0.
int nearest_index(std::uint32_t colour);

// Contrast colour for colour 7 on a ground: black when the ground's red,
// green and blue add up to more than 381 (a light ground), else white.
std::uint32_t foreground_on(std::uint32_t background);

// The colour an entity of colour number `index` shows on `background`.
// 0 (by block) takes `block_index`, 256 (by layer) `layer_index`; kNone for
// either reads as 0. What then lies in 1..255 and is not 7 comes from the
// table; everything else (7, an indirect number left unresolved, any number
// out of range) is the foreground colour of the ground.
std::uint32_t index_rgb(int index, int layer_index, int block_index, std::uint32_t background);

} // namespace vd::colour
