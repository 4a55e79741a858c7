#include "preview/chain_items.h"

#include "geom/circarc2d.h"
#include "geom/composite_curve2d.h"
#include "geom/linear_ent2d.h"
#include "geom/point_ent2d.h"
#include "preview/palette.h"

#include <cmath>
#include <vector>

namespace GDI {
namespace {

std::u16string_view textOf(const vd::ValueNode& n) {
  return n.v.str ? std::u16string_view(reinterpret_cast<const char16_t*>(n.v.str)) : std::u16string_view();
}

bool sameType(std::u16string_view a, const char* b) {
  std::size_t i = 0;
  for (; b[i]; ++i) {
    if (i >= a.size())
      return false;
    char16_t c = a[i];
    if (c >= u'a' && c <= u'z')
      c = static_cast<char16_t>(c - u'a' + u'A');
    if (c != static_cast<char16_t>(b[i]))
      return false;
  }
  return i == a.size();
}

// Plain fields of one entity chain; a polyline's vertices and bulges in order.
struct fields {
  std::u16string type;
  GcGePoint2d p[4];
  bool has[4] = {};
  double real40 = 0, real41 = 1, real42 = 1;
  double angle50 = 0, angle51 = 0;  // radians, as every chain holds angles
  bool has40 = false;
  int colourIndex = 256, flags70 = 0, align72 = 0, align73 = 0;
  long trueColour = -1;
  std::u16string text1, name2;
  std::string linetype;
  std::vector<GcGePoint2d> vertices;
  std::vector<double> bulges;
};

fields read(const vd::ValueNode* chain) {
  fields f;
  for (const vd::ValueNode* n = chain; n; n = n->next) {
    const int code = n->code;
    if (code == 0) {
      f.type = std::u16string(textOf(*n));
    } else if (code >= 10 && code <= 13) {
      const GcGePoint2d pt(n->v.point[0], n->v.point[1]);
      if (code == 10 && sameType(f.type, "LWPOLYLINE")) {
        f.vertices.push_back(pt);
        f.bulges.push_back(0.0);
      }
      f.p[code - 10] = pt;
      f.has[code - 10] = true;
    } else if (code == 40) {
      f.real40 = n->v.real;
      f.has40 = true;
    } else if (code == 41) {
      f.real41 = n->v.real;
    } else if (code == 42) {
      if (sameType(f.type, "LWPOLYLINE") && !f.bulges.empty())
        f.bulges.back() = n->v.real;
      else
        f.real42 = n->v.real;
    } else if (code == 50) {
      f.angle50 = n->v.real;
    } else if (code == 51) {
      f.angle51 = n->v.real;
    } else if (code == 62) {
      f.colourIndex = n->v.i16;
    } else if (code == 70) {
      f.flags70 = n->v.i16;
    } else if (code == 72) {
      f.align72 = n->v.i16;
    } else if (code == 73 || code == 74) {
      f.align73 = n->v.i16; // 74 on attributes
    } else if (code == 420) {
      f.trueColour = n->v.i32;
    } else if (code == 1) {
      f.text1 = std::u16string(textOf(*n));
    } else if (code == 2) {
      f.name2 = std::u16string(textOf(*n));
    } else if (code == 6) {
      for (char16_t c : textOf(*n))
        f.linetype += c < 128 ? static_cast<char>(c) : '?';
    }
  }
  return f;
}

// The piece of a polyline from a to b with bulge (tangent of a quarter of the
// included angle, positive counter-clockwise).
GcGeCurve2d* polylinePiece(const GcGePoint2d& a, const GcGePoint2d& b, double bulge) {
  if (std::abs(bulge) < 1e-12 || a.isEqualTo(b))
    return new GcGeLineSeg2d(a, b);
  const GcGeVector2d chord = b - a;
  const double c = chord.length();
  const double sagitta = bulge * c / 2.0;
  const GcGePoint2d mid = a + chord * 0.5 + chord.perpVector() / c * (-sagitta);
  return new GcGeCircArc2d(a, mid, b);
}

} // namespace

std::uint64_t block_key(std::u16string_view name) {
  std::uint64_t h = 1469598103934665603ull; // FNV-1a
  for (char16_t c : name) {
    if (c >= u'a' && c <= u'z')
      c = static_cast<char16_t>(c - u'a' + u'A');
    h = (h ^ c) * 1099511628211ull;
  }
  return h;
}

std::optional<chain_item> item_from_chain(const vd::ValueNode* chain) {
  const fields f = read(chain);
  chain_item item;
  item.colour = f.trueColour >= 0
                    ? colour_pair(static_cast<std::uint32_t>(f.colourIndex),
                                  // DXF true colour is 0x00RRGGBB, the pair holds 0x00BBGGRR.
                                  static_cast<std::uint32_t>(((f.trueColour & 0xFF) << 16) | (f.trueColour & 0xFF00) |
                                                             ((f.trueColour >> 16) & 0xFF)))
                    : palette_colour(static_cast<std::uint32_t>(f.colourIndex));
  // By-layer and by-block linetypes are not known here: drawn continuous.
  std::u16string lt(f.linetype.begin(), f.linetype.end());
  if (!sameType(lt, "BYLAYER") && !sameType(lt, "BYBLOCK"))
    item.linetype = f.linetype;
  const std::u16string& t = f.type;
  if (sameType(t, "LINE") && f.has[0] && f.has[1]) {
    item.geometry = std::make_unique<GcGeLineSeg2d>(f.p[0], f.p[1]);
  } else if (sameType(t, "CIRCLE") && f.has[0] && f.real40 > 0) {
    item.geometry = std::make_unique<GcGeCircArc2d>(f.p[0], f.real40);
  } else if (sameType(t, "ARC") && f.has[0] && f.real40 > 0) {
    item.geometry = std::make_unique<GcGeCircArc2d>(f.p[0], f.real40, f.angle50, f.angle51);
  } else if (sameType(t, "POINT") && f.has[0]) {
    item.geometry = std::make_unique<GcGePointEnt2d>(f.p[0]);
  } else if (sameType(t, "LWPOLYLINE") && f.vertices.size() >= 2) {
    auto composite = std::make_unique<GcGeCompositeCurve2d>();
    const std::size_t n = f.vertices.size();
    const bool closed = (f.flags70 & 1) != 0;
    for (std::size_t i = 0; i + 1 < n + (closed ? 1 : 0); ++i)
      composite->append(polylinePiece(f.vertices[i], f.vertices[(i + 1) % n], f.bulges[i]));
    if (composite->numCurves() == 0)
      return std::nullopt;
    item.geometry = std::move(composite);
  } else if (sameType(t, "SOLID") && f.has[0] && f.has[1] && f.has[2]) {
    // Corners in the order 1, 2, 4, 3; a triangle repeats the third.
    std::vector<GcGePoint2d> ring{f.p[0], f.p[1]};
    if (f.has[3] && !f.p[3].isEqualTo(f.p[2]))
      ring.push_back(f.p[3]);
    ring.push_back(f.p[2]);
    auto loop = std::make_unique<GcGeCompositeCurve2d>();
    for (std::size_t i = 0; i < ring.size(); ++i)
      loop->append(new GcGeLineSeg2d(ring[i], ring[(i + 1) % ring.size()]));
    item.what = chain_item::kind::solid;
    item.geometry = std::move(loop);
  } else if ((sameType(t, "TEXT") || sameType(t, "ATTRIB")) && f.has[0] && f.has40) {
    item.what = chain_item::kind::text;
    item.text = f.text1;
    item.height = f.real40;
    item.direction = GcGeVector2d(std::cos(f.angle50), std::sin(f.angle50));
    // Aligned texts are placed at their second point.
    const bool aligned = f.align72 != 0 || f.align73 != 0;
    item.position = aligned && f.has[1] ? f.p[1] : f.p[0];
    item.horizontal = f.align72 >= 0 && f.align72 <= 4 ? static_cast<std::uint32_t>(f.align72) : 0;
    item.vertical = f.align73 >= 0 && f.align73 <= 3 ? static_cast<std::uint32_t>(f.align73) : 0;
  } else if (sameType(t, "INSERT") && f.has[0] && !f.name2.empty()) {
    item.what = chain_item::kind::insert;
    item.block_key = block_key(f.name2);
    item.position = f.p[0];
    item.scale = GcGeScale2d(f.real41, f.real42);
    item.direction = GcGeVector2d(std::cos(f.angle50), std::sin(f.angle50));
  } else {
    return std::nullopt;
  }
  return item;
}

} // namespace GDI
