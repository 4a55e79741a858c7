#include "dimtools/arc_dimension.h"

#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "dimtools/arc_angles.h"
#include "dimtools/dim_access.h"
#include "dimtools/dim_batch.h"
#include "dimtools/dim_codes.h"
#include "dimtools/dim_style.h"
#include "host/entity_walk.h"
#include "host/host_api.h"
#include "host/names.h"
#include "host/services.h"
#include "res/string_ids.h"

namespace vd::dim {

namespace {

// The layer key of dimensions, and the room its name is read into.
constexpr int kDimensionLayerKey = 3;
constexpr int kLayerNameChars = 256;


int dimensionKind(ChainView dimension) { return static_cast<int>(dimension.integer(kType).value_or(-1)) & kTypeMask; }

vstring dimensionLayer() {
  vchar buffer[kLayerNameChars] = {};
  hostCallOr<&HostApi::GetLayerKeyW>(0, kDimensionLayerKey, buffer, kLayerNameChars, 0);
  buffer[kLayerNameChars - 1] = 0;
  return vstring(buffer);
}

// The centre and radius of the arc of a bulged polyline segment from p to q.
struct BulgeArc {
  GcGePoint3d centre;
  double radius;
};
std::optional<BulgeArc> bulgeArc(const ChainPoint& p, const ChainPoint& q, double bulge) {
  if (bulge == 0.0) return std::nullopt;
  double dx = q.x - p.x, dy = q.y - p.y;
  double chord = std::sqrt(dx * dx + dy * dy);
  if (chord == 0.0) return std::nullopt;
  // The centre lies left of the chord for a counter-clockwise arc (bulge > 0),
  // at (1 - b^2) / 2b half chords from its middle.
  double f = (1.0 - bulge * bulge) / (4.0 * bulge);
  GcGePoint3d centre((p.x + q.x) / 2 - dy * f, (p.y + q.y) / 2 + dx * f, p.z);
  return BulgeArc{centre, std::abs(chord / 2 / std::sin(2 * std::atan(bulge)))};
}

// The arc segment of a polyline whose centre is `vertex`.
std::optional<BulgeArc> polylineArcAbout(ChainView polyline, const GcGePoint3d& vertex) {
  struct Vertex {
    ChainPoint point;
    double bulge = 0;
  };
  std::vector<Vertex> vertices;
  for (ChainItem item : polyline) {
    if (item.code() == gc::kPoint0) vertices.push_back({item.point().value_or(ChainPoint{}), 0.0});
    if (item.code() == gc::kReal2 && !vertices.empty()) vertices.back().bulge = item.real().value_or(0.0);
  }
  bool closed = polyline.integer(gc::kFlags).value_or(0) & 1;
  for (size_t i = 0; i < vertices.size(); ++i) {
    size_t next = i + 1;
    if (next == vertices.size()) {
      if (!closed) break;
      next = 0;
    }
    std::optional<BulgeArc> arc = bulgeArc(vertices[i].point, vertices[next].point, vertices[i].bulge);
    if (arc && GcGePoint3d(arc->centre.x, arc->centre.y, vertex.z).isEqualTo(vertex)) return arc;
  }
  return std::nullopt;
}

// Removes the first node of the code; false when there is none.
bool removeFirst(OwnedChain& chain, int code) {
  ValueNode* head = chain.release();
  ValueNode** link = &head;
  while (*link && (*link)->code != code) link = &(*link)->next;
  ValueNode* gone = *link;
  if (gone) {
    *link = gone->next;
    gone->next = nullptr;
    releaseValueChain(gone, false);
  }
  chain.reset(head);
  return gone != nullptr;
}

}  // namespace

int collectArcDimension(CKota& kota, bool withLimitPoints) {
  readDimStyle(kota);
  HandleEraseList temporaries;
  EntityWalk walk;
  const ValueNode* next = walk.next();
  if (!next) return kArcDimReadError;
  bool arcTaken = false, dimensionTaken = false;
  int points = 0;
  int result = kArcDimDone;
  for (; next; next = walk.next()) {
    ChainView e(next);
    if (result != kArcDimDone) {
      // Reading failed: the walk goes on only so that no temporary stays behind.
      if (e.isType(names::kDimension) || (withLimitPoints && e.isType(names::kPoint))) temporaries.add(next);
      continue;
    }
    if (e.isType(names::kPoint)) {
      if (withLimitPoints && points < 2) {
        temporaries.add(next);
        (points == 0 ? kota.limitPoint1 : kota.limitPoint2) = pointOf(e, gc::kPoint0);
        ++points;
      }
    } else if (e.isType(names::kArc)) {
      if (!arcTaken) {
        kota.centre = pointOf(e, gc::kPoint0);
        kota.radius = e.real(gc::kReal0).value_or(0.0);
        kota.sourceArc = entityCopy(e);
        arcTaken = true;
      }
    } else if (e.isType(names::kLwPolyline)) {
      if (!arcTaken) {
        // The segment is found by the dimension's vertex: a polyline before it cannot be read.
        if (!dimensionTaken) {
          result = kArcDimReadError;
          continue;
        }
        kota.sourceArc = entityCopy(e);
        if (std::optional<BulgeArc> arc = polylineArcAbout(e, pointOf(kota.dimension, kVertex))) {
          kota.centre = arc->centre;
          kota.radius = arc->radius;
        }
        arcTaken = true;
      }
    } else if (e.isType(names::kDimension)) {
      temporaries.add(next);
      if (dimensionKind(e) == kAngular3Point) {
        // The copy becomes a new entity: the old handle goes with the temporary.
        kota.dimension = entityCopy(e, false);
        dimensionTaken = true;
      }
    }
    if (dimensionTaken && arcTaken && (!withLimitPoints || points == 2)) break;
  }
  // Limit points the host did not hand out (a walk that stopped short passed
  // over them) are none to measure between.
  if (withLimitPoints && points < 2 && result == kArcDimDone) result = kArcDimReadError;
  temporaries.flush();
  if (result != kArcDimDone) return result;
  if (!dimensionTaken) return kArcDimReadError;
  kota.centre = pointOf(kota.dimension, kVertex);
  kota.radius = kota.centre.distanceTo(pointOf(kota.dimension, kExtOrigin2));
  // From here on the source is never written back.
  kota.sourceArc.reset();
  return kArcDimDone;
}

int adjustLimitPoints(CKota& kota, bool& moved) {
  OwnedChain& dim = kota.dimension;
  removeFirst(dim, kMeasurement);
  if (dimensionKind(dim) != kAngular3Point) return kArcDimDrawError;
  const GcGePoint3d& c = kota.centre;
  const GcGePoint3d end1 = pointOf(dim, kExtOrigin1), end2 = pointOf(dim, kExtOrigin2);
  const GcGeVector3d e1 = end1 - c, e2 = end2 - c, d = pointOf(dim, kDefinitionPoint) - c;
  GcGeVector3d l1 = kota.limitPoint1 - c, l2 = kota.limitPoint2 - c;
  if (l1.isZeroLength() || l2.isZeroLength()) return kArcDimLimitAtCentre;
  if (pointsSameWay(e1, e2)) return kArcDimDone;
  GcGeVector3d n = e1.crossProduct(e2);
  GcGeVector3d a = e1.crossProduct(d), b = e2.crossProduct(d);
  const GcGeVector3d& longer = a.length() >= b.length() ? a : b;
  if (longer.length() > n.length()) n = longer;
  const int s = orientation(e1, e2, d, n);
  const double part = planarAngle(e1, e2, n, s);
  const bool inside1 = part >= planarAngle(e1, l1, n, s);
  const bool inside2 = part >= planarAngle(e1, l2, n, s);
  if (!inside1 && !inside2) {
    kota.limitPoint1 = end1;
    kota.limitPoint2 = end2;
    moved = true;
    return kArcDimDone;
  }
  if (!inside1 || !inside2) {
    GcGePoint3d& q = inside1 ? kota.limitPoint2 : kota.limitPoint1;
    GcGeVector3d v = q - c;
    // To the arc end it is nearer to, measured outside the dimensioned part.
    q = planarAngle(e2, v, n, s) > planarAngle(e1, v, n, -s) ? end1 : end2;
    moved = true;
    l1 = kota.limitPoint1 - c;
    l2 = kota.limitPoint2 - c;
  }
  dim.setPoint(kExtOrigin1, toChainPoint(kota.limitPoint1));
  dim.setPoint(kExtOrigin2, toChainPoint(kota.limitPoint2));
  if (planarAngle(e1, l1, n, s) > planarAngle(e1, l2, n, s)) std::swap(l1, l2);
  if (!(planarAngle(e1, l1, n, s) > planarAngle(e1, d, n, s)) && !(planarAngle(e2, l2, n, -s) > planarAngle(e2, d, n, -s)))
    return kArcDimDone;
  // The dimension arc point goes onto the bisector of the limits at its
  // distance. The bisector is that of their directions: limits picked off
  // the circle at different distances still get the middle of the part.
  // Limits straight across the centre have no bisector in their sum; the
  // perpendicular stands in, and the side test below turns it to the part.
  GcGeVector3d m = l1.normal() + l2.normal();
  if (m.length() <= 1e-9) m = n.crossProduct(l1);
  m = m.normal() * d.length();
  if (planarAngle(l1, m, n, s) > planarAngle(l1, l2, n, s)) m = -m;
  dim.setPoint(kDefinitionPoint, toChainPoint(c + m));
  return kArcDimDone;
}

bool writeArcTextOverride(CKota& kota, int mode, bool withLimitPoints) {
  OwnedChain& dim = kota.dimension;
  double angle = 0.0;
  if (!withLimitPoints) {
    angle = dim.view().real(kMeasurement).value_or(0.0);
  } else {
    const GcGePoint3d& c = kota.centre;
    int kind = dimensionKind(dim);
    if (kind == kAngular3Point) {
      angle = sweepAngle(pointOf(dim, kExtOrigin1) - c, pointOf(dim, kExtOrigin2) - c, pointOf(dim, kDefinitionPoint) - c);
    } else if (kind == kAngular2Line) {
      angle = sweepAngle(pointOf(dim, kDefinitionPoint) - c, pointOf(dim, kExtOrigin2) - c, pointOf(dim, kThirdPoint) - c);
    }
  }
  vstring length = formatDimValue(kota, std::abs(angle * kota.radius));
  vstring text = length;
  if (mode == 2) {
    vstring radius = formatDimValue(kota, kota.radius);
    text = vformat(loadFormat(IDS_FMT_DIMARC_LENGTH_RADIUS, "ss").c_str(), length.c_str(), radius.c_str());
  }
  return placeDimensionText(dim, text);
}

namespace {

int makeArcDimension(CKota& kota, const ArcDimensionRequest& request, const vstring& layer, bool& moved) {
  moved = false;
  if (request.withLimitPoints) {
    if (int r = adjustLimitPoints(kota, moved); r != kArcDimDone) return r;
  }
  if (!writeArcTextOverride(kota, request.mode, request.withLimitPoints)) return kArcDimDrawError;
  // A key the host has no name for (or a failed read) gives no layer: the
  // dimension stays on the layer the host made it on, not on a layer
  // without a name.
  if (!layer.empty()) setEntityLayer(kota.dimension, layer);
  if (!writeBatch(std::span<const OwnedChain>(&kota.dimension, 1))) return kArcDimDrawError;
  reapplyDimStyle();
  return kArcDimDone;
}

}  // namespace

int runDimArc(const ArcDimensionRequest& request) {
  if (hostCallOr<&HostApi::DimArcEntry>(-1, request.mode, request.withLimitPoints ? 1 : 0) < 0) return -1;
  const vstring layer = dimensionLayer();
  CKota kota;
  const int collected = collectArcDimension(kota, request.withLimitPoints);
  hostCall<&HostApi::DimArcEntryExit>();
  if (collected != kArcDimDone) {
    errorBox(loadText(IDS_MSG_DIMARC_READ_ERROR));
    if (request.restoreSource && kota.sourceArc) {
      kota.sourceArc.remove(gc::kHandle);
      writeBatch(std::span<const OwnedChain>(&kota.sourceArc, 1));
    }
    return -1;
  }
  bool moved = false;
  switch (makeArcDimension(kota, request, layer, moved)) {
    case kArcDimDone:
      if (moved) errorBox(loadText(IDS_MSG_DIMARC_LIMITS_MOVED));
      return 0;
    case kArcDimLimitAtCentre:
      errorBox(loadText(IDS_MSG_DIMARC_LIMIT_AT_CENTER));
      return -1;
    default:
      errorBox(loadText(IDS_MSG_DIMARC_DRAW_ERROR));
      return -1;
  }
}

}  // namespace vd::dim
