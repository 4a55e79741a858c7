#include "tools/vdhost/dialog_driver.h"

#include <commctrl.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "host/text.h"
#include "tools/png/bitmap_png.h"
#include "tools/vdhost/message_box.h"
#include "tools/vdhost/window_input.h"
#include "ui/controls.h"
#include "ui/dialog.h"
#include "ui/wide_text.h"
#include "ui/window.h"

namespace vdhost {

namespace {

using hostsim::Answer;

constexpr UINT_PTR kTickTimer = 1;
// The loop dispatches the driver's timer only when it has nothing else to do.
constexpr UINT kTickMilliseconds = 10;
// How long a dialog window may take from its creation until it shows.
constexpr auto kShowTimeout = std::chrono::seconds(5);
// How long a line waits for the focus to reach its control.
constexpr auto kFocusTimeout = std::chrono::seconds(1);
// Clicks a `check` gives a check box at most: three reach every state of a three-state box.
constexpr int kMostClicks = 3;
// Presses a button of a message box or dialog gets at most. A press closes
// the box (but Help) once the loop has handled it, and a dialog's button
// tells its dialog it was clicked; one that did not was lost, as when the
// display's own pointer moved out of the button between its press and
// release, and is given again.
constexpr int kMostPresses = 3;

// The driver of this thread, for the hook.
thread_local DialogDriver* t_driver = nullptr;

HWND buttonOf(const MessageBoxView& box, int id) {
  for (HWND b : box.buttonWindows) {
    if (GetDlgCtrlID(b) == id) return b;
  }
  return nullptr;
}

bool isDialogClass(HWND window) {
  wchar_t cls[16];
  return GetClassNameW(window, cls, 16) > 0 && lstrcmpW(cls, L"#32770") == 0;
}

// The control itself or one of its children (a combo box's edit field) has the focus.
bool focusIsIn(HWND control) {
  HWND focus = GetFocus();
  return focus && (focus == control || IsChild(control, focus));
}

// Where a `set` types: an edit control, or the edit field of a combo box.
HWND editFieldOf(HWND control) {
  wchar_t cls[32];
  if (GetClassNameW(control, cls, 32) <= 0) return nullptr;
  if (lstrcmpiW(cls, L"Edit") == 0) return control;
  if (lstrcmpiW(cls, L"ComboBox") == 0) return ui::comboEditField(control);
  if (lstrcmpiW(cls, WC_COMBOBOXEXW) == 0)
    return reinterpret_cast<HWND>(SendMessageW(control, CBEM_GETEDITCONTROL, 0, 0));
  return nullptr;
}

bool isListBox(HWND control) {
  wchar_t cls[32];
  return GetClassNameW(control, cls, 32) > 0 && lstrcmpiW(cls, L"ListBox") == 0;
}

UINT virtualKey(hostsim::DialogKey key) {
  switch (key) {
    case hostsim::DialogKey::Enter: return VK_RETURN;
    case hostsim::DialogKey::Delete: return VK_DELETE;
    case hostsim::DialogKey::Tab: return VK_TAB;
    case hostsim::DialogKey::Escape: return VK_ESCAPE;
    case hostsim::DialogKey::Down: return VK_DOWN;
    case hostsim::DialogKey::Up: return VK_UP;
    case hostsim::DialogKey::F4: return VK_F4;
  }
  return 0;
}

// The button that closes a message box as Cancel would: Cancel, else No,
// else its first one; IDCANCEL for any other window.
INT_PTR cancelResultOf(HWND window) {
  std::optional<MessageBoxView> box = readMessageBox(window);
  if (!box || box->buttonWindows.empty()) return IDCANCEL;
  int first = 0;
  bool hasNo = false;
  for (HWND b : box->buttonWindows) {
    const int id = GetDlgCtrlID(b);
    if (id == IDCANCEL) return IDCANCEL;
    hasNo = hasNo || id == IDNO;
    if (!first && id != IDHELP) first = id;
  }
  return hasNo ? IDNO : (first ? first : IDCANCEL);
}

std::string controlName(int id, int templateId) {
  return "control " + std::to_string(id) + " of dialog " + std::to_string(templateId);
}

std::string buttonsOf(const MessageBoxView& box) {
  std::string names;
  for (HWND b : box.buttonWindows) names += (names.empty() ? "" : "/") + std::string(buttonName(GetDlgCtrlID(b)));
  return names;
}

}  // namespace

DialogDriver::DialogDriver(hostsim::Host& host) : host_(host) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = &DialogDriver::windowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"VdDialogDriver";
  RegisterClassW(&wc);  // a second registration fails harmlessly
  window_.reset(CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr));
  if (!window_ || t_driver) return;
  SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  hook_.reset(SetWindowsHookExW(WH_CBT, &DialogDriver::cbtProc, nullptr, GetCurrentThreadId()));
  callHook_.reset(SetWindowsHookExW(WH_CALLWNDPROC, &DialogDriver::callProc, nullptr, GetCurrentThreadId()));
  if (hook_ && callHook_) t_driver = this;
}

