#pragma once
// The modes of the exported ColorExtFunction that need no dialog: the name
// and RGB of a colour, the text of the "more colours" item, and reading a
// typed colour. The dialog modes (1..4) open the colour dialog and are served
// by the Windows side.
#include <cstdint>

#include "host/text.h"

namespace vd::colour {

enum ColourExtMode : int {
  kModeName = 0,          // colour -> its name in the text, its RGB in rgb
  kModeDialog = 1,        // 1..4: the colour dialog
  kModeDialogByLayer = 2,
  kModeDialogByBlock = 3,
  kModeDialogBoth = 4,
  kModeMoreText = 5,      // the text of the item that offers more colours
  kModeRead = 6,          // the text -> colour
};

// The ground a colour's RGB is worked out on: the white of the lists and
// dialogs the names and swatches are shown in, so colour 7 comes out black.
inline constexpr std::uint32_t kSwatchGround = 0x00FFFFFFu;

// Serves modes 0, 5 and 6 with the arguments of ColorExtFunction (after the
// parent window). Returns 1 when it answered: mode 0 needs `colour` (a null
// `rgb` or text buffer is left out), mode 5 a text buffer, mode 6 both and a
// text that reads as a colour (otherwise the colour is left as it was).
// Every other mode gives 0 and touches nothing.
//
// In mode 0 the text buffer may bring a layer name for colour 256: the host's
// colour of that layer (FindLayerInfoA) then gives the RGB; without one, or
// when the host does not know the layer, by layer stays unresolved.
int colour_ext(int mode, std::uint32_t* colour, std::uint32_t* rgb, vchar* text, int text_length);

} // namespace vd::colour
