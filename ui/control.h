// Controls of a dialog attached to their windows by subclassing.
//
// A control object lives as a member of its dialog and is bound to a dialog
// item (Dialog::Bind); the dialog subclasses the item when its window exists.
// From then on the control answers the item's own messages in its message
// map, gets the notifications the item sends its parent reflected back
// (ui::onReflected...), and sees key and mouse messages for the item and its
// children (a combo box's edit field) before the dialog manager does
// (PreTranslateMessage). The object never owns the window: the dialog
// destroys its items, and the subclass is removed when the window goes.
#pragma once
#include <windows.h>

#include "ui/message_map.h"
#include "ui/window.h"

namespace ui {

class Control : public MessageTarget {
 public:
  Control() noexcept = default;
  ~Control() override;

  // Attaches to a window; false when it is null, already a framework control,
  // or this object is attached elsewhere.
  bool Subclass(HWND hwnd) noexcept;
  // Detaches from the window, which keeps working with its own procedure.
  void Unsubclass() noexcept;

  HWND hwnd() const noexcept { return hwnd_; }
  Window window() const noexcept { return Window(hwnd_); }
  int id() const noexcept { return GetDlgCtrlID(hwnd_); }

  // The framework control attached to a window, or null.
  static Control* FromHandle(HWND hwnd) noexcept;

  // Delivers a notification the parent reflects back (a kReflected... message);
  // true when the control's map took it.
  bool Reflect(Message& m);

 protected:
  // Called once the window is attached: the place to fill lists, set styles
  // and make the control's helpers.
  virtual void OnSubclassed() {}

  // The window's own handling of the message being answered (the procedure
  // it had before it was subclassed); 0 for a reflected notification.
  LRESULT Default() noexcept;

 private:
  static LRESULT CALLBACK subclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR) noexcept;

  HWND hwnd_ = nullptr;
  const Message* current_ = nullptr;  // the message being answered, for Default()
};

}  // namespace ui
