#include "hostsim/dimension_blocks.h"

#include <string>

#include "hostsim/dimension_graphics.h"
#include "hostsim/dxf_schema.h"

namespace hostsim {

namespace {

bool isDimension(const Entity& e) { return !e.erased && e.view().isType(u"DIMENSION"); }

bool isAnonymousDimensionBlock(const Block& b) { return isDimensionBlockName(b.name) && (b.flags & 1) != 0; }

}  // namespace

bool isDimensionBlockName(vd::vstring_view name) {
  return name.size() > 2 && name[0] == u'*' && (name[1] == u'D' || name[1] == u'd');
}

DimensionBlocks::DimensionBlocks(const Drawing& drawing, const std::map<vstring, Variable>& variables,
                                 const std::map<vstring, vstring>& environment) {
  std::vector<const Entity*> dimensions;
  std::vector<const Entity*> others;  // every other live entity, for the names it gives in group 2
  for (const Entity* e : drawing.entities()) (isDimension(*e) ? dimensions : others).push_back(e);
  for (const auto& b : drawing.blocks()) {
    // A dimension's block ("*D", anonymous or not) holds its graphics: it is
    // written as it is, in place of a regenerated one, or left out. Nothing
    // in it is drawn anew or keeps another block: a dimension in it given a
    // block of its own (or this one), or a name in it keeping one, would make
    // a save write blocks that the next save leaves out, once this block is
    // gone or replaced.
    if (isDimensionBlockName(b->name)) continue;
    for (const auto& e : b->entities) {
      if (!e->erased) (isDimension(*e) ? dimensions : others).push_back(e.get());
    }
  }
  struct Planned {
    const Entity* dimension;
    std::vector<vd::OwnedChain> members;
  };
  std::vector<Planned> planned;
  std::set<vstring> taken;  // upper-case names no new block may take
  for (const auto& b : drawing.blocks()) taken.insert(foldedName(b->name));
  for (const Entity* e : others) {
    if (auto name = e->view().text(2)) named_.insert(foldedName(*name));
  }
  for (const Entity* d : dimensions) {
    // Drawn for the dimension as the file gives it back: an angle a command
    // computed may lie between two a file can hold, and the block must be
    // the one a reader of the file draws again.
    vd::OwnedChain asRead = vd::OwnedChain::copyOf(d->view());
    for (vd::ChainItem item : d->view()) {
      const auto angle = item.real();
      if (angle && dxf::isConvertedAngle(u"DIMENSION", item.code())) asRead.setReal(item.code(), dxf::angleAsRead(*angle));
    }
    const vd::ChainView view = asRead.view();
    const auto graphics = dimensionGraphics(view, dimensionVariables(drawing, variables, environment, view));
    const auto name = view.text(2);
    if (graphics) {
      planned.push_back({d, dimensionChains(*graphics)});
    } else if (name && drawing.findBlock(*name)) {
      named_.insert(foldedName(*name));  // a block the host does not regenerate stays the dimension's
    } else {
      // Nothing to draw (its points coincide) and no block: a file's
      // dimension names one all the same, so it gets an empty one.
      planned.push_back({d, {}});
    }
  }
  std::set<vstring> claimed;
  auto claim = [&](const vstring& name) {
    claimed.insert(foldedName(name));
    taken.insert(foldedName(name));
  };
  auto isClaimed = [&](const vstring& name) {
    const vstring u = foldedName(name);
    return claimed.count(u) != 0 || named_.count(u) != 0;
  };
  int next = 1;
  for (Planned& p : planned) {
    vstring name(p.dimension->view().text(2).value_or(u""));
    if (!isDimensionBlockName(name) || isClaimed(name)) {
      for (;; ++next) {
        name = u"*D" + vd::utf8ToUtf16(std::to_string(next));
        // Nor the name of a block a kept dimension or a reference names,
        // though the drawing may lack that block.
        if (taken.count(foldedName(name)) == 0 && named_.count(foldedName(name)) == 0) break;
      }
    }
    claim(name);
    DimensionBlock block;
    block.name = name;
    block.replaces = drawing.findBlock(name);
    block.members = std::move(p.members);
    byDimension_[p.dimension] = blocks_.size();
    if (block.replaces) byReplaced_[block.replaces] = blocks_.size();
    blocks_.push_back(std::move(block));
  }
}

const vstring* DimensionBlocks::nameFor(const Entity& dimension) const {
  auto it = byDimension_.find(&dimension);
  return it == byDimension_.end() ? nullptr : &blocks_[it->second].name;
}

const DimensionBlock* DimensionBlocks::replacing(const Block& block) const {
  auto it = byReplaced_.find(&block);
  return it == byReplaced_.end() ? nullptr : &blocks_[it->second];
}

bool DimensionBlocks::orphaned(const Block& block) const {
  if (!isAnonymousDimensionBlock(block) || replacing(block)) return false;
  return named_.count(foldedName(block.name)) == 0;
}

vd::OwnedChain withBlockName(vd::ChainView dimension, vd::vstring_view block, FlatPoints& flat) {
  vd::OwnedChain copy = vd::OwnedChain::copyOf(dimension);
  if (dimension.has(2)) {
    copy.setText(2, block);
    return copy;
  }
  // After the "AcDbDimension" marker, or after the type in a chain without markers.
  vd::ValueNode* at = nullptr;
  int position = 0, atPosition = 0;
  for (vd::ValueNode* n = copy.get(); n; n = n->next, ++position) {
    if (n->code == vd::gc::kType && !at) {
      at = n;
      atPosition = position;
    }
    if (n->code == vd::gc::kSubclass && n->v.str && vd::vstring_view(n->v.str) == u"AcDbDimension") {
      at = n;
      atPosition = position;
      break;
    }
  }
  if (!at) return copy;
  vd::ChainBuilder name;
  name.text(2, block);
  vd::spliceChainAfter(at, name.build().release());
  flat.insertAt(atPosition + 1);
  return copy;
}

}  // namespace hostsim
