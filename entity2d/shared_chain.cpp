#include "entity2d/shared_chain.h"

#include <new>

namespace vd {

SharedChain* SharedChain::adopt(OwnedChain chain) { return new (std::nothrow) SharedChain(std::move(chain)); }

SharedChain* SharedChain::copyOf(ChainView chain) {
  OwnedChain copy = OwnedChain::copyOf(chain);
  if (!copy && chain) return nullptr;
  return adopt(std::move(copy));
}

void SharedChain::release() {
  if (--refs_ <= 0) delete this;
}

}  // namespace vd
