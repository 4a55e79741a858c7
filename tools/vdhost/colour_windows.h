// The host program's colour operations: ColorExtFunctionW passed on to the
// loaded module's ColorExtFunction, as a CAD host that loaded the module
// does, and the true-colour dialog of SetColorDialogTrueColor.
#pragma once
#include <windows.h>

#include "hostsim/host.h"

namespace vdhost {

// Installs ColorExtFunctionW as a call of `module`'s ColorExtFunction; false
// when the module has none (the operation then stays not served).
bool passColourExtTo(hostsim::Host& host, HMODULE module);

// The host's true-colour dialog (template IDD_HOST_TRUE_COLOUR of the
// program's resources), owned by the record's parent: red, green and blue
// from 0 to 255. On OK the record's colour becomes that true colour; 1 on OK,
// 0 on Cancel or when the dialog cannot be shown.
int showTrueColourDialog(hostsim::Host& host, vd::HostTrueColourRecord& record);

}  // namespace vdhost
