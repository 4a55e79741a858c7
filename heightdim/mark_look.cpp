#include "heightdim/mark_look.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "entity2d/entity_props.h"
#include "geom/vector2d.h"
#include "heightdim/builder.h"
#include "heightdim/records.h"
#include "host/chain_codes.h"
#include "host/names.h"

namespace vd {

namespace {

// The background mask of an attribute: its mode (1 a colour, 3 the
// drawing's background) and colour.
constexpr int kMaskMode = 90;
constexpr int kMaskColour = 63;
constexpr int64_t kMaskDrawingBit = 2;

// The blocks of the older height marks: each name stands for one type, upright or flipped.
struct OlderBlock {
  const vchar* name;
  int32_t type;
  bool flipped;
};
constexpr std::array<OlderBlock, 11> kOlderBlocks = {{
    {u"KACENAH", 0, false},
    {u"KACENAH1", 0, false},
    {u"VKOTA_UT", 0, false},
    {u"KACENAD", 0, true},
    {u"KACENAD1", 0, true},
    {u"VKOTA_UZ", 0, true},
    {u"KACENAH2", 2, false},
    {u"KACENAD2", 2, true},
    {u"KACENAH3", 1, false},
    {u"KACENAD3", 1, true},
    {u"VDHEIGHT", 3, false},
}};

// A mark without a stored look does not say whether it was flipped: its
// value text tells. The builder puts it above the insertion point in the
// mark's own coordinates, and a flipped mark is that picture mirrored in its
// X axis, so the text stands below.
bool valueTextBelow(const HNoteRegenItem& item, const HNoteData& record) {
  if (item.attributes.empty()) return false;
  const std::optional<ChainPoint> at = item.attributes.front().view().point(gc::kPoint0);
  if (!at) return false;
  const GcGeVector2d offset(at->x - record.insertPoint.x, at->y - record.insertPoint.y);
  const GcGeVector2d across(-std::sin(record.angle), std::cos(record.angle));
  return offset.x * across.x + offset.y * across.y < 0;
}

// Nor whether a ČSN mark was mirrored: its value text tells again. The
// builder sets it off the vertical line along the mark's X axis on the side
// the horizontal line runs to, right-aligned on the left; the alignment
// point of a text that is not left-aligned is its 11. A text on the vertical
// line itself (no distance along X) leaves the justification to decide.
bool valueTextLeft(const HNoteRegenItem& item, const HNoteData& record) {
  if (item.attributes.empty()) return false;
  const ChainView text = item.attributes.front().view();
  const int64_t hJust = text.integer(gc::kFlags2).value_or(0);
  const std::optional<ChainPoint> at = text.point(hJust != 0 && text.has(gc::kPoint1) ? gc::kPoint1 : gc::kPoint0);
  if (!at) return false;
  const double along =
      (at->x - record.insertPoint.x) * std::cos(record.angle) + (at->y - record.insertPoint.y) * std::sin(record.angle);
  const double scale = std::max(1.0, std::hypot(record.insertPoint.x, record.insertPoint.y));
  if (std::abs(along) > 1e-9 * scale) return along < 0;
  return hJust == 2;
}

bool positiveFinite(const std::optional<double>& v) { return v && std::isfinite(*v) && *v > 0; }

// What the reference and the first attribute show, over the record: the
// graphics' layer, colour and line properties, and the texts' layer, colour,
// style, size and mask. Only what the chains hold is taken, but a text's
// style and width factor, whose absence means the defaults.
void readShownLook(const HNoteRegenItem& item, HNoteData& r) {
  const ChainView ref = item.reference.view();
  EntityProps graphics;
  graphics.parse(ref);
  if (ref.has(gc::kLayer)) r.layer = graphics.layer;
  if (ref.has(gc::kLineType)) r.props.linetype = graphics.linetype;
  r.props.lineweight = graphics.lineweight;
  r.props.linetypeScale = graphics.linetypeScale;
  r.colorDim = static_cast<int32_t>(graphics.colourValue());
  if (item.attributes.empty()) return;

  const ChainView text = item.attributes.front().view();
  EntityProps texts;
  texts.parse(text);
  if (text.has(gc::kLayer)) r.layerText = texts.layer;
  r.colorText = static_cast<int32_t>(texts.colourValue());
  // A text without a style or width factor has the drawing's defaults, as
  // every program shows it: STANDARD and 1.
  const std::optional<vstring_view> style = text.text(gc::kTextStyle);
  r.textStyle = style && !style->empty() ? vstring(*style) : vstring(u"STANDARD");
  // Heights are paper millimetres: the reference's scale made them drawing units.
  const std::optional<double> height = text.real(gc::kReal0);
  const double scale = std::abs(ref.real(gc::kReal1).value_or(1.0));
  if (positiveFinite(height) && positiveFinite(scale)) r.textHeight = *height / scale;
  const std::optional<double> width = text.real(gc::kReal1);
  if (positiveFinite(width) || !width) r.textWidth = width.value_or(1.0);
  const int64_t mask = text.integer(kMaskMode).value_or(0);
  r.backgroundMask = mask != 0;
  r.backgroundMaskDwg = (mask & kMaskDrawingBit) != 0;
  if (mask != 0 && !r.backgroundMaskDwg) {
    r.backgroundMaskColor = static_cast<int32_t>(text.integer(kMaskColour).value_or(r.backgroundMaskColor));
  }
}

}  // namespace

std::optional<HNoteBlockKind> hnoteBlockKind(vstring_view name) {
  if (isHNoteBlockName(name)) return HNoteBlockKind{0, false, true};
  for (const OlderBlock& b : kOlderBlocks) {
    if (equalsNoCaseAscii(name, b.name)) return HNoteBlockKind{b.type, b.flipped, false};
  }
  return std::nullopt;
}

bool hnoteRecordOf(const HNoteRegenItem& item, HNoteData& record, double& scaleRatio) {
  const ChainView v = item.reference.view();
  if (!v.isType(names::kInsert)) return false;
  const std::optional<HNoteBlockKind> kind = hnoteBlockKind(v.text(gc::kName).value_or(vstring_view()));
  if (!kind) return false;
  const double f = hnoteDrawingFactor();
  const double sx = v.real(gc::kReal1).value_or(1.0), sy = v.real(gc::kReal2).value_or(1.0);
  // A reference scaled by a negative factor is a mark the host mirrored: the
  // mirror is the mark's own (its side, its flip), not a size.
  scaleRatio = f > 0 && std::isfinite(sx) ? std::abs(sx) / f : 1.0;
  int stored = 0;
  if (kind->current) {
    HNoteRef ref;
    if (!readHNoteRef(v, &ref, true) || !applyHNoteRef(record, ref)) return false;
    record.blockName = vstring(v.text(gc::kName).value_or(vstring_view()));
    stored = readHNoteStyle(v, record);
    const bool element = stored == 0 && v.extendedData(kAppElement) && readHNoteElementLook(v, record) > 0;
    // Lengths read back are the mark's own, in paper millimetres.
    if (stored > 0 || element) scaleRatio = 1;
    readShownLook(item, record);
  } else {
    // The older blocks were drawn at four times the drawing's scale.
    const HNoteScale scale{f > 0 ? 4 * sx / f : 4.0, f > 0 && std::isfinite(sy) ? 4 * sy / f : 4.0};
    hnoteDefaults(record, kind->type, scale);
    record.rotation = 0;
  }
  const ChainPoint at = v.point(gc::kPoint0).value_or(ChainPoint{});
  record.insertPoint = {at.x, at.y};
  record.angle = v.real(gc::kAngle0).value_or(0.0);
  if (!kind->current) {
    record.flipped = kind->flipped;
  } else if (stored < kHNoteStyleFields) {
    record.flipped = record.type != 3 && valueTextBelow(item, record);
    if (record.type == 0 && valueTextLeft(item, record)) record.lhorzLen = -std::abs(record.lhorzLen);
  } else if (record.type != 3) {
    // The stored look is the mark before the host mirrored it. Mirrored in
    // its X axis it is flipped; in its Y axis a ČSN mark's horizontal leg
    // (and its text) goes to the other side. A DIN mark is the same both
    // ways but for where its text stands, which stays where it is readable.
    if (sy < 0) record.flipped = !record.flipped;
    if (sx < 0 && record.type == 0) record.lhorzLen = -record.lhorzLen;
  }
  // The shown texts stay when no base gives new ones.
  record.valueText.clear();
  record.valueText2.clear();
  if (!item.attributes.empty()) record.valueText = vstring(item.attributes[0].view().text(gc::kText).value_or(u""));
  if (item.attributes.size() > 1 && (record.baseKind & 1))
    record.valueText2 = vstring(item.attributes[1].view().text(gc::kText).value_or(u""));
  // So does the rounding mark beside them (the third attribute of a section
  // mark of the current kind): it says the text shows a rounded value.
  if (kind->current && record.type <= 2 && item.attributes.size() > 2)
    record.rounded = !item.attributes[2].view().text(gc::kText).value_or(u"").empty();
  if (kind->current && stored == 0) {
    if (std::optional<vstring> shown = hnoteShownSeparator(record.valueText)) record.delim = std::move(*shown);
  }
  return true;
}

}  // namespace vd
