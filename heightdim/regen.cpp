#include "heightdim/regen.h"

#include <array>
#include <cmath>
#include <unordered_map>

#include "geom/point2d.h"
#include "geom/vector2d.h"
#include "heightdim/builder.h"
#include "heightdim/place.h"
#include "heightdim/records.h"
#include "host/host_api.h"
#include "host/names.h"
#include "host/services.h"
#include "host/ucs.h"
#include "res/string_ids.h"

namespace vd {

namespace {

constexpr int kXdWorldPosition = 1011;  // the element position of a member tag

bool ok(int result) { return result == kRtNorm; }

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

// The instance fields of `from` over a record of style fields.
void keepInstanceFields(const HNoteData& from, HNoteData& to) {
  to.type = from.type;
  to.insertPoint = from.insertPoint;
  to.direction = from.direction;
  to.angle = from.angle;
  to.flipped = from.flipped;
  to.valueText = from.valueText;
  to.valueText2 = from.valueText2;
  to.props = from.props;
  to.blockName = from.blockName;
  to.id = from.id;
  to.baseId = from.baseId;
  to.baseKind = from.baseKind;
  to.rotation = from.rotation;
  to.hnoteOptions = from.hnoteOptions;
  to.leaderStart = from.leaderStart;
  to.leaderEnd = from.leaderEnd;
  to.rounded = from.rounded;
}

// A current section-view mark does not store whether it was flipped: its
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

// The point on the line through a and b nearest to p (p itself when a and b coincide).
HNotePoint ontoLine(HNotePoint p, HNotePoint a, HNotePoint b) {
  const GcGeVector2d d(b.x - a.x, b.y - a.y);
  const double len2 = d.x * d.x + d.y * d.y;
  if (!(len2 > 0)) return p;
  const double t = ((p.x - a.x) * d.x + (p.y - a.y) * d.y) / len2;
  return {a.x + d.x * t, a.y + d.y * t};
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
  scaleRatio = f > 0 && std::isfinite(sx) ? sx / f : 1.0;
  if (kind->current) {
    HNoteRef ref;
    if (!readHNoteRef(v, &ref, true) || !applyHNoteRef(record, ref)) return false;
    record.blockName = vstring(v.text(gc::kName).value_or(vstring_view()));
  } else {
    // The older blocks were drawn at four times the drawing's scale.
    const HNoteScale scale{f > 0 ? 4 * sx / f : 4.0, f > 0 && std::isfinite(sy) ? 4 * sy / f : 4.0};
    hnoteDefaults(record, kind->type, scale);
    record.rotation = 0;
  }
  const ChainPoint at = v.point(gc::kPoint0).value_or(ChainPoint{});
  record.insertPoint = {at.x, at.y};
  record.angle = v.real(gc::kAngle0).value_or(0.0);
  record.flipped = kind->current ? record.type != 3 && valueTextBelow(item, record) : kind->flipped;
  // The shown texts stay when no base gives new ones.
  record.valueText.clear();
  record.valueText2.clear();
  if (!item.attributes.empty()) record.valueText = vstring(item.attributes[0].view().text(gc::kText).value_or(u""));
  if (item.attributes.size() > 1 && (record.baseKind & 1))
    record.valueText2 = vstring(item.attributes[1].view().text(gc::kText).value_or(u""));
  return true;
}

size_t HNoteRegen::collect(const std::unordered_set<vstring>* only) {
  items_.clear();
  next_ = 0;
  // Attributes follow their reference in the walk; those after anything
  // that is no mark are passed over.
  bool open = false;
  for (ValueNode* n = hostCallOr<&HostApi::EntnextW>(static_cast<ValueNode*>(nullptr), 1, 0); n;
       n = hostCallOr<&HostApi::EntnextW>(static_cast<ValueNode*>(nullptr), 0, 0)) {
    const ChainView v(n);
    if (v.isType(names::kAttrib) || v.isType(names::kSeqEnd)) {
      if (open && v.isType(names::kAttrib)) items_.back().attributes.push_back(OwnedChain::copyOf(v));
      continue;
    }
    open = v.isType(names::kInsert) && hnoteBlockKind(v.text(gc::kName).value_or(vstring_view())) &&
           (!only || only->count(vstring(v.handle())));
    if (open) items_.push_back(HNoteRegenItem{OwnedChain::copyOf(v), {}});
  }
  return items_.size();
}

bool HNoteRegen::step(bool& failed) {
  if (next_ >= items_.size()) return false;
  const HNoteRegenItem& item = items_[next_++];
  HNoteData record;
  double ratio = 1;
  if (!hnoteRecordOf(item, record, ratio)) return false;
  const ChainView v = item.reference.view();
  const ChainView elementTag = v.extendedData(kAppElement);
  // The element-tagged variant keeps what it holds: no new values, no settings.
  const int32_t opts = elementTag ? options & ~(kRegenValues | kRegenSettings) : options;
  const bool sectionView = record.type >= 0 && record.type <= 2;

  if (opts & (kRegenMove | kRegenOntoLine)) {
    record.insertPoint = (opts & kRegenOntoLine) ? ontoLine(place, leaderFirst, leaderSecond) : place;
  }
  if (opts & kRegenSettings) {
    HNoteData styled = settings.records[static_cast<size_t>(record.type)];
    keepInstanceFields(record, styled);
    record = std::move(styled);
  }
  if ((opts & kRegenUnderline) && sectionView) {
    record.underlineDraw = true;
    record.leaderStart = leaderFirst;
    record.leaderEnd = leaderSecond;
  }
  if ((opts & kRegenValues) && sectionView) {
    const vstring& wanted = record.baseId.empty() ? record.id : record.baseId;
    const HNoteBase* base = newBase && newBase->id == wanted ? &*newBase : bases.find(wanted);
    if (base) {
      HNoteBase from = *base;
      if ((opts & kRegenNewLevels) && from.id == levelsOf) {
        from.level1 = level1;
        from.level2 = level2;
      }
      record.baseKind = from.baseKind;
      setHNoteValues(record, from, hnoteUnits());
    }
  }
  record.lhorzLen *= ratio;
  if ((opts & kRegenMirror) && record.type == 0) record.lhorzLen = -record.lhorzLen;

  GcGePoint2d position(0, 0);
  if (elementTag) {
    const ChainPoint p = elementTag.point(kXdWorldPosition).value_or(ChainPoint{});
    position = GcGePoint2d(p.x, p.y);
  }
  if (!buildHNote(record, nullptr, false, static_cast<bool>(elementTag), position)) {
    failed = true;
    return false;
  }
  eraseList.emplace_back(v.handle());
  return true;
}

bool HNoteRegen::changeRef(vstring_view handle, const std::function<void(HNoteRef&)>& change) {
  for (HNoteRegenItem& item : items_) {
    if (item.reference.view().handle() != handle) continue;
    HNoteRef ref;
    if (!readHNoteRef(item.reference.view(), &ref, true)) return false;
    change(ref);
    return replaceHNoteRef(item.reference, ref);
  }
  return false;
}

int HNoteRegen::repairSharedIds() {
  // The first base mark seen for each identifier, and the copies after it.
  std::unordered_map<vstring, size_t> first;
  std::vector<std::pair<size_t, vstring>> copies;  // item, the kept identifier
  for (size_t i = 0; i < items_.size(); ++i) {
    const ChainView v = items_[i].reference.view();
    HNoteRef ref;
    if (!isHNoteBlockName(v.text(gc::kName).value_or(vstring_view())) || !readHNoteRef(v, &ref, false)) continue;
    if (!ref.baseId.empty() || ref.id.empty() || ref.type > 2) continue;
    if (!first.emplace(ref.id, i).second) copies.emplace_back(i, ref.id);
  }
  std::vector<vstring> ids;
  for (size_t k = 0; k < copies.size(); ++k) {
    vstring id = newHNoteId();
    if (id.empty()) return -1;
    ids.push_back(std::move(id));
  }
  for (size_t k = 0; k < copies.size(); ++k) {
    OwnedChain& chain = items_[copies[k].first].reference;
    HNoteRef ref;
    readHNoteRef(chain.view(), &ref, false);
    ref.id = ids[k];
    ref.baseId = copies[k].second;
    if (!replaceHNoteRef(chain, ref)) return -1;
  }
  return static_cast<int>(copies.size());
}

int HNoteRegen::run() {
  eraseList.clear();
  if (!ok(hostCallOr<&HostApi::Header_bin>(0))) return -1;
  int rebuilt = 0;
  bool failed = false;
  while (remaining() > 0 && !failed) rebuilt += step(failed) ? 1 : 0;
  if (failed) {
    // A new empty batch drops what was written: the old marks stay.
    hostCallOr<&HostApi::Header_bin>(0);
    eraseList.clear();
    return -1;
  }
  if (!ok(hostCallOr<&HostApi::Flush_bin>(0, 1))) return -1;
  if (!eraseList.empty()) {
    std::vector<const vchar*> texts;
    texts.reserve(eraseList.size());
    for (const vstring& h : eraseList) texts.push_back(h.c_str());
    hostCallOr<&HostApi::EraseHandles>(0, static_cast<const vchar* const*>(texts.data()),
                                       static_cast<int>(texts.size()), 0);
  }
  return rebuilt;
}

void reportHeightDimsChanged(int count) {
  const vstring format = loadFormat(IDS_MSG_HEIGHTDIMS_CHANGED, "d");
  if (format.empty()) return;
  hostCallOr<&HostApi::PromptW>(0, vformat(format.c_str(), count).c_str());
}

int updateHeightDims(const vstring& settingsPath) {
  refreshUcsTransforms();
  if (!ok(hostCallOr<&HostApi::SSGetW>(0, kSelectToRefresh, static_cast<const vchar*>(nullptr),
                                       static_cast<ValueNode*>(nullptr), 0))) {
    reportHeightDimsChanged(0);
    return 0;
  }
  HNoteRegen regen;
  regen.collect();
  regen.settings.load(settingsPath);
  regen.bases.load(regen.settings);
  if (regen.repairSharedIds() < 0) return -1;
  regen.options = kRegenValues;
  const int count = regen.run();
  if (count >= 0) reportHeightDimsChanged(count);
  return count;
}

}  // namespace vd
