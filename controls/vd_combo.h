// The module's combo boxes: the framework's combo box and extended combo box
// with a drop-down list as wide as their widest item.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "ui/controls.h"

namespace vd {

// Width in pixels of a dropped-down list that shows every item whole: the
// widest text (text extent plus the font's average character width), the
// list's two edges, its vertical scroll bar and `extraWidth` (room for a
// picture beside the text). `textWidths` are the items' text extents.
int fittingDropDownWidth(const std::vector<int>& textWidths, int averageCharWidth, int edgeWidth,
                         int scrollBarWidth, int extraWidth);

// Text extents of `texts` in the font `window` shows them in.
std::vector<int> textExtents(HWND window, const std::vector<std::wstring>& texts, int* averageCharWidth);

// A combo box whose dropped-down list, when the auto-width flag is set, is
// made as wide as its widest item each time it drops down. `Base` is the
// framework's combo box or extended combo box; the list of an extended one
// belongs to the combo box inside it, whose font measures the texts.
template <class Base>
class AutoWidthCombo : public Base {
 public:
  explicit AutoWidthCombo(bool autoWidth = true) noexcept : autoWidth_(autoWidth) {}

  bool ProcessMessage(ui::Message& m) override;

  // Pixels added to the fitted width of the dropped-down list.
  int extraWidth() const noexcept { return extraWidth_; }
  void setExtraWidth(int pixels) noexcept { extraWidth_ = pixels; }

 protected:
  void OnDropDown();

 private:
  int autoWidth_;
  int extraWidth_ = 0;
};

class VdComboBox : public AutoWidthCombo<ui::ComboBox> {
 public:
  using AutoWidthCombo::AutoWidthCombo;
};

class VdComboBoxEx : public AutoWidthCombo<ui::ComboBoxEx> {
 public:
  using AutoWidthCombo::AutoWidthCombo;
};

extern template class AutoWidthCombo<ui::ComboBox>;
extern template class AutoWidthCombo<ui::ComboBoxEx>;

}  // namespace vd
