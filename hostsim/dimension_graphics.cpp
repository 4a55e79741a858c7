#include "hostsim/dimension_graphics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <tuple>

#include "geom/vector3d.h"
#include "hostsim/dimension_style.h"
#include "hostsim/dxf_schema.h"
#include "hostsim/number_text.h"
#include "hostsim/text_metrics.h"

namespace hostsim {

namespace {

using vd::ChainPoint;
using vd::ChainView;

constexpr double kPi = 3.14159265358979323846;
constexpr double kTiny = 1e-9;  // lengths below it count as none

// --- Plane vectors ------------------------------------------------------------
struct V2 {
  double x = 0, y = 0;
};
V2 operator+(V2 a, V2 b) { return {a.x + b.x, a.y + b.y}; }
V2 operator-(V2 a, V2 b) { return {a.x - b.x, a.y - b.y}; }
V2 operator*(V2 a, double s) { return {a.x * s, a.y * s}; }
double dot(V2 a, V2 b) { return a.x * b.x + a.y * b.y; }
double cross(V2 a, V2 b) { return a.x * b.y - a.y * b.x; }
double length(V2 a) { return std::hypot(a.x, a.y); }
V2 unit(V2 a) { return a * (1.0 / length(a)); }
V2 leftNormal(V2 a) { return {-a.y, a.x}; }
V2 direction(double angle) { return {std::cos(angle), std::sin(angle)}; }
V2 plane(ChainPoint p) { return {p.x, p.y}; }
ChainPoint at(V2 p, double z) { return {p.x, p.y, z}; }

// An angle in [0, 2π).
double normalAngle(double a) {
  a = std::fmod(a, 2 * kPi);
  return a < 0 ? a + 2 * kPi : a;
}

// Where the line through p along d meets the line through q along e;
// nothing for parallel lines.
std::optional<V2> meet(V2 p, V2 d, V2 q, V2 e) {
  const double c = cross(d, e);
  if (std::fabs(c) < kTiny * length(d) * length(e)) return std::nullopt;
  return p + d * (cross(q - p, e) / c);
}

// --- Variables ------------------------------------------------------------------
enum class Kind { Real, Flag, Integer, Character };
struct VariableField {
  int code;
  Kind kind;
  double DimensionVariables::*real = nullptr;
  bool DimensionVariables::*flag = nullptr;
  int DimensionVariables::*integer = nullptr;
};

const std::vector<VariableField>& variableFields() {
  using D = DimensionVariables;
  static const std::vector<VariableField> fields = {
      {40, Kind::Real, &D::scale},
      {41, Kind::Real, &D::arrowSize},
      {42, Kind::Real, &D::extensionOffset},
      {44, Kind::Real, &D::extensionBeyond},
      {45, Kind::Real, &D::roundOff},
      {144, Kind::Real, &D::lengthFactor},
      {140, Kind::Real, &D::textHeight},
      {147, Kind::Real, &D::gap},
      {75, Kind::Flag, nullptr, &D::suppressFirst},
      {76, Kind::Flag, nullptr, &D::suppressSecond},
      {77, Kind::Integer, nullptr, nullptr, &D::textAbove},
      {73, Kind::Flag, nullptr, &D::textInsideHorizontal},
      {271, Kind::Integer, nullptr, nullptr, &D::decimals},
      {179, Kind::Integer, nullptr, nullptr, &D::angleDecimals},
      {78, Kind::Integer, nullptr, nullptr, &D::zeroSuppress},
      {79, Kind::Integer, nullptr, nullptr, &D::angleZeroSuppress},
      {278, Kind::Character},
      {173, Kind::Flag, nullptr, &D::separateArrows},
  };
  return fields;
}

// Sets a field from a number; a value that is not finite, or a size that is
// negative, leaves it as it was.
void setField(DimensionVariables& v, const VariableField& f, double value) {
  if (!std::isfinite(value)) return;
  switch (f.kind) {
    case Kind::Real:
      if (value >= 0 || f.code == 45) v.*f.real = value;
      return;
    case Kind::Flag:
      v.*f.flag = value != 0;
      return;
    case Kind::Integer:
      if (value >= -32768 && value <= 32767) v.*f.integer = static_cast<int>(value);
      return;
    case Kind::Character:
      if (value > 0 && value < 65536) v.decimalSeparator = static_cast<char16_t>(value);
      return;
  }
}

// A node's number, whatever its numeric kind.
std::optional<double> numberOf(vd::ChainItem item) {
  if (auto r = item.real()) return r;
  if (auto i = item.integer()) return static_cast<double>(*i);
  return std::nullopt;
}

// The host's setting of a variable, by the group its style holds it under.
std::optional<double> hostSetting(int styleCode, const std::map<vstring, Variable>& variables,
                                  const std::map<vstring, vstring>& environment) {
  for (const dxf::HeaderVariable& hv : dxf::headerVariables()) {
    if (hv.styleCode != styleCode) continue;
    if (hv.environment) {
      auto it = environment.find(hv.hostName);
      if (it == environment.end() || it->second.empty()) return std::nullopt;
      if (hv.character) return static_cast<double>(it->second.front());
      return parseFiniteReal(vd::utf16ToUtf8(it->second));
    }
    auto it = variables.find(hv.hostName);
    if (it == variables.end()) return std::nullopt;
    if (it->second.kind == Variable::Kind::Real) return it->second.value[0];
    if (it->second.kind == Variable::Kind::Short) return it->second.shortValue;
    return std::nullopt;
  }
  return std::nullopt;
}

vstring hostText(const std::map<vstring, Variable>& variables, const char16_t* name) {
  auto it = variables.find(name);
  return it != variables.end() && it->second.kind == Variable::Kind::String ? it->second.text : vstring();
}

// --- Pieces -----------------------------------------------------------------------
// Builds the pieces of one dimension.
class Builder {
 public:
  Builder(ChainView dim, const DimensionVariables& v) : dim_(dim), v_(v) {
    z_ = dim.point(10).value_or(ChainPoint{}).z;
    arrow_ = v.arrowSize * v.scale;
    exo_ = v.extensionOffset * v.scale;
    exe_ = v.extensionBeyond * v.scale;
    height_ = v.textHeight * v.scale;
    gap_ = v.gap * v.scale;
  }

