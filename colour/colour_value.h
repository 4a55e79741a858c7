#pragma once
// Colour values as the host and the dialogs pass them, their names and how a
// typed text reads as one.
//
// A colour value is an unsigned 32-bit word. With top byte 0 it holds a colour
// number (0 by block, 1..255 from the palette, 256 by layer); all bits set is
// no colour; with top byte 1 it is a true colour 0x01BBGGRR.
#include <cstdint>
#include <optional>

#include "colour/palette.h"
#include "host/text.h"

namespace vd::colour {

inline constexpr std::uint32_t kTrueColourTag = 0x01000000u;
inline constexpr std::uint32_t kNoColourValue = 0xFFFFFFFFu;

inline constexpr bool is_true_colour(std::uint32_t value) { return (value >> 24) == 1; }
inline constexpr std::uint32_t true_colour(unsigned r, unsigned g, unsigned b) { return kTrueColourTag | rgb(r, g, b); }

// The RGB (0x00BBGGRR) a value shows on `background`: a true colour as it is,
// a colour number through the palette with the layer's and the block's colour
// number (kNone when unknown), anything else the foreground of the ground.
std::uint32_t value_rgb(std::uint32_t value, int layer_index, int block_index, std::uint32_t background);

// The name of a value as the user sees it: "R, G, B" for a true colour, the
// texts of the string table for 0, 1..7 and 256, the number for any other.
vstring colour_name(std::uint32_t value);

// The colour number 1..7 whose name (string table, any letter case) `text` is.
std::optional<int> index_of_name(vstring_view text);

// Reads a typed colour number: one of the names of 1..7 gives that number,
// else a whole number 0..256 that number. Blanks around the text are ignored.
// Nothing for any other text; what the caller allows of 0 and 256 is its own.
std::optional<std::uint32_t> read_index(vstring_view text);

// Reads a typed colour: three whole numbers 0..255 separated by commas give a
// true colour; else one of the names of 1..7 gives that number; else a whole
// number 0..256 gives that colour number. Blanks around the text and around
// each number are ignored. Nothing for any other text (such as "300" or
// "1, 2"), so that the caller keeps the colour it had.
std::optional<std::uint32_t> read_colour(vstring_view text);

} // namespace vd::colour
