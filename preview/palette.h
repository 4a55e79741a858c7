#pragma once
// Colour resolution of the display list: a colour pair carries an index in
// its low half and an RGB value (0x00BBGGRR) in its high half, or all ones
// there to take the colour from the view's palette.
#include <cstdint>
#include <vector>

namespace GDI {

struct palette {
  std::vector<std::uint32_t> rgb;
  // 0: the index is the RGB value; 1: table lookup; anything else: black.
  std::uint32_t mode = 0;

  std::uint32_t lookup(std::uint32_t index) const {
    if (mode == 0)
      return index;
    if (mode != 1 || rgb.empty())
      return 0;
    return index < rgb.size() ? rgb[index] : rgb.back();
  }
};

inline constexpr std::uint64_t colour_pair(std::uint32_t index, std::uint32_t rgb) {
  return (static_cast<std::uint64_t>(rgb) << 32) | index;
}
// A colour pair whose colour comes from the palette.
inline constexpr std::uint64_t palette_colour(std::uint32_t index) { return colour_pair(index, 0xFFFFFFFFu); }

inline std::uint32_t resolve_colour(std::uint64_t pair, const palette& pal) {
  const auto high = static_cast<std::uint32_t>(pair >> 32);
  const auto low = static_cast<std::uint32_t>(pair);
  if (high == 0xFFFFFFFFu && low != 0xFFFFFFFFu)
    return pal.lookup(low);
  return high;
}

} // namespace GDI
