#include "heightdim/place.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

#include "entity2d/chain_write.h"
#include "entity2d/entity_props.h"
#include "geom/vector2d.h"
#include "heightdim/builder.h"
#include "heightdim/records.h"
#include "heightdim/value_format.h"
#include "host/chain.h"
#include "host/handle_erase_list.h"
#include "host/host_api.h"
#include "host/jig_record.h"
#include "host/names.h"
#include "host/services.h"
#include "host/ucs.h"
#include "res/string_ids.h"
#include "store/host_path.h"

namespace vd {

namespace {

constexpr double kPi = std::numbers::pi;
// A direction is tested for pointing downwards 3 degrees early, so that a
// mark drawn exactly along -X (180 degrees) already reads from below.
constexpr double kFlipAllowance = 0.05235987755982988;

bool ok(int result) { return result == kRtNorm; }

HNotePoint toPoint(const double p[3]) { return {p[0], p[1]}; }

// The entity the last flush made (the block reference of a mark, or a
// leader); null when the host gives none.
const ValueNode* lastMade() {
  if (!ok(hostCallOr<&HostApi::SSGetW>(0, kSelectLastMade, static_cast<const vchar*>(nullptr),
                                       static_cast<ValueNode*>(nullptr), 0)))
    return nullptr;
  return hostCallOr<&HostApi::EntnextW>(static_cast<ValueNode*>(nullptr), 1, 0);
}

// Builds the mark into a batch of its own and commits it. A refused part
// leaves the batch unflushed; a new empty batch then drops it, so nothing of
// it can reach the drawing with a later flush.
bool writeMark(HNoteData& record) {
  if (!ok(hostCallOr<&HostApi::Header_bin>(0))) return false;
  if (!buildHNote(record, nullptr, true, false, GcGePoint2d(0, 0))) {
    hostCallOr<&HostApi::Header_bin>(0);
    return false;
  }
  return ok(hostCallOr<&HostApi::Flush_bin>(0, 1));
}

// The host command that removes a block definition nothing uses, without asking.
constexpr const vchar* kPurgeBlock = u"_-PURGE\n_B\n%s\n_N\n";

// Takes a mark back: erases it (its attributes go with it) and purges its
// block, which nothing else uses, so that no unused definition stays behind.
void eraseMark(const vstring& handle, const vstring& blockName) {
  HandleEraseList list;
  list.add(handle);
  list.flush();
  purgeHNoteBlock(blockName);
}

// Takes back the mark the last flush made.
void takeBackLastMark(const vstring& blockName) {
  if (const ValueNode* mark = lastMade()) eraseMark(vstring(ChainView(mark).handle()), blockName);
}

HNoteKeptBasesCheck& keptBasesCheck() {
  static HNoteKeptBasesCheck check;
  return check;
}

enum class PassEnd { Placed, Ended, Failed };

struct PassResult {
  PassEnd end = PassEnd::Ended;
  bool repeat = false;
};

// One pass of the command: a fresh settings set, one mark. The bases are
// read from the drawing unless the last pass left them whole (the drawing
// changed since only by what that pass wrote, which it wrote through them).
class PlacePass {
 public:
  PlacePass(const heightdim::PlaceArgs& args, const vstring& settingsPath, HNoteBases& bases)
      : args_(args), settingsPath_(settingsPath), bases_(bases) {
    refreshUcsTransforms();
    if (!bases_.whole()) {
      bases_.load(set_);
      // The marks found are of no use to placing, and the ones this command
      // places would not be among them.
      bases_.forgetMarks();
    }
    set_.load(settingsPath);
    record_ = set_.records[args.type];
    record_.type = static_cast<int32_t>(args.type);
    record_.rotation = set_.ucsRotation;
    if (const HNoteBase* base = bases_.current()) record_.baseKind = base->baseKind;
    const HNoteOrientation o = hnoteOrientation(args.direction);
    record_.angle = o.angle;
    record_.flipped = o.flipped;
    record_.hnoteOptions = args.options;
    if (args.mirror) record_.lhorzLen = -record_.lhorzLen;
  }

  PassResult sectionView();
  PassResult planView(const PlanViewDialog& dialog);

 private:
  PassEnd placeOnBase(const double picked[3]);
  PassEnd pickExisting();
  PassEnd createBase();
  bool valuesOrMessage(const HNoteBase& base);
  PassEnd writeLeader(const ValueNode* mark);

