#include "dimtools/dim_batch.h"

#include "host/entity_walk.h"
#include "host/host_api.h"
#include "host/names.h"

namespace vd::dim {

OwnedChain entityCopy(ChainView entity, bool keepHandle) {
  const ValueNode* type = entity.find(gc::kType);
  if (!type) return OwnedChain();
  OwnedChain copy = OwnedChain::copyOf(ChainView(type));
  if (!keepHandle) copy.remove(gc::kHandle);
  return copy;
}

bool collectSelectedDimensions(std::vector<OwnedChain>& dimensions, HandleEraseList& replaced) {
  EntityWalk walk;
  while (const ValueNode* n = walk.next()) {
    ChainView e(n);
    if (!e.isType(names::kDimension)) continue;
    OwnedChain copy = entityCopy(e, false);
    if (!copy) return false;
    replaced.add(n);
    dimensions.push_back(std::move(copy));
  }
  return walk.whole();
}

bool writeBatch(std::span<const OwnedChain> entities) {
  if (hostCallOr<&HostApi::Header_bin>(0) != kRtNorm) return false;
  for (const OwnedChain& e : entities) {
    if (hostCallOr<&HostApi::Entmake_binW>(0, e.get(), 0) != kRtNorm) {
      hostCallOr<&HostApi::Header_bin>(0);
      return false;
    }
  }
  return hostCallOr<&HostApi::Flush_bin>(0, 1) == kRtNorm;
}

bool replaceEntities(std::span<const OwnedChain> made, HandleEraseList& replaced) {
  if (!writeBatch(made)) return false;
  replaced.flush();
  return true;
}

}  // namespace vd::dim
