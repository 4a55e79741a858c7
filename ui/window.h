// A window handle with the few operations dialogs apply to any window; it
// refers to the window without owning it.
#pragma once
#include <windows.h>

#include <string>

namespace ui {

class Window {
 public:
  Window() noexcept = default;
  Window(HWND hwnd) noexcept : hwnd_(hwnd) {}

  HWND hwnd() const noexcept { return hwnd_; }
  explicit operator bool() const noexcept { return hwnd_ != nullptr; }

  // A child of a dialog by its control id; empty when there is none.
  Window item(int id) const noexcept { return Window(GetDlgItem(hwnd_, id)); }
  int id() const noexcept { return GetDlgCtrlID(hwnd_); }
  Window parent() const noexcept { return Window(GetParent(hwnd_)); }

  LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const noexcept {
    return SendMessageW(hwnd_, message, wParam, lParam);
  }
  bool post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const noexcept {
    return PostMessageW(hwnd_, message, wParam, lParam) != FALSE;
  }

  std::wstring text() const {
    std::wstring s(static_cast<size_t>(GetWindowTextLengthW(hwnd_)), L'\0');
    if (!s.empty()) s.resize(static_cast<size_t>(GetWindowTextW(hwnd_, s.data(), static_cast<int>(s.size()) + 1)));
    return s;
  }
  bool setText(const wchar_t* text) const noexcept { return SetWindowTextW(hwnd_, text) != FALSE; }
  bool setText(const std::wstring& text) const noexcept { return setText(text.c_str()); }

  bool enabled() const noexcept { return IsWindowEnabled(hwnd_) != FALSE; }
  void enable(bool on) const noexcept { EnableWindow(hwnd_, on ? TRUE : FALSE); }
  bool visible() const noexcept { return IsWindowVisible(hwnd_) != FALSE; }
  void show(bool on) const noexcept { ShowWindow(hwnd_, on ? SW_SHOW : SW_HIDE); }
  void setFocus() const noexcept { SetFocus(hwnd_); }
  bool hasFocus() const noexcept { return hwnd_ && GetFocus() == hwnd_; }
  void invalidate(bool erase = false) const noexcept { InvalidateRect(hwnd_, nullptr, erase ? TRUE : FALSE); }

  RECT clientRect() const noexcept {
    RECT r{};
    GetClientRect(hwnd_, &r);
    return r;
  }

  // Timers belong to their window: they end with it at the latest.
  bool setTimer(UINT_PTR id, UINT milliseconds) const noexcept {
    return SetTimer(hwnd_, id, milliseconds, nullptr) != 0;
  }
  void killTimer(UINT_PTR id) const noexcept { KillTimer(hwnd_, id); }

 private:
  HWND hwnd_ = nullptr;
};

}  // namespace ui
