#include "preview/chain_items.h"

#include "colour/palette.h"
#include "geom/circarc2d.h"
#include "geom/composite_curve2d.h"
#include "geom/elliparc2d.h"
#include "geom/linear_ent2d.h"
#include "geom/point_ent2d.h"
#include "preview/chain_nodes.h"
#include "preview/chain_texts.h"
#include "preview/hatch_lines.h"
#include "preview/palette.h"
#include "preview/spline_curve.h"
#include "preview/text_extents.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace GDI {
namespace {

const double kPi = std::acos(-1.0);
const double kNaN = std::numeric_limits<double>::quiet_NaN();

using namespace chain_nodes;

bool finite(const GcGePoint2d& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

// Most copies a multiple insert is drawn with (a damaged count could ask
// for a thousand million).
constexpr int kMostGridCopies = 4096;

// Plain fields of one entity chain; a polyline's vertices, bulges and widths
// in order.
struct fields {
  std::u16string type;
  GcGePoint2d p[4];
  bool has[4] = {};
  double real40 = 0, real41 = 1, real42 = 1, width43 = 0;
  double angle50 = 0, angle51 = 0;  // radians, as every chain holds angles
  bool has41 = false;
  int flags70 = 0, flags71 = 0, flags75 = 0;
  double real44 = 0, real45 = 0;
  std::u16string name2;
  std::vector<GcGePoint2d> vertices;
  std::vector<double> bulges;
  std::vector<double> startWidths, endWidths;  // NaN where the vertex gives none
};

fields read(const vd::ValueNode* chain) {
  fields f;
  bool polyline = false;
  for (const vd::ValueNode* n = chain; n && n->code != kExtendedData; n = n->next) {
    const int code = n->code;
    if (code == 0) {
      f.type = std::u16string(textOf(*n));
      polyline = sameType(f.type, "LWPOLYLINE");
    } else if (code >= 10 && code <= 13) {
      const GcGePoint2d pt(n->v.point[0], n->v.point[1]);
      if (code == 10 && polyline) {
        f.vertices.push_back(pt);
        f.bulges.push_back(0.0);
        f.startWidths.push_back(kNaN);
        f.endWidths.push_back(kNaN);
      }
      f.p[code - 10] = pt;
      f.has[code - 10] = true;
    } else if (code == 40) {
      if (polyline && !f.vertices.empty())
        f.startWidths.back() = n->v.real;
      f.real40 = n->v.real;
    } else if (code == 41) {
      if (polyline && !f.vertices.empty())
        f.endWidths.back() = n->v.real;
      f.real41 = n->v.real;
      f.has41 = true;
    } else if (code == 42) {
      if (polyline && !f.bulges.empty())
        f.bulges.back() = n->v.real;
      else
        f.real42 = n->v.real;
    } else if (code == 43) {
      f.width43 = n->v.real;
    } else if (code == 44) {
      f.real44 = n->v.real;
    } else if (code == 45) {
      f.real45 = n->v.real;
    } else if (code == 50) {
      f.angle50 = n->v.real;
    } else if (code == 51) {
      f.angle51 = n->v.real;
    } else if (code == 70) {
      f.flags70 = n->v.i16;
    } else if (code == 71) {
      f.flags71 = n->v.i16;
    } else if (code == 75) {
      f.flags75 = n->v.i16;
    } else if (code == 2) {
      f.name2 = std::u16string(textOf(*n));
    }
  }
  return f;
}

// The piece of a polyline from a to b with bulge (tangent of a quarter of the
// included angle, positive counter-clockwise); non-finite bulges draw straight.
GcGeCurve2d* polylinePiece(const GcGePoint2d& a, const GcGePoint2d& b, double bulge) {
  return bulgedMember(a, b, std::isfinite(bulge) ? bulge : 0.0);
}

// A closed loop of straight segments through the points.
std::unique_ptr<GcGeCompositeCurve2d> ringLoop(const std::vector<GcGePoint2d>& ring) {
  auto loop = std::make_unique<GcGeCompositeCurve2d>();
  for (std::size_t i = 0; i < ring.size(); ++i) {
    const GcGePoint2d& a = ring[i];
    const GcGePoint2d& b = ring[(i + 1) % ring.size()];
    if (!(a == b))
      loop->append(new GcGeLineSeg2d(a, b));
  }
  return loop;
}

// An open run of straight segments through the points (a curve drawn from
// its samples); null when the points do not leave their first one.
std::unique_ptr<GcGeCompositeCurve2d> polylineThrough(const std::vector<GcGePoint2d>& points) {
  auto line = std::make_unique<GcGeCompositeCurve2d>();
  for (std::size_t i = 1; i < points.size(); ++i)
    if (!(points[i - 1] == points[i]))
      line->append(new GcGeLineSeg2d(points[i - 1], points[i]));
  if (line->numCurves() == 0)
    return nullptr;
  return line;
}

// How close the samples of a curve stay to it: a ten-thousandth of the size
// of the points that define it, well below a pixel of a picture of the whole
// curve.
double sampleTolerance(const std::vector<GcGePoint2d>& points) {
  GcGePoint2d lo(kNaN, kNaN), hi(kNaN, kNaN);
  for (const GcGePoint2d& p : points) {
    lo = GcGePoint2d(std::fmin(lo.x, p.x), std::fmin(lo.y, p.y));
    hi = GcGePoint2d(std::fmax(hi.x, p.x), std::fmax(hi.y, p.y));
  }
  const double size = lo.distanceTo(hi);
  return std::isfinite(size) && size > 0.0 ? size * 1e-4 : 1e-9;
}

chain_part curvePart(std::unique_ptr<GcGeEntity2d> curve) {
  chain_part part;
  part.curve = std::move(curve);
  return part;
}

// --- Polylines with widths ---------------------------------------------------

// A wide polyline segment as the two edges of its band: points left and right
// of the centre line at the same stations, start to end, and the centre
// line's directions at both ends (for the joins).
struct band {
  std::vector<GcGePoint2d> left, right;
  GcGeVector2d startDir, endDir;
  double startHalf = 0, endHalf = 0;
};

// Arc stations: at most 3 degrees apart, so a band looks round at the sizes
// a preview shows it; 120 for a full turn.
int arcStations(double sweep) {
  return static_cast<int>(std::clamp(std::ceil(std::abs(sweep) / (kPi / 60.0)), 1.0, 120.0));
}

std::optional<band> makeBand(const GcGePoint2d& a, const GcGePoint2d& b, double bulge, double w0, double w1) {
  const GcGeVector2d chord = b - a;
  const double c = chord.length();
  if (!(c > 0.0) || !std::isfinite(c))
    return std::nullopt;
  band out;
  out.startHalf = w0 / 2;
  out.endHalf = w1 / 2;
  const GcGeVector2d along = chord / c;
  if (!(std::abs(bulge) >= 1e-12) || !std::isfinite(bulge)) {
    const GcGeVector2d side = along.perpVector();
    out.left = {a + side * out.startHalf, b + side * out.endHalf};
    out.right = {a - side * out.startHalf, b - side * out.endHalf};
    out.startDir = out.endDir = along;
    return out;
  }
  // Centre of the arc: left of the chord for a counter-clockwise arc of less
  // than half a turn, at (c/2) / tan(sweep/2) from the chord's middle.
  const double sweep = 4.0 * std::atan(bulge);
  const GcGePoint2d centre = a + chord * 0.5 + along.perpVector() * ((c / 2.0) / std::tan(sweep / 2.0));
  const double radius = centre.distanceTo(a);
  if (!(radius > 0.0) || !std::isfinite(radius))
    return std::nullopt;
  const double start = std::atan2(a.y - centre.y, a.x - centre.x);
  const double turn = sweep > 0 ? 1.0 : -1.0;
  const int stations = arcStations(sweep);
  for (int i = 0; i <= stations; ++i) {
    const double u = static_cast<double>(i) / stations;
    const double phi = start + sweep * u;
    const GcGeVector2d radial(std::cos(phi), std::sin(phi));
    const double half = out.startHalf + (out.endHalf - out.startHalf) * u;
    // The inner edge stops at the centre when the band is wider than the arc.
    const double inner = radius - std::min(half, radius), outer = radius + half;
    // Left of travel is the inside of a counter-clockwise arc.
    out.left.push_back(centre + radial * (turn > 0 ? inner : outer));
    out.right.push_back(centre + radial * (turn > 0 ? outer : inner));
    if (i == 0)
      out.startDir = GcGeVector2d(-radial.y, radial.x) * turn;
    if (i == stations)
      out.endDir = GcGeVector2d(-radial.y, radial.x) * turn;
  }
  return out;
}

// Meets the edges of two bands at their shared vertex p: each edge runs on to
// where it crosses the other band's edge on the same side, so the outside of
// a corner is closed and the inside does not overlap. Left as they are when
// the bands go on straight or turn so sharply that the corner would reach
// far beyond the bands' widths.
void joinBands(band& first, band& second, const GcGePoint2d& p) {
  const GcGeVector2d t1 = first.endDir, t2 = second.startDir;
  const double h1 = first.endHalf, h2 = second.startHalf;
  const double cross = t1.crossProduct(t2);
  if (!(h1 > 0.0 && h2 > 0.0) || std::abs(cross) < 1e-9)
    return;
  GcGePoint2d corner[2];
  for (int side = 0; side < 2; ++side) {
    const double sign = side == 0 ? 1.0 : -1.0;
    const GcGePoint2d a1 = p + t1.perpVector() * (h1 * sign), a2 = p + t2.perpVector() * (h2 * sign);
    corner[side] = a1 + t1 * ((a2 - a1).crossProduct(t2) / cross);
    if (!(corner[side].distanceTo(p) <= 4.0 * std::max(h1, h2)))
      return;
  }
  first.left.back() = second.left.front() = corner[0];
  first.right.back() = second.right.front() = corner[1];
}

// A polyline with widths: one fill per wide segment (so that bands crossing
// each other do not cancel out under alternate filling) and the runs of
// segments without width as curves.
std::vector<chain_part> widePolyline(const fields& f, bool closed) {
  const std::size_t n = f.vertices.size();
  auto width = [&](double given) {
    const double w = std::isnan(given) ? f.width43 : given;
    return std::isfinite(w) ? std::abs(w) : 0.0;
  };
  struct piece {
    std::size_t from;
    std::optional<band> wide;
  };
  std::vector<piece> pieces;
  for (std::size_t i = 0; i + 1 < n + (closed ? 1 : 0); ++i) {
    const double length = f.vertices[i].distanceTo(f.vertices[(i + 1) % n]);
    if (!(length > 0.0))
      continue; // draws nothing, and has no direction for a band
    double w0 = width(f.startWidths[i]), w1 = width(f.endWidths[i]);
    // A band a million times wider than it is long is a damaged value, not a
    // drawing: it would swamp the picture, so the segment is drawn as a line.
    if (!(std::max(w0, w1) <= 1e6 * length))
      w0 = w1 = 0.0;
    piece p{i, std::nullopt};
    if (w0 > 0.0 || w1 > 0.0)
      p.wide = makeBand(f.vertices[i], f.vertices[(i + 1) % n], f.bulges[i], w0, w1);
    pieces.push_back(std::move(p));
  }
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const bool last = i + 1 == pieces.size();
    if (last && !closed)
      break;
    piece& a = pieces[i];
    piece& b = pieces[last ? 0 : i + 1];
    if (&a != &b && a.wide && b.wide)
      joinBands(*a.wide, *b.wide, f.vertices[b.from]);
  }

  std::vector<chain_part> parts;
  std::unique_ptr<GcGeCompositeCurve2d> run;
  auto endRun = [&] {
    if (run && run->numCurves() > 0)
      parts.push_back(curvePart(std::move(run)));
    run.reset();
  };
  for (piece& p : pieces) {
    if (!p.wide) {
      if (!run)
        run = std::make_unique<GcGeCompositeCurve2d>();
      run->append(polylinePiece(f.vertices[p.from], f.vertices[(p.from + 1) % n], f.bulges[p.from]));
      continue;
    }
    endRun();
    std::vector<GcGePoint2d> ring = p.wide->left;
    ring.insert(ring.end(), p.wide->right.rbegin(), p.wide->right.rend());
    chain_part fill;
    fill.loops.push_back(ringLoop(ring));
    parts.push_back(std::move(fill));
  }
  endRun();
  return parts;
}

// --- Hatches -----------------------------------------------------------------

// Reads a chain's nodes one group at a time.
class node_cursor {
public:
  explicit node_cursor(const vd::ValueNode* chain) {
    for (const vd::ValueNode* n = chain; n && n->code != kExtendedData; n = n->next)
      nodes_.push_back(n);
  }
  bool done() const { return i_ >= nodes_.size(); }
  int code() const { return done() ? std::numeric_limits<int>::min() : nodes_[i_]->code; }
  int codeAfter() const { return i_ + 1 < nodes_.size() ? nodes_[i_ + 1]->code : std::numeric_limits<int>::min(); }
  const vd::ValueNode& node() const { return *nodes_[i_]; }
  void next() { ++i_; }
  void seek(std::size_t i) { i_ = i; }
  std::size_t position() const { return i_; }
  // The position of the first node with the code; the end when there is none.
  std::size_t find(int code) const {
    for (std::size_t i = 0; i < nodes_.size(); ++i)
      if (nodes_[i]->code == code)
        return i;
    return nodes_.size();
  }

