// The blocks a saved drawing gives its dimensions: each dimension the host
// draws gets an anonymous block ("*D" and a number, flag 1) holding its
// regenerated pieces, named in its group 2, so that other programs show the
// dimension as the host draws it.
#pragma once
#include <map>
#include <set>
#include <vector>

#include "host/chain.h"
#include "hostsim/drawing.h"
#include "hostsim/variable.h"

namespace hostsim {

struct DimensionBlock {
  vstring name;
  // The drawing's block of that name (read from a file, or made by the
  // module), which this one is written in place of; null for a new block.
  const Block* replaces = nullptr;
  std::vector<vd::OwnedChain> members;  // on layer 0 by block (dimensionChains)
};

class DimensionBlocks {
 public:
  // Plans the blocks of every live dimension the host draws (top-level
  // ones, then those inside blocks, in drawing order; not those inside a
  // dimension's block, "*D", which is written as it is or not at all). A
  // dimension keeps the "*D" name its group 2 gives when no dimension before
  // it took that name; otherwise it gets the first "*D" name, from "*D1" on,
  // that no block of the drawing and no dimension before it has. A dimension
  // the host does not draw keeps its block as it is, or gets an empty one
  // when it names none the drawing has.
  DimensionBlocks(const Drawing& drawing, const std::map<vstring, Variable>& variables,
                  const std::map<vstring, vstring>& environment);

  const std::vector<DimensionBlock>& blocks() const { return blocks_; }
  // The block name a dimension is written with; null for one it keeps.
  const vstring* nameFor(const Entity& dimension) const;
  // The planned block written in place of the drawing's block; null when
  // the block is written as it is.
  const DimensionBlock* replacing(const Block& block) const;
  // True for an anonymous "*D" block of the drawing that no dimension and
  // no reference names any more (its dimension was erased or rewritten
  // with another block): saving leaves it out, as a CAD host purges it.
  bool orphaned(const Block& block) const;

 private:
  std::vector<DimensionBlock> blocks_;
  std::map<const Entity*, size_t> byDimension_;
  std::map<const Block*, size_t> byReplaced_;
  std::set<vstring> named_;  // upper-case block names the drawing's entities name in group 2
};

// True for a name of the form of an anonymous dimension block: "*D" (any
// case) followed by at least one character.
bool isDimensionBlockName(vd::vstring_view name);

// The dimension's chain as a file gets it: group 2 naming `block`, in place
// of the one it had, or put in after the "AcDbDimension" marker (after the
// type when the chain has no markers); `flat` follows the positions.
vd::OwnedChain withBlockName(vd::ChainView dimension, vd::vstring_view block, FlatPoints& flat);

}  // namespace hostsim
