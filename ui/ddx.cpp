#include "ui/ddx.h"

#include "ui/window.h"

namespace ui {

void DataExchange::fail(int id) noexcept {
  if (failed_) return;
  failed_ = true;
  failedId_ = id;
}

HWND DataExchange::control(int id) noexcept {
  if (!ok()) return nullptr;
  HWND h = GetDlgItem(dialog_, id);
  if (!h) fail(id);
  return h;
}

void DataExchange::exchangeNumber(int id, int& value, UINT get, UINT set) noexcept {
  HWND h = control(id);
  if (!h) return;
  if (save_) {
    value = static_cast<int>(SendMessageW(h, get, 0, 0));
    return;
  }
  SendMessageW(h, set, static_cast<WPARAM>(value), 0);
}

void DataExchange::check(int id, int& state) noexcept { exchangeNumber(id, state, BM_GETCHECK, BM_SETCHECK); }

void DataExchange::check(int id, bool& checked) noexcept {
  int state = checked ? BST_CHECKED : BST_UNCHECKED;
  check(id, state);
  if (save_ && ok()) checked = state == BST_CHECKED;
}

void DataExchange::text(int id, std::wstring& value) {
  HWND h = control(id);
  if (!h) return;
  if (save_) {
    value = Window(h).text();
    return;
  }
  SetWindowTextW(h, value.c_str());
}

void DataExchange::comboIndex(int id, int& index) noexcept { exchangeNumber(id, index, CB_GETCURSEL, CB_SETCURSEL); }

}  // namespace ui
