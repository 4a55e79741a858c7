#include "dimtools/dim_connect.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <utility>

#include "dimtools/dim_access.h"
#include "dimtools/dim_batch.h"
#include "dimtools/dim_codes.h"
#include "dimtools/dim_texts.h"
#include "dimtools/linear_dim.h"
#include "host/host_api.h"
#include "host/services.h"
#include "res/string_ids.h"

namespace vd::dim {

namespace {

// Extension lines of joined dimensions must point the same way within this.
constexpr double kSameDirection = 0.0001;
// The extension lines a joined dimension shows stop this short of the
// longest one of its parts.
constexpr double kExtensionSlack = 0.001;

ChainPoint toChain(const GcGePoint3d& p) { return {p.x, p.y, p.z}; }

// The length of the extension line a dimension shows: the second one unless
// it is suppressed (or both are and the second is the longer), less the gap
// at its origin.
double visibleExtension(const LinearDim& d, double gap) {
  const double first = d.firstFoot.distanceTo(d.origin1);
  const double second = d.origin2.distanceTo(d.point10);
  const bool se1 = d.dimSe1.value_or(0) != 0, se2 = d.dimSe2.value_or(0) != 0;
  return (!se2 || (se1 && second > first)) ? second - gap : first - gap;
}

// A dimension scale that can divide: the override where it is a usable
// number, else 1.
double usableScale(const std::optional<double>& s) { return s && std::isfinite(*s) && *s != 0.0 ? *s : 1.0; }

// Where a joined dimension's points come from: the dimension it is built
// on, its new 14, 13 and 10, and the foot of its new first extension line.
struct JoinPlan {
  bool baseIsA = true;
  GcGePoint3d origin2, origin1, point10, foot;
};

}  // namespace

OwnedChain joinDims(ChainView a, ChainView b, double exo) {
  const std::optional<LinearDim> da = readLinearDim(a), db = readLinearDim(b);
  if (!da || !db) return OwnedChain();
  if (std::abs(angleBetween(da->extensionAngle, db->extensionAngle)) > kSameDirection) return OwnedChain();

  const double scale = db->dimScale.value_or(1.0);
  const double exoA = da->dimExo.value_or(exo), exoB = db->dimExo.value_or(exo);
  const double longest = std::max(visibleExtension(*da, exoA * scale), visibleExtension(*db, exoB * scale));
  const int16_t se1 = da->dimSe1.value_or(0) == db->dimSe1.value_or(0) ? da->dimSe1.value_or(0) : int16_t{0};
  const int16_t se2 = da->dimSe2.value_or(0) == db->dimSe2.value_or(0) ? da->dimSe2.value_or(0) : int16_t{0};

  // The four ways two dimension lines can meet, tried in this order; the
  // last that holds decides.
  std::optional<JoinPlan> plan;
  if (samePoint(da->firstFoot, db->point10)) plan = JoinPlan{true, da->origin2, db->origin1, da->point10, db->firstFoot};
  if (samePoint(da->firstFoot, db->firstFoot)) plan = JoinPlan{true, da->origin2, db->origin2, da->point10, db->point10};
  if (samePoint(db->firstFoot, da->point10)) plan = JoinPlan{false, da->origin1, db->origin2, da->firstFoot, db->point10};
  if (samePoint(da->point10, db->point10)) plan = JoinPlan{false, da->origin1, db->origin1, da->firstFoot, db->firstFoot};
  if (!plan) return OwnedChain();

  const LinearDim& base = plan->baseIsA ? *da : *db;
  const double baseScale = usableScale(base.dimScale);
  const double first = plan->origin1.distanceTo(plan->foot);
  const double second = plan->point10.distanceTo(plan->origin2);
  double gap = baseScale * std::max(exoA, exoB);
  if (se1 != 0 && se2 != 0) {
    gap = std::max(first, second) - longest;
  } else if (se2 != 0) {
    gap = first - longest;
  } else if (se1 != 0) {
    gap = second - longest;
  }

  OwnedChain made = OwnedChain::copyOf(plan->baseIsA ? a : b);
  if (!made || !setDimOverride(made, kVarDimSe1, se1) || !setDimOverride(made, kVarDimSe2, se2) ||
      !setDimOverride(made, kVarDimExo, (gap - kExtensionSlack) / baseScale))
    return OwnedChain();
  // The host measures the new dimension itself; a text goes where a CAD
  // program keeps it.
  made.remove(kMeasurement);
  if (!made.view().has(kTextOverride)) placeDimensionText(made, vstring_view());
  OwnedChain changes = ChainBuilder()
                           .text(kTextOverride, joinTexts(da->text, db->text))
                           .point(kDefinitionPoint, toChain(plan->point10))
                           .point(kExtOrigin1, toChain(plan->origin1))
                           .point(kExtOrigin2, toChain(plan->origin2))
                           .build();
  if (!changes) return OwnedChain();
  return mergeDimChanges(made, changes);
}

namespace {

// The dimensions by the ends of their dimension lines, in cells a little
// larger than the point tolerance: two ends that count as one point lie in
// the same or neighbouring cells.
class EndIndex {
 public:
  void add(int dimension, const GcGePoint3d& end) {
    std::optional<Key> key = keyOf(end);
    if (!key) {
      far_.push_back(dimension);
      return;
    }
    cells_[*key].push_back(dimension);
  }

