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
  const GcGeVector2d p = d.perpVector();
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

device_text_frame readable_text_frame(const GcGeVector2d& direction, const GcGeVector2d& up, std::uint32_t vertical,
                                      std::uint32_t horizontal) {
  device_text_frame f{direction, vertical, horizontal};
  // On a device whose y runs down, an upright text's up direction lies
  // counter-clockwise on the screen, which is a negative cross product.
  if (!(direction.crossProduct(up) > 0.0))
    return f;
  const GcGeVector2d back = -direction;
  const double length = back.length();
  // Reads from left to right, or exactly upwards.
  const bool readable = back.x > 1e-9 * length || (std::abs(back.x) <= 1e-9 * length && back.y < 0.0);
  if (readable) {
    f.reading = back;
    f.horizontal = horizontal == 0 ? 2 : horizontal == 2 ? 0 : horizontal;
    return f;
  }
  f.up_sign = -1.0;
  f.vertical = vertical == 1 ? 3 : vertical == 3 ? 1 : vertical;
  f.flip_baseline = vertical == 0;
  return f;
}

} // namespace GDI
