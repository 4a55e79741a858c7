#include "ui/control.h"

#include <commctrl.h>

#include "ui/dialog.h"

namespace ui {

namespace {
// One subclass per framework control; the id tells ours from other subclasses.
constexpr UINT_PTR kSubclassId = 0x5644;  // "VD"
// The window property that leads from a window to its control object.
const wchar_t* const kControlProperty = L"VdShared.Control";
}  // namespace

Control::~Control() { Unsubclass(); }

bool Control::Subclass(HWND hwnd) noexcept {
  if (!hwnd || hwnd_ || FromHandle(hwnd)) return false;
  if (!SetPropW(hwnd, kControlProperty, this)) return false;
  if (!SetWindowSubclass(hwnd, &Control::subclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
    RemovePropW(hwnd, kControlProperty);
    return false;
  }
  hwnd_ = hwnd;
  // OnSubclassed runs inside a window procedure or OnInitDialog at the
  // latest; what it throws is caught there or here.
  try {
    OnSubclassed();
  } catch (...) {
    failDialogOf(hwnd);
  }
  return true;
}

void Control::Unsubclass() noexcept {
  if (!hwnd_) return;
  RemoveWindowSubclass(hwnd_, &Control::subclassProc, kSubclassId);
  RemovePropW(hwnd_, kControlProperty);
  hwnd_ = nullptr;
}

Control* Control::FromHandle(HWND hwnd) noexcept {
  return hwnd ? static_cast<Control*>(GetPropW(hwnd, kControlProperty)) : nullptr;
}

bool Control::Reflect(Message& m) {
  // A reflected notification has no original handling: Default() answers 0.
  const Message* outer = current_;
  current_ = nullptr;
  struct Restore {
    Control& c;
    const Message* outer;
    ~Restore() { c.current_ = outer; }
  } restore{*this, outer};
  return ProcessMessage(m);
}

LRESULT Control::Default() noexcept {
  if (!current_ || !hwnd_) return 0;
  return DefSubclassProc(hwnd_, current_->message, current_->wParam, current_->lParam);
}

LRESULT CALLBACK Control::subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR ref) noexcept {
  auto* self = reinterpret_cast<Control*>(ref);
  if (message == WM_NCDESTROY) {
    // The window is going: detach first so that nothing reaches the object later.
    self->Unsubclass();
    return DefSubclassProc(hwnd, message, wParam, lParam);
  }
  ModuleStateScope scope(self->moduleState());
  Message m{hwnd, message, wParam, lParam};
  const Message* outer = self->current_;
  self->current_ = &m;
  LRESULT result = 0;
  try {
    result = self->ProcessMessage(m) ? m.result : DefSubclassProc(hwnd, message, wParam, lParam);
  } catch (...) {
    failDialogOf(hwnd);
  }
  self->current_ = outer;
  return result;
}

}  // namespace ui