  std::optional<DimensionGraphics> run() {
    const int type = static_cast<int>(dim_.integer(70).value_or(0) & 15);
    bool ok = false;
    if (type == 0 || type == 1) ok = linear(type == 1);
    if (type == 2) ok = twoLineAngular();
    if (type == 5) ok = threePointAngular();
    // Sizes so large that a piece leaves the numbers (DIMSCALE 1e300) draw nothing.
    if (!ok || !finite()) return std::nullopt;
    return std::move(g_);
  }

 private:
  bool finite() const {
    auto ok = [](ChainPoint p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); };
    for (const auto& l : g_.lines) {
      if (!ok(l.from) || !ok(l.to)) return false;
    }
    for (const auto& a : g_.arcs) {
      if (!ok(a.centre) || !std::isfinite(a.radius) || !std::isfinite(a.start) || !std::isfinite(a.end)) return false;
    }
    for (const auto& corners : g_.arrows) {
      for (ChainPoint p : corners) {
        if (!ok(p)) return false;
      }
    }
    for (const auto& a : g_.arrowBlocks) {
      if (!ok(a.tip) || !std::isfinite(a.angle) || !std::isfinite(a.size)) return false;
    }
    return !g_.text || (ok(g_.text->middle) && std::isfinite(g_.text->height) && std::isfinite(g_.text->rotation));
  }

  std::optional<V2> point(int code) const {
    auto p = dim_.point(code);
    return p ? std::optional<V2>(plane(*p)) : std::nullopt;
  }

