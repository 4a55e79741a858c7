// Height-dimension commands as the exports call them.
#pragma once

#include "heightdim/edit.h"
#include "heightdim/place.h"

namespace vd::heightdim {

int commandHeightDim(int argc, const char* const* argv);
int commandHeightDimEdit(int argc, const char* const* argv);
int commandHeightDimSetBase(int argc, const char* const* argv);
int commandHeightDimUpdate(int argc, const char* const* argv);
int commandHeightDimSettings(int argc, const char* const* argv);

// The dialogs the commands show: the plan-view dialog of HeightDim, the edit
// dialog of HeightDimEdit, and the settings dialog of HeightDimEdit and
// HeightDimSettings. The Windows build starts with the module's own; the
// portable build starts with none (the commands then ask nothing and the
// plan view, the edit and the settings do nothing), and a host that runs the
// commands in its own process may put stand-ins here.
struct HeightDimDialogs {
  PlanViewDialog planView;
  HNoteEditDialogs edit;  // its `settings` is the settings dialog of both commands
};
HeightDimDialogs& heightDimDialogs();

}  // namespace vd::heightdim
