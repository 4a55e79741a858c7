// The record the host's drag operation (Jig) takes: which entity the user
// drags and the point it hangs from; the host moves the entity (with its
// attributes and the leaders tied to it) to where the user drops it and
// answers with that point.
#pragma once
#include <cstddef>
#include <cstdint>

#include "host/text.h"

namespace vd {

// Characters of a handle with its terminator: at most 16 hexadecimal digits.
constexpr int kHandleChars = 17;

struct JigRecord {
  int32_t size = sizeof(JigRecord);  // the host checks it
  int32_t flags = 0;                 // none defined; 0
  double base[3] = {0, 0, 0};        // the point the entity hangs from while dragged (world)
  vchar handle[kHandleChars] = {};   // the entity; empty: the first one the last flush made
  double dropped[3] = {0, 0, 0};     // out: where the user dropped it (world)
};

static_assert(offsetof(JigRecord, base) == 8, "the base point follows size and flags");
static_assert(sizeof(JigRecord) == 96, "the host reads 96 bytes");

}  // namespace vd