  void line(V2 a, V2 b, DimensionGraphics::Role role) {
    g_.lines.push_back({at(a, z_), at(b, z_)});
    g_.roles.push_back(role);
  }

  // An extension line from an origin to the point where it meets the
  // dimension line or arc: DIMEXO short of the origin, DIMEXE beyond; none
  // when suppressed or when the origin lies on the dimension line.
  void extension(V2 origin, V2 end, bool suppressed, DimensionGraphics::Role role) {
    const V2 run = end - origin;
    if (suppressed || length(run) < kTiny) return;
    const V2 d = unit(run);
    line(origin + d * exo_, end + d * exe_, role);
  }

  // The arrowhead at one end (`first`: at the first extension line), of the
  // block DIMBLK names, or DIMBLK1 and DIMBLK2 with DIMSAH; the closed
  // filled arrow without one.
  void arrow(V2 tip, V2 pointing, bool first) {
    if (arrow_ <= 0 || length(pointing) < kTiny) return;
    const vstring& block = v_.separateArrows ? (first ? v_.arrowBlock1 : v_.arrowBlock2) : v_.arrowBlock;
    if (!block.empty()) {
      g_.arrowBlocks.push_back({block, at(tip, z_), std::atan2(pointing.y, pointing.x), arrow_});
      return;
    }
    g_.arrows.push_back(closedFilledArrow(at(tip, z_), pointing.x, pointing.y, arrow_));
  }

  // The dimension line from a to b, broken where the text stands on it (a
  // text centred on the line, DIMTAD 0, or put there by the user): the part
  // inside the text's box, DIMGAP wider on every side, is left out.
  void dimensionLine(V2 a, V2 b) {
    const V2 run = b - a;
    if (!g_.text || length(run) < kTiny) {
      line(a, b, DimensionGraphics::Role::DimensionLine);
      return;
    }
    const DimensionGraphics::Text& t = *g_.text;
    const V2 along = direction(t.rotation), across = leftNormal(along);
    const V2 from = a - plane(t.middle);
    // Only a line through the text itself breaks; one along its box's edge
    // (a text above the line) does not.
    const double halfW = t.width / 2 + gap_, halfH = t.height / 2 + gap_;
    double t0 = 0, t1 = 1;
    bool through = true;
    for (const auto& [axis, half, inner] :
         {std::tuple{along, halfW, t.width / 2}, std::tuple{across, halfH, t.height / 2}}) {
      const double p = dot(from, axis), d = dot(run, axis);
      if (std::fabs(d) < kTiny) {
        through = through && std::fabs(p) < inner;
        if (std::fabs(p) >= half) t1 = -1;
        continue;
      }
      double lo = (-half - p) / d, hi = (half - p) / d;
      if (lo > hi) std::swap(lo, hi);
      t0 = std::max(t0, lo);
      t1 = std::min(t1, hi);
    }
    if (!through || t1 <= t0) {
      line(a, b, DimensionGraphics::Role::DimensionLine);
      return;
    }
    if (t0 * length(run) > kTiny) line(a, a + run * t0, DimensionGraphics::Role::DimensionLine);
    if ((1 - t1) * length(run) > kTiny) line(a + run * t1, b, DimensionGraphics::Role::DimensionLine);
  }

