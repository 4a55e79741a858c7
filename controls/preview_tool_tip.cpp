#include "controls/preview_tool_tip.h"

#include <algorithm>

#include "controls/preview_button.h"
#include "ui/handles.h"

namespace vd {

bool previewToolTip::create(previewBtn& pane) {
  if (!ui::ToolTip::create(pane.hwnd())) return false;
  // The text is asked for each time the tip is about to show.
  if (!addTool(pane.hwnd(), LPSTR_TEXTCALLBACKW)) {
    destroy();
    return false;
  }
  setDelay(kDelay);
  pane_ = &pane;
  return true;
}

void previewToolTip::answer(NMTTDISPINFOW& info) {
  text_ = pane_ ? pane_->toolTipText() : std::wstring();
  info.hinst = nullptr;
  info.szText[0] = L'\0';
  info.lpszText = text_.empty() ? info.szText : text_.data();
  // The tip breaks its lines only at '\n' when its width is set; as wide as
  // the widest line, it never wraps one.
  SendMessageW(hwnd(), TTM_SETMAXTIPWIDTH, 0, widestLine());
}

int previewToolTip::widestLine() const {
  ui::window_dc dc(hwnd());
  if (!dc) return 0;
  const HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(hwnd(), WM_GETFONT, 0, 0));
  ui::select_result selected(dc.get(), font ? font : GetStockObject(DEFAULT_GUI_FONT));
  int widest = 0;
  for (size_t start = 0; start <= text_.size();) {
    size_t end = text_.find(L'\n', start);
    if (end == std::wstring::npos) end = text_.size();
    SIZE size{};
    if (end > start && GetTextExtentPoint32W(dc.get(), text_.data() + start, static_cast<int>(end - start), &size))
      widest = std::max(widest, static_cast<int>(size.cx));
    start = end + 1;
  }
  return widest;
}

}  // namespace vd
