#include "controls/colour_ext_dialog.h"

#include "colour/colour_ext.h"
#include "controls/colour_dialog.h"

namespace vd {

int colourExtFunction(HWND parent, int mode, std::uint32_t* colour, std::uint32_t* rgb, vchar* text,
                      int textLength) {
  if (mode < colour::kModeDialog || mode > colour::kModeDialogBoth)
    return colour::colour_ext(mode, colour, rgb, text, textLength);
  const std::optional<colour::DialogStart> start = colour::dialog_start(mode, colour, text, textLength);
  if (!start) return 0;
  AcLtColorDlg dialog(start->colour, start->layer_index, start->block_index);
  if (dialog.DoModal(parent) != IDOK) return 0;
  colour::answer_choice(dialog.colour(), *start, colour, rgb, text, textLength);
  return 1;
}

}  // namespace vd
