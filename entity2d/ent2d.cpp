#include "entity2d/ent2d.h"

#include "entity2d/chain_write.h"
#include "entity2d/curve_ops.h"

namespace vd {

ltEnt2D::ltEnt2D(const ltEnt2D& o) : holder_(o.holder_), props_(o.props_), dirty_(o.dirty_) {
  if (holder_) holder_->addRef();
}

ltEnt2D::ltEnt2D(SharedChain* holder) : holder_(holder) {
  if (holder_) holder_->addRef();
}

ltEnt2D::~ltEnt2D() {
  if (holder_) holder_->release();
}

ValueNode* ltEnt2D::currentChain() const { return holder_ ? holder_->get() : nullptr; }

ValueNode* ltEnt2D::chain(int mode) {
  if (mode == kChainRegenerate || (mode == kChainRegenerateWhenDirty && dirty_)) regenerateChain();
  if (dirty_) return nullptr;
  return currentChain();
}

int ltEnt2D::setChain(SharedChain* holder, bool parse) {
  if (parse) {
    if (!holder || !holder->view() || !parseGeometry(holder->view())) return kSetChainNotMine;
  }
  if (holder) holder->addRef();
  if (holder_) holder_->release();
  holder_ = holder;
  props_.parse(prevChain());
  if (parse) dirty_ = false;
  return kSetChainOk;
}

int ltEnt2D::setChain(const ValueNode* chain, bool parse) {
  SharedChain* holder = SharedChain::copyOf(ChainView(chain));
  if (!holder) return kSetChainNotMine;
  int r = setChain(holder, parse);
  holder->release();  // the object holds its own reference when it took it
  return r;
}

const GcGeCurve2d* ltEnt2D::curve() const { return nullptr; }

const GcGeEntity2d* ltEnt2D::entity() const { return nullptr; }

bool ltEnt2D::buildChain(ChainBuilder&, ChainView) const { return false; }

bool ltEnt2D::regenerateChain() {
  ChainBuilder b;
  if (!buildChain(b, prevChain())) return false;
  ent::writeExtendedData(b, props_);
  OwnedChain made = b.build();
  if (!made) return false;
  return adoptChain(std::move(made));
}

bool ltEnt2D::adoptChain(OwnedChain made) {
  SharedChain* fresh = SharedChain::adopt(std::move(made));
  if (!fresh) return false;
  // The old properties point into the old chain: it goes only after the new
  // chain was written from them.
  if (holder_) holder_->release();
  holder_ = fresh;
  props_.parse(holder_->view());
  dirty_ = false;
  return true;
}

int ltEnt2D::splitBy(const ltEnt2D& cutter, EntList& out) {
  const GcGeCurve2d* mine = curve();
  const GcGeCurve2d* other = cutter.curve();
  if (!mine || !other) {
    out.emplace_back(clone());
    return 0;
  }
  GcGeCurve2dPtrArray pieces;
  splitByCurve(*mine, *other, pieces);
  if (pieces.isEmpty()) {
    out.emplace_back(clone());
    return 0;
  }
  return wrapCurvePieces(pieces, out, holder_, props_);
}

int ltEnt2D::splitBy(const ltEnt2D& cutter, EntList& out, bool keepInside, bool* removed,
                     const GcGeVector2d* closingDirection, const GcGeBoundBlock2d* box) {
  if (removed) *removed = false;
  const GcGeCurve2d* mine = curve();
  const GcGeCurve2d* other = cutter.curve();
  if (!mine || !other) {
    out.emplace_back(clone());
    return 0;
  }
  GcGeCurve2dPtrArray pieces;
  bool dropped = false;
  trimByCurve(*mine, *other, pieces, keepInside, dropped, closingDirection, box);
  if (removed) *removed = dropped;
  return wrapCurvePieces(pieces, out, holder_, props_);
}

EntityProps& ltEnt2D::props() { return props_; }
const EntityProps& ltEnt2D::props() const { return props_; }

bool ltEnt2D::transformBy(const GcGeMatrix2d&) { return false; }
bool ltEnt2D::reverse() { return false; }
bool ltEnt2D::extents(GcGeBoundBlock2d&, bool) const { return false; }

bool ltEnt2D::sameAs(const ltEnt2D& other) const { return typeId() == other.typeId(); }

const vchar* ltEnt2D::typeName() const { return nullptr; }
const vchar* ltEnt2D::subclassMarker() const { return nullptr; }

bool ltEnt2D::curveExtents(const GcGeCurve2d& c, GcGeBoundBlock2d& box, bool extend) const {
  if (!c.interval().isBounded()) return false;
  if (c.isKindOf(GcGe::kLineSeg2d)) {
    const GcGePoint2d a = c.startPoint(), b = c.endPoint();
    if (extend) {
      box.extend(a);
      box.extend(b);
    } else {
      box.set(a, b);
      box.setToBox(true);
    }
    return true;
  }
  GcGeBoundBlock2d own = c.gcOrthoBoundBlock();
  GcGePoint2d lo, hi;
  own.getMinMaxPoints(lo, hi);
  if (extend) {
    box.extend(lo);
    box.extend(hi);
  } else {
    box.set(lo, hi);
  }
  return true;
}

void extendBox(GcGeBoundBlock2d& box, bool& started, const GcGePoint2d& p) {
  if (!started) {
    box.set(p, p);
    started = true;
  } else {
    box.extend(p);
  }
}

}  // namespace vd
