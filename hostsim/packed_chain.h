// A chain the host keeps unchanged for as long as the drawing lives, packed
// into one heap block: its nodes one after another, then their texts and
// chunk bytes. A drawing of a large file holds millions of nodes; one block
// an entity instead of one for every node and every text keeps it near the
// size of its data.
#pragma once
#include <cstddef>
#include <memory>

#include "host/chain.h"

namespace hostsim {

class PackedChain {
 public:
  PackedChain() = default;
  // Copies the chain (empty for an empty chain); the nodes are linked in the
  // order given and read like any other chain.
  explicit PackedChain(vd::ChainView chain);

  // Host-owned nodes: readers may walk them but never free or change them.
  vd::ValueNode* get() const { return block_ ? reinterpret_cast<vd::ValueNode*>(block_.get()) : nullptr; }
  vd::ChainView view() const { return vd::ChainView(get()); }
  explicit operator bool() const { return block_ != nullptr; }

 private:
  struct Free {
    void operator()(std::byte* p) const { ::operator delete(p); }
  };
  std::unique_ptr<std::byte, Free> block_;
};

}  // namespace hostsim
