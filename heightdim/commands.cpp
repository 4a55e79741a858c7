#include "heightdim/commands.h"

#include "heightdim/command_args.h"
#include "heightdim/regen.h"
#ifdef _WIN32
#include "heightdim/edit_dialogs.h"
#include "heightdim/settings_dialog.h"
#include "host/host_api.h"
#include "host/ucs.h"
#endif

namespace vd::heightdim {

namespace {

#ifdef _WIN32
// The plan-view dialog "Půdorysná výšková kóta", owned by the host's main window.
std::optional<PlanViewChoice> askPlanView(const vstring& iniPath, int32_t insertPoint) {
  CHeightDimGpDlg dlg(iniPath, static_cast<HWND>(hostBinding().mainWindow));
  dlg.insertPoint = insertPoint;
  if (dlg.DoModal() != IDOK) return std::nullopt;
  return PlanViewChoice{dlg.heightText, dlg.insertPoint, dlg.repeatCommand != 0};
}

// "Editace výškových kót"; its flags after a Cancel are those it read when it opened.
int askEdit(const vstring& iniPath, HNoteEditChoice& choice) {
  CHeightDimEditDlg dlg(&iniPath, static_cast<HWND>(hostBinding().mainWindow));
  const INT_PTR r = dlg.DoModal();
  choice = {dlg.drawLeader != 0, dlg.moveToLeader != 0, dlg.mirrorMarks != 0, dlg.applySettings != 0};
  return static_cast<int>(r);
}

// The settings dialog on `set`; true on OK. Its previews draw in the mark's
// own plane, whatever UCS the drawing has: the module's UCS matrices are
// identity while it shows, and are put back after it.
bool askSettings(HNoteDataSet& set) {
  const UcsTransforms kept = ucsTransforms();
  ucsTransforms().userToWorld2d = GcGeMatrix2d();
  ucsTransforms().worldToUser2d = GcGeMatrix2d();
  CHeightDimSettingsDlg dlg(&set, static_cast<HWND>(hostBinding().mainWindow));
  const bool accepted = dlg.DoModal() == IDOK;
  ucsTransforms() = kept;
  return accepted;
}
#endif

}  // namespace

HeightDimDialogs& heightDimDialogs() {
#ifdef _WIN32
  static HeightDimDialogs dialogs{&askPlanView, {&askEdit, &askSettings}};
#else
  static HeightDimDialogs dialogs;
#endif
  return dialogs;
}

int commandHeightDim(int argc, const char* const* argv) {
  std::optional<PlaceArgs> args = parsePlaceArgs(argc, argv);
  if (!args) return 0;
  const PlaceOutcome out = placeHeightDims(*args, hnoteDataPath(), heightDimDialogs().planView);
  return out.placed > 0 && !out.failed ? 1 : 0;
}

int commandHeightDimEdit(int, const char* const*) {
  return editHeightDims(hnoteDataPath(), heightDimDialogs().edit) > 0 ? 1 : 0;
}
int commandHeightDimSetBase(int, const char* const*) { return setHeightDimBase(hnoteDataPath()) > 0 ? 1 : 0; }
int commandHeightDimUpdate(int, const char* const*) { return updateHeightDims(hnoteDataPath()) >= 0 ? 1 : 0; }
int commandHeightDimSettings(int, const char* const*) {
  const HNoteEditDialogs& dialogs = heightDimDialogs().edit;
  if (!dialogs.settings) return 0;
  HNoteDataSet set;
  set.load(hnoteDataPath());
  if (!dialogs.settings(set)) return 0;
  return set.save() ? 1 : 0;
}

}  // namespace vd::heightdim