  // The text along `along` (made to read from left to right or upwards) with
  // its middle at `middle` of the dimension line, or above it; at group 11
  // when the dimension's text stands where the user put it (70 bit 128).
  // With DIMTIH the text reads along the dimension's horizontal instead: the
  // direction at minus group 51 from the x axis, which DimUpdateUCS sets to
  // the UCS X axis; it stands above the line only where the line runs along
  // that direction, and is centred on it otherwise, as a CAD host puts it.
  void text(const vstring& measured, V2 middle, V2 along) {
    const std::optional<vstring> shown = dimensionText(dim_, measured);
    if (!shown || height_ <= 0) return;
    V2 t = unit(along);
    if (t.x < -kTiny || (std::fabs(t.x) <= kTiny && t.y < 0)) t = t * -1.0;
    bool above = v_.textAbove != 0;
    if (v_.textInsideHorizontal) {
      const V2 horizontal = direction(-dim_.real(51).value_or(0));
      above = above && std::fabs(cross(horizontal, t)) <= kTiny;
      t = horizontal;
    }
    V2 place = middle;
    if (above) place = middle + leftNormal(t) * (gap_ + height_ / 2);
    if ((dim_.integer(70).value_or(0) & 128) != 0) {
      if (auto p = textPoint()) place = *p;
    }
    double rotation = std::atan2(t.y, t.x);
    if (auto r = dim_.real(53); r && *r != 0) rotation = *r;
    double width = 0, measuredHeight = 0;
    if (!measureText(*shown, kDefaultTextFace, height_, 1.0, width, measuredHeight)) width = 0;
    g_.text = DimensionGraphics::Text{*shown, at(place, z_), height_, rotation, width};
  }

  // Group 11 in the world: it is held in the object coordinate system of
  // the dimension's normal (210), whose x axis the arbitrary-axis rule of
  // GcGeVector3d::perpVector gives, as the dimension tools read it.
  std::optional<V2> textPoint() const {
    const auto p = dim_.point(11);
    if (!p) return std::nullopt;
    const ChainPoint n = dim_.point(210).value_or(ChainPoint{0, 0, 1});
    GcGeVector3d z(n.x, n.y, n.z);
    if (z.isZeroLength()) return plane(*p);
    z.normalize();
    const GcGeVector3d x = z.perpVector(), y = z.crossProduct(x);
    const GcGeVector3d w = x * p->x + y * p->y + z * p->z;
    return V2{w.x, w.y};
  }

  bool linear(bool aligned) {
    const auto p10 = point(10), p13 = point(13), p14 = point(14);
    if (!p10 || !p13 || !p14) return false;
    const V2 u = aligned ? *p14 - *p13 : direction(dim_.real(50).value_or(0));
    if (length(u) < kTiny) return false;
    const double oblique = dim_.real(52).value_or(0);
    const V2 e = oblique != 0 ? direction(oblique) : leftNormal(u);
    const auto f1 = meet(*p13, e, *p10, u), f2 = meet(*p14, e, *p10, u);
    if (!f1 || !f2) return false;
    g_.measurement = aligned ? length(*p14 - *p13) : std::fabs(dot(*p14 - *p13, unit(u)));
    const V2 run = *f2 - *f1;
    const DimensionVariables& v = v_;
    // The text first: the dimension line breaks around it where it stands on it.
    text(formatMeasurement(g_.measurement * v.lengthFactor, v.decimals, v.roundOff, (v.zeroSuppress & 4) != 0,
                           (v.zeroSuppress & 8) != 0, v.decimalSeparator),
         (*f1 + *f2) * 0.5, length(run) >= kTiny ? run : u);
    dimensionLine(*f1, *f2);
    extension(*p13, *f1, v_.suppressFirst, DimensionGraphics::Role::FirstExtension);
    extension(*p14, *f2, v_.suppressSecond, DimensionGraphics::Role::SecondExtension);
    // Arrowheads inside the ends when two fit between them, else outside,
    // where the dimension line goes on under each and as far again beyond.
    const double inside = length(run) >= 2 * arrow_ ? 1.0 : -1.0;
    if (length(run) >= kTiny) {
      arrow(*f1, run * -inside, true);
      arrow(*f2, run * inside, false);
      if (inside < 0 && arrow_ > 0) {
        const V2 d = unit(run);
        line(*f1, *f1 - d * (2 * arrow_), DimensionGraphics::Role::DimensionLine);
        line(*f2, *f2 + d * (2 * arrow_), DimensionGraphics::Role::DimensionLine);
      }
    }
    return true;
  }

