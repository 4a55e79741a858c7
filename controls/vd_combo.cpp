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

// The window whose font shows the items of a combo's list.
HWND listFontWindow(const ui::ComboBox& combo) { return combo.hwnd(); }
HWND listFontWindow(const ui::ComboBoxEx& combo) { return combo.comboBox(); }

}  // namespace

template <class Base>
bool AutoWidthCombo<Base>::ProcessMessage(ui::Message& m) {
  static constexpr ui::Handler map[] = {
      ui::onReflected<CBN_DROPDOWN, &AutoWidthCombo::OnDropDown>,
  };
  return ui::dispatch(*this, map, m) || Base::ProcessMessage(m);
}

template <class Base>
void AutoWidthCombo<Base>::OnDropDown() {
  // The system keeps the list at least as wide as the control.
  if (!autoWidth_) return;
  std::vector<std::wstring> texts;
  for (int i = 0, n = this->count(); i < n; ++i) texts.push_back(this->itemText(i));
  int average = 0;
  const std::vector<int> widths = textExtents(listFontWindow(*this), texts, &average);
  this->setDroppedWidth(fittingDropDownWidth(widths, average, GetSystemMetrics(SM_CXEDGE),
                                             GetSystemMetrics(SM_CXVSCROLL), extraWidth_));
}

template class AutoWidthCombo<ui::ComboBox>;
template class AutoWidthCombo<ui::ComboBoxEx>;

}  // namespace vd
