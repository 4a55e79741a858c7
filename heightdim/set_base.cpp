// HeightDimSetBase: new levels for a base, or a mark made the base of others.
#include <cmath>
#include <unordered_set>
#include <vector>

#include "heightdim/place.h"
#include "heightdim/records.h"
#include "heightdim/regen.h"
#include "host/entity_walk.h"
#include "host/host_api.h"
#include "host/names.h"
#include "host/services.h"
#include "host/ucs.h"
#include "res/string_ids.h"

namespace vd {

namespace {

bool ok(int result) { return result == kRtNorm; }

enum class Pick { Mark, Enter, Cancel };

// Gives a mark read from a walk its value texts: the attributes that follow
// its reference in the walk. Returns the entity after them, null at the end.
const ValueNode* readValueTexts(EntityWalk& walk, HNoteNode& node) {
  vstring texts[2];
  int attributes = 0;
  const ValueNode* a = walk.next();
  for (; a && ChainView(a).isType(names::kAttrib); a = walk.next()) {
    if (attributes < 2) texts[attributes] = vstring(ChainView(a).text(gc::kText).value_or(vstring_view()));
    ++attributes;
  }
  setHNoteNodeTexts(node, std::move(texts[0]), std::move(texts[1]));
  return a;
}

// Asks for one entity until it is a section-view mark (and, with `baseOnly`,
// a base: no base identifier). Enter (an empty selection) and a cancel end
// the asking.
Pick pickMark(int promptId, bool baseOnly, HNoteNode& out) {
  const vstring prompt = loadText(promptId);
  for (;;) {
    const int r = hostCallOr<&HostApi::SSGetW>(kRtCancel, kSelectOne, prompt.c_str(), static_cast<ValueNode*>(nullptr), 0);
    if (r == kRtCancel) return Pick::Cancel;
    if (!ok(r)) return Pick::Enter;
    EntityWalk picked;
    const ValueNode* n = picked.next();
    if (!n) return Pick::Cancel;  // the host gave no entity: nothing to work on
    HNoteNode node;
    if (!readHNoteNode(ChainView(n), node) || (baseOnly && !node.ref.baseId.empty())) continue;
    readValueTexts(picked, node);
    // Value texts cut short would read as level 0.
    if (!picked.whole()) return Pick::Cancel;
    out = std::move(node);
    return Pick::Mark;
  }
}

// Rebuilds the marks of `handles` out of a selection of every entity.
int rebuild(HNoteRegen& regen, const std::unordered_set<vstring>& handles) {
  if (!ok(hostCallOr<&HostApi::SSGetW>(0, kSelectToRefresh, static_cast<const vchar*>(nullptr),
                                       static_cast<ValueNode*>(nullptr), 0)))
    return -1;
  if (!regen.collect(&handles, true)) return -1;
  return regen.run();
}

// The base whose own mark `own` is: its entry in the list, else the base the
// mark itself gives (a base no load walked, because the drawing names no
// current base, lives only in its marks). The mark's levels are read for
// that unless the caller has read them already.
HNoteBase baseOfOwnMark(const HNoteRegen& regen, HNoteNode& own, bool levelsRead) {
  if (const HNoteBase* listed = regen.bases.find(own.ref.id)) return *listed;
  if (!levelsRead) readHNoteLevels(own, regen.settings, drawingUnits());
  return hnoteBaseOf(own);
}

int newLevels(HNoteRegen& regen, HNoteNode& picked) {
  if (picked.ref.id.empty()) return 0;
  readHNoteLevels(picked, regen.settings, drawingUnits());
  // A base the list lacks gets the entry it lacked with the new levels.
  HNoteBase base = baseOfOwnMark(regen, picked, true);
  double level1 = picked.level1, level2 = (base.baseKind & 1) ? picked.level2 : base.level2;
  const bool twoLevels = (base.baseKind & 1) != 0;
  if (!askHNoteLevel(twoLevels ? u"1. " : u"", level1)) return 0;
  if (twoLevels && !askHNoteLevel(u"2. ", level2)) return 0;
  // The base's own mark and the marks measured from it that still agree
  // with it, from the drawing itself when the load walked none (a drawing
  // without a current base) or did not walk it whole: a mark left out would
  // keep the old levels and disagree with its base.
  std::optional<std::vector<HNoteNode>> walked;
  if (base.dimensions.empty() || !regen.bases.whole()) {
    walked = regen.bases.walkMarksOf(base, regen.settings);
    if (!walked) return -1;
  }
  const std::vector<HNoteNode>& marks = walked ? *walked : base.dimensions;
  std::unordered_set<vstring> handles{picked.handle};
  for (const HNoteNode& n : marks) {
    if (n.upToDate) handles.insert(n.handle);
  }
  regen.options = kRegenValues | kRegenNewLevels;
  regen.levelsOf = base.id;
  regen.level1 = level1;
  regen.level2 = level2;
  // The entry first: marks showing levels their entry does not hold would
  // disagree with it. A refused rebuild puts the old levels back.
  base.dimensions.clear();
  HNoteBase changed = base;
  changed.level1 = level1;
  changed.level2 = level2;
  if (!regen.bases.store(changed)) return -1;
  const int count = rebuild(regen, handles);
  if (count < 0) regen.bases.store(base);
  return count;
}

int changeBase(HNoteRegen& regen) {
  HNoteNode picked;
  if (pickMark(IDS_PROMPT_SELECT_NEW_BASE, false, picked) != Pick::Mark) return 0;
  const vstring prompt = loadText(IDS_PROMPT_SELECT_DIMS_TO_REBASE);
  if (!ok(hostCallOr<&HostApi::SSGetW>(0, kSelectSeveral, prompt.c_str(), static_cast<ValueNode*>(nullptr), 0)))
    return 0;
  std::unordered_set<vstring> handles;
  // The selected marks that are their base's own mark, with their values.
  std::vector<HNoteNode> ownMarks;
  if (isHNoteOwnMark(picked.ref)) ownMarks.push_back(picked);
  // A selection read only in part would rebase only some of the marks.
  EntityWalk selected;
  const ValueNode* n = selected.next();
  while (n) {
    HNoteNode node;
    if (readHNoteNode(ChainView(n), node)) {
      handles.insert(node.handle);
      if (isHNoteOwnMark(node.ref)) {
        n = readValueTexts(selected, node);
        ownMarks.push_back(std::move(node));
        continue;
      }
    }
    n = selected.next();
  }
  if (!selected.whole()) return -1;
  // The picked mark is made the base whatever else the selection held: a
  // selection of no other mark (only the mark itself, or no mark at all)
  // still makes it the current base for the marks placed next.
  handles.erase(picked.handle);

  // The picked mark becomes a base, under a new identifier when a base has its own.
  readHNoteLevels(picked, regen.settings, drawingUnits());
  HNoteBase base = hnoteBaseOf(picked);
  const vstring oldBlock = picked.ref.id.empty() ? vstring() : hnoteBlockName(picked.ref.id);
  if (base.id.empty() || regen.bases.find(base.id)) base.id = newHNoteId();
  if (base.id.empty()) return -1;
  regen.newBase = base;

  if (!ok(hostCallOr<&HostApi::SSGetW>(0, kSelectToRefresh, static_cast<const vchar*>(nullptr),
                                       static_cast<ValueNode*>(nullptr), 0)))
    return -1;
  handles.insert(picked.handle);
  if (!regen.collect(&handles, true)) return -1;
  bool changed = regen.changeRef(picked.handle, [&](HNoteRef& ref) {
    ref.id = base.id;
    ref.baseId.clear();
  });
  for (const vstring& h : handles) {
    if (h != picked.handle) changed = regen.changeRef(h, [&](HNoteRef& ref) { ref.baseId = base.id; }) && changed;
  }
  if (!changed) return -1;
  // A base without an entry (the host refused it to the load, or no load
  // walked the marks) lives only in its own marks. Those measure from the
  // new base now, so it gets its entry first: marks that still measure from
  // it would lose their base otherwise.
  for (HNoteNode& own : ownMarks) {
    if (own.ref.id == base.id || regen.bases.hasEntry(own.ref.id)) continue;
    if (!regen.bases.store(baseOfOwnMark(regen, own, false))) return -1;
  }
  // The entry first, so that no mark measures from a base without one; when
  // the rebuild is refused the entry has no mark and the next load of the
  // bases purges it.
  if (!regen.bases.store(base)) return -1;
  regen.options = kRegenValues;
  const int count = regen.run();
  if (count < 0) return -1;
  // Its block under the old identifier is unused now, unless a copy of it stays.
  if (base.id != picked.ref.id) purgeHNoteBlock(oldBlock);
  regen.bases.setCurrent(base.id);
  return count;
}

}  // namespace

int setHeightDimBase(const vstring& settingsPath) {
  refreshUcsTransforms();
  HNoteRegen regen;
  regen.settings.load(settingsPath);
  if (!regen.loadBases()) return -1;
  if (regen.bases.list().empty()) {
    vstring line = loadText(IDS_MSG_NO_BASE_IN_DRAWING);
    if (line.empty() || line.back() != u'\n') line += u"\n";
    hostCallOr<&HostApi::PromptW>(0, line.c_str());
    return 0;
  }
  HNoteNode picked;
  const Pick pick = pickMark(IDS_PROMPT_SELECT_BASE, true, picked);
  if (pick == Pick::Cancel) return 0;
  const int count = pick == Pick::Enter ? changeBase(regen) : newLevels(regen, picked);
  if (count > 0) reportHeightDimsChanged(count);
  return count;
}

}  // namespace vd
