#include "dimtools/dim_align.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "dimtools/dim_access.h"
#include "dimtools/dim_batch.h"
#include "dimtools/dim_codes.h"
#include "geom/plane.h"
#include "host/handle_erase_list.h"
#include "host/entity_walk.h"
#include "host/host_api.h"
#include "host/names.h"
#include "host/services.h"
#include "host/ucs.h"
#include "res/string_ids.h"

namespace vd::dim {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kHorizontalDirection = gc::kAngle1;  // group 51
constexpr int kTextAttachment = gc::kFlags1;       // group 71
constexpr int kTextMiddle = gc::kPoint1;           // group 11, object coordinates

// Selection modes of SSGetW.
constexpr int kPickOne = 1;
constexpr int kSelect = 2;

int select(int mode, int prompt) {
  const vstring text = loadText(prompt);
  return hostCallOr<&HostApi::SSGetW>(static_cast<int>(kRtCancel), mode, text.c_str(), static_cast<ValueNode*>(nullptr),
                                      0);
}


// The sample: picked again until the pick is a dimension DimAlign can align
// to; nothing when the user cancels.
std::optional<OwnedChain> pickSample() {
  for (;;) {
    if (select(kPickOne, IDS_PROMPT_DIMALIGN_SAMPLE) != kRtNorm) return std::nullopt;
    const ValueNode* picked = EntityWalk().next();
    if (picked && readLinearDimension(picked)) return entityCopy(picked);
  }
}

}  // namespace

AlignTolerances alignTolerances(double units) {
  double u = std::trunc(units);
  if (!(u >= 1.0)) u = 1.0;
  const GcGeTol context(u * 1e-6, u * 1e-8);
  const GcGeTol fine(context.equalPoint() * vdgeom::tol::kFineShare,
                     context.equalVector() * vdgeom::tol::kFineShare);
  return {context, fine};
}

GcGeVector3d objectXAxis(const GcGeVector3d& n) { return n.perpVector(); }

std::optional<LinearDimension> readLinearDimension(ChainView dimension) {
  if (!dimension.isType(names::kDimension) || !hasSubclass(dimension, names::kAcDbAlignedDimension))
    return std::nullopt;
  for (int code : {kDefinitionPoint, kTextMiddle, kExtOrigin1, kExtOrigin2}) {
    if (!dimension.point(code)) return std::nullopt;
  }
  LinearDimension d;
  d.definitionPoint = pointOf(dimension, kDefinitionPoint);
  d.rotated = hasSubclass(dimension, names::kAcDbRotatedDimension);
  const std::optional<ChainPoint> n = dimension.point(gc::kExtrusion);
  d.normal = n ? GcGeVector3d(n->x, n->y, n->z) : GcGeVector3d::kZAxis;
  if (d.normal.isZeroLength()) d.normal = GcGeVector3d::kZAxis;
  d.normal.normalize();
  if (d.rotated) {
    d.direction = objectXAxis(d.normal).rotateBy(dimension.real(kRotation).value_or(0.0), d.normal);
  } else {
    const GcGePoint3d p13 = pointOf(dimension, kExtOrigin1), p14 = pointOf(dimension, kExtOrigin2);
    d.direction = p13.isEqualTo(p14, GcGeContext::gFineTol) ? objectXAxis(d.normal) : (p14 - p13);
  }
  d.direction.normalize();
  return d;
}

bool alignOnto(OwnedChain& dimension, const LinearDimension& self, const LinearDimension& sample) {
  const GcGePlane sampleLine(sample.definitionPoint, sample.direction, sample.normal);
  const GcGeVector3d extension = GcGeVector3d(self.direction).rotateBy(kPi / 2, self.normal);
  GcGePoint3d meeting;
  if (!sampleLine.intersectWith(GcGeLine3d(self.definitionPoint, extension), meeting)) return false;
  const GcGeVector3d delta = meeting - self.definitionPoint;
  // Group 11 is held in the object coordinate system: the shift is taken
  // apart along its axes.
  const GcGeVector3d x = objectXAxis(self.normal), y = self.normal.crossProduct(x);
  ChainPoint middle = dimension.view().point(kTextMiddle).value_or(ChainPoint{});
  middle.x += delta.dotProduct(x);
  middle.y += delta.dotProduct(y);
  middle.z += delta.dotProduct(self.normal);
  return dimension.setPoint(kDefinitionPoint, toChainPoint(meeting)) && dimension.setPoint(kTextMiddle, middle);
}

double ucsHorizontalDirection() {
  const GcGeVector2d x = ucsTransforms().userToWorld2d.apply(GcGeVector2d::kXAxis);
  return 2 * kPi - x.angle();
}

bool setHorizontalDirection(OwnedChain& dimension, double angle) {
  if (dimension.view().has(kHorizontalDirection)) return dimension.setReal(kHorizontalDirection, angle);
  ValueNode* behind = const_cast<ValueNode*>(dimension.view().find(kTextAttachment));
  if (!behind) return false;
  while (behind->next && behind->next->code >= 41 && behind->next->code <= 79) behind = behind->next;
  OwnedChain node = ChainBuilder().real(kHorizontalDirection, angle).build();
  if (!node) return false;
  spliceChainAfter(behind, node.release());
  return true;
}

int runDimAlign() {
  refreshUcsTransforms();
  const AlignTolerances tolerances = alignTolerances(drawingUnits());
  const GcGeScopedTol context(GcGeContext::gTol, tolerances.context);
  const GcGeScopedTol fine(GcGeContext::gFineTol, tolerances.fine);

  const std::optional<OwnedChain> sampleChain = pickSample();
  // The copy of a dimension that was read fails only when memory runs out.
  const std::optional<LinearDimension> sample = sampleChain ? readLinearDimension(*sampleChain) : std::nullopt;
  if (!sample) return 0;
  if (select(kSelect, IDS_PROMPT_DIMALIGN_SELECT) != kRtNorm) return 0;
  std::vector<OwnedChain> work;
  EntityWalk walk;
  while (const ValueNode* n = walk.next()) work.push_back(entityCopy(n));
  // Part of a selection would align only some of the dimensions.
  if (!walk.whole()) return -1;

  std::vector<OwnedChain> aligned;
  HandleEraseList replaced;
  bool notParallel = false;
  for (OwnedChain& entry : work) {
    const std::optional<LinearDimension> self = readLinearDimension(entry);
    if (!self) continue;
    if (!self->direction.isParallelTo(sample->direction)) {
      notParallel = true;
      continue;
    }
    if (!alignOnto(entry, *self, *sample)) continue;
    // The aligned copy becomes a new entity; the one it replaces is erased
    // once the batch is in the drawing.
    replaced.add(entry.get());
    entry.remove(gc::kHandle);
    aligned.push_back(std::move(entry));
  }
  if (!replaceEntities(aligned, replaced)) return 0;
  if (notParallel) errorBox(loadText(IDS_MSG_DIMALIGN_NOT_PARALLEL));
  return 1;
}

int runDimUpdateUcs() {
  if (select(kSelect, IDS_PROMPT_DIMUCS_SELECT) != kRtNorm) return -1;
  refreshUcsTransforms();
  const double horizontal = ucsHorizontalDirection();
  std::vector<OwnedChain> dimensions;
  HandleEraseList replaced;
  if (!collectSelectedDimensions(dimensions, replaced)) return -1;
  for (OwnedChain& dimension : dimensions) setHorizontalDirection(dimension, horizontal);
  return replaceEntities(dimensions, replaced) ? 0 : -1;
}

}  // namespace vd::dim