  // The arc about `centre` of `radius` from angle `start` counter-clockwise
  // by `sweep`, with its arrowheads and text; the extension lines are the
  // caller's.
  void angular(V2 centre, double radius, double start, double sweep) {
    g_.angular = true;
    g_.measurement = sweep;
    g_.arcs.push_back({at(centre, z_), radius, normalAngle(start), normalAngle(start + sweep)});
    const double end = start + sweep;
    const double inside = radius * sweep >= 2 * arrow_ ? 1.0 : -1.0;
    // At the start the arrow points clockwise along the arc, at the end counter-clockwise.
    arrow(centre + direction(start) * radius, V2{std::sin(start), -std::cos(start)} * inside, true);
    arrow(centre + direction(end) * radius, V2{-std::sin(end), std::cos(end)} * inside, false);
    const int decimals = v_.angleDecimals >= 0 ? v_.angleDecimals : v_.decimals;
    const vstring degrees = formatMeasurement(sweep * 180.0 / kPi, decimals, 0, (v_.angleZeroSuppress & 1) != 0,
                                              (v_.angleZeroSuppress & 2) != 0, v_.decimalSeparator) +
                            u"\u00B0";
    const double middle = start + sweep / 2;
    text(degrees, centre + direction(middle) * radius, leftNormal(direction(middle)));
  }

  bool threePointAngular() {
    const auto arcPoint = point(10), p13 = point(13), p14 = point(14), c = point(15);
    if (!arcPoint || !p13 || !p14 || !c) return false;
    const V2 a = *p13 - *c, b = *p14 - *c, m = *arcPoint - *c;
    const double radius = length(m);
    if (length(a) < kTiny || length(b) < kTiny || radius < kTiny) return false;
    const double ta = std::atan2(a.y, a.x), tb = std::atan2(b.y, b.x);
    const double sweep = normalAngle(tb - ta);
    // The arc lies in the part of the plane the arc point is in: from the
    // first line to the second counter-clockwise, or the rest of the turn.
    const bool forward = normalAngle(std::atan2(m.y, m.x) - ta) <= sweep;
    if (sweep < kTiny) return false;
    extension(*p13, *c + unit(a) * radius, v_.suppressFirst, DimensionGraphics::Role::FirstExtension);
    extension(*p14, *c + unit(b) * radius, v_.suppressSecond, DimensionGraphics::Role::SecondExtension);
    if (forward)
      angular(*c, radius, ta, sweep);
    else
      angular(*c, radius, tb, 2 * kPi - sweep);
    return true;
  }

  // The extension line of a line from `from` to `to` out to the arc end:
  // from the nearer end of the line; none when the arc ends on the line.
  void lineExtension(V2 from, V2 to, V2 arcEnd, bool suppressed, DimensionGraphics::Role role) {
    const V2 d = to - from;
    const double t = dot(arcEnd - from, d) / dot(d, d);
    if (t >= 0 && t <= 1) return;
    extension(t < 0 ? from : to, arcEnd, suppressed, role);
  }

  bool twoLineAngular() {
    const auto s1 = point(13), e1 = point(14), s2 = point(15), e2 = point(10), arcPoint = point(16);
    if (!s1 || !e1 || !s2 || !e2 || !arcPoint) return false;
    const V2 d1 = *e1 - *s1, d2 = *e2 - *s2;
    if (length(d1) < kTiny || length(d2) < kTiny) return false;
    const auto centre = meet(*s1, d1, *s2, d2);
    if (!centre) return false;
    const V2 m = *arcPoint - *centre;
    const double radius = length(m);
    if (radius < kTiny) return false;
    // The arc point as a sum of the two line directions: their signs pick
    // the quarter it lies in, and the arc spans that quarter.
    const double c = cross(d1, d2);
    const V2 r1 = unit(d1) * (cross(m, d2) / c >= 0 ? 1.0 : -1.0);
    const V2 r2 = unit(d2) * (cross(d1, m) / c >= 0 ? 1.0 : -1.0);
    lineExtension(*s1, *e1, *centre + r1 * radius, v_.suppressFirst, DimensionGraphics::Role::FirstExtension);
    lineExtension(*s2, *e2, *centre + r2 * radius, v_.suppressSecond, DimensionGraphics::Role::SecondExtension);
    const double t1 = std::atan2(r1.y, r1.x), t2 = std::atan2(r2.y, r2.x);
    if (cross(r1, r2) > 0)
      angular(*centre, radius, t1, normalAngle(t2 - t1));
    else
      angular(*centre, radius, t2, normalAngle(t1 - t2));
    return true;
  }

