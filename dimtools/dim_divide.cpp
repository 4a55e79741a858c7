#include "dimtools/dim_divide.h"

#include <cmath>
#include <numbers>
#include <utility>

#include "dimtools/dim_access.h"
#include "dimtools/dim_batch.h"
#include "dimtools/dim_codes.h"
#include "dimtools/dim_connect.h"
#include "dimtools/dim_texts.h"
#include "dimtools/linear_dim.h"
#include "host/host_api.h"
#include "host/services.h"
#include "res/string_ids.h"

namespace vd::dim {

namespace {

constexpr const vchar* kRotatedMarker = u"AcDbRotatedDimension";

ChainPoint toChain(const GcGePoint3d& p) { return {p.x, p.y, p.z}; }

bool isMarker(const ValueNode* n, const vchar* name) {
  return n->code == kSubclass && n->v.str && vstring_view(n->v.str) == name;
}

// Puts `part` in front of the first node `stop` accepts, or at the end.
template <typename Stop>
void insertBefore(OwnedChain& chain, OwnedChain part, Stop stop) {
  ValueNode* before = nullptr;
  for (ValueNode* n = chain.get(); n && !stop(n); n = n->next) before = n;
  if (!before) {
    // Nothing to stand behind: the part opens the chain.
    ValueNode* rest = chain.release();
    ValueNode* head = part.release();
    ValueNode* last = head;
    while (last->next) last = last->next;
    last->next = rest;
    chain.reset(head);
    return;
  }
  spliceChainAfter(before, part.release());
}

bool startsExtendedData(const ValueNode* n) { return n->code == gc::kExtendedData || n->code == gc::kXdApp; }

// A copy of the dimension as a rotated one along `lineAngle`: a rotation
// (group 50) in the place a CAD program keeps it, the "AcDbRotatedDimension"
// marker where the dimension carries subclass markers, and the kind in
// group 70; everything else as it was.
OwnedChain rotatedCopy(ChainView dimension, double lineAngle) {
  OwnedChain copy = OwnedChain::copyOf(dimension);
  if (!copy) return copy;
  if (!copy.view().has(kRotation)) {
    OwnedChain rotation = ChainBuilder().real(kRotation, 0.0).build();
    if (!rotation) return OwnedChain();
    insertBefore(copy, std::move(rotation),
                 [](const ValueNode* n) { return startsExtendedData(n) || isMarker(n, kRotatedMarker); });
  }
  bool hasMarkers = false, hasRotatedMarker = false;
  for (const ValueNode* n = copy.get(); n; n = n->next) {
    hasMarkers = hasMarkers || n->code == kSubclass;
    hasRotatedMarker = hasRotatedMarker || isMarker(n, kRotatedMarker);
  }
  if (hasMarkers && !hasRotatedMarker) {
    OwnedChain marker = ChainBuilder().text(kSubclass, kRotatedMarker).build();
    if (!marker) return OwnedChain();
    insertBefore(copy, std::move(marker), startsExtendedData);
  }
  const int64_t flags = copy.view().integer(kType).value_or(0);
  double angle = std::fmod(lineAngle, 2 * std::numbers::pi);
  if (angle < 0) angle += 2 * std::numbers::pi;
  OwnedChain changes =
      ChainBuilder().real(kRotation, angle).integer(kType, (flags & ~int64_t{kTypeMask}) | kRotated).build();
  if (!changes) return OwnedChain();
  OwnedChain rotated = mergeDimChanges(copy, changes, MergeForm::EmbeddedObject);
  // The host measures each part itself.
  rotated.remove(kMeasurement);
  if (rotated && !rotated.view().has(kTextOverride)) placeDimensionText(rotated, vstring_view());
  return rotated;
}

// One part of a split: the rotated copy with its overrides set and its
// changed groups merged in.
OwnedChain splitPart(ChainView base, std::initializer_list<std::pair<int, double>> reals,
                     std::initializer_list<std::pair<int, int16_t>> shorts, ChainBuilder& changes) {
  OwnedChain part = OwnedChain::copyOf(base);
  if (!part) return part;
  for (const auto& [variable, value] : reals) {
    if (!setDimOverride(part, variable, value)) return OwnedChain();
  }
  for (const auto& [variable, value] : shorts) {
    if (!setDimOverride(part, variable, value)) return OwnedChain();
  }
  OwnedChain c = changes.build();
  if (!c) return OwnedChain();
  return mergeDimChanges(part, c);
}

}  // namespace

std::optional<DimSplit> splitDim(ChainView dimension, const GcGePoint3d& point, double exo) {
  const std::optional<LinearDim> d = readLinearDim(dimension);
  if (!d) return std::nullopt;
  const GcGePoint3d p(point.x, point.y, 0.0);
  const GcGePoint3d foot = d->footOf(p);
  // Inside means along the line from the first foot towards 10, more than
  // the point tolerance from either end.
  const GcGeVector3d along = d->point10 - d->firstFoot;
  const double length = std::hypot(along.x, along.y);
  if (!(length > 2 * kPointTolerance)) return std::nullopt;
  const double at = ((foot.x - d->firstFoot.x) * along.x + (foot.y - d->firstFoot.y) * along.y) / length;
  if (!(at > kPointTolerance && length - at > kPointTolerance)) return std::nullopt;

  const OwnedChain base = rotatedCopy(dimension, d->lineAngle);
  if (!base) return std::nullopt;
  double gap = d->dimExo.value_or(0.0);
  if (gap == 0.0) gap = exo;
  const int16_t se2 = d->dimSe2.value_or(0);
  auto [firstText, secondText] = splitText(d->firstFoot, d->point10, foot, d->text);

  DimSplit out;
  out.lineAngle = d->lineAngle;
  ChainBuilder firstChanges;
  firstChanges.text(kTextOverride, firstText).point(kDefinitionPoint, toChain(foot)).point(kExtOrigin2, toChain(p));
  out.first = se2 != 1 ? splitPart(base, {{kVarDimExo, gap}}, {}, firstChanges) : splitPart(base, {}, {}, firstChanges);
  ChainBuilder secondChanges;
  secondChanges.text(kTextOverride, secondText)
      .point(kDefinitionPoint, toChain(d->point10))
      .point(kExtOrigin1, toChain(p))
      .point(kExtOrigin2, toChain(d->origin2));
  out.second = se2 != 0 ? splitPart(base, {{kVarDimExo, gap}}, {{kVarDimSe1, int16_t{0}}}, secondChanges)
                        : splitPart(base, {{kVarDimExo, gap}}, {}, secondChanges);
  if (!out.first || !out.second) return std::nullopt;
  return out;
}

bool sameLineDirection(double a, double b) {
  const double d = std::abs(angleBetween(a, b));
  return d < kParallelTolerance || std::numbers::pi - d < kParallelTolerance;
}

DivideResult divideDimensions(std::vector<OwnedChain>& dimensions, std::span<const GcGePoint3d> points, double exo) {
  std::optional<double> direction;
  for (auto p = points.rbegin(); p != points.rend(); ++p) {
    for (size_t k = 0; k < dimensions.size();) {
      std::optional<DimSplit> split = splitDim(dimensions[k], *p, exo);
      if (!split) {
        ++k;
        continue;
      }
      if (!direction) direction = split->lineAngle;
      if (!sameLineDirection(*direction, split->lineAngle)) return DivideResult::kNotParallel;
      dimensions[k] = std::move(split->first);
      dimensions.insert(dimensions.begin() + static_cast<std::ptrdiff_t>(k) + 1, std::move(split->second));
      k += 2;
    }
  }
  return DivideResult::kDone;
}

int runDimDivide() {
  const double exo = dimExoSetting();
  std::vector<GcGePoint3d> points;
  for (;;) {
    const vstring prompt = loadText(points.empty() ? IDS_PROMPT_DIMDIVIDE_FIRST_POINT : IDS_PROMPT_DIMDIVIDE_NEXT_POINT);
    double from[3] = {0, 0, 0};
    if (!points.empty()) {
      from[0] = points.back().x;
      from[1] = points.back().y;
      from[2] = points.back().z;
    }
    double p[3] = {0, 0, 0};
    const int r = hostCallOr<&HostApi::GetPointW>(kRtCancel, points.empty() ? nullptr : static_cast<const double*>(from),
                                                  prompt.c_str(), p);
    // Anything but a point ends the input: Enter, the keyword "Konec" the
    // prompt offers, and Esc too, which keeps the points given so far (with
    // none, the command ends below).
    if (r != kRtNorm) break;
    hostCall<&HostApi::Wcs2Ucs>(p, 0, 1);
    if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) continue;
    points.emplace_back(p[0], p[1], p[2]);
  }
  if (points.empty()) return 0;
  const vstring prompt = loadText(IDS_PROMPT_DIMDIVIDE_SELECT);
  if (hostCallOr<&HostApi::SSGetW>(0, kSelectSeveral, prompt.c_str(), static_cast<ValueNode*>(nullptr), 0) != kRtNorm)
    return 0;
  std::vector<OwnedChain> dimensions;
  HandleEraseList replaced;
  if (!collectSelectedDimensions(dimensions, replaced) || dimensions.empty()) return 0;
  if (divideDimensions(dimensions, points, exo) == DivideResult::kNotParallel) {
    errorBox(loadText(IDS_MSG_DIMDIVIDE_NOT_PARALLEL));
    return 0;
  }
  replaceEntities(dimensions, replaced);
  return 0;
}

}  // namespace vd::dim
