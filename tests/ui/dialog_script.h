// Drives a modal dialog from inside its own message loop, as a user would.
//
// Steps run one at a time from messages posted to a message-only window of
// the dialog's thread. Input a step posts (keys, characters, clicks) is queued
// ahead of the next step's message, so the dialog has handled it, through its
// loop, the thread's hooks and the dialog manager, before the next step runs.
#pragma once
#include <windows.h>

#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "tools/vdhost/window_input.h"
#include "ui/dialog.h"
#include "ui/handles.h"

namespace uitest {

// DoModal's result when the script ran out of time and closed the dialog.
constexpr INT_PTR kScriptTimedOut = -2;

class DialogScript {
 public:
  explicit DialogScript(ui::Dialog& dialog);
  ~DialogScript();
  DialogScript(const DialogScript&) = delete;
  DialogScript& operator=(const DialogScript&) = delete;

  DialogScript& then(std::function<void()> step);
  // Waits (letting the dialog run, timers fire) until `done` holds; a failure
  // naming `what` when it does not within the time. The time is a ceiling
  // for a loaded machine (windows and X round trips slow down there); a
  // passing wait ends as soon as `done` holds.
  DialogScript& waitFor(std::function<bool()> done, std::string what, int milliseconds = 10000);

  // Runs the dialog with the script; every step must have run, and the
  // dialog must close within `closeMilliseconds` of the last one (it is
  // closed with kScriptTimedOut otherwise).
  INT_PTR run(int closeMilliseconds = 3000);
  const std::vector<std::string>& failures() const { return failures_; }

 private:
  static LRESULT CALLBACK windowProc(HWND, UINT, WPARAM, LPARAM);
  void next();

  struct Step {
    std::function<void()> action;
    std::function<bool()> done;  // waits while false
    std::string what;
    int milliseconds = 0;
  };
  ui::Dialog& dialog_;
  ui::unique_hwnd window_;
  std::deque<Step> steps_;
  std::chrono::steady_clock::time_point waitEnd_{};
  bool waiting_ = false;
  int closeMilliseconds_ = 0;
  std::vector<std::string> failures_;
};

// A window of a class of its own that does what DefWindowProc does; a
// message-only window when the parent is HWND_MESSAGE.
ui::unique_hwnd makePlainWindow(const wchar_t* className, DWORD style, HWND parent = nullptr);

// Real input as the keyboard and mouse drivers post it: the dialog driver's.
using vdhost::clientCentre;
using vdhost::postChars;
using vdhost::postClick;
using vdhost::postKey;

// A pixel of a window as it shows on the screen.
COLORREF screenPixel(HWND window, POINT client);

// The visible message box of this thread owned by `owner`; null while there is none.
HWND messageBoxOver(HWND owner);

// The texts of a combo box's items, in list order.
std::vector<std::wstring> comboItems(HWND combo);

}  // namespace uitest
