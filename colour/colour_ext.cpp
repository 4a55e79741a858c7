#include "colour/colour_ext.h"

#include <cstdlib>

#include "colour/colour_value.h"
#include "host/host_api.h"
#include "host/services.h"
#include "string_ids.h"

namespace vd::colour {
namespace {

// The text in a caller's buffer: up to its terminator, never beyond its length.
vstring_view buffer_text(const vchar* text, int text_length) {
  if (!text || text_length <= 0)
    return {};
  size_t n = 0;
  while (n < static_cast<size_t>(text_length) && text[n])
    ++n;
  return vstring_view(text, n);
}

// The colour number of the named layer, or kByLayer when the host cannot say.
int layer_colour(vstring_view layer) {
  if (layer.empty())
    return kByLayer;
  HostLayerRecord record{static_cast<std::int32_t>(sizeof(HostLayerRecord)), 0};
  const std::string name = utf16ToCp1250(layer);
  if (!hostCallOr<&HostApi::FindLayerInfoA>(0, name.c_str(), static_cast<void*>(&record)))
    return kByLayer;
  const int index = std::abs(record.colour);
  return index >= 1 && index <= 255 ? index : kByLayer;
}

int answer_name(std::uint32_t* colour, std::uint32_t* rgb, vchar* text, int text_length) {
  if (!colour)
    return 0;
  const std::uint32_t value = *colour;
  const int layer = value == static_cast<std::uint32_t>(kByLayer) ? layer_colour(buffer_text(text, text_length))
                                                                    : kByLayer;
  if (rgb)
    *rgb = value_rgb(value, layer, kNone, kSwatchGround);
  if (text && text_length > 0)
    copyToBuffer(colour_name(value), text, text_length);
  return 1;
}

int answer_more_text(vchar* text, int text_length) {
  if (!text || text_length <= 0)
    return 0;
  copyToBuffer(loadText(IDS_COLOR_MORE), text, text_length);
  return 1;
}

int answer_read(std::uint32_t* colour, const vchar* text, int text_length) {
  if (!colour || !text)
    return 0;
  std::optional<std::uint32_t> read = read_colour(buffer_text(text, text_length));
  if (!read)
    return 0;
  *colour = *read;
  return 1;
}

} // namespace

int colour_ext(int mode, std::uint32_t* colour, std::uint32_t* rgb, vchar* text, int text_length) {
  switch (mode) {
    case kModeName:
      return answer_name(colour, rgb, text, text_length);
    case kModeMoreText:
      return answer_more_text(text, text_length);
    case kModeRead:
      return answer_read(colour, text, text_length);
    default:
      return 0;
  }
}

} // namespace vd::colour
