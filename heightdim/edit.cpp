// HeightDimEdit: the dialog loop, the leader line with its temporary line,
// the selection and one rebuild of the chosen marks.
#include "heightdim/edit.h"

#include "heightdim/place.h"
#include "heightdim/regen.h"
#include "host/chain.h"
#include "host/host_api.h"
#include "host/names.h"
#include "host/services.h"
#include "host/ucs.h"
#include "res/string_ids.h"
#include "store/host_path.h"

namespace vd {

namespace {

// The entity types the selection offers: the marks' references, and the
// lines and leaders drawn with them, so that a window over a mark takes it.
constexpr const vchar* kSelectableTypes = u"INSERT,LINE,LEADER";
// The temporary leader line, typed as at the command line (points in the
// UCS), and its removal: "_L" is the last entity made, the line itself.
constexpr const vchar* kTemporaryLine = u"_LINE\n%g,%g,%g\n%g,%g,%g\n\n";
constexpr const vchar* kEraseLast = u"_ERASE\n_L\n\n";

bool ok(int result) { return result == kRtNorm; }

// Asks a point (with a rubber band from `from` when given); false on a
// cancel or anything else than a point.
bool askPoint(int promptId, const double* from, double out[3]) {
  const vstring prompt = loadText(promptId);
  return ok(hostCallOr<&HostApi::GetPointW>(0, from, prompt.c_str(), out));
}

HNotePoint planar(const double p[3]) { return {p[0], p[1]}; }

// The edit dialog until it closes with something other than "Nastavení...":
// OK on the settings dialog saves the set, then the edit dialog shows again.
// False when a dialog could not be shown.
bool chooseOptions(const HNoteEditDialogs& dialogs, HNoteDataSet& set, HNoteEditChoice& choice) {
  if (!dialogs.edit) return false;
  for (;;) {
    const int r = dialogs.edit(set.path, choice);
    if (r == kEditDialogOk || r == kEditDialogCancel || r == kEditDialogClosed) return true;
    if (r != kEditDialogSettings) return false;
    if (dialogs.settings && dialogs.settings(set)) set.save();
  }
}

// The points the choice needs, in the UCS, into the context. False when the
// command is to end: a cancelled prompt, a point the host could not turn,
// a refused temporary line.
bool askPoints(const HNoteEditChoice& choice, HNoteRegen& regen) {
  if (choice.drawLeader) {
    double first[3] = {0, 0, 0}, second[3] = {0, 0, 0}, place[3] = {0, 0, 0};
    if (!askPoint(IDS_PROMPT_LEADER_FIRST_POINT, nullptr, first)) return false;
    if (!askPoint(IDS_PROMPT_LEADER_SECOND_POINT, first, second)) return false;
    double a[3] = {first[0], first[1], first[2]}, b[3] = {second[0], second[1], second[2]};
    if (!hnoteIntoUcs(a) || !hnoteIntoUcs(b)) return false;
    // A refused line may not be in the drawing: erasing the last entity
    // then would take one of the user's.
    const vstring line = vformat(kTemporaryLine, a[0], a[1], a[2], b[0], b[1], b[2]);
    if (!hostCallOr<&HostApi::CommandW>(0, line.c_str())) return false;
    const bool placed = askPoint(IDS_PROMPT_LEADER_PLACE, second, place);
    // The line only showed the user where the leader runs: it goes also
    // when the place was not given.
    hostCallOr<&HostApi::CommandW>(0, kEraseLast);
    if (!placed || !hnoteIntoUcs(place)) return false;
    regen.leaderFirst = planar(a);
    regen.leaderSecond = planar(b);
    regen.place = planar(place);
  } else if (choice.moveToLeader) {
    double place[3] = {0, 0, 0};
    if (!askPoint(IDS_PROMPT_HEIGHTDIM_PLACE, nullptr, place) || !hnoteIntoUcs(place)) return false;
    regen.place = planar(place);
  }
  return true;
}

// The selection of the marks to change; false when nothing was selected.
bool selectMarks() {
  ChainBuilder b;
  b.text(gc::kType, kSelectableTypes);
  OwnedChain filter = b.build();
  if (!filter) return false;
  const vstring prompt = loadText(IDS_PROMPT_SELECT_HEIGHTDIMS);
  return ok(hostCallOr<&HostApi::SSGetW>(0, kSelectSeveral, prompt.c_str(), filter.get(), 0));
}

}  // namespace

int32_t hnoteEditOptions(const HNoteEditChoice& choice) {
  int32_t options = kRegenValues;
  if (choice.applySettings) options |= kRegenSettings;
  if (choice.moveToLeader) options |= choice.drawLeader ? kRegenOntoLine : kRegenMove;
  if (choice.drawLeader) options |= kRegenUnderline;
  if (choice.mirrorMarks) options |= kRegenMirror;
  return options;
}

int editHeightDims(const vstring& settingsPath, const HNoteEditDialogs& dialogs) {
  refreshUcsTransforms();
  HNoteRegen regen;
  regen.settings.load(settingsPath);
  if (!regen.loadBases()) return -1;
  // The dialogs keep their choices in the settings file: its folder must be there.
  ensureParentFolder(settingsPath);
  HNoteEditChoice choice;
  if (!chooseOptions(dialogs, regen.settings, choice)) return 0;
  if (!askPoints(choice, regen)) return 0;
  if (!selectMarks()) return 0;
  // As saved: the settings dialog may have changed the file, or changed the
  // set and been cancelled.
  regen.settings = HNoteDataSet();
  regen.settings.load(settingsPath);
  regen.options = hnoteEditOptions(choice);
  if (!regen.collect()) return -1;
  const int count = regen.run();
  if (count >= 0) reportHeightDimsChanged(count);
  return count;
}

}  // namespace vd
