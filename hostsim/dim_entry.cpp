#include "hostsim/dim_entry.h"

#include <cmath>
#include <optional>

#include "host/chain.h"
#include "host/host_api.h"
#include "hostsim/host.h"
#include "hostsim/host_commands.h"
#include "hostsim/number_text.h"
#include "hostsim/pick.h"
#include "res/string_ids.h"

namespace hostsim {

namespace {

using vd::ChainBuilder;
using vd::ChainPoint;
using vd::OwnedChain;
using vd::vstring;

constexpr double kPi = 3.14159265358979323846;
// The dimension type a CAD host stores for a 3-point angular dimension: 5,
// with 32 for "the block is this dimension's own".
constexpr int kAngular3PointType = 5 | 32;
// Text attachment: middle centre.
constexpr int kMiddleCentre = 5;

std::string utf8(vd::vstring_view s) { return vd::utf16ToUtf8(s); }

// The host asks with the texts the module's string table carries for this
// interaction; a module without them gets the English ones.
vstring promptText(const Host& host, int id, const char* fallback) {
  vstring text;
  return host.moduleText(id, text) ? text : vd::utf8ToUtf16(fallback);
}

double normalAngle(double a) {
  a = std::fmod(a, 2 * kPi);
  return a < 0 ? a + 2 * kPi : a;
}

ChainPoint onCircle(const double c[3], double radius, double angle) {
  return {c[0] + radius * std::cos(angle), c[1] + radius * std::sin(angle), c[2]};
}

// A point answer; nothing when the user cancelled (or the script ended the run).
std::optional<ChainPoint> askPoint(Host& host, int promptId, const char* fallback) {
  const vstring prompt = promptText(host, promptId, fallback);
  std::optional<Answer> a = host.takeAnswer("a point", prompt, {Answer::Kind::Point});
  if (!a || a->kind == Answer::Kind::Cancel) {
    host.log("point? ", prompt + u" -> cancel");
    return std::nullopt;
  }
  host.log("point? ", prompt + vd::utf8ToUtf16(" -> " + formatPoint(a->point)));
  return ChainPoint{a->point[0], a->point[1], a->point[2]};
}

// The direction of a point seen from the centre; nothing at the centre.
std::optional<double> angleFrom(const double c[3], const ChainPoint& p) {
  const double dx = p.x - c[0], dy = p.y - c[1];
  if (dx == 0 && dy == 0) return std::nullopt;
  return normalAngle(std::atan2(dy, dx));
}

struct Source {
  vstring handle;
  vstring type;
  PickedArc arc;
};

// Asks for the arc until one is picked; nothing when the user cancelled.
std::optional<Source> askArc(Host& host) {
  const vstring prompt = promptText(host, IDS_PROMPT_DIMARC_SELECT_ARC, "Select an arc or a circle:");
  for (;;) {
    std::optional<Answer> a = host.takeAnswer("an arc, a circle or a polyline arc", prompt,
                                              {Answer::Kind::Pick, Answer::Kind::PickAt});
    if (!a || a->kind == Answer::Kind::Cancel) {
      host.log("select? ", prompt + u" -> cancel");
      return std::nullopt;
    }
    std::optional<std::vector<vstring>> picked = pickedEntities(host, *a);
    if (!picked) return std::nullopt;
    const Entity* e = picked->empty() ? nullptr : host.drawing().findEntity(picked->front());
    host.log("select? ", prompt + u" -> " + (e ? e->handle : vstring(u"nothing")));
    std::optional<PickedArc> arc;
    if (e) arc = arcAt(e->view(), a->kind == Answer::Kind::PickAt ? a->point : nullptr);
    if (arc && arc->radius > 0) return Source{e->handle, e->type(), *arc};
    host.log("host: ", promptText(host, IDS_MSG_DIMARC_WRONG_PICK, "Wrong selection - select an arc or a circle."));
  }
}

// The start and end of the part of a circle to dimension: points away from
// the centre, the end in another direction than the start.
bool askCirclePart(Host& host, PickedArc& arc) {
  for (bool start = true;;) {
    std::optional<ChainPoint> p =
        start ? askPoint(host, IDS_PROMPT_DIMARC_PART_START, "Start of the part of the circle to dimension:")
              : askPoint(host, IDS_PROMPT_DIMARC_PART_END, "End of the part of the circle to dimension:");
    if (!p) return false;
    std::optional<double> angle = angleFrom(arc.centre, *p);
    if (!angle || (!start && *angle == arc.start)) {
      host.log(std::string("host: ") + (angle ? "the end must lie in another direction than the start"
                                              : "a point at the centre gives no direction"));
      continue;
    }
    if (start) {
      arc.start = *angle;
      start = false;
    } else {
      arc.end = *angle;
      return true;
    }
  }
}

void removeTemporaries(Host& host) {
  std::vector<vstring> live;
  for (const vstring& h : host.arcEntryTemporaries) {
    if (host.drawing().findEntity(h)) live.push_back(h);
  }
  host.arcEntryTemporaries.clear();
  if (live.empty()) return;
  std::vector<vstring> missing;
  host.drawing().erase(live, missing);
  std::string list;
  for (const vstring& h : live) list += " " + utf8(h);
  host.log("host: DimArcEntryExit removes" + list);
}

}  // namespace

int beginArcDimensionEntry(Host& host, int mode, bool withLimitPoints) {
  // An interaction nobody ended goes first, with what it left.
  if (host.arcEntryOpen) endArcDimensionEntry(host);
  host.log("host: DimArcEntry mode " + std::to_string(mode) + (withLimitPoints ? " with limit points" : ""));
  std::optional<Source> source = askArc(host);
  if (!source) return -1;
  PickedArc& arc = source->arc;
  if (arc.circle && !askCirclePart(host, arc)) return -1;
  std::optional<ChainPoint> location = askPoint(host, IDS_PROMPT_DIMARC_LOCATION, "Dimension location:");
  if (!location) return -1;
  std::vector<ChainPoint> limits;
  if (withLimitPoints) {
    for (int id : {IDS_PROMPT_DIMARC_FIRST_LIMIT, IDS_PROMPT_DIMARC_SECOND_LIMIT}) {
      std::optional<ChainPoint> p = askPoint(host, id, id == IDS_PROMPT_DIMARC_FIRST_LIMIT ? "First limit point:"
                                                                                           : "Second limit point:");
      if (!p) return -1;
      limits.push_back(*p);
    }
  }

  const double sweep = normalAngle(arc.end - arc.start) == 0 ? 2 * kPi : normalAngle(arc.end - arc.start);
  const double middle = arc.start + sweep / 2;
  double distance = std::hypot(location->x - arc.centre[0], location->y - arc.centre[1]);
  if (distance == 0) distance = arc.radius;
  std::optional<double> direction = angleFrom(arc.centre, *location);
  const bool onArc = direction && normalAngle(*direction - arc.start) <= sweep;
  const ChainPoint arcPoint = onArc ? onCircle(arc.centre, distance, *direction) : onCircle(arc.centre, distance, middle);
  if (!onArc) host.log("host: the location lies outside the arc; the dimension arc goes through its middle");

  const vstring layer = currentLayer(host);
  const Variable* style = host.variable(u"DIMSTYLE");
  ChainBuilder b;
  b.text(0, u"DIMENSION").text(100, u"AcDbEntity").text(8, layer).text(100, u"AcDbDimension").integer(280, 0);
  b.point(10, arcPoint).point(11, onCircle(arc.centre, distance, middle));
  b.integer(70, kAngular3PointType).integer(71, kMiddleCentre).real(42, sweep);
  b.text(3, style && style->kind == Variable::Kind::String && !style->text.empty() ? style->text : vstring(u"STANDARD"));
  b.text(100, u"AcDb3PointAngularDimension");
  b.point(13, onCircle(arc.centre, arc.radius, arc.start)).point(14, onCircle(arc.centre, arc.radius, arc.start + sweep));
  b.point(15, arc.centre[0], arc.centre[1], arc.centre[2]);
  OwnedChain dimension = b.build();
  if (!dimension) {
    host.log("host: DimArcEntry cannot make its dimension: " + b.error());
    return -1;
  }

  host.arcEntryOpen = true;
  const Entity& made = host.drawing().makeHostEntity(std::move(dimension), true);
  host.arcEntryTemporaries.push_back(made.handle);
  std::vector<vstring> order = {made.handle, source->handle};
  for (const ChainPoint& p : limits) {
    ChainBuilder point;
    point.text(0, u"POINT").text(100, u"AcDbEntity").text(8, layer).text(100, u"AcDbPoint").point(10, p);
    const Entity& e = host.drawing().makeHostEntity(point.build(), true);
    host.arcEntryTemporaries.push_back(e.handle);
    order.push_back(e.handle);
  }
  const double c[3] = {arc.centre[0], arc.centre[1], arc.centre[2]};
  host.log("host: angular DIMENSION " + utf8(made.handle) + " on " + utf8(source->type) + " " + utf8(source->handle) +
           ": centre " + formatPoint(c) + ", radius " + formatNumber(arc.radius) + ", angle " + formatNumber(sweep));
  host.drawing().setSelection(order);
  return vd::kRtNorm;
}

int endArcDimensionEntry(Host& host) {
  if (!host.arcEntryOpen) {
    host.log("host: DimArcEntryExit without an open DimArcEntry");
    return 0;
  }
  host.arcEntryOpen = false;
  removeTemporaries(host);
  return 1;
}

bool applyCurrentDimStyle(Host& host, vd::vstring_view handle, std::string& why) {
  const Entity* e = host.drawing().findEntity(handle);
  if (!e || !e->owner.empty()) {
    why = "no entity " + utf8(handle);
    return false;
  }
  if (!e->view().isType(u"DIMENSION")) {
    why = utf8(e->type()) + " " + utf8(e->handle) + " is no dimension";
    return false;
  }
  const Variable* v = host.variable(u"DIMSTYLE");
  const vstring style = v && v->kind == Variable::Kind::String && !v->text.empty() ? v->text : vstring(u"STANDARD");
  OwnedChain changed = OwnedChain::copyOf(e->view());
  if (changed.view().has(3)) {
    changed.setText(3, style);
  } else {
    // The style's name belongs with the dimension's own groups, behind its type.
    changed.insertAfter(70, ChainBuilder().text(3, style).build());
  }
  changed.removeExtendedData(u"ACAD");
  const vstring h = e->handle;
  if (!host.drawing().changeEntity(h, std::move(changed), e->flatPoints)) {
    why = "DIMENSION " + utf8(h) + " cannot be changed";
    return false;
  }
  host.log("host: UPDATE DIMENSION " + utf8(h) + " takes dimension style " + utf8(style));
  return true;
}

}  // namespace hostsim
