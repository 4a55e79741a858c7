// A watch on the windows a test's thread activates, for the tests that are
// not marked as ones that show windows (cmake/vd_helpers.cmake,
// vd_shows_windows). Such a test runs beside others on one display, where a
// window that takes the activation takes the keyboard focus from whatever
// another test drives there; the watch makes the missing mark a failure of
// the test that shows the window instead of a rare one of its neighbour.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace vdhost {

// While it lives, and when the tests' emulator (cmake/wine_display.sh) runs
// this process as a test that is not marked as showing windows, calls
// `report` with a description of the first top-level window that the
// constructing thread activates. The window opens as it would without the
// watch: a test that waits for it to be answered still ends. Anywhere else
// the watch does nothing.
class WindowGuard {
 public:
  explicit WindowGuard(std::function<void(const std::string&)> report);
  ~WindowGuard();
  WindowGuard(const WindowGuard&) = delete;
  WindowGuard& operator=(const WindowGuard&) = delete;

 private:
  static LRESULT CALLBACK cbtProc(int code, WPARAM wParam, LPARAM lParam) noexcept;

  std::function<void(const std::string&)> report_;
  HHOOK hook_ = nullptr;
  bool reported_ = false;
};

}  // namespace vdhost
