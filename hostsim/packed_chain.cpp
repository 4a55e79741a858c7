#include "hostsim/packed_chain.h"

#include <cstring>
#include <new>

namespace hostsim {

namespace {
// Bytes a node's value keeps outside the node: the text with its terminator,
// or the chunk bytes.
size_t valueBytes(const vd::ValueNode& n) {
  switch (vd::kindOf(vd::groupCodeKind(n.code))) {
    case vd::kKindString:
      return n.v.str ? (vd::vlength(n.v.str) + 1) * sizeof(vd::vchar) : 0;
    case vd::kKindBinary:
      return n.v.bin.bytes && n.v.bin.size > 0 ? static_cast<size_t>(n.v.bin.size) : 0;
    default:
      return 0;
  }
}
// Room for them in the block: an even count keeps every text after them aligned.
size_t outsideBytes(const vd::ValueNode& n) { return (valueBytes(n) + 1) & ~size_t{1}; }
}  // namespace

PackedChain::PackedChain(vd::ChainView chain) {
  size_t nodes = 0, extra = 0;
  for (const vd::ValueNode* n = chain.head(); n; n = n->next) {
    ++nodes;
    extra += outsideBytes(*n);
  }
  if (nodes == 0) return;
  // Texts are UTF-16: they follow the nodes, whose size keeps them aligned.
  block_.reset(static_cast<std::byte*>(::operator new(nodes * sizeof(vd::ValueNode) + extra)));
  auto* out = reinterpret_cast<vd::ValueNode*>(block_.get());
  std::byte* tail = block_.get() + nodes * sizeof(vd::ValueNode);
  size_t i = 0;
  for (const vd::ValueNode* n = chain.head(); n; n = n->next, ++i) {
    vd::ValueNode* c = new (&out[i]) vd::ValueNode(*n);
    c->next = n->next ? &out[i + 1] : nullptr;
    size_t bytes = valueBytes(*n);
    if (bytes == 0) continue;
    if (vd::kindOf(vd::groupCodeKind(n->code)) == vd::kKindString) {
      std::memcpy(tail, n->v.str, bytes);
      c->v.str = reinterpret_cast<vd::vchar*>(tail);
    } else {
      std::memcpy(tail, n->v.bin.bytes, bytes);
      c->v.bin.bytes = reinterpret_cast<unsigned char*>(tail);
    }
    tail += outsideBytes(*n);
  }
}

}  // namespace hostsim