  ChainView dim_;
  const DimensionVariables& v_;
  DimensionGraphics g_;
  double z_ = 0, arrow_ = 0, exo_ = 0, exe_ = 0, height_ = 0, gap_ = 0;
};

}  // namespace

DimensionVariables dimensionVariables(const Drawing& drawing, const std::map<vstring, Variable>& variables,
                                      const std::map<vstring, vstring>& environment, ChainView dimension) {
  DimensionVariables v;
  const vd::vstring_view styleName = dimension.text(vd::gc::kText2).value_or(u"STANDARD");
  const ChainView style = dimensionStyleRecord(drawing, styleName);
  vstring current = hostText(variables, u"DIMSTYLE");
  if (current.empty()) current = u"STANDARD";
  const bool currentStyle = vd::equalsNoCaseAscii(styleName, current);
  for (const VariableField& f : variableFields()) {
    if (style) {
      if (const vd::ValueNode* n = style.find(f.code)) {
        if (auto value = numberOf(vd::ChainItem(n))) setField(v, f, *value);
      }
    }
    if (currentStyle) {
      if (auto value = hostSetting(f.code, variables, environment)) setField(v, f, *value);
    }
    if (const vd::ValueNode* n = dimensionOverride(dimension, f.code)) {
      if (auto value = numberOf(vd::ChainItem(n))) setField(v, f, *value);
    }
  }
  for (auto [field, handleCode, nameCode] : {std::tuple{&DimensionVariables::arrowBlock, 342, 5},
                                             std::tuple{&DimensionVariables::arrowBlock1, 343, 6},
                                             std::tuple{&DimensionVariables::arrowBlock2, 344, 7}}) {
    if (const Block* b = arrowBlock(drawing, dimension, style, handleCode, nameCode)) v.*field = b->name;
  }
  return v;
}

