// Reading and changing DIMENSION chains: the per-dimension variable
// overrides in the "ACAD" extended data, merging changed groups into a copy
// that the host accepts as a new entity, and the layer of a dimension.
#pragma once
#include <cstdint>

#include "geom/point3d.h"
#include "host/chain.h"

namespace vd::dim {

// The value of a dimension-variable override (the node behind the 1070 node
// holding `variable` inside the entity's "ACAD" data) as a one-node chain the
// caller owns. Empty when the entity has no "ACAD" data, lacks the variable,
// or holds a value of a kind overrides do not take (texts 1000-1005, points
// 1010-1013, reals 1040-1042, 1070 and 1071 do).
OwnedChain findDimOverride(ChainView entity, int variable);

// Sets an override in place. A chain without "ACAD" data gets the whole list
// 1001 "ACAD", 1000 "DSTYLE", 1002 "{", 1070 variable, value, 1002 "}"; an
// existing override of the variable gets the new value; otherwise the pair
// goes in front of the list's closing "}" (a new list is added to the "ACAD"
// data when it has none). `value` must be a real (1040), a short (1070) or a
// text (1000): anything else leaves the chain as it was and gives false, as
// does running out of memory.
bool setDimOverride(OwnedChain& entity, int variable, const ValueNode& value);
bool setDimOverride(OwnedChain& entity, int variable, double value);
bool setDimOverride(OwnedChain& entity, int variable, int16_t value);
bool setDimOverride(OwnedChain& entity, int variable, vstring_view value);

// Which groups a merge copies beyond the common set.
enum class MergeForm {
  Plain,
  // Also copies group 101 and leaves everything after a 101 "Embedded
  // Object" node as it was: the embedded object is not the dimension's own.
  EmbeddedObject,
};

// A new chain from `base` with the groups of `changes`: a change replaces the
// base group of its code, and a code the base lacks goes where the codes keep
// ascending. Group 6 "BYLAYER" is dropped and groups the host does not take
// back (the entity name -1 among them) are left out. Neither input changes.
// Empty for an empty base or when memory runs out.
OwnedChain mergeDimChanges(ChainView base, ChainView changes, MergeForm form = MergeForm::Plain);

// Writes a dimension's text override (group 1) where a CAD program keeps
// it: directly behind the "AcDbDimension" marker, or behind the group 280
// that may follow that marker; a text it had elsewhere is removed. False,
// with the chain as it was, when it has no such marker or memory runs out.
bool placeDimensionText(OwnedChain& dimension, vstring_view text);

// Writes the layer of an entity: replaces the text of its group 8 where it
// stands, or adds group 8 directly behind the 100 "AcDbEntity" marker. False
// (and nothing written) without either, or when memory runs out.
bool setEntityLayer(OwnedChain& entity, vstring_view layer);

// A point group as a library point; the origin when the group is absent.
GcGePoint3d pointOf(ChainView chain, int code);
ChainPoint toChainPoint(const GcGePoint3d& p);

// Whether the chain carries the subclass marker (group 100) `name`.
bool hasSubclass(ChainView chain, const vchar* name);

}  // namespace vd::dim
