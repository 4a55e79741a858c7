// Typed message handlers.
//
// A window class lists its handlers in a message map: a table of entries, one
// per message or command, each made by an entry maker below that decodes the
// message's parameters once and calls a member function with typed arguments.
// The handler's signature is written beside each maker. A class answers its
// messages in ProcessMessage and chains to its base class there:
//
//   bool CMyDlg::ProcessMessage(ui::Message& m) {
//     static constexpr ui::Handler map[] = {
//         ui::onClicked<1006, &CMyDlg::OnSettings>,
//         ui::onTimer<&CMyDlg::OnTimer>,
//     };
//     return ui::dispatch(*this, map, m) || ui::Dialog::ProcessMessage(m);
//   }
//
// The map lives inside a member function so that the class is complete when
// the entries take the addresses of its members.
#pragma once
#include <windows.h>
#include <windowsx.h>

#include <span>

#include "ui/module_state.h"

namespace ui {

// One message as a window procedure received it, and the result to answer.
struct Message {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT result = 0;
};

// Notifications a dialog reflects back to the control that sent them arrive
// at the control as these messages, with the original parameters.
constexpr UINT kReflectBase = WM_USER + 0x1C00;
constexpr UINT kReflectedCommand = kReflectBase + WM_COMMAND;
constexpr UINT kReflectedDrawItem = kReflectBase + WM_DRAWITEM;
constexpr UINT kReflectedMeasureItem = kReflectBase + WM_MEASUREITEM;

// Anything that answers window messages: dialogs and subclassed controls.
class MessageTarget {
 public:
  MessageTarget() noexcept : moduleState_(currentModuleState()) {}
  virtual ~MessageTarget() = default;
  MessageTarget(const MessageTarget&) = delete;
  MessageTarget& operator=(const MessageTarget&) = delete;

  // The message map: true when a handler took the message (its result is in
  // m.result). Overrides chain to their base class's ProcessMessage.
  virtual bool ProcessMessage(Message& m) { return false; }

  // Sees a keyboard or mouse message for this window or one of its children
  // before the dialog manager does. It may change the message (for instance
  // send it to another window); true swallows it.
  virtual bool PreTranslateMessage(MSG& msg) { return false; }

  // The module whose resources this window uses: the one current when the
  // object was made. Its window procedure runs with that module current.
  ModuleState* moduleState() const noexcept { return moduleState_; }

 private:
  ModuleState* moduleState_;
};

// A value for Handler::id and Handler::code that matches any.
constexpr int kAny = 0x10000;

struct Handler {
  UINT message;
  int id;    // WM_COMMAND and reflected commands: the control id, or kAny
  int code;  // WM_COMMAND and reflected commands: the notification code, or kAny
  void (*call)(MessageTarget& target, Message& m);
};

// Runs the first entry that matches the message; false when none does.
inline bool dispatch(MessageTarget& target, std::span<const Handler> map, Message& m) {
  const bool command = m.message == WM_COMMAND || m.message == kReflectedCommand;
  const int id = LOWORD(m.wParam);
  const int code = HIWORD(m.wParam);
  for (const Handler& h : map) {
    if (h.message != m.message) continue;
    if (command && ((h.id != kAny && h.id != id) || (h.code != kAny && h.code != code))) continue;
    h.call(target, m);
    return true;
  }
  return false;
}

namespace detail {

template <typename>
struct MemberOf;
template <typename C, typename R, typename... A>
struct MemberOf<R (C::*)(A...)> {
  using type = C;
};
template <typename C, typename R, typename... A>
struct MemberOf<R (C::*)(A...) noexcept> {
  using type = C;
};

// The object a handler belongs to, from the target the message came to.
template <auto F>
typename MemberOf<decltype(F)>::type& owner(MessageTarget& t) {
  return static_cast<typename MemberOf<decltype(F)>::type&>(t);
}

inline POINT clientPoint(LPARAM l) { return POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)}; }

template <auto F>
void callRaw(MessageTarget& t, Message& m) {
  m.result = (owner<F>(t).*F)(m.wParam, m.lParam);
}
template <auto F>
void callVoid(MessageTarget& t, Message& m) {
  (owner<F>(t).*F)();
}
template <auto F>
void callWithId(MessageTarget& t, Message& m) {
  (owner<F>(t).*F)(static_cast<int>(LOWORD(m.wParam)));
}
template <auto F>
void callTimer(MessageTarget& t, Message& m) {
  (owner<F>(t).*F)(static_cast<UINT_PTR>(m.wParam));
}
template <auto F>
void callEraseBackground(MessageTarget& t, Message& m) {
  m.result = (owner<F>(t).*F)(reinterpret_cast<HDC>(m.wParam)) ? 1 : 0;
}
template <auto F>
void callSize(MessageTarget& t, Message& m) {
  (owner<F>(t).*F)(static_cast<UINT>(m.wParam), LOWORD(m.lParam), HIWORD(m.lParam));
}
template <auto F>
void callMouse(MessageTarget& t, Message& m) {
  (owner<F>(t).*F)(static_cast<UINT>(m.wParam), clientPoint(m.lParam));
}
template <auto F>
void callWheel(MessageTarget& t, Message& m) {
  (owner<F>(t).*F)(GET_WHEEL_DELTA_WPARAM(m.wParam), GET_KEYSTATE_WPARAM(m.wParam), clientPoint(m.lParam));
}
template <auto F>
void callSetCursor(MessageTarget& t, Message& m) {
  m.result = (owner<F>(t).*F)(reinterpret_cast<HWND>(m.wParam), LOWORD(m.lParam), HIWORD(m.lParam)) ? TRUE : FALSE;
}
template <auto F>
void callWindowW(MessageTarget& t, Message& m) {
  (owner<F>(t).*F)(reinterpret_cast<HWND>(m.wParam));
}
template <auto F>
void callWindowL(MessageTarget& t, Message& m) {
  (owner<F>(t).*F)(reinterpret_cast<HWND>(m.lParam));
}
template <auto F>
void callDrawItem(MessageTarget& t, Message& m) {
  (owner<F>(t).*F)(*reinterpret_cast<const DRAWITEMSTRUCT*>(m.lParam));
  m.result = TRUE;
}
template <auto F>
void callMeasureItem(MessageTarget& t, Message& m) {
  (owner<F>(t).*F)(*reinterpret_cast<MEASUREITEMSTRUCT*>(m.lParam));
  m.result = TRUE;
}

}  // namespace detail

