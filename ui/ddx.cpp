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

void DataExchange::check(int id, int& state) noexcept {
  HWND h = control(id);
  if (!h) return;
  if (save_) {
    state = static_cast<int>(SendMessageW(h, BM_GETCHECK, 0, 0));
    return;
  }
  SendMessageW(h, BM_SETCHECK, static_cast<WPARAM>(state), 0);
}

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

void DataExchange::comboIndex(int id, int& index) noexcept {
  HWND h = control(id);
  if (!h) return;
  if (save_) {
    index = static_cast<int>(SendMessageW(h, CB_GETCURSEL, 0, 0));
    return;
  }
  SendMessageW(h, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

}  // namespace ui
