#pragma once
// The modes of the exported ColorExtFunction that need no dialog: the name
// and RGB of a colour, the text of the "more colours" item, and reading a
// typed colour. The dialog modes (1..4) open the colour dialog on the Windows
// side (controls/colour_ext_dialog.h); what the dialog starts from and how
// its choice is answered are worked out here.
#include <cstdint>
#include <optional>

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

// What the colour dialog of modes 1..4 starts from.
struct DialogStart {
  std::uint32_t colour;  // the colour to show selected: the caller's, 7 for none
  int layer_index;       // kNone: by layer not offered (modes 1, 3); else the layer's colour number, kByLayer unresolved
  int block_index;       // kNone: by block not offered (modes 1, 2); kByBlock: offered (modes 3, 4)
};

// The start of the dialog of `mode` with the caller's colour and text
// buffer; nothing for a mode other than 1..4 or a null colour. Modes 2 and 4
// with colour 256 and a layer name in the buffer ask the host for the
// layer's colour, as mode 0 does.
std::optional<DialogStart> dialog_start(int mode, const std::uint32_t* colour, const vchar* text, int text_length);

// The dialog's choice into the caller's outputs: the colour, its RGB on the
// swatch ground (with the start's layer colour) and its name, each where the
// caller gave room for it.
void answer_choice(std::uint32_t chosen, const DialogStart& start, std::uint32_t* colour, std::uint32_t* rgb,
                   vchar* text, int text_length);

} // namespace vd::colour
