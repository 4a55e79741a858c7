// colorCombo: the colour combo box of the dialogs. An extended combo box
// listing by layer and by block (where offered), the colours 1..7, the
// colours chosen since, and "Vybrat barvu..." which opens the host's colour
// dialog. Names and swatch colours come from the host (ColorExtFunctionW,
// mode 0), so a by-layer item shows its layer's colour.
#pragma once
#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>

#include "controls/vd_combo.h"
#include "host/text.h"
#include "ui/image_list.h"

namespace vd {

class colorCombo : public VdComboBoxEx {
 public:
  colorCombo();

  // What the list offers; set before the control is attached, or refill().
  void setOffers(bool byLayer, bool byBlock) noexcept;
  // The layer whose colour by layer stands for (passed to the host).
  void setLayerName(vstring_view layer);
  // The colour dialog is the host's true-colour dialog (SetColorDialogTrueColor).
  void setTrueColour(bool on) noexcept { trueColour_ = on; }

  // The current colour: a colour number, or a true colour 0x01BBGGRR.
  std::uint32_t colour() const noexcept { return colour_; }
  // Selects the item of `value`, adding it first when the list lacks it, and
  // makes it current; false when the host gives no name for it or `value` is
  // no colour: then no item is selected (the list shows no colour it does
  // not hold) and the current colour stays.
  bool selectColour(std::uint32_t value);
  // Fills the list anew and selects the current colour.
  void refill();

  // Side of the swatches in pixels: 12 at 96 dots per inch.
  int swatchSize() const noexcept { return swatchSize_; }
  int maxColours() const noexcept { return maxColours_; }

  bool ProcessMessage(ui::Message& m) override;

  // Item data of "Vybrat barvu...".
  static constexpr LPARAM kChooseItem = -1;

 protected:
  void OnSubclassed() override;

 private:
  void OnSelChange();
  // The item carrying `value`, or -1.
  int findColour(std::uint32_t value) const;
  // Adds an item for `value` with the host's name and swatch colour; its
  // index, or -1 when the host gives no name.
  int addColour(std::uint32_t value);
  // The picture of a swatch of `rgb`, made once per colour; -1 when it
  // cannot be made.
  int swatchImage(std::uint32_t rgb);
  // The colour dialog: the chosen colour, nothing when cancelled.
  std::optional<std::uint32_t> chooseColour();
  void* owner() const noexcept;

  std::uint32_t colour_ = 7;
  vstring layerName_;
  ui::ImageList images_;
  std::map<std::uint32_t, int> swatches_;  // RGB -> picture
  int maxColours_ = 8;                     // pictures the list makes room for at a time
  bool byLayer_ = false, byBlock_ = false;
  bool trueColour_ = false;
  double scale_ = 1.0;
  int swatchSize_ = 12;
};

}  // namespace vd
