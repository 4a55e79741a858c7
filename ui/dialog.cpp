#include "ui/dialog.h"

#include <commctrl.h>

#include "host/host_api.h"
#include "ui/image_list.h"

namespace ui {

Dialog* findRunningDialog(HWND window) noexcept;

namespace {

// The innermost framework dialog running on this thread; each one links to
// the one it runs inside. The first message of a new dialog window goes to
// the innermost dialog that has no window yet.
thread_local Dialog* t_innermost = nullptr;

bool isInputMessage(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST);
}

// Offers an input message to the framework controls from the target window up
// to its dialog, then to the dialog. True when one of them swallowed it.
bool preTranslate(MSG& msg) noexcept {
  Dialog* dialog = findRunningDialog(msg.hwnd);
  if (!dialog) return false;
  ModuleStateScope scope(dialog->moduleState());
  try {
    // The walk follows the original target; a control may send the message
    // on to another window by changing msg.hwnd.
    for (HWND h = msg.hwnd; h && h != dialog->hwnd(); h = GetParent(h)) {
      Control* control = Control::FromHandle(h);
      if (control && control->PreTranslateMessage(msg)) return true;
    }
    return dialog->PreTranslateMessage(msg);
  } catch (...) {
    failDialogOf(dialog->hwnd());
    return true;
  }
}

// WH_GETMESSAGE: runs when the message loop takes a message off the queue,
// before it is translated, given to the dialog manager and dispatched.
LRESULT CALLBACK getMessageHook(int code, WPARAM wParam, LPARAM lParam) noexcept {
  if (code == HC_ACTION && wParam == PM_REMOVE) {
    MSG& msg = *reinterpret_cast<MSG*>(lParam);
    if (msg.hwnd && isInputMessage(msg.message) && preTranslate(msg)) msg.message = WM_NULL;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Messages whose answer is the dialog procedure's return value itself rather
// than DWLP_MSGRESULT.
bool answersDirectly(UINT message) {
  switch (message) {
    case WM_INITDIALOG:
    case WM_CHARTOITEM:
    case WM_VKEYTOITEM:
    case WM_COMPAREITEM:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return true;
    default:
      return false;
  }
}

}  // namespace

// One modal run: links the dialog into the thread's list and, for the
// outermost dialog, installs the thread's message hook for the run.
class ModalFrame {
 public:
  explicit ModalFrame(Dialog& dialog) noexcept : dialog_(dialog) {
    dialog.outer_ = t_innermost;
    t_innermost = &dialog;
    if (!dialog.outer_) hook_.reset(SetWindowsHookExW(WH_GETMESSAGE, &getMessageHook, nullptr, GetCurrentThreadId()));
  }
  ~ModalFrame() {
    t_innermost = dialog_.outer_;
    dialog_.outer_ = nullptr;
  }
  ModalFrame(const ModalFrame&) = delete;
  ModalFrame& operator=(const ModalFrame&) = delete;

 private:
  Dialog& dialog_;
  unique_hhook hook_;
};

Dialog* findRunningDialog(HWND window) noexcept {
  for (Dialog* d = t_innermost; d; d = d->outer_) {
    if (d->hwnd_ && (d->hwnd_ == window || IsChild(d->hwnd_, window))) return d;
  }
  return nullptr;
}

void failDialogOf(HWND window) noexcept {
  if (Dialog* d = findRunningDialog(window)) d->fail();
}

int dialogTemplateId(HWND window) noexcept {
  return window ? static_cast<int>(reinterpret_cast<INT_PTR>(GetPropW(window, kTemplateIdProperty))) : 0;
}

Dialog::~Dialog() = default;

INT_PTR Dialog::DoModal(HWND parent) noexcept {
  if (hwnd_) return kDialogFailed;
  ModuleStateScope scope(moduleState());
  // Templates may use the extended combo box, image lists and tool tips.
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES | ICC_USEREX_CLASSES};
  InitCommonControlsEx(&classes);
  if (!parent) parent = static_cast<HWND>(vd::hostBinding().mainWindow);
  INT_PTR result;
  {
    ModalFrame frame(*this);
    result =
        DialogBoxParamW(resourceModule(moduleState()), MAKEINTRESOURCEW(templateId_), parent, &Dialog::dialogProc, 0);
  }
  // The window is gone: the icons it showed can go too.
  bigIcon_.reset();
  smallIcon_.reset();
  hwnd_ = nullptr;
  return result;
}

void Dialog::EndDialog(INT_PTR result) noexcept {
  if (hwnd_) ::EndDialog(hwnd_, result);
}

void Dialog::fail() noexcept { EndDialog(kDialogFailed); }

void Dialog::Bind(int id, Control& control) {
  bindings_.push_back(Binding{id, &control});
  if (hwnd_) control.Subclass(GetDlgItem(hwnd_, id));
}

Control* Dialog::boundControl(int id) const noexcept {
  for (const Binding& b : bindings_) {
    if (b.id == id) return b.control;
  }
  return nullptr;
}

bool Dialog::UpdateData(bool save) {
  DataExchange dx(hwnd_, save);
  DoDataExchange(dx);
  if (dx.ok()) return true;
  OnDataExchangeError(dx.failedId());
  return false;
}

void Dialog::OnDataExchangeError(int id) {
  HWND control = GetDlgItem(hwnd_, id);
  // WM_NEXTDLGCTL moves the focus as Tab would, selecting an edit field's text.
  if (control) SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

bool Dialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

void Dialog::OnOK() {
  if (UpdateData(true)) EndDialog(IDOK);
}

void Dialog::OnCancel() { EndDialog(IDCANCEL); }

bool Dialog::SetIcons(HICON big, HICON small) noexcept {
  if (!hwnd_ || !big || !small) return false;
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  return true;
}

bool Dialog::SetModuleIcons(int id) noexcept {
  ModuleStateScope scope(moduleState());
  unique_hicon big = loadModuleIcon(id, GetSystemMetrics(SM_CXICON));
  unique_hicon small = loadModuleIcon(id, GetSystemMetrics(SM_CXSMICON));
  if (!SetIcons(big.get(), small.get())) return false;
  // The window shows the new icons now; the previous ones can go.
  bigIcon_ = std::move(big);
  smallIcon_ = std::move(small);
  return true;
}

bool Dialog::SetHostIcons() noexcept {
  HICON icon = static_cast<HICON>(vd::hostCallOr<&vd::HostApi::GetAppIcon, vd::HostIcon>(nullptr));
  return SetIcons(icon, icon);
}

INT_PTR CALLBACK Dialog::dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!self) {
    // The first message of a window DoModal is creating (WM_SETFONT, or
    // WM_MEASUREITEM from an item being created, before WM_INITDIALOG).
    self = t_innermost;
    if (!self || self->hwnd_) return FALSE;
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    SetPropW(hwnd, kTemplateIdProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(self->templateId_)));
  }
  return self->answer(message, wParam, lParam);
}

