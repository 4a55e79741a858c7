#include "hostsim/dimension_style.h"

#include <cmath>

namespace hostsim {

vd::ChainView dimensionStyleRecord(const Drawing& drawing, vd::vstring_view name) {
  for (const TableRecord& r : drawing.tableRecords()) {
    if (vd::equalsNoCaseAscii(r.table, u"DIMSTYLE") && vd::equalsNoCaseAscii(r.chain.view().text(2).value_or(u""), name))
      return r.chain.view();
  }
  return vd::ChainView();
}

const vd::ValueNode* dimensionOverride(vd::ChainView entity, int variable) {
  const vd::ChainView acad = entity.extendedData(u"ACAD");
  if (!acad) return nullptr;
  // The walk starts after the 1001 naming "ACAD" and ends at the next one.
  for (const vd::ValueNode* n = acad.head()->next; n && n->code != vd::gc::kXdApp; n = n->next) {
    if (n->code == 1070 && n->v.i16 == variable && n->next && n->next->code != vd::gc::kXdApp) return n->next;
  }
  return nullptr;
}

std::optional<vd::vstring> handleVariable(vd::ChainView entity, vd::ChainView style, int variable) {
  if (const vd::ValueNode* n = dimensionOverride(entity, variable); n && n->code == 1005)
    return vd::vstring(vd::ChainView(n).text(1005).value_or(u""));
  if (style) {
    if (auto t = style.text(variable)) return vd::vstring(*t);
  }
  return std::nullopt;
}

const Block* blockByHandle(const Drawing& drawing, vd::vstring_view handle) {
  const vd::vstring h = normalHandle(handle);
  if (h.empty()) return nullptr;
  for (const auto& b : drawing.blocks()) {
    if (b->handle == h) return b.get();
  }
  return nullptr;
}

const Block* arrowBlock(const Drawing& drawing, vd::ChainView entity, vd::ChainView style, int handleCode,
                        int nameCode) {
  if (const auto h = handleVariable(entity, style, handleCode)) {
    if (const Block* b = blockByHandle(drawing, *h)) return b;
  }
  std::optional<vd::vstring_view> name;
  if (const vd::ValueNode* n = dimensionOverride(entity, nameCode); n && n->code == 1000) {
    name = vd::ChainView(n).text(1000);
  } else if (style) {
    name = style.text(nameCode);
  }
  return name && !name->empty() ? drawing.findBlock(*name) : nullptr;
}

void copyEntityLook(vd::ChainView from, vd::ChainBuilder& to) {
  to.text(vd::gc::kLayer, from.layer().empty() ? vd::vstring_view(u"0") : from.layer());
  if (auto t = from.text(6)) to.text(6, *t);
  for (int code : {62, 370, 420}) {
    if (auto i = from.integer(code)) to.integer(code, *i);
  }
  if (auto s = from.real(48)) to.real(48, *s);
}

std::array<vd::ChainPoint, 3> closedFilledArrow(vd::ChainPoint tip, double ux, double uy, double length) {
  const double run = std::hypot(ux, uy);
  const double ax = ux / run, ay = uy / run;
  const double bx = tip.x - ax * length, by = tip.y - ay * length;
  const double nx = -ay * length / 6, ny = ax * length / 6;
  return {tip, vd::ChainPoint{bx + nx, by + ny, tip.z}, vd::ChainPoint{bx - nx, by - ny, tip.z}};
}

}  // namespace hostsim
