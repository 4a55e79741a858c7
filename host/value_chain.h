// Value chains: building, copying, releasing, merging and splicing the linked
// lists of typed values in which entity data passes to and from the host.
//
// These are the C-style primitives; host/chain.h puts a typed C++ face over
// them and the rest of the module uses that face.
#pragma once
#include <cstdint>

#include "host/value_node.h"

namespace vd {

// Value kinds, bits 8-15 of a kind descriptor.
enum ValueKind : uint32_t {
  kKindNone = 0,
  kKindString = 1,
  kKindInt32 = 2,
  kKindInt16 = 3,
  kKindInt16b = 4,  // 270-289, 370-389: 16-bit integers of the newer ranges
  kKindBinary = 5,
  kKindPoint = 6,
  kKindReal = 7,
  kKindBool16 = 8,
  kKindEntityName = 9,
  kKindInt64 = 10,
};

// Flag bits 16-19 of a kind descriptor.
enum : uint32_t {
  kKindFlagHandle = 0x10000,     // the string is a handle text
  kKindFlagAngle = 0x20000,      // the double is an angle
  kKindFlagObjectId = 0x40000,   // object-id string: may be shared between a chain and its copy
  kKindFlagUndefined = 0x80000,  // no kind is defined for the code (laid out as a 3D point)
};

// Kind descriptor of a group code or host result-type code: bits 0-7 the byte
// size of one value (of one coordinate for points), bits 8-15 the kind, bits
// 16-19 flags. 0 for codes below -5 or above 5023. The table behind it is
// filled once, on the first query, and then read by index.
uint32_t groupCodeKind(int code);

inline ValueKind kindOf(uint32_t descriptor) { return static_cast<ValueKind>((descriptor >> 8) & 0xFF); }
inline uint32_t kindSize(uint32_t descriptor) { return descriptor & 0xFF; }
// The one rule for "a code without a kind", used by building, copying, the
// typed face and the host alike: descriptor 0 (outside the table) and the
// undefined flag both mean no kind. The table lays undefined codes out as 3D
// points only to give them a size; nothing defines what their bytes are, so a
// value there may as well be something the host owns and frees (a pointer to
// its own text). Building one would make up a value, copying one would share
// whatever it points to without an owner, and the host refuses such codes.
inline bool hasDefinedKind(uint32_t descriptor) { return descriptor != 0 && !(descriptor & kKindFlagUndefined); }

// The host's list markers 5016-5018: undefined in the table, but a build gives
// them a fixed value (0xFFFF in the first 16 bits), so chains carry them.
inline bool isListMarker(int code) { return code >= kRtListBegin && code <= kRtDottedPair; }

// Whether a chain made by the module can hold a node of the code: a code with
// a kind, or a list marker. Building fails on any other code and copying ends
// in front of it.
inline bool isChainCode(int code) { return hasDefinedKind(groupCodeKind(code)) || isListMarker(code); }

// Special codes of the build argument lists.
enum : int {
  kBuildEndGroupCodes = -9,  // ends a mode-0 list
  kBuildSplice = -8,         // the value is a chain whose nodes are spliced in here
};

// A string argument with all bits set leaves its pair out of the chain, so
// that callers can pass optional texts in one argument list.
inline const vchar* const kOmitString = reinterpret_cast<const vchar*>(~static_cast<uintptr_t>(0));

// Builds a new chain from (code, value) pairs and returns it, or null.
//
// mode 0: the codes are DXF group codes and the list ends at -9.
// mode non-zero: the list ends at 0 or 5000, and 5020 stands for group code 0.
// Values are passed by kind: string kinds a `const vchar*` (copied; null gives
// the empty text; kOmitString leaves the pair out); 3D points a `const double*` to three doubles; entity
// names a pointer to 16 bytes; doubles a `double`; 64-bit integers an
// `int64_t`; 32-bit integers an `int`; 16-bit kinds an `int` (truncated to 16
// bits). Codes -3 and 5016-5018 take no argument (value zeroed; 5016-5018 get
// 0xFFFF in their first 16 bits). Code -8 takes a `ValueNode*` whose whole
// chain is spliced in at that place and becomes part of the result (also when
// the build fails later: it is released with the rest).
//
// A binary-chunk code or a code a chain cannot hold (isChainCode) makes the
// build fail: everything built so far is released and null is returned.
ValueNode* buildValueChain(int mode, ...);

// Deep copy of a chain. Strings and binary chunks are duplicated (a null text
// becomes the empty text, as in a build), except that object-id strings are
// shared (their value bytes copied as they are) when `shareObjectIds` is set.
// The copy stops before the first node that a build refuses (isChainCode).
// Null in, null out.
// Returns null when memory runs out (nothing is leaked).
ValueNode* copyValueChain(const ValueNode* chain, bool shareObjectIds);

// Frees every node with its strings and chunk bytes; object-id strings are left
// alone when `sharedObjectIds` is set (they belong to the chain the copy was
// made from). Returns 5100, also for null.
int releaseValueChain(ValueNode* chain, bool sharedObjectIds);

// One zeroed node with the code set and no successor; null when memory runs out.
ValueNode* newValueNode(int code);

// Inserts the whole of `chain` after `node`; the nodes that followed `node`
// now follow the inserted chain's last node. Returns `node`.
ValueNode* spliceChainAfter(ValueNode* node, ValueNode* chain);

bool chainHasCode(const ValueNode* chain, int code);

// First node with the code, walking from the head; null when there is none.
inline ValueNode* findNode(ValueNode* chain, int code) {
  for (ValueNode* n = chain; n; n = n->next) {
    if (n->code == code) return n;
  }
  return nullptr;
}
inline const ValueNode* findNode(const ValueNode* chain, int code) {
  for (const ValueNode* n = chain; n; n = n->next) {
    if (n->code == code) return n;
  }
  return nullptr;
}

// Mode in which mergeValueChain drops group 2 for hosts of CAD type 0.
constexpr int kMergeDropsName = 2;
// Mode in which mergeValueChain also copies group 101 and replaces nothing
// after a 101 "Embedded Object" node (what follows belongs to the embedded
// object, not to the entity).
constexpr int kMergeEmbeddedObject = 3;

// Builds from an entity chain and a chain of replacement values a fresh chain
// the host accepts for creation: replacements take the place of existing
// values with the same code, and replacement codes the entity lacks are
// inserted where they keep the codes ascending: in front of the first
// positive existing code c with previous < code < c, previous being the code
// emitted last (0 at the start); the first replacement that qualifies goes
// first. A code the order never places (one above every later code) is left
// out. An entity group (below 1000) that the order would put inside the
// extended data goes in front of the -3 marker instead. Group 6 "BYLAYER" is
// dropped, and codes the host does not take back (such as -1) are left out.
//
// With `out` the result is handed to the caller (who releases it); without,
// it goes to Entmake_binW and is released. Returns 1 when a result was made,
// 0 for a null entity chain or when memory ran out.
int mergeValueChain(const ValueNode* existing, const ValueNode* replacements, int mode, ValueNode** out);

// Number of nodes of a chain.
int chainLength(const ValueNode* chain);

}  // namespace vd
