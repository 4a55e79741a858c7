#include "hostsim/leaders.h"

#include "hostsim/dimension_style.h"

#include <cmath>
#include <initializer_list>
#include <optional>

namespace hostsim {

namespace {

using vd::ChainView;
using vd::OwnedChain;
using vd::ValueNode;

struct PlacingCodes {
  const vchar* type;
  std::initializer_list<int> codes;
};

// The groups that place an entity of each type the host drags. Others are
// directions or sizes (an ellipse's axis 11, a text box's direction 11),
// which a move leaves alone. A POLYLINE is placed by its vertices; a HATCH
// keeps its boundary in its own coded form and is not dragged.
const PlacingCodes kPlacing[] = {
    {u"LINE", {10, 11}},       {u"CIRCLE", {10}},         {u"ARC", {10}},         {u"POINT", {10}},
    {u"ELLIPSE", {10}},        {u"TEXT", {10, 11}},       {u"ATTRIB", {10, 11}},  {u"ATTDEF", {10, 11}},
    {u"MTEXT", {10}},          {u"INSERT", {10}},         {u"LWPOLYLINE", {10}},  {u"POLYLINE", {}},
    {u"VERTEX", {10}},         {u"SEQEND", {}},           {u"SOLID", {10, 11, 12, 13}},
    {u"TRACE", {10, 11, 12, 13}}, {u"3DFACE", {10, 11, 12, 13}}, {u"RAY", {10}}, {u"XLINE", {10}},
    {u"LEADER", {10}},         {u"TOLERANCE", {10}},      {u"SPLINE", {10, 11}},  {u"IMAGE", {10}},
    {u"WIPEOUT", {10}},        {u"DIMENSION", {10, 11, 12, 13, 14, 15, 16}},
};

const PlacingCodes* placingCodes(vd::vstring_view type) {
  for (const PlacingCodes& p : kPlacing) {
    if (vd::equalsNoCaseAscii(type, p.type)) return &p;
  }
  return nullptr;
}

std::string utf8(vd::vstring_view s) { return vd::utf16ToUtf8(s); }

// A copy of the chain with the points of the given codes moved; only the
// `only` index-th of them (counting from 0) when it is given.
OwnedChain movedCopy(ChainView chain, std::initializer_list<int> codes, double dx, double dy,
                     std::optional<int> only = std::nullopt) {
  OwnedChain copy = OwnedChain::copyOf(chain);
  int seen = 0;
  for (ValueNode* n = copy.get(); n; n = n->next) {
    if (n->code == -3 || n->code == 1001) break;  // extended data is not placed by the entity
    bool placing = false;
    for (int c : codes) placing = placing || n->code == c;
    if (!placing || (only && seen++ != *only)) continue;
    n->v.point[0] += dx;
    n->v.point[1] += dy;
  }
  return copy;
}

bool move(Drawing& drawing, const Entity& e, std::initializer_list<int> codes, double dx, double dy,
          std::optional<int> only = std::nullopt) {
  if (codes.size() == 0) return true;
  return drawing.changeEntity(e.handle, movedCopy(e.view(), codes, dx, dy, only), e.flatPoints);
}

const Entity* liveTopLevel(const Drawing& drawing, vd::vstring_view handle) {
  const Entity* e = drawing.findEntity(handle);
  return e && e->owner.empty() && !e->erased ? e : nullptr;
}

std::optional<double> realVariable(ChainView leader, ChainView style, int variable) {
  if (const ValueNode* n = dimensionOverride(leader, variable); n && n->code == 1040) return n->v.real;
  return style ? style.real(variable) : std::nullopt;
}

}  // namespace

bool moveEntity(Drawing& drawing, vd::vstring_view handle, double dx, double dy, std::string& why) {
  const Entity* e = liveTopLevel(drawing, handle);
  if (!e) {
    why = "the drawing has no entity " + utf8(handle);
    return false;
  }
  const vd::vstring type = e->type();
  const PlacingCodes* codes = placingCodes(type);
  if (!codes) {
    why = "a " + utf8(type) + " cannot be dragged";
    return false;
  }
  const vd::vstring main = e->handle;
  std::vector<const Entity*> followers = drawing.followersOf(*e);
  if (!move(drawing, *e, codes->codes, dx, dy)) {
    why = "entity " + utf8(main) + " did not change";
    return false;
  }
  for (const Entity* f : followers) {
    if (const PlacingCodes* fc = placingCodes(f->type())) move(drawing, *f, fc->codes, dx, dy);
  }
  // Leaders tied to it keep reaching it: their last vertex follows.
  for (const Entity* l : drawing.entities()) {
    const ChainView v = l->view();
    if (!v.isType(u"LEADER") || normalHandle(tiedAnnotation(v)) != main) continue;
    const int vertices = v.count(10);
    if (vertices > 0) move(drawing, *l, {10}, dx, dy, vertices - 1);
  }
  return true;
}

vd::vstring tiedAnnotation(ChainView leader) { return vd::vstring(leader.text(340).value_or(u"")); }

bool tieLeader(Drawing& drawing, vd::vstring_view leader, vd::vstring_view annotation, std::string& why) {
  const Entity* l = liveTopLevel(drawing, leader);
  const Entity* a = liveTopLevel(drawing, annotation);
  if (!l || !a) {
    why = "the drawing has no entity " + utf8(l ? annotation : leader);
    return false;
  }
  if (!l->view().isType(u"LEADER")) {
    why = "entity " + utf8(l->handle) + " is a " + utf8(l->type()) + ", not a LEADER";
    return false;
  }
  OwnedChain copy = OwnedChain::copyOf(l->view());
  FlatPoints flat = l->flatPoints;
  if (!copy.view().has(340)) {
    // The new group goes in front of the extended data, or last.
    int position = 0;
    for (const ValueNode* n = copy.get(); n && n->code != -3 && n->code != 1001; n = n->next) ++position;
    flat.insertAt(position);
  }
  if (!copy.setText(340, a->handle) || !drawing.changeEntity(l->handle, std::move(copy), flat)) {
    why = "LEADER " + utf8(l->handle) + " did not change";
    return false;
  }
  return true;
}

LeaderArrow leaderArrow(const Drawing& drawing, ChainView leader) {
  LeaderArrow arrow;
  arrow.shown = leader.integer(71).value_or(1) != 0;
  const ChainView style = dimensionStyleRecord(drawing, leader.text(3).value_or(u"STANDARD"));
  if (const auto h = handleVariable(leader, style, 341)) arrow.block = blockByHandle(drawing, *h);
  const double size = realVariable(leader, style, 41).value_or(2.5);
  const double scale = realVariable(leader, style, 40).value_or(1.0);
  arrow.length = (size > 0 ? size : 2.5) * (scale > 0 ? scale : 1.0);
  return arrow;
}

std::vector<OwnedChain> leaderDrawing(const Drawing& drawing, ChainView leader) {
  std::vector<vd::ChainPoint> vertices;
  for (vd::ChainItem item : leader) {
    if (item.code() == -3 || item.code() == 1001) break;
    if (item.code() == 10) {
      if (auto p = item.point()) vertices.push_back(*p);
    }
  }
  std::vector<OwnedChain> out;
  if (vertices.size() < 2) return out;
  vd::ChainBuilder path;
  path.text(0, u"LWPOLYLINE");
  copyEntityLook(leader, path);
  path.integer(90, static_cast<int64_t>(vertices.size())).integer(70, 0);
  for (const vd::ChainPoint& p : vertices) path.point(10, p.x, p.y);
  out.push_back(path.build());

  const LeaderArrow arrow = leaderArrow(drawing, leader);
  const double ux = vertices[0].x - vertices[1].x, uy = vertices[0].y - vertices[1].y;
  const double run = std::hypot(ux, uy);
  if (!arrow.shown || run == 0 || !std::isfinite(arrow.length)) return out;
  const vd::ChainPoint tip = vertices[0];
  vd::ChainBuilder head;
  if (arrow.block) {
    head.text(0, u"INSERT");
    copyEntityLook(leader, head);
    head.text(2, arrow.block->name).point(10, tip.x, tip.y).real(41, arrow.length).real(42, arrow.length);
    head.real(50, std::atan2(uy, ux));
  } else {
    // The closed filled arrow: as long as the arrow size, a third of it wide.
    const auto corners = closedFilledArrow(tip, ux, uy, arrow.length);
    head.text(0, u"SOLID");
    copyEntityLook(leader, head);
    head.point(10, corners[0]).point(11, corners[1]).point(12, corners[2]).point(13, corners[2]);
  }
  out.push_back(head.build());
  return out;
}

}  // namespace hostsim
