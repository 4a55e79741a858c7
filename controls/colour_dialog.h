// AcLtColorDlg: the colour dialog "Vyberte barvu" (template 101). The user
// picks a palette colour from the grids and single swatches, by layer or by
// block where they are offered, or types a name or number; the current
// colour's swatch and name follow every choice.
#pragma once
#include <windows.h>

#include <cstdint>

#include "controls/colour_button.h"
#include "ui/controls.h"
#include "ui/dialog.h"

namespace vd {

class AcLtColorDlg : public ui::Dialog {
 public:
  // `colour` is selected when the dialog opens (7 for none). `layerIndex` is
  // the layer's colour number shown for by layer, colour::kNone when by
  // layer is not offered; `blockIndex` the same for by block.
  AcLtColorDlg(std::uint32_t colour, int layerIndex, int blockIndex);

  // The colour chosen; after IDOK the user's choice.
  std::uint32_t colour() const noexcept { return colour_; }

  bool ProcessMessage(ui::Message& m) override;

 protected:
  bool OnInitDialog() override;
  void OnOK() override;

 private:
  // Makes `value` current: its swatch redrawn at once, its name in the field.
  void select(std::uint32_t value);
  // Reads the colour field: a name of 1..7 or a number (0 and 256 only where
  // offered); anything else puts the current colour's name back.
  void readName();
  void pick(std::uint32_t value, bool twice);
  void OnByLayer();
  void OnByBlock();
  void OnByLayerTwice();
  void OnByBlockTwice();
  void OnNameLeft();

  std::uint32_t colour_;
  int layerIndex_;
  int blockIndex_;
  ui::Edit name_;
  AcLtColorBtn current_;
  AcLtColorBtn singles_[9];  // colours 1..9
  AcLtColorBtn greys_[6];    // 250..255
  AcLtColorBtn halfGrid_, fullGrid_;
};

}  // namespace vd
