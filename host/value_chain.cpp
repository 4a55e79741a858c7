#include "host/value_chain.h"

#include <array>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "host/chain_codes.h"
#include "host/host_api.h"
#include "host/names.h"

namespace vd {

namespace {

constexpr int kFirstCode = -5;
constexpr int kLastCode = 5023;
constexpr int kTableSize = kLastCode - kFirstCode + 1;
static_assert(kTableSize == 5029, "one descriptor per code from -5 to 5023");

using KindTable = std::array<uint32_t, kTableSize>;

KindTable makeKindTable() {
  KindTable t;
  t.fill(0x80608);  // no defined kind: laid out as a 3D point
  auto set = [&t](int from, int to, uint32_t d) {
    for (int c = from; c <= to; ++c) t[static_cast<size_t>(c - kFirstCode)] = d;
  };
  // Strings.
  set(-5, -4, 0x100);
  set(0, 4, 0x100);
  set(6, 9, 0x100);
  set(100, 102, 0x100);
  set(300, 309, 0x100);
  set(410, 419, 0x100);
  set(430, 439, 0x100);
  set(470, 479, 0x100);
  set(999, 1003, 0x100);
  set(1006, 1009, 0x100);
  set(5005, 5005, 0x100);
  // Handle texts.
  set(5, 5, 0x10100);
  set(105, 105, 0x10100);
  set(320, 329, 0x10100);
  set(1005, 1005, 0x10100);
  // Object-id texts.
  set(330, 369, 0x50100);
  set(390, 399, 0x50100);
  // Entity names.
  set(-3, -1, 0x910);
  set(5006, 5006, 0x910);
  // 3D points.
  set(10, 19, 0x608);
  set(110, 119, 0x608);
  set(210, 219, 0x608);
  set(1010, 1019, 0x608);
  set(5002, 5002, 0x608);
  set(5009, 5009, 0x608);
  // Doubles and angles.
  set(20, 49, 0x708);
  set(59, 59, 0x708);
  set(120, 149, 0x708);
  set(220, 239, 0x708);
  set(460, 469, 0x708);
  set(1020, 1059, 0x708);
  set(5001, 5001, 0x708);
  set(50, 58, 0x20708);
  set(5004, 5004, 0x20708);
  // 16-bit integers.
  set(60, 79, 0x302);
  set(170, 179, 0x302);
  set(400, 409, 0x302);
  set(1060, 1070, 0x302);
  set(5003, 5003, 0x302);
  set(270, 289, 0x402);
  set(370, 389, 0x402);
  set(290, 299, 0x802);
  // 32- and 64-bit integers.
  set(90, 99, 0x204);
  set(420, 429, 0x204);
  set(440, 459, 0x204);
  set(1071, 1071, 0x204);
  set(5010, 5010, 0x204);
  set(160, 169, 0xA08);
  // Binary chunks.
  set(310, 319, 0x500);
  set(1004, 1004, 0x500);
  return t;
}

const KindTable& kindTable() {
  static const KindTable table = makeKindTable();
  return table;
}

ValueNode* allocNode(int code) {
  auto* n = static_cast<ValueNode*>(std::calloc(1, sizeof(ValueNode)));
  if (n) n->code = static_cast<int16_t>(code);
  return n;
}

// The text a string node gets for `s`: an owned copy, and an empty text for
// null. A null text carries nothing but "no characters" (every reader takes it
// as the empty text), while the host refuses a string node without one; so
// build, copy and merge all store the empty text for it. Null only when
// memory runs out.
vchar* dupText(const vchar* s) {
  size_t bytes = (vlength(s) + 1) * sizeof(vchar);
  auto* out = static_cast<vchar*>(std::malloc(bytes));
  if (!out) return nullptr;
  if (s) {
    std::memcpy(out, s, bytes);
  } else {
    out[0] = 0;
  }
  return out;
}

// Duplicates chunk bytes; false only when memory runs out.
bool dupChunk(const ValueNode& from, ValueNode& to) {
  to.v.bin.size = from.v.bin.size;
  to.v.bin.bytes = nullptr;
  if (from.v.bin.size <= 0 || !from.v.bin.bytes) return true;
  size_t n = static_cast<size_t>(from.v.bin.size);
  to.v.bin.bytes = static_cast<unsigned char*>(std::malloc(n));
  if (!to.v.bin.bytes) return false;
  std::memcpy(to.v.bin.bytes, from.v.bin.bytes, n);
  return true;
}

// Copies the value of `from` into the zeroed `to` by the kind of its code.
bool copyValue(const ValueNode& from, ValueNode& to, uint32_t d, bool shareObjectIds) {
  switch (kindOf(d)) {
    case kKindString:
      if (shareObjectIds && (d & kKindFlagObjectId)) {
        std::memcpy(to.v.raw, from.v.raw, 16);
        return true;
      }
      to.v.str = dupText(from.v.str);
      return to.v.str != nullptr;
    case kKindBinary:
      return dupChunk(from, to);
    case kKindPoint:
      std::memcpy(to.v.raw, from.v.raw, 3 * kindSize(d));
      return true;
    default:
      std::memcpy(to.v.raw, from.v.raw, kindSize(d));
      return true;
  }
}

}  // namespace

uint32_t groupCodeKind(int code) {
  if (code < kFirstCode || code > kLastCode) return 0;
  return kindTable()[static_cast<size_t>(code - kFirstCode)];
}

ValueNode* newValueNode(int code) { return allocNode(code); }

int releaseValueChain(ValueNode* chain, bool sharedObjectIds) {
  while (chain) {
    ValueNode* next = chain->next;
    uint32_t d = groupCodeKind(chain->code);
    switch (kindOf(d)) {
      case kKindString:
        if (!(sharedObjectIds && (d & kKindFlagObjectId))) std::free(chain->v.str);
        break;
      case kKindBinary:
        std::free(chain->v.bin.bytes);
        break;
      default:
        break;
    }
    std::free(chain);
    chain = next;
  }
  return kRtNorm;
}

ValueNode* buildValueChain(int mode, ...) {
  va_list args;
  va_start(args, mode);
  ValueNode* head = nullptr;
  ValueNode** tail = &head;
  bool ok = true;
  for (;;) {
    int code = va_arg(args, int);
    if (mode == 0) {
      if (code == kBuildEndGroupCodes) break;
    } else {
      if (code == 0 || code == kRtNone) break;
      if (code == kRtGroupZero) code = 0;
    }
    if (code == kBuildSplice) {
      ValueNode* part = va_arg(args, ValueNode*);
      *tail = part;
      while (*tail) tail = &(*tail)->next;
      continue;
    }
    if (code == -3 || isListMarker(code)) {
      ValueNode* n = allocNode(code);
      if (!n) {
        ok = false;
        break;
      }
      if (code != -3) n->v.i16 = static_cast<int16_t>(0xFFFF);
      *tail = n;
      tail = &n->next;
      continue;
    }
    uint32_t d = groupCodeKind(code);
    if (!isChainCode(code) || kindOf(d) == kKindBinary) {
      ok = false;
      break;
    }
    // Take the argument first so that a left-out string still consumes it.
    const void* pointerArg = nullptr;
    double realArg = 0;
    int64_t longArg = 0;
    int intArg = 0;
    ValueKind kind = kindOf(d);
    switch (kind) {
      case kKindString:
      case kKindPoint:
      case kKindEntityName:
        pointerArg = va_arg(args, const void*);
        break;
      case kKindReal:
        realArg = va_arg(args, double);
        break;
      case kKindInt64:
        longArg = va_arg(args, int64_t);
        break;
      default:
        intArg = va_arg(args, int);
        break;
    }
    if (kind == kKindString && pointerArg == kOmitString) continue;
    if (!pointerArg && (kind == kKindPoint || kind == kKindEntityName)) {
      ok = false;  // there are no bytes to take the value from
      break;
    }
    ValueNode* n = allocNode(code);
    if (!n) {
      ok = false;
      break;
    }
    *tail = n;
    tail = &n->next;
    switch (kind) {
      case kKindString:
        n->v.str = dupText(static_cast<const vchar*>(pointerArg));
        ok = n->v.str != nullptr;
        break;
      case kKindPoint:
        std::memcpy(n->v.point, pointerArg, sizeof n->v.point);
        break;
      case kKindEntityName:
        std::memcpy(n->v.name, pointerArg, sizeof n->v.name);
        break;
      case kKindReal:
        n->v.real = realArg;
        break;
      case kKindInt64:
        n->v.i64 = longArg;
        break;
      case kKindInt32:
        n->v.i32 = intArg;
        break;
      default:
        n->v.i16 = static_cast<int16_t>(intArg);
        break;
    }
    if (!ok) break;
  }
  va_end(args);
  if (!ok) {
    releaseValueChain(head, false);
    return nullptr;
  }
  return head;
}

ValueNode* copyValueChain(const ValueNode* chain, bool shareObjectIds) {
  ValueNode* head = nullptr;
  ValueNode** tail = &head;
  for (const ValueNode* n = chain; n; n = n->next) {
    uint32_t d = groupCodeKind(n->code);
    if (!isChainCode(n->code)) break;  // what a build refuses, a copy does not make either
    ValueNode* c = allocNode(n->code);
    if (!c) {
      releaseValueChain(head, shareObjectIds);
      return nullptr;
    }
    *tail = c;
    tail = &c->next;
    if (!copyValue(*n, *c, d, shareObjectIds)) {
      releaseValueChain(head, shareObjectIds);
      return nullptr;
    }
  }
  return head;
}

ValueNode* spliceChainAfter(ValueNode* node, ValueNode* chain) {
  if (!node || !chain) return node;
  ValueNode* rest = node->next;
  node->next = chain;
  ValueNode* last = chain;
  while (last->next) last = last->next;
  last->next = rest;
  return node;
}

bool chainHasCode(const ValueNode* chain, int code) { return findNode(chain, code) != nullptr; }

int chainLength(const ValueNode* chain) {
  int n = 0;
  for (; chain; chain = chain->next) ++n;
  return n;
}

namespace {

enum class Emit { Skip, String, Chunk, Point, Int16, Real, Int32, Name, Marker };

Emit emissionOf(const ValueNode& n, int mode) {
  int c = n.code;
  if (c == 0) return Emit::String;
  if (c == -3) return Emit::Marker;
  if (c == -2) return Emit::Name;
  if (c >= 320 && c <= 369) return Emit::String;
  if (c == 101) return mode == kMergeEmbeddedObject ? Emit::String : Emit::Skip;
  if (c == 2) return (mode == kMergeDropsName && hostBinding().cadType == 0) ? Emit::Skip : Emit::String;
  if ((c >= 1 && c <= 8) || c == 100 || c == 102 || (c >= 300 && c <= 309) || (c >= 999 && c <= 1005)) {
    // 1004 holds a chunk, not a text: it is copied as a chunk.
    if (c == 1004) return Emit::Chunk;
    if (c == 6 && n.v.str && equalsNoCaseAscii(vstring_view(n.v.str), u"BYLAYER")) return Emit::Skip;
    return Emit::String;
  }
  if ((c >= 10 && c <= 18) || c == 210 || (c >= 1010 && c <= 1013)) return Emit::Point;
  if (c == 60 || c == 62 || c == 66 || c == 67 || (c >= 70 && c <= 78) || (c >= 280 && c <= 289) || c == 1070)
    return Emit::Int16;
  if ((c >= 39 && c <= 58) || (c >= 1040 && c <= 1042)) return Emit::Real;
  if (c == 79 || (c >= 90 && c <= 99) || c == 1071) return Emit::Int32;
  return Emit::Skip;
}

// A copy of `n` as the emission rules say, in `made` (null when the rules
// leave the code out); false only when memory runs out.
bool emitted(const ValueNode& n, int mode, ValueNode*& made) {
  made = nullptr;
  Emit how = emissionOf(n, mode);
  if (how == Emit::Skip) return true;
  ValueNode* c = allocNode(n.code);
  if (!c) return false;
  made = c;
  switch (how) {
    case Emit::String:
      c->v.str = dupText(n.v.str);
      return c->v.str != nullptr;
    case Emit::Chunk:
      return dupChunk(n, *c);
    case Emit::Point:
      std::memcpy(c->v.point, n.v.point, sizeof c->v.point);
      return true;
    case Emit::Int16:
      c->v.i16 = n.v.i16;
      return true;
    case Emit::Int32:
      std::memcpy(c->v.raw, n.v.raw, 4);
      return true;
    case Emit::Real:
      c->v.real = n.v.real;
      return true;
    case Emit::Name:
      std::memcpy(c->v.name, n.v.name, sizeof c->v.name);
      return true;
    case Emit::Marker:
    case Emit::Skip:
      return true;
  }
  return true;
}

// Links `n` in at `link` and moves `link` past it.
void linkAt(ValueNode**& link, ValueNode* n) {
  n->next = *link;
  *link = n;
  link = &n->next;
}

// The first replacement that qualifies at the existing code `c` after the
// emitted code `previous`: an insertion (a code strictly between the two,
// present neither in the entity nor in the result, and only in front of a
// positive code) or a replacement of `c` itself.
const ValueNode* chooseReplacement(const ValueNode* replacements, const ValueNode* existing,
                                   const ValueNode* result, int previous, int c, bool& insertion) {
  for (const ValueNode* r = replacements; r; r = r->next) {
    int rc = r->code;
    if (c > 0 && rc > previous && rc < c && !chainHasCode(existing, rc) && !chainHasCode(result, rc)) {
      insertion = true;
      return r;
    }
    if (rc == c) {
      insertion = false;
      return r;
    }
  }
  return nullptr;
}

}  // namespace

int mergeValueChain(const ValueNode* existing, const ValueNode* replacements, int mode, ValueNode** out) {
  if (out) *out = nullptr;
  if (!existing) return 0;
  ValueNode* result = nullptr;
  ValueNode** tail = &result;
  // The link that holds the extended-data marker, once it is in the result.
  ValueNode** beforeMarker = nullptr;
  auto append = [&](ValueNode* made) {
    if (made->code == gc::kExtendedData && !beforeMarker) beforeMarker = tail;
    linkAt(tail, made);
  };
  int previous = 0;
  bool ok = true;
  bool embeddedObject = false;  // past a 101 "Embedded Object" node: nothing is replaced
  for (const ValueNode* e = existing; e && ok; e = e->next) {
    int c = e->code;
    if (mode == kMergeEmbeddedObject && c == 101 && e->v.str &&
        vstring_view(e->v.str) == names::kEmbeddedObject)
      embeddedObject = true;
    bool replaced = false;
    while (ok && !embeddedObject) {
      bool insertion = false;
      const ValueNode* chosen = chooseReplacement(replacements, existing, result, previous, c, insertion);
      if (!chosen) break;
      ValueNode* made = nullptr;
      ok = emitted(*chosen, mode, made);
      if (made) {
        // Ascending order can place an entity group (below 1000) after the -3
        // marker, where the first code of the extended data (1001) is the
        // first larger one. Inside extended data no host takes it, so such a
        // group goes in front of the marker instead; extended-data codes are
        // inserted where the order puts them.
        if (insertion && beforeMarker && chosen->code < gc::kXdString) {
          linkAt(beforeMarker, made);
        } else {
          append(made);
        }
      }
      if (!insertion) {
        replaced = true;
        break;
      }
      previous = chosen->code;  // look at the existing node again
    }
    if (!ok) break;
    if (!replaced) {
      ValueNode* made = nullptr;
      ok = emitted(*e, mode, made);
      if (made) append(made);
    }
    previous = c;
  }
  if (!ok) {
    releaseValueChain(result, false);
    return 0;
  }
  if (out) {
    *out = result;
    return 1;
  }
  hostCall<&HostApi::Entmake_binW>(result, 0);
  releaseValueChain(result, false);
  return 1;
}

}  // namespace vd