  // Appends every dimension with an end in a cell next to `p` (and those
  // too far out for a cell), in no particular order and maybe twice.
  void near(const GcGePoint3d& p, std::vector<int>& out) const {
    out.insert(out.end(), far_.begin(), far_.end());
    std::optional<Key> key = keyOf(p);
    if (!key) {
      for (const auto& [k, list] : cells_) out.insert(out.end(), list.begin(), list.end());
      return;
    }
    for (int64_t dx = -1; dx <= 1; ++dx)
      for (int64_t dy = -1; dy <= 1; ++dy)
        for (int64_t dz = -1; dz <= 1; ++dz) {
          auto it = cells_.find(Key{key->x + dx, key->y + dy, key->z + dz});
          if (it != cells_.end()) out.insert(out.end(), it->second.begin(), it->second.end());
        }
  }

 private:
  static constexpr double kCell = 10 * kPointTolerance;
  // Beyond this a coordinate's cell number would not fit the key.
  static constexpr double kLargestCell = 1e15;

  struct Key {
    int64_t x, y, z;
    bool operator==(const Key&) const = default;
  };
  struct KeyHash {
    size_t operator()(const Key& k) const {
      uint64_t h = static_cast<uint64_t>(k.x) * 0x9E3779B97F4A7C15ull;
      h ^= static_cast<uint64_t>(k.y) + 0x7F4A7C159E3779B9ull + (h << 6) + (h >> 2);
      h ^= static_cast<uint64_t>(k.z) + 0x94D049BB133111EBull + (h << 6) + (h >> 2);
      return static_cast<size_t>(h);
    }
  };

  static std::optional<Key> keyOf(const GcGePoint3d& p) {
    const double c[3] = {std::floor(p.x / kCell), std::floor(p.y / kCell), std::floor(p.z / kCell)};
    for (double v : c) {
      if (!(std::abs(v) < kLargestCell)) return std::nullopt;
    }
    return Key{static_cast<int64_t>(c[0]), static_cast<int64_t>(c[1]), static_cast<int64_t>(c[2])};
  }

  std::unordered_map<Key, std::vector<int>, KeyHash> cells_;
  std::vector<int> far_;
};

}  // namespace

void connectDimensions(std::vector<OwnedChain>& dimensions, double exo) {
  const int count = static_cast<int>(dimensions.size());
  std::vector<std::optional<LinearDim>> shape(dimensions.size());
  std::vector<bool> joinedAway(dimensions.size(), false);
  EndIndex ends;
  auto index = [&](int k) {
    shape[k] = readLinearDim(dimensions[k]);
    if (!shape[k]) return;
    ends.add(k, shape[k]->firstFoot);
    ends.add(k, shape[k]->point10);
  };
  for (int k = 0; k < count; ++k) index(k);

  // Only a dimension with an end at one of this one's ends can join it, so
  // trying those in list order finds the partner the plain scan finds. An
  // index entry left from before a join is tried and fails, or is gone.
  std::vector<int> partners;
  for (int i = 0; i < count; ++i) {
    while (!joinedAway[i] && shape[i]) {
      partners.clear();
      ends.near(shape[i]->firstFoot, partners);
      ends.near(shape[i]->point10, partners);
      std::sort(partners.begin(), partners.end());
      partners.erase(std::unique(partners.begin(), partners.end()), partners.end());
      bool joined = false;
      for (int j : partners) {
        if (j <= i || joinedAway[j]) continue;
        OwnedChain merged = joinDims(dimensions[i], dimensions[j], exo);
        if (!merged) continue;
        dimensions[i] = std::move(merged);
        dimensions[j].reset();
        joinedAway[j] = true;
        index(i);
        joined = true;
        break;
      }
      if (!joined) break;
    }
  }
  std::vector<OwnedChain> left;
  left.reserve(dimensions.size());
  for (int k = 0; k < count; ++k) {
    if (!joinedAway[k]) left.push_back(std::move(dimensions[k]));
  }
  dimensions = std::move(left);
}

double dimExoSetting() {
  const ValueNode* v = hostCallOr<&HostApi::GetVarW>(static_cast<ValueNode*>(nullptr), u"DIMEXO", int{kRtReal});
  return v && std::isfinite(v->v.real) ? v->v.real : 1.0;
}

int runDimConnect() {
  const double exo = dimExoSetting();
  const vstring prompt = loadText(IDS_PROMPT_DIMCONNECT_SELECT);
  if (hostCallOr<&HostApi::SSGetW>(0, kSelectSeveral, prompt.c_str(), static_cast<ValueNode*>(nullptr), 0) != kRtNorm)
    return -1;
  std::vector<OwnedChain> dimensions;
  HandleEraseList replaced;
  if (!collectSelectedDimensions(dimensions, replaced) || dimensions.empty()) return 0;
  connectDimensions(dimensions, exo);
  replaceEntities(dimensions, replaced);
  return 0;
}

}  // namespace vd::dim
