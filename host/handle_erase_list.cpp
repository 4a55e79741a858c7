#include "host/handle_erase_list.h"

#include "host/host_api.h"
#include "host/value_chain.h"

namespace vd {

namespace {
const vchar* handleText(const ValueNode* entity) {
  const ValueNode* n = findNode(entity, 5);
  return n ? n->v.str : nullptr;
}
}  // namespace

bool HandleEraseList::add(const ValueNode* entity) {
  const vchar* h = handleText(entity);
  return h && add(vstring_view(h));
}

bool HandleEraseList::add(vstring_view handle) {
  if (handle.empty()) return false;
  handles_.emplace_back(handle);
  return true;
}

bool HandleEraseList::contains(const ValueNode* entity) const {
  const vchar* h = handleText(entity);
  return h && contains(vstring_view(h));
}

bool HandleEraseList::contains(vstring_view handle) const {
  for (const vstring& h : handles_) {
    if (equalsNoCaseAscii(h, handle)) return true;
  }
  return false;
}

int HandleEraseList::flush() {
  if (handles_.empty()) return 0;
  std::vector<const vchar*> texts;
  texts.reserve(handles_.size());
  for (const vstring& h : handles_) texts.push_back(h.c_str());
  int result = hostCallOr<&HostApi::EraseHandles>(0, static_cast<const vchar* const*>(texts.data()),
                                                   static_cast<int>(texts.size()), 1);
  handles_.clear();
  return result;
}

}  // namespace vd