// Entry makers, each with the signature of its handler.

// LRESULT F(WPARAM, LPARAM): any message, answered with F's result.
template <UINT Msg, auto F>
inline constexpr Handler onMessage{Msg, kAny, kAny, &detail::callRaw<F>};

// void F(): WM_COMMAND from control (or menu item) Id with notification Code.
template <int Id, int Code, auto F>
inline constexpr Handler onCommand{WM_COMMAND, Id, Code, &detail::callVoid<F>};

// void F(): a click on button Id (BN_CLICKED).
template <int Id, auto F>
inline constexpr Handler onClicked{WM_COMMAND, Id, BN_CLICKED, &detail::callVoid<F>};

// void F(int id): notification Code from any control; id names the control.
template <int Code, auto F>
inline constexpr Handler onNotification{WM_COMMAND, kAny, Code, &detail::callWithId<F>};

// void F(UINT_PTR timerId): WM_TIMER.
template <auto F>
inline constexpr Handler onTimer{WM_TIMER, kAny, kAny, &detail::callTimer<F>};

// void F(): WM_DESTROY.
template <auto F>
inline constexpr Handler onDestroy{WM_DESTROY, kAny, kAny, &detail::callVoid<F>};

// void F(): WM_PAINT; F validates the window (BeginPaint/EndPaint).
template <auto F>
inline constexpr Handler onPaint{WM_PAINT, kAny, kAny, &detail::callVoid<F>};

// bool F(HDC): WM_ERASEBKGND; true when F erased the background.
template <auto F>
inline constexpr Handler onEraseBackground{WM_ERASEBKGND, kAny, kAny, &detail::callEraseBackground<F>};

// void F(UINT type, int width, int height): WM_SIZE.
template <auto F>
inline constexpr Handler onSize{WM_SIZE, kAny, kAny, &detail::callSize<F>};

// void F(UINT keys, POINT client): a mouse message in the client area
// (WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_MBUTTONDBLCLK, ...).
template <UINT Msg, auto F>
inline constexpr Handler onMouse{Msg, kAny, kAny, &detail::callMouse<F>};

// void F(int delta, UINT keys, POINT screen): WM_MOUSEWHEEL.
template <auto F>
inline constexpr Handler onMouseWheel{WM_MOUSEWHEEL, kAny, kAny, &detail::callWheel<F>};

// bool F(HWND window, UINT hitTest, UINT mouseMessage): WM_SETCURSOR; true
// when F set the cursor.
template <auto F>
inline constexpr Handler onSetCursor{WM_SETCURSOR, kAny, kAny, &detail::callSetCursor<F>};

// void F(HWND other): WM_SETFOCUS (the window that lost it) and WM_KILLFOCUS
// (the window that gets it).
template <auto F>
inline constexpr Handler onSetFocus{WM_SETFOCUS, kAny, kAny, &detail::callWindowW<F>};
template <auto F>
inline constexpr Handler onKillFocus{WM_KILLFOCUS, kAny, kAny, &detail::callWindowW<F>};

// void F(HWND newCapture): WM_CAPTURECHANGED.
template <auto F>
inline constexpr Handler onCaptureChanged{WM_CAPTURECHANGED, kAny, kAny, &detail::callWindowL<F>};

// Notifications reflected to the control that sent them.

// void F(): the control's own notification Code (CBN_SELCHANGE, BN_CLICKED, ...).
template <int Code, auto F>
inline constexpr Handler onReflected{kReflectedCommand, kAny, Code, &detail::callVoid<F>};

// void F(const DRAWITEMSTRUCT&): the control is to draw itself or an item.
template <auto F>
inline constexpr Handler onReflectedDrawItem{kReflectedDrawItem, kAny, kAny, &detail::callDrawItem<F>};

// void F(MEASUREITEMSTRUCT&): the control is to give the size of its items.
// It may arrive while the control is being created, before it is subclassed.
template <auto F>
inline constexpr Handler onReflectedMeasureItem{kReflectedMeasureItem, kAny, kAny, &detail::callMeasureItem<F>};

}  // namespace ui
