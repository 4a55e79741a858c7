#include "heightdim/regen.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>
#include <unordered_map>

#include "geom/point2d.h"
#include "geom/vector2d.h"
#include "heightdim/builder.h"
#include "heightdim/place.h"
#include "heightdim/records.h"
#include "host/entity_walk.h"
#include "host/host_api.h"
#include "host/names.h"
#include "host/services.h"
#include "host/ucs.h"
#include "res/string_ids.h"

namespace vd {

namespace {

constexpr int kXdWorldPosition = 1011;  // the element position of a member tag
constexpr int kGroupLeaderAnnotation = 340;  // the annotation a leader is tied to

bool ok(int result) { return result == kRtNorm; }

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
  to.underlineAsGiven = from.underlineAsGiven;
  to.rounded = from.rounded;
}

// A plan-view mark's identifier (empty for an older one, which has none);
// false for a mark of another type.
bool planViewMark(const HNoteRegenItem& item, vstring& id) {
  const ChainView v = item.reference.view();
  const std::optional<HNoteBlockKind> kind = hnoteBlockKind(v.text(gc::kName).value_or(vstring_view()));
  if (!kind) return false;
  if (!kind->current) return kind->type == 3;
  HNoteRef ref;
  if (!readHNoteRef(v, &ref, true) || ref.type != 3) return false;
  id = ref.id;
  return true;
}

// A current section-view mark's identifier; false for any other mark (an
// older one has no identifier, so no underline can name it).
bool sectionViewMark(const HNoteRegenItem& item, vstring& id) {
  const ChainView v = item.reference.view();
  HNoteRef ref;
  if (!isHNoteBlockName(v.text(gc::kName).value_or(vstring_view())) || !readHNoteRef(v, &ref, true) || ref.type > 2)
    return false;
  id = ref.id;
  return !id.empty();
}

// A LINE tagged with the identifier of the mark it underlines.
bool taggedLine(const ChainView& v) { return v.isType(names::kLine) && v.extendedData(kAppAssocDesc); }

// The identifier a reference or line is tagged with; empty when none.
vstring taggedId(const ChainView& v) {
  return vstring(v.extendedData(kAppAssocDesc).text(gc::kXdString).value_or(vstring_view()));
}

// How well an underline from a to b fits a mark at p: first whether p lies
// on the line through them (an underline is drawn through its mark's
// point), then how far p is from the segment, then how far from its middle
// (an underline is drawn around its mark's point: of two marks on one line
// whose underlines overlap, each is nearest the middle of its own).
// Smaller fits better.
using UnderlineFit = std::tuple<bool, double, double>;
UnderlineFit underlineFit(HNotePoint p, HNotePoint a, HNotePoint b) {
  const GcGeVector2d d(b.x - a.x, b.y - a.y), v(p.x - a.x, p.y - a.y);
  const double len2 = d.x * d.x + d.y * d.y;
  const double toMiddle = std::hypot(v.x - d.x / 2, v.y - d.y / 2);
  if (!(len2 > 0)) return {false, std::hypot(v.x, v.y), toMiddle};
  const double length = std::sqrt(len2);
  const double off = std::abs(v.x * d.y - v.y * d.x) / length;
  const double scale = std::max({1.0, std::abs(p.x), std::abs(p.y), length});
  const double t = std::clamp((v.x * d.x + v.y * d.y) / len2, 0.0, 1.0);
  return {off > 1e-9 * scale, std::hypot(v.x - d.x * t, v.y - d.y * t), toMiddle};
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

bool HNoteRegen::collect(const std::unordered_set<vstring>* only, bool wholeDrawing) {
  items_.clear();
  next_ = 0;
  auto partial = [this] {
    items_.clear();
    return false;
  };
  std::vector<OwnedChain> leaders, lines;
  std::vector<SeenMark> seen;
  // Attributes follow their reference in the walk; those after anything
  // that is no mark are passed over.
  bool open = false;
  EntityWalk selection;
  while (ValueNode* n = selection.next()) {
    const ChainView v(n);
    if (v.isType(names::kAttrib) || v.isType(names::kSeqEnd)) {
      if (open && v.isType(names::kAttrib)) items_.back().attributes.push_back(OwnedChain::copyOf(v));
      continue;
    }
    if (v.isType(names::kLeader)) leaders.push_back(OwnedChain::copyOf(v));
    if (taggedLine(v)) lines.push_back(OwnedChain::copyOf(v));
    const std::optional<HNoteBlockKind> kind =
        v.isType(names::kInsert) ? hnoteBlockKind(v.text(gc::kName).value_or(vstring_view())) : std::nullopt;
    open = kind && (!only || only->count(vstring(v.handle())));
    if (open) items_.push_back(HNoteRegenItem{OwnedChain::copyOf(v), {}, {}});
    if (kind && kind->current) seen.push_back(seenMark(v, open ? items_.size() - 1 : kNotCollected));
  }
  if (!selection.whole()) return partial();
  attachLeaders(leaders);
  // Underlines go to their marks by where they lie, among all the marks of
  // their identifier: a mark copied with its underline shares the
  // identifier. Only a walk of the whole drawing sees every such mark.
  if (wholeDrawing) {
    attachUnderlines(lines, seen);
    return true;
  }
  // A mark picked without its leader, and every section-view mark picked:
  // their leaders and underlines are looked for in the whole drawing, so
  // that none is left behind naming an erased mark, and none of another
  // mark of the identifier is taken.
  bool walk = false;
  for (const HNoteRegenItem& item : items_) {
    vstring id;
    walk = walk || (!item.leader && planViewMark(item, id)) || sectionViewMark(item, id);
  }
  if (!walk) return true;
  if (!ok(hostCallOr<&HostApi::SSGetW>(0, kSelectToRefresh, static_cast<const vchar*>(nullptr),
                                       static_cast<ValueNode*>(nullptr), 0))) {
    // Without the whole drawing the selection's own underlines go to its marks.
    attachUnderlines(lines, seen);
    return true;
  }
  leaders.clear();
  lines.clear();
  seen.clear();
  std::unordered_map<uint64_t, size_t> collected;
  for (size_t i = 0; i < items_.size(); ++i) collected.emplace(hnoteHandleNumber(items_[i].reference.view().handle()), i);
  EntityWalk drawing;
  while (ValueNode* n = drawing.next()) {
    const ChainView v(n);
    if (v.isType(names::kLeader)) leaders.push_back(OwnedChain::copyOf(v));
    if (taggedLine(v)) lines.push_back(OwnedChain::copyOf(v));
    if (!v.isType(names::kInsert)) continue;
    const std::optional<HNoteBlockKind> kind = hnoteBlockKind(v.text(gc::kName).value_or(vstring_view()));
    if (!kind || !kind->current) continue;
    const auto item = collected.find(hnoteHandleNumber(v.handle()));
    seen.push_back(seenMark(v, item == collected.end() ? kNotCollected : item->second));
  }
  if (!drawing.whole()) return partial();
  attachLeaders(leaders);
  attachUnderlines(lines, seen);
  return true;
}

HNoteRegen::SeenMark HNoteRegen::seenMark(const ChainView& v, size_t item) {
  const ChainPoint at = v.point(gc::kPoint0).value_or(ChainPoint{});
  return SeenMark{taggedId(v), {at.x, at.y}, item};
}

void HNoteRegen::attachLeaders(std::vector<OwnedChain>& leaders) {
  if (leaders.empty()) return;
  // The plan-view marks without a leader yet, by handle and by identifier.
  std::unordered_map<uint64_t, size_t> byHandle;
  std::unordered_map<vstring, size_t> byId;
  for (size_t i = 0; i < items_.size(); ++i) {
    vstring id;
    if (items_[i].leader || !planViewMark(items_[i], id)) continue;
    byHandle.emplace(hnoteHandleNumber(items_[i].reference.view().handle()), i);
    if (!id.empty()) byId.emplace(std::move(id), i);
  }
  for (OwnedChain& leader : leaders) {
    const ChainView v = leader.view();
    const std::optional<vstring_view> tie = v.text(kGroupLeaderAnnotation);
    size_t at = items_.size();
    if (tie && !tie->empty()) {
      if (auto it = byHandle.find(hnoteHandleNumber(*tie)); it != byHandle.end()) at = it->second;
    } else if (const ChainView tag = v.extendedData(kAppAssocDesc)) {
      if (auto it = byId.find(vstring(tag.text(gc::kXdString).value_or(u""))); it != byId.end()) at = it->second;
    }
    if (at < items_.size() && !items_[at].leader) items_[at].leader = std::move(leader);
  }
}

void HNoteRegen::attachUnderlines(std::vector<OwnedChain>& lines, const std::vector<SeenMark>& seen) {
  if (lines.empty()) return;
  // The marks seen, by identifier; a section-view mark collected takes the
  // underlines that fit it best of all the marks of its identifier.
  std::unordered_map<vstring, std::vector<size_t>> byId;
  for (size_t k = 0; k < seen.size(); ++k)
    if (!seen[k].id.empty()) byId[seen[k].id].push_back(k);
  // The lines each collected mark takes, with how well they fit it.
  std::unordered_map<size_t, std::vector<std::pair<UnderlineFit, OwnedChain*>>> taken;
  for (OwnedChain& line : lines) {
    const ChainView v = line.view();
    const auto marks = byId.find(taggedId(v));
    if (marks == byId.end()) continue;
    const ChainPoint a = v.point(gc::kPoint0).value_or(ChainPoint{});
    const ChainPoint b = v.point(gc::kPoint1).value_or(ChainPoint{});
    const SeenMark* best = nullptr;
    UnderlineFit bestFit;
    for (size_t k : marks->second) {
      const UnderlineFit fit = underlineFit(seen[k].at, {a.x, a.y}, {b.x, b.y});
      if (!best || fit < bestFit) {
        best = &seen[k];
        bestFit = fit;
      }
    }
    vstring id;
    if (best->item != kNotCollected && sectionViewMark(items_[best->item], id))
      taken[best->item].emplace_back(bestFit, &line);
  }
  // The rebuild draws a mark's first underline again: the one through its
  // point comes before one that merely names it (left by a copy erased
  // without it, or by a mark moved without it).
  for (auto& [item, mine] : taken) {
    std::stable_sort(mine.begin(), mine.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    for (auto& [fit, line] : mine) items_[item].underlines.push_back(std::move(*line));
  }
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

  const bool move = (opts & (kRegenMove | kRegenOntoLine)) != 0;
  if (move) {
    // The marks keep where they stand to each other: all move by what brings
    // the first of them to the chosen place.
    if (!moveBy_) {
      const HNotePoint to = (opts & kRegenOntoLine) ? ontoLine(place, leaderFirst, leaderSecond) : place;
      moveBy_ = GcGeVector2d(to.x - record.insertPoint.x, to.y - record.insertPoint.y);
    }
    record.insertPoint = {record.insertPoint.x + moveBy_->x, record.insertPoint.y + moveBy_->y};
  }
  if (opts & kRegenSettings) {
    // A mirrored mark stays mirrored with the settings' horizontal length.
    const bool mirrored = record.lhorzLen < 0;
    HNoteData styled = settings.records[static_cast<size_t>(record.type)];
    keepInstanceFields(record, styled);
    record = std::move(styled);
    if (mirrored) record.lhorzLen = -std::abs(record.lhorzLen);
  }
  if ((opts & kRegenUnderline) && sectionView) {
    record.underlineDraw = true;
    record.leaderStart = leaderFirst;
    record.leaderEnd = leaderSecond;
  } else if (sectionView && !item.underlines.empty()) {
    // An underline drawn earlier goes with its mark: moved as the mark is,
    // and rebuilt through its insertion point in its own direction, which
    // the UCS the mark was placed in gave it.
    const ChainView line = item.underlines.front().view();
    const ChainPoint a = line.point(gc::kPoint0).value_or(ChainPoint{});
    const ChainPoint b = line.point(gc::kPoint1).value_or(ChainPoint{});
    const GcGeVector2d by = move ? *moveBy_ : GcGeVector2d(0, 0);
    record.underlineDraw = true;
    record.underlineAsGiven = true;
    record.leaderStart = {a.x + by.x, a.y + by.y};
    record.leaderEnd = {b.x + by.x, b.y + by.y};
  }
  if ((opts & kRegenValues) && sectionView) {
    const vstring& wanted = record.baseId.empty() ? record.id : record.baseId;
    const HNoteBase* base = newBase && newBase->id == wanted ? &*newBase : bases.find(wanted);
    if (base) {
      // What the value needs of the base, without its list of marks: a copy
      // of that list for every mark made the update quadratic in the marks
      // of one base.
      HNoteBase from;
      from.type = base->type;
      from.baseKind = base->baseKind;
      from.id = base->id;
      from.level1 = base->level1;
      from.level2 = base->level2;
      from.point = base->point;
      from.angle = base->angle;
      if ((opts & kRegenNewLevels) && from.id == levelsOf) {
        from.level1 = level1;
        from.level2 = level2;
      }
      record.baseKind = from.baseKind;
      if (!setHNoteValues(record, from, drawingUnits())) {
        // A value no mark can show: nothing is rebuilt (the caller puts back
        // what it wrote first), rather than the mark rebuilt with its old text.
        reportHNoteValueRange();
        failed = true;
        return false;
      }
    }
  }
  record.lhorzLen *= ratio;
  if ((opts & kRegenMirror) && record.type == 0) record.lhorzLen = -record.lhorzLen;

  GcGePoint2d position(0, 0);
  if (elementTag) {
    const ChainPoint p = elementTag.point(kXdWorldPosition).value_or(ChainPoint{});
    position = GcGePoint2d(p.x, p.y);
  }
  if (!hostTexts_) hostTexts_ = hnoteHostTexts();
  if (!buildHNote(record, nullptr, false, static_cast<bool>(elementTag), position, *hostTexts_)) {
    failed = true;
    return false;
  }
  eraseList.add(v.handle());
  for (const OwnedChain& line : item.underlines) eraseList.add(line.view().handle());
  if (record.type == 3 && item.leader) {
    // The leader keeps its arrowhead where it points and reaches the nearest
    // corner of the rebuilt frame; it is tied to the new mark after the flush.
    const ChainView old = item.leader.view();
    const ChainPoint arrow = old.point(gc::kPoint0).value_or(ChainPoint{});
    OwnedChain leader = hnotePlanLeaderChain(record, GcGePoint2d(record.insertPoint.x, record.insertPoint.y),
                                             GcGePoint2d(arrow.x, arrow.y));
    if (!leader || !ok(hostCallOr<&HostApi::Entmake_binW>(0, leader.get(), 0))) {
      failed = true;
      return false;
    }
    eraseList.add(old.handle());
    leaderBlocks_.insert(record.blockName);
  }
  return true;
}

void HNoteRegen::tieLeaders() {
  // The batch went into the drawing in its order: each new leader right
  // after the SEQEND of its new mark. The old entities are still there and
  // are passed over.
  std::unordered_set<uint64_t> old;
  for (const vstring& h : eraseList.handles()) old.insert(hnoteHandleNumber(h));
  if (!ok(hostCallOr<&HostApi::SSGetW>(0, kSelectToRefresh, static_cast<const vchar*>(nullptr),
                                       static_cast<ValueNode*>(nullptr), 0)))
    return;
  std::vector<std::pair<uint64_t, uint64_t>> ties;  // mark, leader
  uint64_t mark = 0;
  EntityWalk walk;
  while (ValueNode* n = walk.next()) {
    const ChainView v(n);
    if (v.isType(names::kAttrib) || v.isType(names::kSeqEnd)) continue;
    const uint64_t h = hnoteHandleNumber(v.handle());
    if (mark != 0 && v.isType(names::kLeader) && !old.count(h) && !v.has(kGroupLeaderAnnotation))
      ties.emplace_back(mark, h);
    mark = v.isType(names::kInsert) && !old.count(h) &&
                   leaderBlocks_.count(vstring(v.text(gc::kName).value_or(vstring_view())))
               ? h
               : 0;
  }
  // Tied after the walk: a tie changes the leader the walk would be on.
  for (auto [markNumber, leaderNumber] : ties) hostCallOr<&HostApi::LeaderAnno>(0, &markNumber, &leaderNumber, 0);
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

bool HNoteRegen::loadBases() {
  bases.load(settings);
  return !bases.entriesMissed();
}

int HNoteRegen::run() {
  eraseList.clear();
  leaderBlocks_.clear();
  moveBy_.reset();
  hostTexts_.reset();
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
  if (!leaderBlocks_.empty()) tieLeaders();
  eraseList.flush();
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
  if (!regen.collect(nullptr, true)) return -1;
  regen.settings.load(settingsPath);
  if (!regen.loadBases() || regen.repairSharedIds() < 0) return -1;
  regen.options = kRegenValues;
  const int count = regen.run();
  if (count >= 0) reportHeightDimsChanged(count);
  return count;
}

}  // namespace vd
