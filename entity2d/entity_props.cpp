#include "entity2d/entity_props.h"

#include "colour/colour_value.h"
#include "host/names.h"

namespace vd {

void EntityProps::reset(PropsReset mode) {
  const bool byBlock = mode == PropsReset::ByBlock;
  layer = names::kLayerZero;
  linetype = byBlock ? names::kByBlock : names::kByLayer;
  colour = byBlock ? 0 : 256;
  trueColour = 0;
  transparencyMode = byBlock ? kTransparencyByBlock : kTransparencyByLayer;
  transparencyPercent = 0;
  lineweight = byBlock ? -2 : -1;
  linetypeScale = 1.0;
  visibility = 0;
  space = 0;
  layoutName = nullptr;
  extendedData = nullptr;
  handle = nullptr;
  reactors = nullptr;
  reactorsEnd = nullptr;
}

void EntityProps::setColourValue(uint32_t value) {
  trueColour = 0;
  if (!colour::is_true_colour(value)) {
    colour = value;
    return;
  }
  const uint32_t bgr = value & 0xFFFFFFu;
  // 0 would read as "by block": black takes the palette's black or white, 7.
  const int nearest = colour::nearest_index(bgr);
  colour = static_cast<uint32_t>(nearest > 0 ? nearest : 7);
  trueColour = (colour::red_of(bgr) << 16) | (colour::green_of(bgr) << 8) | colour::blue_of(bgr);
}

uint32_t EntityProps::colourValue() const {
  if (trueColour == 0) return colour;
  const uint32_t rgb = trueColour & 0xFFFFFFu;
  return colour::true_colour((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

void EntityProps::setTransparency(int32_t value) {
  const uint32_t v = static_cast<uint32_t>(value);
  const uint32_t high = v >> 24;
  transparencyPercent = 0;
  if (high == 0) {
    transparencyMode = kTransparencyByLayer;
    return;
  }
  if (high == 1) {
    transparencyMode = kTransparencyByBlock;
    return;
  }
  // The low byte is the opacity 0..255; the percent is truncated, so 128
  // (50.2 % opaque) reads as 49 % transparent.
  const int percent = static_cast<int>(100.0 - static_cast<double>(v & 0xFF) * 100.0 / 255.0);
  if (percent >= 1 && percent <= 99) {
    transparencyMode = kTransparencyExplicit;
    transparencyPercent = percent;
  } else {
    transparencyMode = kTransparencyByLayer;
  }
}

int32_t EntityProps::transparencyValue() const {
  if (transparencyMode == kTransparencyByLayer) return 0;
  int32_t value = (transparencyMode == kTransparencyByBlock ? 1 : 2) << 24;
  if (transparencyMode != kTransparencyByBlock && transparencyPercent < 100)
    value += (100 - transparencyPercent) * 255 / 100;
  return value;
}

void EntityProps::parse(ChainView chain, PropsReset mode, bool inherit) {
  const int32_t oldSpace = space;
  const vchar* oldLayout = layoutName;
  reset(mode);
  bool sawSpace = false;
  bool inReactors = false;
  for (ChainItem item : chain) {
    const int code = item.code();
    if (code >= 1000) {
      extendedData = item.node();
      break;
    }
    if (inReactors) {
      if (code == gc::kControl && item.text() == vstring_view(names::kGroupClose)) {
        reactorsEnd = item.node();
        inReactors = false;
      } else if (!reactors) {
        reactors = item.node();
      }
      continue;
    }
    switch (code) {
      case gc::kLayer:
        if (item.text() && item.node()->v.str) layer = item.node()->v.str;
        break;
      case gc::kLineType:
        if (item.text() && item.node()->v.str) linetype = item.node()->v.str;
        break;
      case gc::kHandle:
        if (item.text() && item.node()->v.str) handle = item.node()->v.str;
        break;
      case gc::kColor:
        if (auto v = item.integer()) colour = static_cast<uint32_t>(*v);
        break;
      case gc::kTrueColor:
        if (auto v = item.integer()) trueColour = static_cast<uint32_t>(*v);
        break;
      case 440:
        if (auto v = item.integer()) setTransparency(static_cast<int32_t>(*v));
        break;
      case gc::kLineWeight:
        if (auto v = item.integer()) lineweight = static_cast<int8_t>(static_cast<uint8_t>(*v & 0xFF));
        break;
      case 48:
        if (auto v = item.real()) linetypeScale = *v;
        break;
      case 60:
        if (auto v = item.integer()) visibility = static_cast<int16_t>(*v);
        break;
      case gc::kPaperSpace:
        if (auto v = item.integer()) {
          space = static_cast<int32_t>(*v);
          sawSpace = true;
        }
        break;
      case gc::kControl:
        if (item.text() == vstring_view(names::kReactorsOpen)) inReactors = true;
        break;
      default:
        break;
    }
  }
  if (!sawSpace && inherit) {
    space = oldSpace;
    layoutName = oldLayout;
    return;
  }
  if (space != 0) {
    auto layout = chain.find(410);
    if (layout && layout->v.str) layoutName = layout->v.str;
  }
}

}  // namespace vd
