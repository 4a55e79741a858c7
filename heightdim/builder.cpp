#include "heightdim/builder.h"

#include <cinttypes>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

#include "entity2d/chain_write.h"
#include "entity2d/curve_ops.h"
#include "entity2d/shape_entities.h"
#include "geom/circarc2d.h"
#include "geom/lineseg2d.h"
#include "geom/matrix2d.h"
#include "heightdim/records.h"
#include "heightdim/value_format.h"
#include "host/host_api.h"
#include "host/jig_record.h"
#include "host/names.h"
#include "host/services.h"
#include "host/terminator_shapes.h"
#include "host/ucs.h"
#include "res/string_ids.h"

namespace vd {

namespace {

constexpr int kBlockHasAttributes = 2;
constexpr int kRoundingLayerChars = 1024;
constexpr int kMaskDrawingBackground = 251;  // the colour a mask takes from the drawing
constexpr const vchar* kAppTagDev = u"VD_TAG_DEV";
// The preview's leader of a plan-view mark runs to P1 from this far off.
constexpr double kSampleLeaderDx = 1.8, kSampleLeaderDy = 5.0;

// The leader of a plan-view mark: an arrowhead, two straight vertices, no
// annotation of its own (the mark is tied to it afterwards); the dimension
// style it names, and the overrides of its arrowhead block and size.
constexpr int kLeaderWithArrow = 1;
constexpr int kLeaderStraight = 0;
constexpr int kLeaderNoAnnotation = 3;
constexpr int kDimvarArrowBlock = 341;
constexpr int kDimvarArrowSize = 41;
constexpr const vchar* kLeaderStyle = u"VELDRA";
constexpr const vchar* kAppAcad = u"ACAD";

bool accepted(int result) { return result == kRtNorm; }

vstring roundingLayer() {
  vstring buffer(kRoundingLayerChars, u'\0');
  hostCallOr<&HostApi::GetLayerKeyW>(0, 1, buffer.data(), kRoundingLayerChars, 0);
  buffer.resize(vlength(buffer.c_str()));
  return buffer;
}

int byLayerWhenZero(int colour, int fallback) { return colour != 0 ? colour : fallback; }

// Texts and values that every entity of one mark shares.
struct Prepared {
  double f = 1;
  int maskMode = 0;
  int maskColour = 0;
  vstring prompts[3];
  vstring tags[3];
  vstring graphicsLayer, textLayer, roundLayer;
  // The properties point into the strings above and into `tag`.
  EntityProps graphics, texts, rounding, plain;
  OwnedChain tag;  // element-tagged variant: the member tag
  ChainPoint elementPosition;
};

const ValueNode* firstXdataNode(const OwnedChain& chain) {
  for (const ValueNode* n = chain.get(); n; n = n->next) {
    if (n->code >= 1000) return n;
  }
  return nullptr;
}

// `host` holds the host's answers read before; without it they are asked
// here, each only when this mark needs it.
void prepare(const HNoteData& r, bool elementTag, const GcGePoint2d& elementPosition, const HNoteHostTexts* host,
             Prepared& p) {
  p.f = host ? host->factor : hnoteDrawingFactor();
  if (r.backgroundMask) {
    p.maskMode = r.backgroundMaskDwg ? 3 : 1;
    p.maskColour = r.backgroundMaskDwg ? kMaskDrawingBackground : r.backgroundMaskColor;
  }
  if (host) {
    p.prompts[0] = host->height;
    p.prompts[1] = (r.baseKind & 1) ? host->height + u"2" : host->label;
    p.prompts[2] = host->rounding;
    p.graphicsLayer = r.layer == u"*" ? host->currentLayer : r.layer;
    p.textLayer = r.layerText == u"*" ? host->currentLayer : r.layerText;
    p.roundLayer = host->roundingLayer;
  } else {
    p.prompts[0] = loadText(IDS_ATTR_HEIGHT);
    p.prompts[1] = (r.baseKind & 1) ? p.prompts[0] + u"2" : loadText(IDS_ATTR_LABEL);
    p.prompts[2] = loadText(IDS_ATTR_ROUNDING);
    p.graphicsLayer = hnoteLayerName(r.layer);
    p.textLayer = hnoteLayerName(r.layerText);
    p.roundLayer = roundingLayer();
  }
  for (int i = 0; i < 3; ++i) p.tags[i] = hnoteAttributeTag(p.prompts[i]);

  p.elementPosition = ChainPoint{elementPosition.x, elementPosition.y, 0};
  if (elementTag) {
    ChainBuilder b;
    addMemberTag(b, p.elementPosition);
    p.tag = b.build();
  }
  const ValueNode* xdata = firstXdataNode(p.tag);

  p.graphics.layer = p.graphicsLayer.c_str();
  p.graphics.linetype = r.props.linetype.c_str();
  p.graphics.setColourValue(static_cast<uint32_t>(byLayerWhenZero(r.colorDim, r.props.color)));
  p.graphics.lineweight = r.props.lineweight;
  p.graphics.linetypeScale = r.props.linetypeScale;
  p.graphics.extendedData = xdata;

  p.texts.layer = p.textLayer.c_str();
  // The texts' "DleBlok" (0) stays by block: they take the reference's colour,
  // as the dialog's choice says, and follow it when the mark is recoloured.
  p.texts.setColourValue(elementTag ? 256u : static_cast<uint32_t>(r.colorText));
  p.texts.extendedData = xdata;

  p.rounding = p.texts;
  p.rounding.layer = p.roundLayer.c_str();

  p.plain.layer = p.graphicsLayer.c_str();
  p.plain.extendedData = xdata;
}

// The attribute texts of the mark with their places in the block.
std::vector<HNoteTextChain> attributeTexts(const HNoteData& r, const MarkGeometry& g, const Prepared& p) {
  std::vector<HNoteTextChain> out;
  const vstring* values[3] = {&r.valueText, &r.valueText2, nullptr};
  const vstring mark = r.roundingMark && r.rounded ? u"!" : u"";
  for (size_t i = 0; i < g.texts.size(); ++i) {
    const MarkTextPlace& place = g.texts[i];
    HNoteTextChain t;
    t.position = place.anchor;
    t.height = r.textHeight * p.f;
    t.text = values[i] ? *values[i] : mark;
    t.widthFactor = r.textWidth;
    t.style = r.textStyle;
    t.hJust = place.hJust;
    t.vJust = place.vJust;
    t.prompt = p.prompts[i];
    t.tag = p.tags[i];
    t.flags = place.flags;
    out.push_back(std::move(t));
  }
  return out;
}

// Places the block's local points in the drawing like the block reference.
struct Placement {
  GcGePoint2d at;
  GcGePoint2d base;
  double f = 1;
  double angle = 0;
  GcGePoint2d operator()(const GcGePoint2d& local) const {
    GcGeVector2d v = (local - base) * f;
    const double c = std::cos(angle), s = std::sin(angle);
    return GcGePoint2d(at.x + c * v.x - s * v.y, at.y + s * v.x + c * v.y);
  }
  GcGeVector2d direction() const { return GcGeVector2d(std::cos(angle), std::sin(angle)); }
};

// The underline's direction: the user X axis in the drawing, across the mark
// when the mark stands steep.
GcGeVector2d underlineDirection(const HNoteData& r, bool elementTag) {
  constexpr double halfPi = std::numbers::pi / 2;
  if (elementTag) return GcGeVector2d(std::cos(r.angle + halfPi), std::sin(r.angle + halfPi));
  GcGeVector2d d = ucsTransforms().userToWorld2d.apply(GcGeVector2d(1, 0));
  if (d.length() > 0) d = d / d.length();
  if (hnoteDirectionClass(r.type, r.angle, r.rotation) == 1) d = GcGeVector2d(-d.y, d.x);
  return d;
}

// The nearest point to `p` on the line through `origin` along the unit
// vector `d`. A point already on the line (to the last bits of its
// coordinates) is its own nearest point: projected again it would move by
// rounding, and every HeightDimUpdate would rewrite an underline it had
// just written.
GcGePoint2d onLine(const GcGePoint2d& p, const GcGePoint2d& origin, const GcGeVector2d& d) {
  const GcGeVector2d v = p - origin;
  const GcGePoint2d nearest = origin + d * (v.x * d.x + v.y * d.y);
  const double scale = std::max({1.0, std::abs(origin.x), std::abs(origin.y), std::abs(v.x), std::abs(v.y)});
  const GcGeVector2d off = p - nearest;
  return std::max(std::abs(off.x), std::abs(off.y)) <= 1e-12 * scale ? p : nearest;
}

// The underline of a section-view mark; its ends go back into the record. False only
// when the host refused it; two equal ends draw nothing.
bool underline(HNoteData& r, HNotePreview* preview, bool fromLength, bool elementTag, const Prepared& p) {
  const GcGePoint2d at(r.insertPoint.x, r.insertPoint.y);
  GcGePoint2d a(r.leaderStart.x, r.leaderStart.y), b(r.leaderEnd.x, r.leaderEnd.y);
  GcGeVector2d d = underlineDirection(r, elementTag);
  if (!fromLength && r.underlineAsGiven && a != b) d = (b - a) / (b - a).length();
  if (fromLength) {
    const GcGeVector2d half = d * (r.underlineLength * p.f / 2);
    a = at + half;
    b = at - half;
  }
  a = onLine(a, at, d);
  b = onLine(b, at, d);
  r.leaderStart = {a.x, a.y};
  r.leaderEnd = {b.x, b.y};
  if (a == b) return true;
  if (preview) return preview->addLine(a, b, static_cast<int>(p.graphics.colour));
  EntityProps props = p.graphics;
  props.extendedData = nullptr;
  if (elementTag) props.setColourValue(256);
  ChainBuilder ch;
  ent::writeHeader(ch, names::kLine, props);
  ch.text(gc::kSubclass, names::kAcDbLine).point(gc::kPoint0, a.x, a.y).point(gc::kPoint1, b.x, b.y);
  addLeaderTag(ch, r.id);
  if (elementTag) addMemberTag(ch, p.elementPosition);
  OwnedChain chain = ch.build();
  return chain && accepted(hostCallOr<&HostApi::Entmake_binW>(0, chain.get(), 0));
}

// A terminator's shape with its tip at `tip`, pointing along `along`, `size`
// long, as curves and fills in drawing coordinates. Wide polylines fill one
// band per segment.
bool previewTerminator(const TerminatorShape& shape, const GcGePoint2d& tip, const GcGeVector2d& along, double size,
                       int colour, HNotePreview& preview) {
  const double angle = std::atan2(along.y, along.x);
  const double c = std::cos(angle), s = std::sin(angle);
  auto at = [&](const GcGePoint2d& p) {
    return GcGePoint2d(tip.x + size * (c * p.x - s * p.y), tip.y + size * (s * p.x + c * p.y));
  };
  auto through = [&](std::vector<GcGePoint2d> points, bool closed) {
    GcGeCompositeCurve2d curve;
    if (closed) points.push_back(points.front());
    for (size_t i = 0; i + 1 < points.size(); ++i) {
      if (points[i] != points[i + 1]) curve.append(new GcGeLineSeg2d(at(points[i]), at(points[i + 1])));
    }
    return curve;
  };
  auto circle = [&](const TerminatorPart& part, double from, double to) {
    GcGeCompositeCurve2d curve;
    curve.append(new GcGeCircArc2d(at(part.points.front()), part.radius * size, from + angle, to + angle));
    return curve;
  };
  constexpr double kDegree = std::numbers::pi / 180;
  bool ok = true;
  for (const TerminatorPart& part : shape.parts) {
    switch (part.kind) {
      case TerminatorPart::Kind::Line:
        ok = preview.addCurve(through(part.points, false), colour, kHNotePreviewDrawing) && ok;
        break;
      case TerminatorPart::Kind::Polyline:
        if (part.width <= 0) {
          ok = preview.addCurve(through(part.points, part.closed), colour, kHNotePreviewDrawing) && ok;
          break;
        }
        for (size_t i = 0; i + 1 < part.points.size(); ++i) {
          const GcGePoint2d a = part.points[i], b = part.points[i + 1];
          const GcGeVector2d d = b - a;
          if (d.length() == 0) continue;
          const GcGeVector2d n = GcGeVector2d(-d.y, d.x) * (part.width / 2 / d.length());
          ok = preview.addFill(through({a + n, b + n, b - n, a - n}, true), colour, kHNotePreviewDrawing) && ok;
        }
        break;
      case TerminatorPart::Kind::Solid: {
        // A SOLID's outline runs through its first, second, fourth and third corners.
        const std::vector<GcGePoint2d>& q = part.points;
        ok = preview.addFill(through({q[0], q[1], q[3], q[2]}, true), colour, kHNotePreviewDrawing) && ok;
        break;
      }
      case TerminatorPart::Kind::Circle:
        ok = preview.addCurve(circle(part, 0, 2 * std::numbers::pi), colour, kHNotePreviewDrawing) && ok;
        break;
      case TerminatorPart::Kind::Arc:
        ok = preview.addCurve(circle(part, part.startDegrees * kDegree, part.endDegrees * kDegree), colour,
                              kHNotePreviewDrawing) && ok;
        break;
      case TerminatorPart::Kind::Disc:
        ok = preview.addFill(circle(part, 0, 2 * std::numbers::pi), colour, kHNotePreviewDrawing) && ok;
        break;
    }
  }
  return ok;
}

bool toPreview(HNoteData& r, const MarkGeometry& g, const std::vector<HNoteTextChain>& texts, const Prepared& p,
               HNotePreview& preview) {
  const Placement place{GcGePoint2d(r.insertPoint.x, r.insertPoint.y), g.base, p.f, r.angle};
  const int colour = static_cast<int>(p.graphics.colour);
  bool ok = preview.defineBlock(g.base, kHNotePreviewBlock);
  for (const MarkPath& path : g.outlines) ok = preview.addCurve(hnotePathCurve(path, false), colour, kHNotePreviewBlock) && ok;
  for (const MarkPath& path : g.fills) ok = preview.addFill(hnotePathCurve(path, true), colour, kHNotePreviewBlock) && ok;
  ok = preview.addReference(kHNotePreviewBlock, place.at, p.f, place.direction()) && ok;
  for (size_t i = 0; i < texts.size(); ++i) {
    const HNoteTextChain& t = texts[i];
    if (t.text.empty()) continue;
    const int textColour = static_cast<int>(i == kMarkRounding ? p.rounding.colour : p.texts.colour);
    ok = preview.addText(place(t.position), place.direction(), t.text, t.height, t.widthFactor, textColour,
                                t.vJust, t.hJust) && ok;
  }
  if (r.type == 3) {
    // The leader's arrowhead is the boundary mark of the plan view: a short
    // sample leader from P1 - (1.8, 5.0) ending at P1. As on a placed leader,
    // whose arrowhead is at the picked point and whose end is the frame's
    // corner, the arrowhead is at its start, pointing away from the frame.
    const GcGePoint2d p1(g.frameWidth / 2, r.flipped ? g.frameHeight / 2 : -g.frameHeight / 2);
    const GcGePoint2d from = p1 - GcGeVector2d(kSampleLeaderDx, r.flipped ? -kSampleLeaderDy : kSampleLeaderDy);
    const GcGePoint2d tip = place(from);
    ok = preview.addLine(tip, place(p1), colour) && ok;
    // Its arrowhead as the record names it, the closed filled arrow for a name the host does not know.
    const TerminatorShape* head = findTerminator(r.arrowName);
    if (!head) head = &standardTerminators().front();
    const double size = r.hSize * p.f;
    if (size > 0 && std::isfinite(size)) {
      ok = previewTerminator(*head, tip, tip - place(p1), size, colour, preview) && ok;
    }
  }
  return ok;
}

bool toDrawing(HNoteData& r, const MarkGeometry& g, std::vector<HNoteTextChain>& texts, const Prepared& p,
               bool elementTag) {
  double base[3] = {g.base.x, g.base.y, 0};
  if (!accepted(hostCallOr<&HostApi::BlkmakeHead_binW>(0, r.blockName.c_str(), kBlockHasAttributes, &base[0],
                                                       &base[1], &base[2])))
    return false;
  auto member = [](OwnedChain chain) {
    return chain && accepted(hostCallOr<&HostApi::BlkmakeEnt_binW>(0, chain.get()));
  };
  for (const MarkPath& path : g.outlines) {
    if (!member(writeCurveChain(p.graphics, hnotePathCurve(path, false), GcGeMatrix2d::kIdentity))) return false;
  }
  for (const MarkPath& path : g.fills) {
    ltHatch2D fill;
    fill.props() = p.graphics;
    HatchLoop loop;
    loop.flags = 3;  // external, polyline
    loop.curve = hnotePathCurve(path, true);
    fill.setLoops({std::move(loop)}, true);
    const ValueNode* made = fill.chain(kChainRegenerate);
    if (!made || !member(OwnedChain(copyValueChain(made, false)))) return false;
  }
  for (size_t i = 0; i < texts.size(); ++i) {
    HNoteTextChain def = texts[i];
    def.text = i == kMarkRounding ? vstring() : def.text;
    if (!member(hnoteAttdefChain(i == kMarkRounding ? p.rounding : p.texts, def))) return false;
  }
  if (!accepted(hostCallOr<&HostApi::BlkmakeEnd_binW>(0, r.blockName.c_str()))) return false;

  // The reference and its attributes.
  const Placement place{GcGePoint2d(r.insertPoint.x, r.insertPoint.y), g.base, p.f, r.angle};
  OwnedChain stored = hnoteStoredData(r, elementTag);
  if (!stored) return false;
  EntityProps refProps = p.graphics;
  OwnedChain refXdata;
  {
    ChainBuilder x;
    x.splice(std::move(stored));
    if (elementTag) addMemberTag(x, p.elementPosition);
    refXdata = x.build();
  }
  refProps.extendedData = firstXdataNode(refXdata);
  OwnedChain insert = hnoteInsertChain(refProps, r.blockName, place.at, p.f, r.angle);
  if (!insert || !accepted(hostCallOr<&HostApi::Entmake_binW>(0, insert.get(), 0))) return false;
  for (size_t i = 0; i < texts.size(); ++i) {
    HNoteTextChain t = texts[i];
    t.position = place(t.position);
    t.rotation = r.angle;
    t.maskMode = p.maskMode;
    t.maskColour = p.maskColour;
    OwnedChain att = hnoteAttribChain(i == kMarkRounding ? p.rounding : p.texts, t);
    if (!att || !accepted(hostCallOr<&HostApi::Entmake_binW>(0, att.get(), 0))) return false;
  }
  OwnedChain end = hnoteSeqendChain(p.plain);
  return end && accepted(hostCallOr<&HostApi::Entmake_binW>(0, end.get(), 0));
}

}  // namespace

vstring hnoteLayerName(const vstring& layer) { return layer == u"*" ? currentLayerName() : layer; }

double hnoteDrawingFactor() {
  double scale = hostCallOr<&HostApi::GetScale>(0.0);
  double units = hostCallOr<&HostApi::GetUnits>(0.0);
  if (!(scale > 0) || !std::isfinite(scale)) scale = 1.0;
  if (!(units > 0) || !std::isfinite(units)) units = 1000.0;
  return scale * units * 0.001;
}

vstring hnoteAttributeTag(vstring_view prompt) {
  vstring tag = upperCaseLatin(prompt);
  for (vchar& c : tag) {
    if (c == u' ') c = u'_';
  }
  return tag;
}

GcGeCompositeCurve2d hnotePathCurve(const MarkPath& path, bool closed) {
  GcGeCompositeCurve2d curve;
  const size_t n = path.points.size();
  const size_t pieces = closed ? n : (n > 0 ? n - 1 : 0);
  for (size_t i = 0; i < pieces; ++i) {
    const GcGePoint2d& a = path.points[i];
    const GcGePoint2d& b = path.points[(i + 1) % n];
    if (a == b) continue;
    curve.append(bulgedMember(a, b, i < path.bulges.size() ? path.bulges[i] : 0.0));
  }
  return curve;
}

namespace {

void writeTextPart(ChainBuilder& b, const HNoteTextChain& t) {
  b.text(gc::kSubclass, names::kAcDbText)
      .real(gc::kThickness, 0.0)
      .point(gc::kPoint0, t.position.x, t.position.y)
      .real(gc::kReal0, t.height)
      .text(gc::kText, t.text)
      .real(gc::kAngle0, t.rotation)
      .real(gc::kReal1, t.widthFactor)
      .real(gc::kAngle1, 0.0)
      .text(gc::kTextStyle, t.style)
      .integer(gc::kFlags1, 0)
      .integer(gc::kFlags2, t.hJust)
      .point(gc::kPoint1, t.position.x, t.position.y)
      .point(gc::kExtrusion, 0, 0, 1);
}

}  // namespace

OwnedChain hnoteAttdefChain(const EntityProps& props, const HNoteTextChain& t) {
  ChainBuilder b;
  ent::writeHeader(b, names::kAttDef, props);
  writeTextPart(b, t);
  b.text(gc::kSubclass, names::kAcDbAttributeDefinition)
      .text(gc::kText2, t.prompt)
      .text(gc::kName, t.tag)
      .integer(gc::kFlags, t.flags)
      .integer(74, t.vJust);
  ent::writeExtendedData(b, props);
  return b.build();
}

OwnedChain hnoteAttribChain(const EntityProps& props, const HNoteTextChain& t) {
  ChainBuilder b;
  ent::writeHeader(b, names::kAttrib, props);
  writeTextPart(b, t);
  b.text(gc::kSubclass, names::kAcDbAttribute)
      .text(gc::kName, t.tag)
      .integer(gc::kFlags, t.flags)
      .integer(gc::kFlags3, 0)
      .integer(74, t.vJust)
      .integer(280, 0);
  if (t.maskMode != 0) b.integer(90, t.maskMode).integer(63, t.maskColour).real(45, 1.0);
  if (!t.elementTag.empty()) b.extendedData(kAppTagDev).text(gc::kXdString, t.elementTag);
  if (props.extendedData) {
    OwnedChain copy(copyValueChain(props.extendedData, false));
    if (copy) {
      if (t.elementTag.empty()) b.marker(gc::kExtendedData);
      b.splice(std::move(copy));
    }
  }
  return b.build();
}

OwnedChain hnoteInsertChain(const EntityProps& props, vstring_view blockName, const GcGePoint2d& at, double scale,
                            double rotation, ChainView prev, const HNoteInsertExtras& extras) {
  ChainBuilder b;
  ent::writeHeader(b, names::kInsert, props);
  b.text(gc::kSubclass, names::kAcDbBlockReference).integer(gc::kEntitiesFollow, 1);
  ent::copyCode(b, prev, gc::kEntitiesFollow);
  b.text(gc::kName, blockName)
      .point(gc::kPoint0, at.x, at.y)
      .real(gc::kReal1, scale)
      .real(gc::kReal2, scale)
      .real(gc::kReal3, scale)
      .real(gc::kAngle0, rotation);
  if (extras.columns) b.integer(gc::kFlags, *extras.columns);
  if (extras.rows) b.integer(gc::kFlags1, *extras.rows);
  if (extras.columnSpacing) b.real(44, *extras.columnSpacing);
  if (extras.rowSpacing) b.real(45, *extras.rowSpacing);
  if (extras.normal) b.point(gc::kExtrusion, *extras.normal);
  ent::copyCode(b, prev, gc::kExtrusion);
  ent::writeExtendedData(b, props);
  return b.build();
}

uint64_t hnoteHandleNumber(vstring_view handle) {
  return std::strtoull(utf16ToUtf8(handle).c_str(), nullptr, 16);
}

OwnedChain hnotePlanLeaderChain(const HNoteData& record, const GcGePoint2d& markAt, const GcGePoint2d& arrowAt) {
  // The frame's corners around its centre: the mark's insertion point moved
  // by the direction vector (zero for a frame centred on it), turned with
  // the mark.
  const double f = hnoteDrawingFactor();
  const GcGeVector2d unit(std::cos(record.angle), std::sin(record.angle));
  const GcGeVector2d along = unit * (record.cxSize * f / 2);
  const GcGeVector2d across = unit.perpVector() * (record.cySize * f / 2);
  const GcGePoint2d centre = markAt + unit * record.direction.x + unit.perpVector() * record.direction.y;
  GcGePoint2d corner = centre;
  double best = -1;
  for (double sx : {-1.0, 1.0}) {
    for (double sy : {-1.0, 1.0}) {
      const GcGePoint2d c = centre + along * sx + across * sy;
      const double d = c.distanceTo(arrowAt);
      if (best < 0 || d < best) {
        best = d;
        corner = c;
      }
    }
  }

  uint64_t arrow = 0;
  const bool arrowBlock = hostCallOr<&HostApi::GetArrowHandleW>(0, record.arrowName.c_str(), &arrow) != 0;

  const vstring layer = hnoteLayerName(record.layer);
  EntityProps props;
  props.layer = layer.c_str();
  props.linetype = record.props.linetype.c_str();
  props.setColourValue(static_cast<uint32_t>(byLayerWhenZero(record.colorDim, 256)));
  props.lineweight = record.props.lineweight;
  props.linetypeScale = record.props.linetypeScale;
  ChainBuilder b;
  ent::writeHeader(b, names::kLeader, props);
  b.text(gc::kSubclass, names::kAcDbLeader)
      .text(3, kLeaderStyle)
      .integer(71, kLeaderWithArrow)
      .integer(72, kLeaderStraight)
      .integer(73, kLeaderNoAnnotation)
      .integer(76, 2)
      .point(gc::kPoint0, arrowAt.x, arrowAt.y)
      .point(gc::kPoint0, corner.x, corner.y);
  b.extendedData(kAppAcad).text(1000, u"DSTYLE").text(1002, u"{");
  if (arrowBlock && arrow != 0) {
    char hex[32];
    std::snprintf(hex, sizeof hex, "%" PRIx64, arrow);
    b.integer(1070, kDimvarArrowBlock).text(1005, utf8ToUtf16(hex));
  }
  b.integer(1070, kDimvarArrowSize).real(1040, record.hSize).text(1002, u"}");
  b.extendedData(kAppAssocDesc).text(1000, record.id);
  return b.build();
}

OwnedChain hnoteSeqendChain(const EntityProps& props) {
  ChainBuilder b;
  ent::writeHeader(b, names::kSeqEnd, props);
  ent::writeExtendedData(b, props);
  return b.build();
}

OwnedChain hnoteStoredData(const HNoteData& r, bool elementTag) {
  ChainBuilder b;
  if (!elementTag || r.type > 2) {
    if (!addHNoteRef(b, hnoteRefOf(r))) return {};
    addHNoteStyle(b, r);
    return b.build();
  }
  addHNoteElementData(b, r);
  b.extendedData(kAppAssocDesc).text(gc::kXdString, r.id);
  addHNoteStyle(b, r);
  return b.build();
}

HNoteHostTexts hnoteHostTexts() {
  HNoteHostTexts t;
  t.factor = hnoteDrawingFactor();
  t.height = loadText(IDS_ATTR_HEIGHT);
  t.label = loadText(IDS_ATTR_LABEL);
  t.rounding = loadText(IDS_ATTR_ROUNDING);
  t.currentLayer = currentLayerName();
  t.roundingLayer = roundingLayer();
  return t;
}

namespace {

bool build(HNoteData& record, HNotePreview* preview, bool underlineFlag, bool elementTag,
           const GcGePoint2d& elementPosition, const HNoteHostTexts* host);

}  // namespace

bool buildHNote(HNoteData& record, HNotePreview* preview, bool underlineFlag, bool elementTag,
                const GcGePoint2d& elementPosition) {
  return build(record, preview, underlineFlag, elementTag, elementPosition, nullptr);
}

bool buildHNote(HNoteData& record, HNotePreview* preview, bool underlineFlag, bool elementTag,
                const GcGePoint2d& elementPosition, const HNoteHostTexts& host) {
  return build(record, preview, underlineFlag, elementTag, elementPosition, &host);
}

namespace {

bool build(HNoteData& record, HNotePreview* preview, bool underlineFlag, bool elementTag,
           const GcGePoint2d& elementPosition, const HNoteHostTexts* host) {
  if (record.type < 0 || record.type > 3) return false;
  Prepared p;
  prepare(record, elementTag, elementPosition, host, p);

  double textWidth = 0, textHeight = 0;
  if (record.type == 3) {
    // The frame holds the value and two more characters' room.
    const vstring sample = record.valueText + u"XX";
    double w = 0, h = 0;
    if (hostCallOr<&HostApi::GetTextExtentsW>(0, sample.c_str(), record.textStyle.c_str(), record.textHeight * p.f,
                                              record.textWidth, &w, &h) &&
        p.f > 0) {
      textWidth = w / p.f;
      textHeight = h / p.f;
    }
  }
  MarkGeometry g;
  if (!markGeometry(record, textWidth, textHeight, g)) return false;
  // A preview needs no block name; the drawing's block is named after the identifier.
  if (!preview && !assignHNoteId(record)) return false;
  std::vector<HNoteTextChain> texts = attributeTexts(record, g, p);
  // The mark keeps the least frame size of its settings, not the size this
  // text needed: a rebuild with a shorter text shrinks it again.
  bool ok = preview ? toPreview(record, g, texts, p, *preview) : toDrawing(record, g, texts, p, elementTag);
  if (record.type == 3) {
    record.cxSize = g.frameWidth;
    record.cySize = g.frameHeight;
    const GcGeVector2d toCentre = (GcGePoint2d(0, 0) - g.base) * p.f;
    record.direction = {toCentre.x, toCentre.y};
  }
  // The placing command and the previews draw the underline of a ČSN mark
  // only, at its set length; a rebuild that gives the leader line's ends
  // (underline flag clear) draws it for every section-view mark.
  const bool underlined = record.type == 0 || (!underlineFlag && record.type <= 2);
  if (ok && record.underlineDraw && underlined) ok = underline(record, preview, underlineFlag, elementTag, p);
  return ok;
}

}  // namespace

}  // namespace vd
