// A reference-counted holder of one entity chain, so that an object and the
// pieces split from it can all refer back to the chain they came from.
#pragma once
#include <cstdint>

#include "host/chain.h"

namespace vd {

class SharedChain {
 public:
  // Wraps a chain the module owns; the holder starts with one reference.
  static SharedChain* adopt(OwnedChain chain);
  // Wraps a deep copy of a chain someone else owns (the host, usually).
  static SharedChain* copyOf(ChainView chain);

  SharedChain(const SharedChain&) = delete;
  SharedChain& operator=(const SharedChain&) = delete;

  void addRef() { ++refs_; }
  // Drops one reference; the holder and its chain go with the last one.
  void release();

  int32_t refCount() const { return refs_; }
  ChainView view() const { return chain_.view(); }
  ValueNode* get() const { return chain_.get(); }

 private:
  explicit SharedChain(OwnedChain chain) : chain_(std::move(chain)) {}
  ~SharedChain() = default;

  int32_t refs_ = 1;
  OwnedChain chain_;
};

}  // namespace vd
