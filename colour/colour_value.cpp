#include "colour/colour_value.h"

#include "host/services.h"
#include "string_ids.h"

namespace vd::colour {
namespace {

// String-table ids of the names of colour numbers 1..7.
constexpr int kIndexNames[7] = {IDS_COLOR_RED,  IDS_COLOR_YELLOW,  IDS_COLOR_GREEN,      IDS_COLOR_CYAN,
                                IDS_COLOR_BLUE, IDS_COLOR_MAGENTA, IDS_COLOR_BLACK_WHITE};

bool is_blank(vchar c) { return c == u' ' || c == u'\t'; }

vstring_view trim(vstring_view text) {
  while (!text.empty() && is_blank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back()))
    text.remove_suffix(1);
  return text;
}

// A whole decimal number of at most `max`, blanks around it allowed.
std::optional<unsigned> whole_number(vstring_view text, unsigned max) {
  text = trim(text);
  if (text.empty())
    return std::nullopt;
  unsigned value = 0;
  for (vchar c : text) {
    if (c < u'0' || c > u'9')
      return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - u'0');
    if (value > max)
      return std::nullopt;
  }
  return value;
}

std::optional<std::uint32_t> read_true_colour(vstring_view text) {
  unsigned channels[3];
  for (int i = 0; i < 3; ++i) {
    size_t comma = text.find(u',');
    if ((i < 2) != (comma != vstring_view::npos))
      return std::nullopt;  // exactly two commas
    std::optional<unsigned> v = whole_number(text.substr(0, comma), 255);
    if (!v)
      return std::nullopt;
    channels[i] = *v;
    text = i < 2 ? text.substr(comma + 1) : vstring_view();
  }
  return true_colour(channels[0], channels[1], channels[2]);
}

} // namespace

std::uint32_t value_rgb(std::uint32_t value, int layer_index, int block_index, std::uint32_t background) {
  if (is_true_colour(value))
    return value & 0x00FFFFFFu;
  if ((value >> 24) != 0)
    return foreground_on(background);  // no colour: nothing in the palette
  return index_rgb(static_cast<int>(value), layer_index, block_index, background);
}

vstring colour_name(std::uint32_t value) {
  if (is_true_colour(value))
    return vformat(u"%d, %d, %d", static_cast<int>(red_of(value)), static_cast<int>(green_of(value)),
                   static_cast<int>(blue_of(value)));
  if (value >= 1 && value <= 7)
    return loadText(kIndexNames[value - 1]);
  if (value == static_cast<std::uint32_t>(kByLayer))
    return loadText(IDS_COLOR_BYLAYER);
  if (value == static_cast<std::uint32_t>(kByBlock))
    return loadText(IDS_COLOR_BYBLOCK);
  return vformat(u"%u", value);
}

std::optional<int> index_of_name(vstring_view text) {
  text = trim(text);
  if (text.empty())
    return std::nullopt;
  for (int i = 0; i < 7; ++i) {
    // A host without the text gives an empty name, which nothing typed matches.
    if (equalsNoCaseLatin(text, loadText(kIndexNames[i])))
      return i + 1;
  }
  return std::nullopt;
}

std::optional<std::uint32_t> read_index(vstring_view text) {
  text = trim(text);
  if (std::optional<int> index = index_of_name(text))
    return static_cast<std::uint32_t>(*index);
  if (std::optional<unsigned> number = whole_number(text, static_cast<unsigned>(kByLayer)))
    return *number;
  return std::nullopt;
}

std::optional<std::uint32_t> read_colour(vstring_view text) {
  text = trim(text);
  if (std::optional<std::uint32_t> rgb = read_true_colour(text))
    return rgb;
  return read_index(text);
}

} // namespace vd::colour
