#include "controls/vd_combo.h"

#include <algorithm>

#include "ui/handles.h"

namespace vd {

int fittingDropDownWidth(const std::vector<int>& textWidths, int averageCharWidth, int edgeWidth,
                         int scrollBarWidth, int extraWidth) {
  int widest = 0;
  for (int w : textWidths) widest = std::max(widest, w + averageCharWidth);
  return widest + 2 * edgeWidth + scrollBarWidth + extraWidth;
}

std::vector<int> textExtents(HWND window, const std::vector<std::wstring>& texts, int* averageCharWidth) {
  std::vector<int> widths;
  ui::window_dc dc(window);
  if (!dc) return widths;
  // The list shows its items in the control's font, not in the DC's default one.
  // A control without a font of its own shows the system font.
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(window, WM_GETFONT, 0, 0));
  ui::select_result selected(dc.get(), font ? font : GetStockObject(SYSTEM_FONT));
  TEXTMETRICW tm{};
  GetTextMetricsW(dc.get(), &tm);
  if (averageCharWidth) *averageCharWidth = tm.tmAveCharWidth;
  widths.reserve(texts.size());
  for (const std::wstring& t : texts) {
    SIZE size{};
    GetTextExtentPoint32W(dc.get(), t.c_str(), static_cast<int>(t.size()), &size);
    widths.push_back(size.cx);
  }
  return widths;
}

namespace {

// The width that fits the item texts of `combo` in the font it shows them in.
template <class Combo>
int fittingWidth(const Combo& combo, HWND fontWindow, int extraWidth) {
  std::vector<std::wstring> texts;
  for (int i = 0, n = combo.count(); i < n; ++i) texts.push_back(combo.itemText(i));
  int average = 0;
  std::vector<int> widths = textExtents(fontWindow, texts, &average);
  return fittingDropDownWidth(widths, average, GetSystemMetrics(SM_CXEDGE), GetSystemMetrics(SM_CXVSCROLL),
                              extraWidth);
}

}  // namespace

bool VdComboBox::ProcessMessage(ui::Message& m) {
  static constexpr ui::Handler map[] = {
      ui::onReflected<CBN_DROPDOWN, &VdComboBox::OnDropDown>,
  };
  return ui::dispatch(*this, map, m) || ui::ComboBox::ProcessMessage(m);
}

void VdComboBox::OnDropDown() {
  // The system keeps the list at least as wide as the control.
  if (autoWidth_) setDroppedWidth(fittingWidth(*this, hwnd(), extraWidth_));
}

bool VdComboBoxEx::ProcessMessage(ui::Message& m) {
  static constexpr ui::Handler map[] = {
      ui::onReflected<CBN_DROPDOWN, &VdComboBoxEx::OnDropDown>,
  };
  return ui::dispatch(*this, map, m) || ui::ComboBoxEx::ProcessMessage(m);
}

void VdComboBoxEx::OnDropDown() {
  if (autoWidth_) setDroppedWidth(fittingWidth(*this, comboBox(), extraWidth_));
}

}  // namespace vd
