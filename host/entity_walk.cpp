#include "host/entity_walk.h"

#include "host/host_api.h"

namespace vd {

namespace {

ValueNode* entnext(bool first) {
  return hostCallOr<&HostApi::EntnextW>(static_cast<ValueNode*>(nullptr), first ? 1 : 0, 0);
}

}  // namespace

ValueNode* EntityWalk::next() {
  if (ended_) return nullptr;
  if (ValueNode* n = entnext(first_)) {
    first_ = false;
    ++walked_;
    return n;
  }
  ended_ = true;
  // Asked again where the walk stands: an entity now means the null was a
  // failure to hand one out. It is not taken; the walk has ended either way.
  stoppedShort_ = entnext(first_) != nullptr;
  return nullptr;
}

bool EntityWalk::whole() {
  while (next()) {
  }
  if (stoppedShort_) return false;
  EntityWalk again;
  while (again.next()) {
  }
  return !again.stoppedShort_ && again.walked_ == walked_;
}

}  // namespace vd
