// One node of a value chain: the in-memory form in which entity data, system
// variables and dictionary entries pass between the host and the module.
#pragma once
#include <cstddef>
#include <cstdint>

#include "host/text.h"

namespace vd {

struct ValueNode {
  ValueNode* next;
  int16_t code;  // DXF group code, or 5001..5023 for the host's result types
  union Value {
    double real;
    double point[3];
    int16_t i16;
    int32_t i32;
    int64_t i64;
    vchar* str;           // owned by the node
    uint64_t name[2];     // entity name, copied as 16 bytes
    struct {
      int16_t size;       // byte count
      unsigned char* bytes;  // owned by the node, at value offset 8
    } bin;
    unsigned char raw[24];
  } v;
};

static_assert(sizeof(ValueNode) == 40, "a value node is one 40-byte block");
static_assert(offsetof(ValueNode, code) == 8, "the type code sits at offset 8");
static_assert(offsetof(ValueNode, v) == 16, "the value begins at offset 16");
static_assert(offsetof(ValueNode::Value, bin.bytes) == 8, "chunk bytes pointer at value offset 8");

// Host result codes shared by every operation.
enum HostResult : int {
  kRtNone = 5000,   // nothing entered (Enter)
  kRtNorm = 5100,   // success
  kRtKeyword = -5005,  // a keyword was typed
  kRtCancel = -5002,   // the user cancelled (any other value counts the same)
};

// Host result-type codes carried in node type codes.
enum ResultType : int16_t {
  kRtReal = 5001,
  kRtPoint2d = 5002,
  kRtShort = 5003,
  kRtAngle = 5004,
  kRtString = 5005,
  kRtEntityName = 5006,
  kRtPoint3d = 5009,
  kRtLong = 5010,
  kRtListBegin = 5016,
  kRtListEnd = 5017,
  kRtDottedPair = 5018,
  kRtGroupZero = 5020,
};

}  // namespace vd