vstring formatMeasurement(double value, int decimals, double roundOff, bool leading, bool trailing,
                          char16_t separator) {
  if (roundOff > 0) value = std::round(value / roundOff) * roundOff;
  if (decimals < 0) decimals = 0;
  if (decimals > 16) decimals = 16;
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  std::string s = buffer;
  if (s.front() == '-' && s.find_first_not_of("0.", 1) == std::string::npos) s.erase(0, 1);
  const size_t point = s.find('.');
  if (trailing && point != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  if (leading) {
    const size_t digits = s.front() == '-' ? 1 : 0;
    size_t zeros = digits;
    while (zeros < s.size() && s[zeros] == '0') ++zeros;
    s.erase(digits, zeros - digits);
    if (s.size() == digits) s += '0';
  }
  vstring out = vd::utf8ToUtf16(s);
  if (const size_t at = out.find(u'.'); at != vstring::npos) out[at] = separator;
  return out;
}

std::optional<vstring> dimensionText(ChainView dimension, const vstring& measured) {
  const vd::vstring_view given = dimension.text(vd::gc::kText).value_or(u"");
  if (given.empty()) return measured;
  if (given == u" ") return std::nullopt;
  vstring out;
  for (size_t i = 0; i < given.size(); ++i) {
    if (given[i] == u'<' && i + 1 < given.size() && given[i + 1] == u'>') {
      out += measured;
      ++i;
    } else {
      out += given[i];
    }
  }
  return out;
}

std::optional<DimensionGraphics> dimensionGraphics(ChainView dimension, const DimensionVariables& variables) {
  return Builder(dimension, variables).run();
}

std::vector<vd::OwnedChain> dimensionChains(const DimensionGraphics& g, ChainView look) {
  std::vector<vd::OwnedChain> out;
  auto begin = [&](vd::ChainBuilder& b, const char16_t* type) {
    b.text(vd::gc::kType, type);
    if (look) {
      copyEntityLook(look, b);
    } else {
      b.text(vd::gc::kLayer, u"0").integer(62, 0);
    }
  };
  for (const DimensionGraphics::Line& l : g.lines) {
    vd::ChainBuilder b;
    begin(b, u"LINE");
    b.point(10, l.from).point(11, l.to);
    out.push_back(b.build());
  }
  for (const DimensionGraphics::Arc& a : g.arcs) {
    vd::ChainBuilder b;
    begin(b, u"ARC");
    b.point(10, a.centre).real(40, a.radius).real(50, a.start).real(51, a.end);
    out.push_back(b.build());
  }
  for (const auto& corners : g.arrows) {
    vd::ChainBuilder b;
    begin(b, u"SOLID");
    b.point(10, corners[0]).point(11, corners[1]).point(12, corners[2]).point(13, corners[2]);
    out.push_back(b.build());
  }
  for (const DimensionGraphics::ArrowBlock& a : g.arrowBlocks) {
    vd::ChainBuilder b;
    begin(b, u"INSERT");
    b.text(2, a.block).point(10, a.tip).real(41, a.size).real(42, a.size).real(43, a.size).real(50, a.angle);
    out.push_back(b.build());
  }
  if (g.text) {
    vd::ChainBuilder b;
    begin(b, u"TEXT");
    b.point(10, g.text->middle).real(40, g.text->height).text(vd::gc::kText, g.text->text);
    b.real(50, g.text->rotation).integer(72, 1).point(11, g.text->middle).integer(73, 2);
    out.push_back(b.build());
  }
  return out;
}

std::vector<vd::OwnedChain> dimensionDrawing(const Drawing& drawing, const std::map<vstring, Variable>& variables,
                                             const std::map<vstring, vstring>& environment, ChainView dimension) {
  if (const auto graphics = dimensionGraphics(dimension, dimensionVariables(drawing, variables, environment, dimension)))
    return dimensionChains(*graphics, dimension);
  std::vector<vd::OwnedChain> out;
  const vd::vstring_view name = dimension.text(2).value_or(u"");
  if (name.empty() || !drawing.findBlock(name)) return out;
  vd::ChainBuilder reference;
  reference.text(vd::gc::kType, u"INSERT");
  copyEntityLook(dimension, reference);
  reference.text(2, name).point(10, 0, 0);
  out.push_back(reference.build());
  return out;
}

bool placeDefinitionPoint(vd::OwnedChain& dimension) {
  const ChainView dim = dimension.view();
  const int type = static_cast<int>(dim.integer(70).value_or(0) & 15);
  if (type != 0 && type != 1) return false;
  const auto p10 = dim.point(10), p13 = dim.point(13), p14 = dim.point(14);
  if (!p10 || !p13 || !p14) return false;
  const V2 u = type == 1 ? plane(*p14) - plane(*p13) : direction(dim.real(50).value_or(0));
  if (length(u) < kTiny) return false;
  const double oblique = dim.real(52).value_or(0);
  const V2 e = oblique != 0 ? direction(oblique) : leftNormal(u);
  const auto foot = meet(plane(*p14), e, plane(*p10), u);
  if (!foot || length(*foot - plane(*p10)) <= kTiny * std::max(1.0, length(*foot))) return false;
  return dimension.setPoint(10, at(*foot, p10->z));
}

}  // namespace hostsim