DialogDriver::~DialogDriver() {
  if (t_driver == this) t_driver = nullptr;
}

LRESULT CALLBACK DialogDriver::cbtProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
  DialogDriver* driver = t_driver;
  if (driver) {
    try {
      HWND window = reinterpret_cast<HWND>(wParam);
      if (code == HCBT_CREATEWND) driver->created(window, *reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs);
      if (code == HCBT_DESTROYWND) driver->destroyed(window);
    } catch (...) {
      // Out of memory: the window goes unnoticed, and nothing escapes into the thread's window code.
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK DialogDriver::callProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
  DialogDriver* driver = t_driver;
  if (driver && code == HC_ACTION) {
    const auto& call = *reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (call.message == WM_COMMAND && HIWORD(call.wParam) == BN_CLICKED && call.lParam) driver->commandSent(call);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void DialogDriver::commandSent(const CWPSTRUCT& call) {
  for (Frame& f : frames_) {
    if (f.window == call.hwnd && f.action && f.action->kind == Answer::Kind::Press &&
        GetDlgCtrlID(reinterpret_cast<HWND>(call.lParam)) == f.action->dialog.id)
      f.pressTaken = true;
  }
}

LRESULT CALLBACK DialogDriver::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  auto* driver = reinterpret_cast<DialogDriver*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (driver && message == WM_TIMER && wParam == kTickTimer) {
    driver->tick();
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void DialogDriver::created(HWND window, const CREATESTRUCTW& create) {
  // Dialogs and message boxes are top-level windows of the dialog class.
  if ((create.style & WS_CHILD) || !isDialogClass(window)) return;
  appeared_.push_back(Appeared{window, Clock::now()});
  startTicking();
}

void DialogDriver::destroyed(HWND window) {
  appeared_.erase(
      std::remove_if(appeared_.begin(), appeared_.end(), [&](const Appeared& a) { return a.window == window; }),
      appeared_.end());
  auto at = std::find_if(frames_.begin(), frames_.end(), [&](const Frame& f) { return f.window == window; });
  if (at == frames_.end()) return;
  // Dialogs close innermost first; one opened from this one is gone by now.
  for (auto f = frames_.end(); f != at;) {
    --f;
    host_.log("dialog " + std::to_string(f->templateId) + " closed");
  }
  frames_.erase(at, frames_.end());
}

void DialogDriver::startTicking() {
  if (ticking_ || !window_) return;
  ticking_ = SetTimer(window_.get(), kTickTimer, kTickMilliseconds, nullptr) != 0;
}

void DialogDriver::tick() {
  if (inTick_) return;
  inTick_ = true;
  try {
    step();
  } catch (...) {
    host_.fail("the dialog driver ran out of memory");
    closeEverything();
  }
  inTick_ = false;
  if (frames_.empty() && appeared_.empty() && ticking_) {
    KillTimer(window_.get(), kTickTimer);
    ticking_ = false;
  }
}

void DialogDriver::step() {
  if (host_.failed()) {
    closeEverything();
    return;
  }
  // New windows first: they are what the script must answer now.
  while (!appeared_.empty()) {
    const Appeared a = appeared_.front();
    if (!IsWindow(a.window)) {
      appeared_.pop_front();
      continue;
    }
    if (!IsWindowVisible(a.window)) {
      // A modal loop shows its dialog once it first has nothing to do.
      if (Clock::now() - a.since > kShowTimeout)
        fail(host_.scriptLine,
             "a dialog window (" + ui::wideToUtf8(ui::Window(a.window).text()) + ") was made but never shown");
      return;
    }
    // The window stays among the appeared until it is met, so that a failure closes it.
    meet(a.window);
    return;
  }
  if (frames_.empty()) return;
  Frame& frame = frames_.back();
  if (frame.action) {
    if (!proceed(frame)) return;
    frame.action.reset();
  }
  writeChanges(frame);
  const Answer* next = host_.peekAnswer();
  const std::string dialog = "dialog " + std::to_string(frame.templateId);
  if (!next || !hostsim::isDialogLine(next->kind)) {
    fail(frame.lastLine, dialog + " is still open after its last line");
    return;
  }
  if (next->kind == Answer::Kind::Dialog) {
    fail(next->line, "the module shows no dialog where the script expects dialog " + std::to_string(next->dialog.id) +
                         " (" + dialog + " is open)");
    return;
  }
  if (next->kind == Answer::Kind::MessageBox) {
    fail(next->line, "the module shows no message box where the script answers one (" + dialog + " is open)");
    return;
  }
  frame.action = *next;
  host_.popAnswer();
  frame.lastLine = frame.action->line;
  frame.phase = 0;
  frame.presses = 0;
  frame.pressTaken = false;
  host_.log(dialog + ": " + frame.action->dialog.source);
  start(frame);
}

std::string DialogDriver::describe(HWND dialog) const {
  const std::string title = quoted(ui::Window(dialog).text());
  const int id = ui::dialogTemplateId(dialog);
  return id ? "dialog " + std::to_string(id) + " " + title : "a dialog " + title + " of no known template";
}

std::string DialogDriver::ownerOf(HWND window) const {
  HWND owner = GetWindow(window, GW_OWNER);
  if (!owner) return "without owner";
  if (owner == host_.mainWindow) return "owned by the host";
  const int id = ui::dialogTemplateId(owner);
  return id ? "owned by dialog " + std::to_string(id) : "owned by another window";
}

void DialogDriver::meet(HWND window) {
  const Answer* next = host_.peekAnswer();
  const int line = next ? next->line : host_.scriptLine;
  const std::string offered =
      next ? std::string("the script answers ") + hostsim::answerKindName(next->kind) : "the script has no line left";
  if (std::optional<MessageBoxView> box = readMessageBox(window)) {
    Appeared& met = appeared_.front();
    if (met.pressed && met.pressed != IDHELP && met.presses < kMostPresses) {
      if (HWND button = buttonOf(*box, met.pressed)) {
        ++met.presses;
        met.since = Clock::now();
        postMoveAndClick(button, clientCentre(button));
        return;
      }
    }
    if (!next || next->kind != Answer::Kind::MessageBox) {
      fail(line, "a message box " + quoted(ui::toWide(box->caption)) + " is showing (" + quoted(ui::toWide(box->text)) +
                     ") but " + offered);
      return;
    }
    answerBox(window, *next);
    return;
  }
  const std::string shown = describe(window);
  if (!next || next->kind != Answer::Kind::Dialog) {
    fail(line, "the module shows " + shown + " but " + offered);
    return;
  }
  const int id = ui::dialogTemplateId(window);
  if (next->dialog.id != id) {
    fail(line, "the module shows " + shown + " where the script expects dialog " + std::to_string(next->dialog.id));
    return;
  }
  Frame frame;
  frame.window = window;
  frame.templateId = id;
  frame.lastLine = line;
  appeared_.pop_front();
  host_.popAnswer();
  host_.log("dialog " + std::to_string(id) + " " + quoted(ui::Window(window).text()));
  frame.shown = showControls(window);
  // Only what the module made otherwise than its template says: a static
  // label as the template has it tells the reader nothing.
  int same = 0;
  for (const std::string& l : linesBesideTemplate(window, frame.shown, same)) host_.log("  " + l);
  if (same > 0) host_.log("  (" + std::to_string(same) + " more as the template makes them)");
  frames_.push_back(std::move(frame));
}

void DialogDriver::answerBox(HWND window, const Answer& line) {
  std::optional<MessageBoxView> box = readMessageBox(window);
  if (!box) return;
  const int id = line.dialog.id;
  HWND button = buttonOf(*box, id);
  if (!button) {
    fail(line.line, "the message box " + quoted(ui::toWide(box->caption)) + " has no button " + std::to_string(id) +
                        " (it has " + buttonsOf(*box) + ")");
    return;
  }
  host_.popAnswer();
  host_.log(("message box " + quoted(ui::toWide(box->caption)) + " " + ownerOf(window) + ", flags " +
             std::to_string(box->flags()) + " (" + describeFlags(box->flags()) + "), pressed " + buttonName(id) + ": ")
                .c_str(),
            box->text);
  postMoveAndClick(button, clientCentre(button));
  // Help closes no box: one still showing once the click is handled is met
  // again, so it stays among the appeared.
  Appeared& met = appeared_.front();
  met.since = Clock::now();
  met.pressed = id;
  met.presses = 1;
}

void DialogDriver::focusOn(Frame& frame, HWND control) {
  frame.until = Clock::now() + kFocusTimeout;
  if (focusIsIn(control)) return;
  // Posted, as the dialog manager asks: the move happens in turn with the input around it.
  PostMessageW(frame.window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

bool DialogDriver::focusArrived(Frame& frame, HWND control, HWND target) {
  if (target ? GetFocus() == target : focusIsIn(control)) return true;
  const Answer& a = *frame.action;
  if (Clock::now() >= frame.until) {
    fail(a.line, controlName(a.dialog.id, frame.templateId) + " did not take the focus");
    return false;
  }
  // The dialog lost its activation (a window of the system's took it for a
  // moment, as the first window of a program can make the desktop's do):
  // the user brings the dialog back and moves into the control again.
  if (GetActiveWindow() != frame.window) SetActiveWindow(frame.window);
  PostMessageW(frame.window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  --frame.phase;  // this step again
  return false;
}

void DialogDriver::start(Frame& frame) {
  const Answer& a = *frame.action;
  const std::string dialog = "dialog " + std::to_string(frame.templateId);
  if (a.kind == Answer::Kind::Wait) {
    frame.until = Clock::now() + std::chrono::milliseconds(a.dialog.value);
    return;
  }
  if (a.kind == Answer::Kind::Picture) {
    takePicture(frame);
    return;
  }
  const std::string name = controlName(a.dialog.id, frame.templateId);
  HWND control = GetDlgItem(frame.window, a.dialog.id);
  if (!control) return fail(a.line, dialog + " has no control " + std::to_string(a.dialog.id));
  if (!IsWindowVisible(control)) return fail(a.line, name + " is hidden");
  if (!IsWindowEnabled(control)) return fail(a.line, name + " is disabled");
  switch (a.kind) {
    case Answer::Kind::Set: {
      HWND edit = editFieldOf(control);
      if (!edit) return fail(a.line, name + " has no edit field");
      if (GetWindowLongW(edit, GWL_STYLE) & ES_READONLY) return fail(a.line, name + " is read-only");
      break;
    }
    case Answer::Kind::Choose: {
      ListItems items;
      if (!readListItems(control, items)) return fail(a.line, name + " is no combo or list box");
      const std::wstring wanted = ui::toWide(a.dialog.text);
      auto at = std::find(items.texts.begin(), items.texts.end(), wanted);
      if (at == items.texts.end()) return fail(a.line, name + " has no item " + quoted(wanted));
      frame.index = static_cast<int>(at - items.texts.begin());
      break;
    }
    case Answer::Kind::Check: {
      if (!isCheckBox(control)) return fail(a.line, name + " is no check box");
      const LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
      if (a.dialog.value == 2 && type != BS_3STATE && type != BS_AUTO3STATE)
        return fail(a.line, name + " has no third state");
      break;
    }
    case Answer::Kind::Click:
    case Answer::Kind::DoubleClick:
    case Answer::Kind::Wheel: {
      RECT r{};
      GetClientRect(control, &r);
      if (a.dialog.x >= r.right || a.dialog.y >= r.bottom)
        return fail(a.line, std::to_string(a.dialog.x) + "," + std::to_string(a.dialog.y) + " lies outside " + name +
                                " (" + std::to_string(r.right) + " x " + std::to_string(r.bottom) + " pixels)");
      break;
    }
    case Answer::Kind::Press:
      if (!isPushButton(control)) return fail(a.line, name + " is no button");
      break;
    default: break;
  }
  proceed(frame);
}

// Carries the frame's action on by one step; true once it is over. Each call
// comes when the input the previous step posted has been handled.
bool DialogDriver::proceed(Frame& frame) {
  const Answer& a = *frame.action;
  const std::string name = controlName(a.dialog.id, frame.templateId);
  HWND control = GetDlgItem(frame.window, a.dialog.id);
  if (a.kind == Answer::Kind::Wait) return Clock::now() >= frame.until;
  if (a.kind == Answer::Kind::Picture || !control) return true;
  const int phase = frame.phase++;
  switch (a.kind) {
    case Answer::Kind::Set:
      if (phase == 0) return focusOn(frame, control), false;
      if (phase == 1) {
        HWND edit = editFieldOf(control);
        if (!focusArrived(frame, control, edit)) return false;
        PostMessageW(edit, EM_SETSEL, 0, -1);
        // Typing replaces the selected text; an empty text is the selection deleted.
        if (a.dialog.text.empty()) {
          postKey(edit, VK_DELETE);
        } else {
          postChars(edit, ui::toWide(a.dialog.text).c_str());
        }
        return false;
      }
      if (phase == 2) {
        // The focus leaves for the next control in tab order, as Tab would take it.
        HWND next = GetNextDlgTabItem(frame.window, control, FALSE);
        if (next && next != control) PostMessageW(frame.window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
        return false;
      }
      return true;
    case Answer::Kind::Choose:
      if (phase == 0) return focusOn(frame, control), false;
      if (phase == 1) {
        if (!focusArrived(frame, control, nullptr)) return false;
        // The selection moves as the arrow keys move it in a closed list, and
        // the dialog hears the one change.
        const bool list = isListBox(control);
        // In a list that takes several items the item joins the selection.
        if (list && (GetWindowLongW(control, GWL_STYLE) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL))) {
          PostMessageW(control, LB_SETSEL, TRUE, static_cast<LPARAM>(frame.index));
        } else {
          PostMessageW(control, list ? LB_SETCURSEL : CB_SETCURSEL, static_cast<WPARAM>(frame.index), 0);
        }
        if (!list || (GetWindowLongW(control, GWL_STYLE) & LBS_NOTIFY))
          PostMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(a.dialog.id, list ? LBN_SELCHANGE : CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(control));
        return false;
      }
      return true;
    case Answer::Kind::Check: {
      if (SendMessageW(control, BM_GETCHECK, 0, 0) == a.dialog.value) return true;
      if (phase == kMostClicks)
        return fail(a.line, name + " does not take the state " + std::to_string(a.dialog.value)), false;
      postMoveAndClick(control, clientCentre(control));
      return false;
    }
    case Answer::Kind::Key:
      if (phase == 0) return focusOn(frame, control), false;
      if (phase == 1) {
        if (!focusArrived(frame, control, nullptr)) return false;
        postKey(GetFocus(), virtualKey(static_cast<hostsim::DialogKey>(a.dialog.value)));
        return false;
      }
      return true;
    case Answer::Kind::Click:
    case Answer::Kind::DoubleClick:
    case Answer::Kind::Wheel:
      if (phase == 0) {
        POINT at{a.dialog.x, a.dialog.y};
        HWND target = windowAt(control, at);
        if (a.kind == Answer::Kind::Click) {
          postMoveAndClick(target, at);
        } else if (a.kind == Answer::Kind::DoubleClick) {
          postMoveAndDoubleClick(target, at);
        } else {
          postWheel(target, at, a.dialog.value);
        }
        return false;
      }
      return true;
    case Answer::Kind::Press:
      if (frame.pressTaken) return true;
      if (frame.presses == kMostPresses) return fail(a.line, name + " does not take the press"), false;
      ++frame.presses;
      postMoveAndClick(control, clientCentre(control));
      return false;
    default: return true;
  }
}

void DialogDriver::takePicture(Frame& frame) {
  const Answer& a = *frame.action;
  std::string error;
  if (!host_.writesFiles) {
    // A fault sweep's run: the picture is taken and encoded, and dropped.
    if (vdpng::windowPng(frame.window, error).empty())
      fail(a.line, "the picture " + vd::utf16ToUtf8(a.dialog.text) + " cannot be taken: " + error);
    return;
  }
  const std::filesystem::path path(ui::toWide(a.dialog.text));
  std::error_code ec;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
  if (!vdpng::writeWindow(frame.window, path.string(), error))
    fail(a.line, "the picture " + vd::utf16ToUtf8(a.dialog.text) + " was not written: " + error);
}

void DialogDriver::writeChanges(Frame& frame) {
  std::vector<ShownControl> now = showControls(frame.window);
  for (const ShownControl& c : now) {
    auto before = std::find_if(frame.shown.begin(), frame.shown.end(),
                               [&](const ShownControl& s) { return s.window == c.window; });
    if (before == frame.shown.end() || before->line != c.line) host_.log("  " + c.line);
  }
  frame.shown = std::move(now);
}

void DialogDriver::fail(int line, const std::string& why) {
  host_.fail("script line " + std::to_string(line) + ": " + why);
  closeEverything();
}

void DialogDriver::closeEverything() {
  for (const Appeared& a : appeared_) {
    if (IsWindow(a.window)) EndDialog(a.window, cancelResultOf(a.window));
  }
  appeared_.clear();
  // Each one's loop ends as soon as it runs again; the innermost runs first.
  for (auto f = frames_.rbegin(); f != frames_.rend(); ++f) {
    f->action.reset();
    EndDialog(f->window, IDCANCEL);
  }
}

}  // namespace vdhost
