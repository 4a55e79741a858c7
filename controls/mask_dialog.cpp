#include "controls/mask_dialog.h"

#include "colour/colour_value.h"
#include "colour/palette.h"
#include "dialog_ids.h"
#include "host/host_api.h"

namespace vd {

std::uint32_t maskColourIndex(std::uint32_t value) {
  if (!colour::is_true_colour(value)) return value;
  return static_cast<std::uint32_t>(colour::nearest_index(value & 0x00FFFFFFu));
}

CDlgMTextMask::CDlgMTextMask(bool useDrawingBackground, std::uint32_t colourIndex, vstring_view layerName,
                             HWND parent)
    : ui::Dialog(IDD_BACKGROUND_MASK),
      useDrawingBackground_(useDrawingBackground ? 1 : 0),
      colourIndex_(colourIndex),
      layerName_(layerName),
      parent_(parent) {
  colours_.setOffers(true, true);
  colours_.setLayerName(layerName_);
  Bind(IDC_MASK_USE_DRAWING, useDrawing_);
  Bind(IDC_MASK_COLOR, colours_);
}

bool CDlgMTextMask::ProcessMessage(ui::Message& m) {
  static constexpr ui::Handler map[] = {
      ui::onClicked<IDC_MASK_USE_DRAWING, &CDlgMTextMask::OnUseDrawingClicked>,
      ui::onCommand<IDC_MASK_COLOR, CBN_SELCHANGE, &CDlgMTextMask::OnColourChosen>,
  };
  return ui::dispatch(*this, map, m) || ui::Dialog::ProcessMessage(m);
}

bool CDlgMTextMask::OnInitDialog() {
  hostCall<&HostApi::LocalizeDlg>(static_cast<HostWindow>(hwnd()), IDD_BACKGROUND_MASK);
  SetHostIcons();
  useDrawing_.setCheck(useDrawingBackground_ ? BST_CHECKED : BST_UNCHECKED);
  colours_.selectColour(colourIndex_);
  showUseDrawing();
  return ui::Dialog::OnInitDialog();
}

void CDlgMTextMask::OnOK() { EndDialog(IDOK); }

void CDlgMTextMask::showUseDrawing() { colours_.window().enable(!useDrawingBackground_); }

void CDlgMTextMask::OnUseDrawingClicked() {
  useDrawingBackground_ = useDrawing_.checkState() == BST_CHECKED ? 1 : 0;
  showUseDrawing();
}

void CDlgMTextMask::OnColourChosen() { colourIndex_ = maskColourIndex(colours_.colour()); }

}  // namespace vd
