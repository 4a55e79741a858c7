#include "tools/vdhost/window_guard.h"

#include <cstdlib>
#include <cstring>

#include "ui/wide_text.h"

namespace vdhost {

namespace {

thread_local WindowGuard* t_guard = nullptr;

std::string describe(HWND window) {
  wchar_t name[64] = {};
  wchar_t title[128] = {};
  GetClassNameW(window, name, 64);
  GetWindowTextW(window, title, 128);
  return "a window of class \"" + ui::wideToUtf8(name) + "\" titled \"" + ui::wideToUtf8(title) +
         "\" was activated in a test that is not marked as one that shows windows (vd_shows_windows)";
}

bool windowsForbidden() {
  const char* marked = std::getenv("VD_SHOWS_WINDOWS");
  return marked && std::strcmp(marked, "0") == 0;
}

}  // namespace

WindowGuard::WindowGuard(std::function<void(const std::string&)> report) : report_(std::move(report)) {
  // One watch per thread, so that a window is reported once.
  if (t_guard || !windowsForbidden()) return;
  hook_ = SetWindowsHookExW(WH_CBT, &WindowGuard::cbtProc, nullptr, GetCurrentThreadId());
  if (hook_) t_guard = this;
}

WindowGuard::~WindowGuard() {
  if (!hook_) return;
  UnhookWindowsHookEx(hook_);
  t_guard = nullptr;
}

LRESULT CALLBACK WindowGuard::cbtProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
  WindowGuard* guard = t_guard;
  if (guard && code == HCBT_ACTIVATE) {
    HWND window = reinterpret_cast<HWND>(wParam);
    try {
      // The first window tells the missing mark; the ones that take the
      // activation back when it closes would only repeat it.
      if (!guard->reported_ && IsWindow(window) && !(GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD)) {
        guard->reported_ = true;
        guard->report_(describe(window));
      }
    } catch (...) {
      // Out of memory for the description: the window goes unreported rather
      // than an exception into the thread's window code.
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace vdhost