INT_PTR Dialog::answer(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  HWND hwnd = hwnd_;
  ModuleStateScope scope(moduleState());
  Message m{hwnd, message, wParam, lParam};
  bool handled;
  try {
    handled = route(m);
  } catch (...) {
    fail();
    handled = false;
  }
  if (message == WM_NCDESTROY) {
    RemovePropW(hwnd, kTemplateIdProperty);
    SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    hwnd_ = nullptr;
  }
  if (!handled) return FALSE;
  if (answersDirectly(message)) return static_cast<INT_PTR>(m.result);
  SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, m.result);
  return TRUE;
}

bool Dialog::route(Message& m) {
  switch (m.message) {
    case WM_INITDIALOG:
      for (const Binding& b : bindings_) b.control->Subclass(GetDlgItem(hwnd_, b.id));
      m.result = OnInitDialog() ? TRUE : FALSE;
      return true;
    case WM_COMMAND:
      return routeCommand(m);
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(m.lParam);
      Control* control = item.CtlType == ODT_MENU ? nullptr : Control::FromHandle(item.hwndItem);
      Message reflected{item.hwndItem, kReflectedDrawItem, m.wParam, m.lParam};
      if (control && control->Reflect(reflected)) {
        m.result = TRUE;
        return true;
      }
      break;
    }
    case WM_MEASUREITEM: {
      // Sent while the item is created, before it can be subclassed: the
      // control is found by the id it was bound under.
      const auto& item = *reinterpret_cast<const MEASUREITEMSTRUCT*>(m.lParam);
      const HWND itemWindow = GetDlgItem(hwnd_, static_cast<int>(item.CtlID));
      Control* control = nullptr;
      if (item.CtlType != ODT_MENU) {
        control = boundControl(static_cast<int>(item.CtlID));
        if (!control) control = Control::FromHandle(itemWindow);
      }
      Message reflected{itemWindow, kReflectedMeasureItem, m.wParam, m.lParam};
      if (control && control->Reflect(reflected)) {
        m.result = TRUE;
        return true;
      }
      break;
    }
    default:
      break;
  }
  return ProcessMessage(m);
}

bool Dialog::routeCommand(Message& m) {
  const HWND from = reinterpret_cast<HWND>(m.lParam);
  if (Control* control = from ? Control::FromHandle(from) : nullptr) {
    // The control hears its own notification first; the dialog hears it too.
    Message reflected{from, kReflectedCommand, m.wParam, m.lParam};
    control->Reflect(reflected);
  }
  if (ProcessMessage(m)) return true;
  if (HIWORD(m.wParam) != BN_CLICKED) return false;
  switch (LOWORD(m.wParam)) {
    case IDOK:
      OnOK();
      return true;
    case IDCANCEL:
      OnCancel();
      return true;
    default:
      return false;
  }
}

}  // namespace ui