  const heightdim::PlaceArgs& args_;
  const vstring& settingsPath_;
  HNoteDataSet set_;
  HNoteBases& bases_;
  HNoteData record_;
};

PassResult PlacePass::sectionView() {
  // A read that may have missed entries may hold a base taken from its own
  // mark, its levels rounded, or lack the current one: no mark is placed
  // from it.
  if (bases_.entriesMissed()) return {PassEnd::Failed};
  if (!bases_.current()) return {createBase()};
  const vstring existing = loadText(IDS_KWD_EXISTING), existingHelp = loadText(IDS_KWD_EXISTING_HELP);
  const vstring newBase = loadText(IDS_KWD_NEW_BASE), newBaseHelp = loadText(IDS_KWD_NEW_BASE_HELP);
  const HostKeyword items[2] = {{existing.c_str(), existing.c_str(), existingHelp.c_str()},
                                {newBase.c_str(), newBase.c_str(), newBaseHelp.c_str()}};
  const HostKeywordSet keywords{2, items};
  const vstring prompt = loadText(IDS_PROMPT_HEIGHTDIM_POINT);
  for (;;) {
    double point[3] = {0, 0, 0};
    vchar keyword[kKeywordBufferChars] = {};
    const int r = hostCallOr<&HostApi::GetPointKwdW>(0, static_cast<const double*>(nullptr), prompt.c_str(), point,
                                                     &keywords, keyword, 0, 0);
    if (r == kRtNorm) return {placeOnBase(point)};
    if (r != kRtKeyword) return {PassEnd::Ended};
    keyword[kKeywordBufferChars - 1] = 0;
    if (!newBase.empty() && newBase == keyword) return {createBase()};
    if (!existing.empty() && existing == keyword) {
      const PassEnd picked = pickExisting();
      if (picked != PassEnd::Placed) return {picked};
    }
  }
}

PassEnd PlacePass::placeOnBase(const double picked[3]) {
  const HNoteBase* base = bases_.current();
  if (!base) return PassEnd::Failed;
  double p[3] = {picked[0], picked[1], picked[2]};
  if (!hnoteIntoUcs(p)) return PassEnd::Failed;
  record_.baseKind = base->baseKind;
  record_.insertPoint = toPoint(p);
  record_.baseId = base->id;
  record_.id.clear();
  record_.blockName.clear();
  if (!valuesOrMessage(*base)) return PassEnd::Failed;
  return writeMark(record_) ? PassEnd::Placed : PassEnd::Failed;
}

// Asks for a mark until one is picked and makes its base current. Placed
// here means "a base was chosen"; Ended a cancelled pick; Failed a "Current"
// the host refused to store, which would leave the next mark measuring from
// another base than the one picked.
PassEnd PlacePass::pickExisting() {
  const vstring prompt = loadText(IDS_PROMPT_PICK_EXISTING_HEIGHTDIM);
  for (;;) {
    if (!ok(hostCallOr<&HostApi::SSGetW>(0, kSelectOne, prompt.c_str(), static_cast<ValueNode*>(nullptr), 0)))
      return PassEnd::Ended;
    const ValueNode* picked = hostCallOr<&HostApi::EntnextW>(static_cast<ValueNode*>(nullptr), 1, 0);
    HNoteRef ref;
    if (!picked || !readHNoteRef(ChainView(picked), &ref, false)) continue;
    // A mark pasted from another drawing, or a plan-view mark, has no base
    // here: the user is told and picks again.
    const vstring id = hnoteBaseIdOf(ref);
    if (!bases_.find(id)) {
      hostCallOr<&HostApi::PromptW>(0, loadText(IDS_MSG_HEIGHTDIM_BASE_MISSING).c_str());
      continue;
    }
    if (!bases_.setCurrent(id)) return PassEnd::Failed;
    record_.baseKind = bases_.current()->baseKind;
    return PassEnd::Placed;
  }
}

// The value texts of the record from `base`; a value out of range is told to
// the user, and nothing is written.
bool PlacePass::valuesOrMessage(const HNoteBase& base) {
  if (setHNoteValues(record_, base, drawingUnits())) return true;
  reportHNoteValueRange();
  return false;
}

PassEnd PlacePass::createBase() {
  record_.baseKind &= ~1;
  double point[3] = {0, 0, 0};
  bool asked = false;
  if (record_.type == static_cast<int32_t>(HNoteType::Csn)) {
    const vstring two = loadText(IDS_KWD_TWO_LEVELS), twoHelp = loadText(IDS_KWD_TWO_LEVELS_HELP);
    const HostKeyword item{two.c_str(), two.c_str(), twoHelp.c_str()};
    const HostKeywordSet keywords{1, &item};
    const vstring prompt = loadText(IDS_PROMPT_BASE_POINT_KWD);
    vchar keyword[kKeywordBufferChars] = {};
    const int r = hostCallOr<&HostApi::GetPointKwdW>(0, static_cast<const double*>(nullptr), prompt.c_str(), point,
                                                     &keywords, keyword, 0, 0);
    if (r == kRtKeyword) {
      record_.baseKind |= 1;
    } else if (r == kRtNorm) {
      asked = true;
    } else {
      return PassEnd::Ended;
    }
  }
  if (!asked) {
    const vstring prompt = loadText(IDS_PROMPT_BASE_POINT);
    if (!ok(hostCallOr<&HostApi::GetPointW>(0, static_cast<const double*>(nullptr), prompt.c_str(), point)))
      return PassEnd::Ended;
  }
  if (!hnoteIntoUcs(point)) return PassEnd::Failed;

  HNoteBase base;
  base.type = record_.type;
  base.baseKind = record_.baseKind;
  base.point = toPoint(point);
  base.angle = record_.angle;
  const HNoteBase* current = bases_.current();
  base.level1 = current ? current->level1 : 0;
  base.level2 = current ? current->level2 : 0;
  const bool twoLevels = (base.baseKind & 1) != 0;
  if (!askHNoteLevel(twoLevels ? u"1. " : u"", base.level1)) return PassEnd::Ended;
  if (twoLevels && !askHNoteLevel(u"2. ", base.level2)) return PassEnd::Ended;

  record_.insertPoint = base.point;
  record_.id.clear();
  record_.baseId.clear();
  record_.blockName.clear();
  if (!valuesOrMessage(base) || !writeMark(record_)) return PassEnd::Failed;
  // Only a base whose mark is in the drawing is stored.
  base.id = record_.id;
  if (bases_.store(base)) bases_.setCurrent(base.id);
  return PassEnd::Placed;
}

PassResult PlacePass::planView(const PlanViewDialog& dialog) {
  const bool withLeader = (args_.options & 1) != 0;
  if (!dialog) return {PassEnd::Failed};
  // The dialog keeps its history in the settings file: its folder must be there.
  ensureParentFolder(settingsPath_);
  std::optional<PlanViewChoice> choice = dialog(set_.path, withLeader ? -1 : record_.insPt);
  if (!choice) return {PassEnd::Ended};
  record_.insPt = choice->insertPoint;
  record_.valueText = choice->heightText;
  record_.valueText2.clear();
  record_.id.clear();
  record_.baseId.clear();
  record_.blockName.clear();
  if (!withLeader) {
    set_.records[static_cast<size_t>(HNoteType::Plan)].insPt = choice->insertPoint;
    set_.save();
  }
  const bool repeat = choice->repeat;

  // Written at the view centre, then dragged to where the user wants it.
  double centre[3] = {0, 0, 0};
  if (const ValueNode* n = hostCallOr<&HostApi::GetVarW>(static_cast<ValueNode*>(nullptr), u"VIEWCTR",
                                                          static_cast<int>(kRtPoint2d))) {
    centre[0] = n->v.point[0];
    centre[1] = n->v.point[1];
  }
  if (!hnoteIntoUcs(centre)) return {PassEnd::Failed};
  record_.insertPoint = toPoint(centre);
  if (!writeMark(record_)) return {PassEnd::Failed};
  JigRecord jig;
  jig.base[0] = record_.insertPoint.x;
  jig.base[1] = record_.insertPoint.y;
  if (!hostCallOr<&HostApi::Jig>(0, static_cast<void*>(&jig), 0)) {
    takeBackLastMark(record_.blockName);
    return {PassEnd::Ended};
  }
  if (withLeader) {
    const ValueNode* mark = lastMade();
    if (!mark) return {PassEnd::Failed};
    const PassEnd end = writeLeader(mark);
    if (end != PassEnd::Placed) return {end};
  }
  return {PassEnd::Placed, repeat};
}

// The leader of a plan-view mark: from a picked point (its arrowhead) to the
// frame's nearest corner, tied to the mark. Ended when the user cancelled the
// point; Failed when the host refused the leader or its tie. A mark whose
// leader is not in the drawing is taken back, so the pass leaves both or
// neither.
PassEnd PlacePass::writeLeader(const ValueNode* markNode) {
  const ChainView mark(markNode);
  const vstring markHandle(mark.handle());
  const ChainPoint at = mark.point(gc::kPoint0).value_or(ChainPoint{});
  const double rubberBase[3] = {at.x, at.y, 0};
  double picked[3] = {0, 0, 0};
  const vstring prompt = loadText(IDS_PROMPT_LEADER_POINT);
  if (!ok(hostCallOr<&HostApi::GetPointW>(0, rubberBase, prompt.c_str(), picked))) {
    eraseMark(markHandle, record_.blockName);
    return PassEnd::Ended;
  }
  auto refused = [&] {
    eraseMark(markHandle, record_.blockName);
    return PassEnd::Failed;
  };
  if (!hnoteIntoUcs(picked)) return refused();

  OwnedChain leader = hnotePlanLeaderChain(record_, GcGePoint2d(at.x, at.y), GcGePoint2d(picked[0], picked[1]));
  if (!leader || !ok(hostCallOr<&HostApi::Header_bin>(0))) return refused();
  if (!ok(hostCallOr<&HostApi::Entmake_binW>(0, leader.get(), 0))) {
    hostCallOr<&HostApi::Header_bin>(0);
    return refused();
  }
  if (!ok(hostCallOr<&HostApi::Flush_bin>(0, 1))) return refused();

  // Both are in the drawing now; an untied leader still fails the pass.
  const ValueNode* made = lastMade();
  if (!made || !ChainView(made).isType(names::kLeader)) return PassEnd::Failed;
  uint64_t markNumber = hnoteHandleNumber(markHandle);
  uint64_t leaderNumber = hnoteHandleNumber(ChainView(made).handle());
  return hostCallOr<&HostApi::LeaderAnno>(0, &markNumber, &leaderNumber, 0) ? PassEnd::Placed : PassEnd::Failed;
}

}  // namespace

HNoteOrientation hnoteOrientation(double direction) {
  HNoteOrientation o;
  const GcGeVector2d userX = ucsTransforms().worldToUser2d.apply(GcGeVector2d(1, 0));
  o.angle = direction - userX.angle();
  if (o.angle < 0) o.angle += 2 * kPi;
  GcGeVector2d turned(1, 0);
  turned.rotateBy(direction + kFlipAllowance);
  if (turned.angleTo(GcGeVector2d(0, 1)) >= kPi / 2) {
    o.angle -= kPi;
    o.flipped = true;
  }
  return o;
}

bool askHNoteLevel(const vchar* which, double& level) {
  const vstring prompt = vformat(loadFormat(IDS_PROMPT_BASE_LEVEL, "sf").c_str(), which, level);
  double value = level;
  const int r = hostCallOr<&HostApi::GetRealW>(0, prompt.c_str(), &value);
  if (r == kRtNone) return true;  // Enter keeps the default
  if (r != kRtNorm || !std::isfinite(value)) return false;
  level = value;
  return true;
}

void purgeHNoteBlock(const vstring& blockName) {
  if (!blockName.empty()) hostCallOr<&HostApi::CommandW>(0, vformat(kPurgeBlock, blockName.c_str()).c_str());
}

bool hnoteIntoUcs(double p[3]) { return hostCallOr<&HostApi::Wcs2Ucs>(0, p, 0, 1) != 0; }

void reportHNoteValueRange() {
  errorBox(vformat(loadFormat(IDS_MSG_HEIGHTDIM_VALUE_RANGE, "g").c_str(), kHNoteMaxValue));
}

bool setHNoteValues(HNoteData& r, const HNoteBase& base, double units) {
  const bool two = (base.baseKind & 1) != 0;
  double values[2] = {0, 0};
  for (int i = 0; i < (two ? 2 : 1); ++i) {
    values[i] = hnoteMarkValue(i == 0 ? base.level1 : base.level2, base.point, r.insertPoint, r.type, r.angle,
                               r.rotation, units);
    if (!std::isfinite(values[i]) || std::fabs(values[i]) > kHNoteMaxValue) return false;
  }
  auto text = [&](double v) {
    return formatHNoteValue(v, r.numAlign, r.positivePlus != 0, r.plusMinusZero != 0, r.delim);
  };
  const FormattedValue first = text(values[0]);
  r.valueText = first.text;
  r.rounded = first.rounded;
  r.valueText2 = two ? text(values[1]).text : vstring();
  return true;
}

void setHNoteKeptBasesCheck(HNoteKeptBasesCheck check) { keptBasesCheck() = std::move(check); }

PlaceOutcome placeHeightDims(const heightdim::PlaceArgs& args, const vstring& settingsPath,
                             const PlanViewDialog& dialog) {
  PlaceOutcome out;
  const bool plan = args.type == static_cast<unsigned>(HNoteType::Plan);
  HNoteBases bases;
  for (;;) {
    PlacePass pass(args, settingsPath, bases);
    const PassResult r = plan ? pass.planView(dialog) : pass.sectionView();
    if (keptBasesCheck() && bases.whole()) keptBasesCheck()(bases);
    if (r.end == PassEnd::Placed) ++out.placed;
    if (r.end == PassEnd::Failed) out.failed = true;
    if (r.end != PassEnd::Placed || (plan && !r.repeat)) return out;
  }
}

}  // namespace vd
