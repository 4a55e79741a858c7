// Handles of entities that a command has rewritten, erased together at the end.
#pragma once
#include <vector>

#include "host/text.h"
#include "host/value_node.h"

namespace vd {

class HandleEraseList {
 public:
  // Records the group 5 text of an entity chain; false when the chain has none.
  bool add(const ValueNode* entity);
  // Records a handle text directly; empty texts are ignored.
  bool add(vstring_view handle);
  // True when the entity's group 5 text is in the list (compared without regard to case).
  bool contains(const ValueNode* entity) const;
  bool contains(vstring_view handle) const;
  // Hands every recorded handle to the host's EraseHandles and empties the
  // list. Returns the host's answer, or 0 when there was nothing to erase or
  // no host to ask.
  int flush();

  size_t size() const { return handles_.size(); }
  bool empty() const { return handles_.empty(); }
  const std::vector<vstring>& handles() const { return handles_; }
  void clear() { handles_.clear(); }

 private:
  std::vector<vstring> handles_;
};

}  // namespace vd
