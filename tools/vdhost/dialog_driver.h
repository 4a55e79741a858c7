// Answers the dialogs and message boxes of the thread with the dialog lines
// of the host script (docs/host-scripts.md, "Dialogs").
//
// The module runs a dialog in DialogBoxParam's own message loop, inside one
// of its commands, so nobody outside can call into that loop; the driver
// plays the lines from inside it instead. A WH_CBT hook notes every dialog
// window the thread makes and destroys; a timer of the driver's
// message-only window, which the loop dispatches like any other message,
// then meets each new window (a `dialog` or `msgbox` line must answer it)
// and carries the open dialog's lines out one at a time. An action posts the
// input a user gives (keys, characters, clicks, wheel turns, focus moves),
// so handlers, notifications, key hooks, timers and nested dialogs all run
// for real; a timer message arrives only when the loop has nothing else to
// do, so each step of an action starts once the previous one has settled.
//
// Every wait has an end: a dialog that never shows, a check box that does
// not take its state. After an error the host is failed, and the driver
// closes every dialog and message box that is or comes open (as Cancel), so
// that the run ends and nothing waits for a user.
//
// A posted click can be lost: the display's own pointer may move out of the
// button between press and release. A WH_CALLWNDPROC hook sees a button tell
// its dialog it was clicked; a press that the button never told is given
// again, as a message box's is.
#pragma once
#include <windows.h>

#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "hostsim/host.h"
#include "tools/vdhost/dialog_view.h"
#include "ui/handles.h"

namespace vdhost {

class DialogDriver {
 public:
  // Watches the windows of the calling thread for as long as it lives; one
  // driver per thread.
  explicit DialogDriver(hostsim::Host& host);
  ~DialogDriver();
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;

  // False when the hook or the driver's window could not be made.
  bool ready() const { return window_ && hook_ && callHook_; }

 private:
  using Clock = std::chrono::steady_clock;

  // A dialog the script answers, and the line of it being carried out.
  struct Frame {
    HWND window = nullptr;
    int templateId = 0;
    int lastLine = 0;                 // the last script line this dialog took
    std::vector<ShownControl> shown;  // the controls as the transcript last wrote them
    std::optional<hostsim::Answer> action;
    int phase = 0;
    int index = -1;             // choose: the item
    int presses = 0;            // press: how often the click was given
    bool pressTaken = false;    // press: the button told the dialog it was clicked
    Clock::time_point until{};  // wait: when it ends; a focus move: when it is given up
  };
  // A dialog or message box window the thread made and the script has not met yet.
  struct Appeared {
    HWND window;
    Clock::time_point since;
    int pressed = 0;  // a message box: the button the script pressed in it
    int presses = 0;  // how often that press was given
  };

  static LRESULT CALLBACK cbtProc(int code, WPARAM wParam, LPARAM lParam) noexcept;
  static LRESULT CALLBACK callProc(int code, WPARAM wParam, LPARAM lParam) noexcept;
  static LRESULT CALLBACK windowProc(HWND, UINT, WPARAM, LPARAM) noexcept;
  void commandSent(const CWPSTRUCT& call);
  void created(HWND window, const CREATESTRUCTW& create);
  void destroyed(HWND window);
  void tick();
  void step();
  void meet(HWND window);
  void answerBox(HWND box, const hostsim::Answer& line);
  void start(Frame& frame);
  bool proceed(Frame& frame);
  // Moves the focus into the control as the first step of a line.
  void focusOn(Frame& frame, HWND control);
  // True once the focus is on `target` (null: anywhere in the control);
  // until then the step is repeated, and after a while the line fails.
  bool focusArrived(Frame& frame, HWND control, HWND target);
  void writeChanges(Frame& frame);
  void takePicture(Frame& frame);
  // Fails the run with "script line N: why" and closes what is open.
  void fail(int line, const std::string& why);
  void closeEverything();
  std::string describe(HWND dialog) const;
  std::string ownerOf(HWND window) const;
  void startTicking();

  hostsim::Host& host_;
  ui::unique_hwnd window_;
  ui::unique_hhook hook_;
  ui::unique_hhook callHook_;  // sees the buttons' notifications reach their dialogs
  std::vector<Frame> frames_;  // open dialogs, the innermost last
  std::deque<Appeared> appeared_;
  bool ticking_ = false;
  bool inTick_ = false;
};

}  // namespace vdhost
