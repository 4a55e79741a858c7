// What dimensions and leaders share in how the host draws them: the
// dimension-style record they name, the variables their "ACAD" DSTYLE
// extended data overrides, the look (layer, colour, linetype) their pieces
// take, and the closed filled arrowhead.
#pragma once
#include <array>
#include <optional>

#include "host/chain.h"
#include "hostsim/drawing.h"

namespace hostsim {

// The DIMSTYLE record of that name the drawing keeps (names compared without
// regard to case); empty when there is none.
vd::ChainView dimensionStyleRecord(const Drawing& drawing, vd::vstring_view name);

// The value node of a dimension variable overridden in the entity's "ACAD"
// extended data (1000 "DSTYLE", 1002 "{", pairs of a 1070 holding the
// variable's group code and a node holding its value, 1002 "}"): the node
// after the first 1070 naming `variable`. Null when the entity has no such
// override; the data of another application after "ACAD" is not searched.
const vd::ValueNode* dimensionOverride(vd::ChainView entity, int variable);

// The handle a variable that holds one (the block of an arrowhead: 341
// DIMLDRBLK of a leader, 342 DIMBLK, 343 DIMBLK1, 344 DIMBLK2) takes: the 1005 of the entity's
// override, else the style record's; nothing when neither gives one.
std::optional<vd::vstring> handleVariable(vd::ChainView entity, vd::ChainView style, int variable);

// The block whose record a handle names (any case); null for none.
const Block* blockByHandle(const Drawing& drawing, vd::vstring_view handle);

// The block of an arrowhead variable: by handle (342, 343, 344) as above,
// or by name where an older file or override gives one (5 DIMBLK, 6
// DIMBLK1, 7 DIMBLK2: a 1000 of the override, else the record's); null for
// the closed filled arrow (no block named, or one the drawing lacks).
const Block* arrowBlock(const Drawing& drawing, vd::ChainView entity, vd::ChainView style, int handleVariable,
                        int nameVariable);

// The groups of an entity that say how it looks (layer, linetype, colour,
// lineweight, true colour, linetype scale), copied onto a piece that draws
// it. Layer "0" when the entity names none.
void copyEntityLook(vd::ChainView from, vd::ChainBuilder& to);

// The closed filled arrowhead as a triangle: its tip, and the two corners of
// its base `length` back from the tip against the direction (ux, uy), a
// third of the length apart. (ux, uy) need not be of unit length but must
// not be zero.
std::array<vd::ChainPoint, 3> closedFilledArrow(vd::ChainPoint tip, double ux, double uy, double length);

}  // namespace hostsim
