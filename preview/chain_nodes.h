#pragma once
// Reading the nodes of an entity chain: shared by the readers of
// chain_items.cpp and chain_texts.cpp.
#include "host/value_node.h"

#include <string_view>

namespace GDI::chain_nodes {

// Extended data begins here; its groups (1000 and up) are not the entity's.
inline constexpr int kExtendedData = -3;

inline std::u16string_view textOf(const vd::ValueNode& n) {
  return n.v.str ? std::u16string_view(reinterpret_cast<const char16_t*>(n.v.str)) : std::u16string_view();
}

inline char16_t upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

// Whether a name is the ASCII word b, letters compared without case.
inline bool sameType(std::u16string_view a, const char* b) {
  std::size_t i = 0;
  for (; b[i]; ++i) {
    if (i >= a.size() || upper(a[i]) != static_cast<char16_t>(b[i]))
      return false;
  }
  return i == a.size();
}

// The entity's type (group 0); empty when it has none.
inline std::u16string_view typeOf(const vd::ValueNode* chain) {
  for (const vd::ValueNode* n = chain; n && n->code != kExtendedData; n = n->next)
    if (n->code == 0)
      return textOf(*n);
  return {};
}

} // namespace GDI::chain_nodes
