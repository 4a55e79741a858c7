// What the dimension tools share with the host's drawing: copies of the
// entities they read, the dimensions of the user's selection, and writing
// their results in one batch that either reaches the drawing whole or not at
// all.
#pragma once
#include <span>
#include <vector>

#include "host/chain.h"
#include "host/handle_erase_list.h"

namespace vd::dim {

// A copy of an entity from its group 0 on: without the host's entity name,
// and without its handle when `keepHandle` is false (the copy then becomes
// a new entity). Empty when the chain has no group 0 or memory runs out.
OwnedChain entityCopy(ChainView entity, bool keepHandle = true);

// The DIMENSION entities of the current selection (EntnextW) as copies
// without their handles, in the order the host gives them; their handles go
// into `replaced`. False when memory runs out or the walk stopped short of
// the selection's end (a join of part of a selection is none the user
// asked for); what was collected stays.
bool collectSelectedDimensions(std::vector<OwnedChain>& dimensions, HandleEraseList& replaced);

// Writes the entities in one batch (Header_bin, Entmake_binW each,
// Flush_bin). A refused entity leaves the batch unflushed and a new empty
// batch then drops it, so that no later flush commits part of it. True when
// the batch reached the drawing.
bool writeBatch(std::span<const OwnedChain> entities);

// Writes `made` in one batch and, once it is in the drawing, erases the
// entities it replaces. False, with the drawing as it was, when the batch
// did not reach it.
bool replaceEntities(std::span<const OwnedChain> made, HandleEraseList& replaced);

}  // namespace vd::dim
