// ColorExtFunction as the module exports it: the modes without a dialog
// (colour/colour_ext.h) and the colour dialog of modes 1..4.
#pragma once
#include <windows.h>

#include <cstdint>

#include "host/text.h"

namespace vd {

// Modes 1..4 show AcLtColorDlg owned by `parent` (the host's main window
// when null) with the caller's colour; modes 2 and 4 offer by layer, 3 and 4
// by block. On OK the colour, its RGB and its name go to the caller's
// outputs and the answer is 1; a cancelled dialog, a null colour or a dialog
// that cannot be shown answer 0 and change nothing. Other modes as
// colour::colour_ext; unknown ones answer 0.
int colourExtFunction(HWND parent, int mode, std::uint32_t* colour, std::uint32_t* rgb, vchar* text,
                      int textLength);

}  // namespace vd
