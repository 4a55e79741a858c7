// Modal dialogs run from a module's own dialog templates.
//
// A dialog object remembers the module state current when it is made (inside
// an export, the module's) and runs with it: DoModal loads the template, and
// every message is answered, with that module's resources current, whatever
// the caller of DoModal or the window that sent the message had current.
//
// Messages reach the dialog's message map (ProcessMessage, see
// ui/message_map.h) after the framework's own routing:
//   WM_INITDIALOG       the bound controls are subclassed, then OnInitDialog;
//   WM_COMMAND          from a framework control: reflected to it first, then
//                       the map; IDOK and IDCANCEL not taken by the map run
//                       OnOK and OnCancel;
//   WM_DRAWITEM         to the framework control that owns the item;
//   WM_MEASUREITEM      to the control bound under the item's id, also while
//                       the item is being created and not subclassed yet.
// While any framework dialog runs on a thread, a message hook of that thread
// offers keyboard and mouse messages to the framework controls under the
// target window (innermost first) and then to the dialog, before the message
// loop (DialogBoxParam's own, or any other) hands them to the dialog manager.
//
// Nothing is thrown across the dialog procedure: an exception from a handler
// ends the dialog with kDialogFailed.
#pragma once
#include <windows.h>

#include <vector>

#include "ui/control.h"
#include "ui/ddx.h"
#include "ui/handles.h"
#include "ui/message_map.h"
#include "ui/window.h"

namespace ui {

// DoModal's result when the dialog could not be shown or a handler failed.
constexpr INT_PTR kDialogFailed = -1;

// A framework dialog's window carries its template id in this property from
// its first message until it is destroyed, so that a host (or a test) can
// tell which of the module's templates a dialog window shows.
constexpr wchar_t kTemplateIdProperty[] = L"VdShared.DialogTemplate";
// The template id of a framework dialog's window; 0 for any other window.
int dialogTemplateId(HWND window) noexcept;

class Dialog : public MessageTarget {
 public:
  // A dialog of template `templateId` in the resources of the module current now.
  explicit Dialog(int templateId) noexcept : templateId_(templateId) {}
  ~Dialog() override;

  // Shows the dialog modally, owned by `parent` (the host's main window when
  // null), and returns the result given to EndDialog, or kDialogFailed.
  INT_PTR DoModal(HWND parent = nullptr) noexcept;

  // Closes the running dialog; DoModal returns `result` (any value, 1006 too).
  void EndDialog(INT_PTR result) noexcept;

  HWND hwnd() const noexcept { return hwnd_; }
  Window window() const noexcept { return Window(hwnd_); }
  Window item(int id) const noexcept { return Window(GetDlgItem(hwnd_, id)); }
  int templateId() const noexcept { return templateId_; }

  // Binds a control object to the dialog item `id`. Before the window exists
  // the item is subclassed when the dialog initialises (and WM_MEASUREITEM for
  // it goes to the control even earlier); later it is subclassed at once.
  void Bind(int id, Control& control);

  // Moves data between the controls and the members through DoDataExchange:
  // save = false shows the members, save = true reads and checks the
  // controls. False when an exchange failed; OnDataExchangeError has then
  // been told which control.
  bool UpdateData(bool save);

  // The window's big and small icons. SetIcons takes icons the caller keeps
  // (the host's); SetModuleIcons loads icon `id` of the dialog's module in
  // both sizes and keeps them until the window is gone; SetHostIcons asks
  // the host for its application icon. False when there is no icon.
  bool SetIcons(HICON big, HICON small) noexcept;
  bool SetModuleIcons(int id) noexcept;
  bool SetHostIcons() noexcept;

 protected:
  // Prepares the controls (fills lists, sets icons); the default shows the
  // members with UpdateData(false). True lets the system put the focus on the
  // first control; false when the dialog set the focus itself.
  virtual bool OnInitDialog();
  // The default reads and checks the controls and closes with IDOK.
  virtual void OnOK();
  // The default closes with IDCANCEL.
  virtual void OnCancel();
  // The dialog's one two-way exchange between members and controls.
  virtual void DoDataExchange(DataExchange& dx) {}
  // The one place a failed exchange is reported: by default the control gets
  // the focus (an edit field with its text selected).
  virtual void OnDataExchangeError(int id);

 private:
  friend class ModalFrame;
  friend Dialog* findRunningDialog(HWND window) noexcept;
  friend void failDialogOf(HWND window) noexcept;
  static INT_PTR CALLBACK dialogProc(HWND, UINT, WPARAM, LPARAM) noexcept;
  INT_PTR answer(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
  bool route(Message& m);
  bool routeCommand(Message& m);
  Control* boundControl(int id) const noexcept;
  void fail() noexcept;

  struct Binding {
    int id;
    Control* control;
  };

  int templateId_;
  HWND hwnd_ = nullptr;
  Dialog* outer_ = nullptr;  // the framework dialog that ran before this one on the thread
  std::vector<Binding> bindings_;
  unique_hicon bigIcon_, smallIcon_;
};

// Ends the innermost running framework dialog that is or contains `window`
// with kDialogFailed; used where an exception reaches a window procedure.
void failDialogOf(HWND window) noexcept;

}  // namespace ui
