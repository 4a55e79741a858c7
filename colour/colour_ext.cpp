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

// The layer colour of modes 0, 2 and 4: the named layer's for by layer, else unresolved.
int layer_of(std::uint32_t value, const vchar* text, int text_length) {
  return value == static_cast<std::uint32_t>(kByLayer) ? layer_colour(buffer_text(text, text_length)) : kByLayer;
}

void answer_value(std::uint32_t value, int layer, int block, std::uint32_t* rgb, vchar* text, int text_length) {
  if (rgb)
    *rgb = value_rgb(value, layer, block, kSwatchGround);
  if (text && text_length > 0)
    copyToBuffer(colour_name(value), text, text_length);
}

int answer_name(std::uint32_t* colour, std::uint32_t* rgb, vchar* text, int text_length) {
  if (!colour)
    return 0;
  answer_value(*colour, layer_of(*colour, text, text_length), kNone, rgb, text, text_length);
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

std::optional<DialogStart> dialog_start(int mode, const std::uint32_t* colour, const vchar* text, int text_length) {
  if (mode < kModeDialog || mode > kModeDialogBoth || !colour)
    return std::nullopt;
  const bool byLayer = mode == kModeDialogByLayer || mode == kModeDialogBoth;
  const bool byBlock = mode == kModeDialogByBlock || mode == kModeDialogBoth;
  DialogStart start{*colour == kNoColourValue ? static_cast<std::uint32_t>(kForeground) : *colour, kNone, kNone};
  if (byLayer)
    start.layer_index = layer_of(*colour, text, text_length);
  if (byBlock)
    start.block_index = kByBlock;
  return start;
}

void answer_choice(std::uint32_t chosen, const DialogStart& start, std::uint32_t* colour, std::uint32_t* rgb,
                   vchar* text, int text_length) {
  if (colour)
    *colour = chosen;
  answer_value(chosen, start.layer_index, start.block_index, rgb, text, text_length);
}

} // namespace vd::colour