  // The next node's value when it has the code (and the cursor moves on),
  // else the fallback (and it stays).
  double real(int code, double fallback) {
    if (this->code() != code)
      return fallback;
    return nodes_[i_++]->v.real;
  }
  int integer16(int code, int fallback) {
    if (this->code() != code)
      return fallback;
    return nodes_[i_++]->v.i16;
  }
  std::optional<GcGePoint2d> point(int code) {
    if (this->code() != code)
      return std::nullopt;
    const vd::ValueNode& n = *nodes_[i_++];
    return GcGePoint2d(n.v.point[0], n.v.point[1]);
  }
  void skip(int code) {
    while (this->code() == code)
      ++i_;
  }

private:
  std::vector<const vd::ValueNode*> nodes_;
  std::size_t i_ = 0;
};

double radians(double degrees) { return degrees * kPi / 180.0; }

// Counter-clockwise sweep in degrees from start to end: 0 when both are the
// same number, else in (0, 360], so that 0 to 360 goes once round.
double sweepDegrees(double start, double end) {
  if (start == end)
    return 0.0;
  const double sweep = std::fmod(end - start, 360.0);
  return sweep <= 0.0 ? sweep + 360.0 : sweep;
}

// Boundary edges: angles in degrees. A clockwise edge holds its angles
// mirrored (360 minus the angle), so it is made as the counter-clockwise arc
// over the same points and then turned round.
GcGeCurve2d* arcEdge(node_cursor& in) {
  const auto centre = in.point(10);
  const double radius = in.real(40, kNaN);
  const double start = in.real(50, 0.0), end = in.real(51, 360.0);
  const bool ccw = in.integer16(73, 1) != 0;
  if (!centre || !finite(*centre) || !(radius > 0.0) || !std::isfinite(radius) || !std::isfinite(start) ||
      !std::isfinite(end) || sweepDegrees(start, end) == 0.0)
    return nullptr;
  const double from = ccw ? start : 360.0 - end;
  auto* arc = new GcGeCircArc2d(*centre, radius, radians(from), radians(from + sweepDegrees(start, end)));
  if (!ccw)
    arc->gcReverseParam();
  return arc;
}

// The ellipse's parameter at an angle from its major axis.
double ellipseParam(double degrees, double ratio) {
  const double a = radians(degrees);
  return std::atan2(std::sin(a) / ratio, std::cos(a));
}

GcGeCurve2d* ellipseEdge(node_cursor& in) {
  const auto centre = in.point(10);
  const auto majorEnd = in.point(11);
  const double ratio = in.real(40, kNaN);
  const double start = in.real(50, 0.0), end = in.real(51, 360.0);
  const bool ccw = in.integer16(73, 1) != 0;
  if (!centre || !majorEnd || !finite(*centre) || !finite(*majorEnd) || !(ratio > 0.0) || !std::isfinite(ratio) ||
      !std::isfinite(start) || !std::isfinite(end) || sweepDegrees(start, end) == 0.0)
    return nullptr;
  const GcGeVector2d major = majorEnd->asVector();
  const double radius = major.length();
  if (!(radius > 0.0) || !std::isfinite(radius * ratio))
    return nullptr;
  const double degrees = sweepDegrees(start, end);
  const double from = ccw ? start : 360.0 - end;
  const double p0 = ellipseParam(from, ratio);
  double sweep = ellipseParam(from + degrees, ratio) - p0;
  if (sweep < 0.0)
    sweep += 2.0 * kPi;
  if (degrees >= 360.0)
    sweep = 2.0 * kPi;
  auto* arc = new GcGeEllipArc2d(*centre, major, major.perpVector(), radius, radius * ratio, p0, p0 + sweep);
  if (!ccw)
    arc->gcReverseParam();
  return arc;
}

// A spline edge: the curve of its control points, knots and weights. Fit
// data after the control points (a count, fit points and end tangents) are
// passed over: the control points define the edge.
GcGeCurve2d* splineEdge(node_cursor& in) {
  const int degree = in.integer16(94, 3);
  in.integer16(73, 0); // rational: weights follow when it is
  const bool periodic = in.integer16(74, 0) != 0;
  for (int code : {95, 96})
    if (in.code() == code)
      in.next();
  std::vector<double> knots, weights;
  while (in.code() == 40)
    knots.push_back(in.real(40, kNaN));
  std::vector<GcGePoint2d> controls;
  // Weights follow the control points, or each its point.
  while (in.code() == 10 || in.code() == 42) {
    if (auto p = in.point(10))
      controls.push_back(*p);
    else
      weights.push_back(in.real(42, kNaN));
  }
  // A count here begins fit data only when fit points or tangents follow (or
  // a second count): otherwise it is the path's source-object count.
  const int after = in.codeAfter();
  if (in.code() == 97 && (after == 11 || after == 12 || after == 13 || after == 97)) {
    in.next();
    in.skip(11);
    in.skip(12);
    in.skip(13);
  }
  auto curve = make_spline(degree, std::move(knots), std::move(controls), std::move(weights), periodic);
  if (!curve)
    return nullptr;
  auto line = polylineThrough(spline_points(*curve, sampleTolerance(curve->controls)));
  return line ? line.release() : nullptr;
}

struct hatch_path {
  int flags = 0;
  std::unique_ptr<GcGeCompositeCurve2d> loop;
};

// Path flags.
constexpr int kPathExternal = 1, kPathPolyline = 2, kPathOutermost = 16;

// One boundary path from its 92 group on; the cursor ends after the path's
// source-object handles. Counts are not trusted: the groups themselves say
// how far each list goes.
hatch_path readPath(node_cursor& in) {
  hatch_path path;
  path.flags = in.node().v.i32;
  in.next();
  auto loop = std::make_unique<GcGeCompositeCurve2d>();
  if (path.flags & kPathPolyline) {
    for (int code : {72, 73, 93})
      if (in.code() == code)
        in.next();
    std::vector<GcGePoint2d> points;
    std::vector<double> bulges;
    while (auto p = in.point(10)) {
      const double bulge = in.real(42, 0.0);
      if (!finite(*p))
        continue;
      points.push_back(*p);
      bulges.push_back(std::isfinite(bulge) ? bulge : 0.0);
    }
    for (std::size_t i = 0; i < points.size() && points.size() > 1; ++i) {
      const GcGePoint2d& a = points[i];
      const GcGePoint2d& b = points[(i + 1) % points.size()];
      if (!(a == b))
        loop->append(polylinePiece(a, b, bulges[i]));
    }
  } else {
    if (in.code() == 93)
      in.next();
    while (in.code() == 72) {
      const int type = in.node().v.i16;
      in.next();
      GcGeCurve2d* edge = nullptr;
      if (type == 1) {
        const auto a = in.point(10), b = in.point(11);
        if (a && b && finite(*a) && finite(*b) && !(*a == *b))
          edge = new GcGeLineSeg2d(*a, *b);
      } else if (type == 2) {
        edge = arcEdge(in);
      } else if (type == 3) {
        edge = ellipseEdge(in);
      } else if (type == 4) {
        edge = splineEdge(in);
      } else {
        // An edge of unknown make-up: its groups cannot be told from the
        // next edge's, so the path ends here.
        while (!in.done() && in.code() != 92 && in.code() != 97 && in.code() != 75)
          in.next();
        break;
      }
      if (!edge)
        continue;
      // Edges should run head to tail; one that runs the other way is turned.
      if (loop->numCurves() > 0) {
        const GcGePoint2d end = loop->endPoint();
        if (end.distanceTo(edge->endPoint()) < end.distanceTo(edge->startPoint()))
          edge->gcReverseParam();
      }
      loop->append(edge);
    }
  }
  if (in.code() == 97)
    in.next();
  in.skip(330);
  if (loop->numCurves() > 0)
    path.loop = std::move(loop);
  return path;
}

struct hatch_fields {
  bool solid = false;
  int style = 0;
  bool doubled = false;
  std::vector<hatch_path> paths;
  std::vector<pattern_family> families;
};

hatch_fields readHatch(const vd::ValueNode* chain) {
  hatch_fields h;
  node_cursor in(chain);
  // Before the path count: the solid-fill flag and the pattern name.
  const std::size_t count = in.find(91);
  for (in.seek(0); in.position() < count && !in.done(); in.next()) {
    if (in.code() == 70)
      h.solid = (in.node().v.i16 & 1) != 0;
    else if (in.code() == 2 && sameType(textOf(in.node()), "SOLID"))
      h.solid = true;
  }
  if (in.done())
    return h; // no boundary at all
  in.next();
  while (in.code() == 92)
    h.paths.push_back(readPath(in));
  // After the paths: style, pattern lines, seed points. The pattern lines
  // are stored as drawn, with the pattern's angle and scale applied.
  pattern_family* family = nullptr;
  for (; !in.done(); in.next()) {
    const vd::ValueNode& n = in.node();
    switch (in.code()) {
    case 75:
      h.style = n.v.i16;
      break;
    case 77:
      h.doubled = n.v.i16 != 0;
      break;
    case 53:
      h.families.emplace_back();
      family = &h.families.back();
      family->angle = radians(n.v.real);
      break;
    case 43:
    case 44:
    case 45:
    case 46:
    case 49:
      if (!family)
        break;
      if (in.code() == 43)
        family->base.x = n.v.real;
      else if (in.code() == 44)
        family->base.y = n.v.real;
      else if (in.code() == 45)
        family->offset.x = n.v.real;
      else if (in.code() == 46)
        family->offset.y = n.v.real;
      else
        family->dashes.push_back(n.v.real);
      break;
    default:
      break;
    }
  }
  return h;
}

// A double hatch crosses each family with a copy turned by 90 degrees, unless
// the stored lines already hold that copy.
void addCrossings(std::vector<pattern_family>& families) {
  const std::size_t n = families.size();
  for (std::size_t i = 0; i < n; ++i) {
    pattern_family turned = families[i];
    turned.angle += kPi / 2;
    turned.offset = GcGeVector2d(-turned.offset.y, turned.offset.x);
    const bool present = std::any_of(families.begin(), families.begin() + static_cast<std::ptrdiff_t>(n),
                                     [&](const pattern_family& f) {
                                       const double off = std::remainder(f.angle - turned.angle, kPi);
                                       return std::abs(off) < 1e-9 &&
                                              std::abs(f.offset.length() - turned.offset.length()) <=
                                                  1e-9 * turned.offset.length();
                                     });
    if (!present)
      families.push_back(std::move(turned));
  }
}

// The loops a fill style draws: 1 (outer) the external boundary and the
// outermost islands in it, 2 (ignore) the external boundary alone; 0 all of
// them. When no path carries the flags a style looks for, all are drawn.
std::vector<std::unique_ptr<GcGeCurve2d>> styledLoops(std::vector<hatch_path>& paths, int style) {
  int wanted = 0;
  if (style == 1)
    wanted = kPathExternal | kPathOutermost;
  else if (style == 2)
    wanted = kPathExternal;
  const bool flagged = wanted != 0 && std::any_of(paths.begin(), paths.end(), [&](const hatch_path& p) {
                         return p.loop && (p.flags & wanted);
                       });
  std::vector<std::unique_ptr<GcGeCurve2d>> loops;
  for (hatch_path& p : paths)
    if (p.loop && (!flagged || (p.flags & wanted)))
      loops.push_back(std::move(p.loop));
  return loops;
}

// Points along a loop close enough for cutting pattern lines: a ten
// thousandth of the loop's size from the true boundary.
hatch_ring sampleRing(const GcGeCurve2d& loop) {
  GcGePoint2d lo, hi;
  loop.gcOrthoBoundBlock().getMinMaxPoints(lo, hi);
  const double size = lo.distanceTo(hi);
  hatch_ring ring;
  if (!(size > 0.0) || !std::isfinite(size))
    return ring;
  GcGePoint2dArray points;
  loop.getSamplePoints(size * 1e-4, points);
  ring.assign(points.begin(), points.end());
  return ring;
}

std::vector<chain_part> hatchParts(const vd::ValueNode* chain) {
  hatch_fields h = readHatch(chain);
  std::vector<std::unique_ptr<GcGeCurve2d>> loops = styledLoops(h.paths, h.style);
  std::vector<chain_part> parts;
  if (loops.empty())
    return parts;
  if (h.solid) {
    chain_part fill;
    fill.loops = std::move(loops);
    parts.push_back(std::move(fill));
    return parts;
  }
  if (h.families.empty())
    return parts; // a pattern without lines shows nothing
  if (h.doubled)
    addCrossings(h.families);
  std::vector<hatch_ring> rings;
  for (const auto& loop : loops)
    rings.push_back(sampleRing(*loop));
  std::vector<hatch_segment> segments;
  if (hatch_lines(rings, h.families, segments) == hatch_outcome::too_dense) {
    // Too fine to draw line by line: the boundary shows where the hatch is.
    for (auto& loop : loops)
      parts.push_back(curvePart(std::move(loop)));
    return parts;
  }
  parts.reserve(segments.size());
  for (const hatch_segment& s : segments)
    parts.push_back(curvePart(std::make_unique<GcGeLineSeg2d>(s.from, s.to)));
  return parts;
}

// --- Polylines, ellipses and splines ----------------------------------------

// A light-weight or 2D polyline: its bands where it has widths, else one
// curve of its segments (bulged ones arcs). Nothing with fewer than two
// vertices.
std::vector<chain_part> polylineParts(const fields& f, bool closed) {
  const std::size_t n = f.vertices.size();
  if (n < 2)
    return {};
  auto wide = [&](double w) { return std::isnan(w) ? f.width43 != 0.0 : w != 0.0; };
  if (std::any_of(f.startWidths.begin(), f.startWidths.end(), wide) ||
      std::any_of(f.endWidths.begin(), f.endWidths.end(), wide))
    return widePolyline(f, closed);
  auto composite = std::make_unique<GcGeCompositeCurve2d>();
  for (std::size_t i = 0; i + 1 < n + (closed ? 1 : 0); ++i)
    composite->append(polylinePiece(f.vertices[i], f.vertices[(i + 1) % n], f.bulges[i]));
  std::vector<chain_part> parts;
  if (composite->numCurves() > 0)
    parts.push_back(curvePart(std::move(composite)));
  return parts;
}

// Polyline flags (group 70) and vertex flags.
constexpr int kPolylineClosed = 1, kPolylineSplineFit = 4, kPolylineMesh = 16, kPolylineFaces = 64;
constexpr int kVertexSplineFrame = 16;
// Curve type (group 75) of a spline-fit polyline: 5 quadratic, else cubic.
constexpr int kQuadraticFit = 5;

// A 2D or 3D polyline (POLYLINE) from its VERTEX followers, drawn in plan.
// Vertices without widths take the polyline's (40 and 41). A spline-fit
// polyline draws the vertices the fitting made and leaves out its frame
// (the control points); one that holds its frame alone draws the B-spline of
// the frame. Meshes and polyface meshes give nothing.
std::vector<chain_part> polyline2dParts(const fields& head, std::span<const vd::ValueNode* const> followers) {
  if (head.flags70 & (kPolylineMesh | kPolylineFaces))
    return {};
  const double startWidth = head.real40, endWidth = head.has41 ? head.real41 : 0.0;
  fields f;
  std::vector<GcGePoint2d> frame;
  for (const vd::ValueNode* vertex : followers) {
    if (!sameType(typeOf(vertex), "VERTEX"))
      continue;
    int flags = 0;
    std::optional<GcGePoint2d> at;
    double bulge = 0.0, w0 = startWidth, w1 = endWidth;
    for (const vd::ValueNode* n = vertex; n && n->code != kExtendedData; n = n->next) {
      switch (n->code) {
      case 10: at = GcGePoint2d(n->v.point[0], n->v.point[1]); break;
      case 40: w0 = n->v.real; break;
      case 41: w1 = n->v.real; break;
      case 42: bulge = n->v.real; break;
      case 70: flags = n->v.i16; break;
      default: break;
      }
    }
    if (!at || !finite(*at))
      continue;
    if (flags & kVertexSplineFrame) {
      frame.push_back(*at);
      continue;
    }
    f.vertices.push_back(*at);
    f.bulges.push_back(std::isfinite(bulge) ? bulge : 0.0);
    f.startWidths.push_back(w0);
    f.endWidths.push_back(w1);
  }
  const bool closed = (head.flags70 & kPolylineClosed) != 0;
  if (f.vertices.size() < 2 && (head.flags70 & kPolylineSplineFit) && frame.size() >= 2) {
    const int degree = head.flags75 == kQuadraticFit ? 2 : 3;
    auto curve = make_spline(degree, {}, frame, {}, closed);
    std::vector<chain_part> parts;
    if (auto line = curve ? polylineThrough(spline_points(*curve, sampleTolerance(frame))) : nullptr)
      parts.push_back(curvePart(std::move(line)));
    return parts;
  }
  return polylineParts(f, closed);
}

// An ellipse (centre 10, end of the major axis 11 from the centre, ratio of
// the minor axis 40, parameters 41 and 42, normal 210) as it lies in plan:
// the parameter runs counter-clockwise about the normal, so an ellipse whose
// normal points down runs clockwise. Equal parameters make a whole ellipse.
std::unique_ptr<GcGeCurve2d> ellipseOf(const vd::ValueNode* chain) {
  std::optional<GcGePoint2d> centre;
  double major[3] = {kNaN, kNaN, kNaN}, normal[3] = {0, 0, 1};
  double ratio = kNaN, start = 0.0, end = 2 * kPi;
  for (const vd::ValueNode* n = chain; n && n->code != kExtendedData; n = n->next) {
    switch (n->code) {
    case 10: centre = GcGePoint2d(n->v.point[0], n->v.point[1]); break;
    case 11: std::copy(n->v.point, n->v.point + 3, major); break;
    case 210: std::copy(n->v.point, n->v.point + 3, normal); break;
    case 40: ratio = n->v.real; break;
    case 41: start = n->v.real; break;
    case 42: end = n->v.real; break;
    default: break;
    }
  }
  const double length = std::hypot(normal[0], normal[1], normal[2]);
  if (!centre || !finite(*centre) || !(ratio > 0.0) || !std::isfinite(ratio) || !std::isfinite(start) ||
      !std::isfinite(end) || !(length > 0.0) || !std::isfinite(length))
    return nullptr;
  for (double& c : normal)
    c /= length;
  // The minor axis is the normal times the major axis, ratio times as long;
  // both are seen in plan.
  const GcGeVector2d a(major[0], major[1]);
  const GcGeVector2d b((normal[1] * major[2] - normal[2] * major[1]) * ratio,
                       (normal[2] * major[0] - normal[0] * major[2]) * ratio);
  if (!std::isfinite(a.length()) || !std::isfinite(b.length()) || a.crossProduct(b) == 0.0)
    return nullptr;
  double sweep = std::fmod(end - start, 2 * kPi);
  if (sweep <= 0.0)
    sweep += 2 * kPi;
  auto arc = std::make_unique<GcGeEllipArc2d>(GcGePoint2d::kOrigin, GcGeVector2d::kXAxis, GcGeVector2d::kYAxis, 1.0,
                                              1.0, start, start + sweep);
  GcGeMatrix2d frame;
  frame.setCoordSystem(*centre, a, b);
  if (!arc->transformBy(frame))
    return nullptr;
  return arc;
}

// A spline (SPLINE): the curve of its control points (10), knots (40) and
// weights (41) of degree 71, or without control points the curve through
// its fit points (11) with the end tangents 12 and 13; drawn as points along
// the curve. A closed spline through fit points returns to the first one.
std::unique_ptr<GcGeCurve2d> splineOf(const vd::ValueNode* chain) {
  int flags = 0, degree = 3;
  std::vector<double> knots, weights;
  std::vector<GcGePoint2d> controls, fit;
  std::optional<GcGeVector2d> startTangent, endTangent;
  for (const vd::ValueNode* n = chain; n && n->code != kExtendedData; n = n->next) {
    const GcGePoint2d p(n->v.point[0], n->v.point[1]);
    switch (n->code) {
    case 70: flags = n->v.i16; break;
    case 71: degree = n->v.i16; break;
    case 40: knots.push_back(n->v.real); break;
    case 41: weights.push_back(n->v.real); break;
    case 10: controls.push_back(p); break;
    case 11: fit.push_back(p); break;
    case 12: startTangent = p.asVector(); break;
    case 13: endTangent = p.asVector(); break;
    default: break;
    }
  }
  constexpr int kClosed = 1, kPeriodic = 2;
  const bool closed = (flags & (kClosed | kPeriodic)) != 0;
  std::optional<spline_curve> curve;
  std::vector<GcGePoint2d> defining = controls;
  if (controls.size() >= 2) {
    curve = make_spline(degree, std::move(knots), std::move(controls), std::move(weights), closed);
  } else {
    if (closed && fit.size() >= 2 && !(fit.front() == fit.back()))
      fit.push_back(fit.front());
    curve = interpolate_spline(fit, degree, startTangent ? &*startTangent : nullptr,
                               endTangent ? &*endTangent : nullptr);
    defining = fit;
    if (!curve) // fit points the interpolation cannot take: drawn as a polyline
      return polylineThrough(fit);
  }
  if (!curve)
    return nullptr;
  return polylineThrough(spline_points(*curve, sampleTolerance(defining)));
}

std::u16string upperName(std::u16string_view name) {
  std::u16string out(name);
  for (char16_t& c : out)
    c = upper(c);
  return out;
}

bool isLayer0(std::u16string_view name) { return name == u"0"; }

// A linetype scale as a positive finite number: 1 in place of anything else.
double sane_scale(double s) { return std::isfinite(s) && s > 0.0 ? s : 1.0; }

// DXF true colour is 0x00RRGGBB; the pair holds 0x00BBGGRR.
std::uint32_t fromTrueColour(std::int32_t tc) {
  const auto v = static_cast<std::uint32_t>(tc);
  return ((v & 0xFFu) << 16) | (v & 0xFF00u) | ((v >> 16) & 0xFFu);
}

// The colour pair an entity of these colours is drawn in: with a context the
// resolved colour number and RGB; without one an index for the view's
// palette, or the true colour.
std::uint64_t colourPair(const chain_colour& c, const colour_context* colours) {
  if (colours)
    return colour_pair(static_cast<std::uint32_t>(colours->resolved_index(c)), colours->rgb(c));
  const auto index = static_cast<std::uint32_t>(c.index);
  return c.true_colour >= 0 ? colour_pair(index, fromTrueColour(c.true_colour)) : palette_colour(index);
}

} // namespace

