#include "heightdim/commands.h"

#include "heightdim/command_args.h"
#include "heightdim/place.h"
#include "host/pending.h"
#ifdef _WIN32
#include "heightdim/edit_dialogs.h"
#include "host/host_api.h"
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
int commandHeightDimSetBase(int, const char* const*) { return reportCommandPending(u"HeightDimSetBase"); }
int commandHeightDimUpdate(int, const char* const*) { return reportCommandPending(u"HeightDimUpdate"); }
int commandHeightDimSettings(int, const char* const*) { return reportCommandPending(u"HeightDimSettings"); }

}  // namespace vd::heightdim
