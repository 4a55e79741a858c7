#include "heightdim/commands.h"

#include "heightdim/command_args.h"
#include "heightdim/place.h"
#include "heightdim/regen.h"
#include "host/pending.h"
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
#endif

}  // namespace

int commandHeightDim(int argc, const char* const* argv) {
  std::optional<PlaceArgs> args = parsePlaceArgs(argc, argv);
  if (!args) return 0;
#ifdef _WIN32
  const PlanViewDialog dialog = &askPlanView;
#else
  // The portable build has no dialogs: the plan view places nothing there.
  const PlanViewDialog dialog;
#endif
  const PlaceOutcome out = placeHeightDims(*args, hnoteDataPath(), dialog);
  return out.placed > 0 && !out.failed ? 1 : 0;
}

int commandHeightDimEdit(int, const char* const*) { return reportCommandPending(u"HeightDimEdit"); }
int commandHeightDimSetBase(int, const char* const*) { return setHeightDimBase(hnoteDataPath()) > 0 ? 1 : 0; }
int commandHeightDimUpdate(int, const char* const*) { return updateHeightDims(hnoteDataPath()) >= 0 ? 1 : 0; }
int commandHeightDimSettings(int, const char* const*) {
#ifdef _WIN32
  HNoteDataSet set;
  set.load(hnoteDataPath());
  // The dialog's previews draw in the mark's own plane, whatever UCS the drawing has.
  ucsTransforms().userToWorld2d = GcGeMatrix2d();
  ucsTransforms().worldToUser2d = GcGeMatrix2d();
  CHeightDimSettingsDlg dlg(&set, static_cast<HWND>(hostBinding().mainWindow));
  if (dlg.DoModal() != IDOK) return 0;
  return set.save() ? 1 : 0;
#else
  // The portable build has no dialogs.
  return 0;
#endif
}

}  // namespace vd::heightdim