chain_colour colour_of_chain(const vd::ValueNode* chain) {
  chain_colour c;
  for (const vd::ValueNode* n = chain; n && n->code != kExtendedData; n = n->next) {
    if (n->code == 62)
      c.index = n->v.i16;
    else if (n->code == 420)
      c.true_colour = n->v.i32;
    else if (n->code == 8)
      c.layer = std::u16string(textOf(*n));
    else if (n->code == 6)
      c.linetype = std::u16string(textOf(*n));
    else if (n->code == 48)
      c.linetype_scale = n->v.real;
  }
  return c;
}

std::string linetype_name(std::u16string_view name) {
  std::string out;
  out.reserve(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    std::uint32_t c = name[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (name[i + 1] - 0xDC00u);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD; // a lone surrogate
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

void colour_context::set_layer(std::u16string_view name, int colour, bool frozen, std::u16string_view linetype,
                               std::int32_t true_colour) {
  layers_[upperName(name)] = layer_record{colour, frozen, std::u16string(linetype), true_colour};
}

const colour_context::layer_record* colour_context::find(std::u16string_view name) const {
  const auto it = layers_.find(upperName(name));
  return it == layers_.end() ? nullptr : &it->second;
}

const colour_context::layer_record* colour_context::layer_of(const chain_colour& c) const {
  return find(!layer0.empty() && isLayer0(c.layer) ? std::u16string_view(layer0) : std::u16string_view(c.layer));
}

bool colour_context::visible(const chain_colour& c) const {
  const layer_record* layer = layer_of(c);
  return !layer || (layer->colour >= 0 && !layer->frozen);
}

bool colour_context::frozen(const chain_colour& c) const {
  const layer_record* layer = layer_of(c);
  return layer && layer->frozen;
}

int colour_context::resolved_index(const chain_colour& c) const {
  if (c.index == vd::colour::kByBlock)
    return block_index;
  if (c.index != vd::colour::kByLayer)
    return c.index;
  const layer_record* layer = layer_of(c);
  return layer ? std::abs(layer->colour) : vd::colour::kForeground;
}

std::int32_t colour_context::resolved_true_colour(const chain_colour& c) const {
  if (c.true_colour >= 0)
    return c.true_colour;
  if (c.index == vd::colour::kByBlock)
    return block_true_colour;
  if (c.index != vd::colour::kByLayer)
    return -1;
  const layer_record* layer = layer_of(c);
  return layer ? layer->true_colour : -1;
}

std::uint32_t colour_context::rgb(const chain_colour& c) const {
  if (const std::int32_t own = resolved_true_colour(c); own >= 0)
    return fromTrueColour(own);
  return vd::colour::index_rgb(resolved_index(c), vd::colour::kNone, vd::colour::kNone, background);
}

std::string colour_context::linetype_of(const chain_colour& c) const {
  std::u16string_view name = c.linetype;
  if (name.empty() || sameType(name, "BYLAYER")) {
    const layer_record* layer = layer_of(c);
    if (!layer)
      return {};
    name = layer->linetype;
    // A layer record naming BYLAYER or BYBLOCK is damaged: continuous.
    if (sameType(name, "BYLAYER") || sameType(name, "BYBLOCK"))
      return {};
  } else if (sameType(name, "BYBLOCK")) {
    return block_linetype;
  }
  if (sameType(name, "CONTINUOUS"))
    return {};
  return linetype_name(name);
}

std::unique_ptr<GcGeCurve2d> merge_loops(std::vector<std::unique_ptr<GcGeCurve2d>> loops) {
  if (loops.size() <= 1)
    return loops.empty() ? nullptr : std::move(loops.front());
  auto merged = std::make_unique<GcGeCompositeCurve2d>();
  auto line = [&](const GcGePoint2d& a, const GcGePoint2d& b) {
    if (!(a == b))
      merged->append(new GcGeLineSeg2d(a, b));
  };
  const GcGePoint2d origin = loops.front()->startPoint();
  for (std::size_t i = 0; i < loops.size(); ++i) {
    const GcGeCurve2d& loop = *loops[i];
    const GcGePoint2d start = loop.startPoint();
    if (i > 0)
      line(origin, start);
    GcGeCurve2dPtrArray pieces;
    if (!loop.explode(pieces))
      pieces.append(loop.copyCurve());
    for (GcGeCurve2d* piece : pieces)
      merged->append(piece);
    line(merged->numCurves() > 0 ? merged->endPoint() : start, start);
    if (i > 0)
      line(start, origin);
  }
  return merged;
}

std::uint64_t block_key(std::u16string_view name) {
  std::uint64_t h = 1469598103934665603ull; // FNV-1a
  for (char16_t c : name)
    h = (h ^ upper(c)) * 1099511628211ull;
  return h;
}

double estimated_text_width(std::u16string_view text) { return kEstimatedCharWidth * static_cast<double>(text.size()); }

std::optional<chain_item> item_from_chain(const vd::ValueNode* chain, const colour_context* colours,
                                          std::span<const vd::ValueNode* const> followers) {
  const chain_colour colour = colour_of_chain(chain);
  chain_item item;
  const fields f = read(chain);
  // A reference on a layer that is off still places its members on other
  // layers; its members on layer 0 take its layer and hide with it.
  if (colours && (sameType(f.type, "INSERT") ? colours->frozen(colour) : !colours->visible(colour)))
    return std::nullopt;
  item.colour = colourPair(colour, colours);
  if (colours) {
    item.linetype = colours->linetype_of(colour);
    item.linetype_scale = sane_scale(sane_scale(colour.linetype_scale) * sane_scale(colours->linetype_scale));
  } else {
    // By-layer and by-block linetypes are not known here: drawn continuous.
    if (!sameType(colour.linetype, "BYLAYER") && !sameType(colour.linetype, "BYBLOCK"))
      item.linetype = linetype_name(colour.linetype);
    item.linetype_scale = sane_scale(colour.linetype_scale);
  }
  const std::u16string& t = f.type;
  if (sameType(t, "LINE") && f.has[0] && f.has[1]) {
    item.parts.push_back(curvePart(std::make_unique<GcGeLineSeg2d>(f.p[0], f.p[1])));
  } else if (sameType(t, "CIRCLE") && f.has[0] && f.real40 > 0) {
    item.parts.push_back(curvePart(std::make_unique<GcGeCircArc2d>(f.p[0], f.real40)));
  } else if (sameType(t, "ARC") && f.has[0] && f.real40 > 0) {
    item.parts.push_back(curvePart(std::make_unique<GcGeCircArc2d>(f.p[0], f.real40, f.angle50, f.angle51)));
  } else if (sameType(t, "ELLIPSE") || sameType(t, "SPLINE")) {
    std::unique_ptr<GcGeCurve2d> curve = sameType(t, "ELLIPSE") ? ellipseOf(chain) : splineOf(chain);
    if (!curve)
      return std::nullopt;
    item.parts.push_back(curvePart(std::move(curve)));
  } else if (sameType(t, "POINT") && f.has[0]) {
    item.parts.push_back(curvePart(std::make_unique<GcGePointEnt2d>(f.p[0])));
  } else if (sameType(t, "LWPOLYLINE") || sameType(t, "POLYLINE")) {
    item.parts = sameType(t, "POLYLINE") ? polyline2dParts(f, followers) : polylineParts(f, (f.flags70 & 1) != 0);
    if (item.parts.empty())
      return std::nullopt;
  } else if (sameType(t, "SOLID") && f.has[0] && f.has[1] && f.has[2]) {
    // Corners in the order 1, 2, 4, 3; a triangle repeats the third.
    std::vector<GcGePoint2d> ring{f.p[0], f.p[1]};
    if (f.has[3] && !f.p[3].isEqualTo(f.p[2]))
      ring.push_back(f.p[3]);
    ring.push_back(f.p[2]);
    chain_part fill;
    fill.loops.push_back(ringLoop(ring));
    if (static_cast<GcGeCompositeCurve2d&>(*fill.loops.back()).numCurves() == 0)
      return std::nullopt; // all corners in one point
    item.parts.push_back(std::move(fill));
  } else if (sameType(t, "HATCH")) {
    item.linetype.clear(); // pattern lines carry their own dashes
    item.parts = hatchParts(chain);
    if (item.parts.empty())
      return std::nullopt;
  } else if (sameType(t, "TEXT") || sameType(t, "ATTRIB") || sameType(t, "MTEXT") || sameType(t, "ATTDEF")) {
    // An attribute or definition marked invisible (70 bit 1) shows nothing.
    // A definition in a block shows only when it is constant (bit 2): its
    // value is then in every reference, where the others give way to the
    // references' own attributes.
    const bool definition = sameType(t, "ATTDEF");
    if ((definition || sameType(t, "ATTRIB")) && (f.flags70 & 1))
      return std::nullopt;
    if (definition && !(f.flags70 & 2))
      return std::nullopt;
    const text_measure measure = colours && colours->text_width ? colours->text_width : estimated_text_width;
    std::vector<laid_text> lines = sameType(t, "MTEXT") ? multi_line_text(chain, measure) : one_line_text(chain, measure);
    if (lines.empty())
      return std::nullopt;
    item.what = chain_item::kind::text;
    for (laid_text& line : lines) {
      if (line.format.colour_index >= 0 || line.format.true_colour >= 0) {
        chain_colour own = colour;
        own.index = line.format.colour_index >= 0 ? line.format.colour_index : colour.index;
        own.true_colour = line.format.true_colour;
        line.text.colour = colourPair(own, colours);
      }
      item.texts.push_back(std::move(line.text));
    }
  } else if (sameType(t, "INSERT") && f.has[0] && !f.name2.empty()) {
    item.what = chain_item::kind::insert;
    item.block_key = block_key(f.name2);
    item.position = f.p[0];
    item.scale = GcGeScale2d(f.real41, f.real42);
    item.direction = GcGeVector2d(std::cos(f.angle50), std::sin(f.angle50));
    // A multiple insert: a grid of copies, columns along the reference's
    // direction. A grid too large to be meant (or spacings that are not
    // numbers) is drawn as its first copy.
    const int columns = std::max(1, f.flags70), rows = std::max(1, f.flags71);
    if ((columns > 1 || rows > 1) && columns * rows <= kMostGridCopies && std::isfinite(f.real44) &&
        std::isfinite(f.real45)) {
      item.columns = columns;
      item.rows = rows;
      item.column_spacing = f.real44;
      item.row_spacing = f.real45;
    }
  } else {
    return std::nullopt;
  }
  return item;
}

} // namespace GDI
