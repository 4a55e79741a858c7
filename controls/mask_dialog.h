// CDlgMTextMask: "Nastavení pozadí" (template 102), the background mask of
// texts: the drawing's background colour, or a colour chosen in the combo.
#pragma once
#include <windows.h>

#include <cstdint>

#include "controls/colour_combo.h"
#include "host/text.h"
#include "ui/controls.h"
#include "ui/dialog.h"

namespace vd {

class CDlgMTextMask : public ui::Dialog {
 public:
  // The combo offers by layer and by block; `layerName` is the layer whose
  // colour by layer shows. The dialog is owned by `parent` (the host's main
  // window when null).
  CDlgMTextMask(bool useDrawingBackground, std::uint32_t colourIndex, vstring_view layerName, HWND parent);

  // Shows the dialog; IDOK, IDCANCEL or ui::kDialogFailed.
  INT_PTR run() noexcept { return DoModal(parent_); }

  // What the user chose (read them after IDOK).
  bool useDrawingBackground() const noexcept { return useDrawingBackground_ != 0; }
  std::uint32_t colourIndex() const noexcept { return colourIndex_; }

  bool ProcessMessage(ui::Message& m) override;

 protected:
  bool OnInitDialog() override;
  void OnOK() override;

 private:
  void OnUseDrawingClicked();
  void OnColourChosen();
  void showUseDrawing();

  std::uint8_t useDrawingBackground_;
  std::uint32_t colourIndex_;
  vstring layerName_;
  ui::Button useDrawing_;
  colorCombo colours_;
  HWND parent_;
};

// The colour number a colour value stores as: a true colour becomes the
// nearest palette number, a colour number stays.
std::uint32_t maskColourIndex(std::uint32_t value);

}  // namespace vd
