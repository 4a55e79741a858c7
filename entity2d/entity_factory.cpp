#include "entity2d/entity_factory.h"

#include "entity2d/curve_entities.h"
#include "entity2d/shape_entities.h"
#include "entity2d/text_entities.h"
#include "host/names.h"

namespace vd {

std::unique_ptr<ltEnt2D> newEntityFor(vstring_view type) {
  auto is = [&](const vchar* name) { return equalsNoCaseAscii(type, name); };
  if (is(names::kLine)) return std::make_unique<ltAbscissa2D>();
  if (is(names::kArc) || is(names::kCircle)) return std::make_unique<ltArc2D>();
  if (is(names::kLwPolyline)) return std::make_unique<ltPolyline2D>();
  if (is(names::kEllipse)) return std::make_unique<ltEllipse2D>();
  if (is(names::kRay)) return std::make_unique<ltRay2D>();
  if (is(names::kXline)) return std::make_unique<ltLine2D>();
  if (is(names::kHatch)) return std::make_unique<ltHatch2D>();
  if (is(names::kPoint)) return std::make_unique<ltPoint2D>();
  if (is(names::kSolid)) return std::make_unique<ltSolid2D>();
  if (is(names::kInsert)) return std::make_unique<ltInsert2D>();
  if (is(names::kImage)) return std::make_unique<ltImage2D>();
  if (is(names::kWipeout)) return std::make_unique<ltWipeout2D>();
  if (is(names::kText)) return std::make_unique<ltText2D>();
  if (is(names::kAttDef)) return std::make_unique<ltAttDef2D>();
  if (is(names::kAttrib)) return std::make_unique<ltAttrib2D>();
  if (is(names::kMText)) return std::make_unique<ltMText2D>();
  return std::make_unique<ltUnknown2D>();
}

std::unique_ptr<ltEnt2D> makeEntity(SharedChain* holder) {
  if (!holder || !holder->view().has(gc::kType)) return nullptr;
  std::unique_ptr<ltEnt2D> obj = newEntityFor(holder->view().type());
  if (obj->setChain(holder, true) == kSetChainOk) return obj;
  obj = std::make_unique<ltUnknown2D>();
  if (obj->setChain(holder, true) == kSetChainOk) return obj;
  return nullptr;
}

std::unique_ptr<ltEnt2D> makeEntity(const ValueNode* chain) {
  if (!ChainView(chain).has(gc::kType)) return nullptr;
  SharedChain* holder = SharedChain::copyOf(ChainView(chain));
  if (!holder) return nullptr;
  std::unique_ptr<ltEnt2D> obj = makeEntity(holder);
  holder->release();
  return obj;
}

}  // namespace vd
