#include "preview/text_extents.h"

#include <cmath>

namespace GDI {

std::u16string substitute_text(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::u16string_view rest = text.substr(i);
    if (rest.size() >= 3 && rest[0] == u'%' && rest[1] == u'%' && (rest[2] == u'p' || rest[2] == u'P')) {
      out += u'\u00B1';
      i += 3;
    } else if (rest.starts_with(u"\\U+00B2")) {
      out += u'2';
      i += 7;
    } else if (rest.starts_with(u"\\U+00B3")) {
      out += u'3';
      i += 7;
    } else {
      out += text[i++];
    }
  }
  return out;
}

extents text_box(const GcGePoint2d& insertion, const GcGeVector2d& d, double height, double width, double shift,
                 std::uint32_t vertical, std::uint32_t horizontal) {
  return text_box(insertion, d, d.perpVector(), height, width, shift, vertical, horizontal);
}

extents text_box(const GcGePoint2d& insertion, const GcGeVector2d& d, const GcGeVector2d& p, double height,
                 double width, double shift, std::uint32_t vertical, std::uint32_t horizontal) {
  GcGePoint2d ref = insertion;
  switch (vertical) {
  case 0: ref -= p * (0.2 * height); break;
  case 2: ref -= p * (0.5 * height); break;
  case 3: ref -= p * height; break;
  default: break;
  }
  if (horizontal == 2)
    ref -= d * shift;
  else if (horizontal == 1 || horizontal == 4)
    ref -= d * (0.5 * shift);
  extents box;
  box.grow(ref);
  box.grow(ref + d * width);
  box.grow(ref + p * height);
  box.grow(ref + d * width + p * height);
  return box;
}

extents estimate_text_extents(const GcGePoint2d& insertion, const GcGeVector2d& d, double height, std::size_t chars,
                              std::uint32_t vertical, std::uint32_t horizontal, double width_factor) {
  const double n = static_cast<double>(chars) * width_factor;
  return text_box(insertion, d, height, kEstimatedCharWidth * n * height, n * height, vertical, horizontal);
}

text_axes glyph_axes(const GcGeVector2d& direction, bool backward, bool upside_down) {
  return {backward ? -direction : direction, upside_down ? -direction.perpVector() : direction.perpVector()};
}

} // namespace GDI
