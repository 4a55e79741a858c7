// The application object's error box: shown while the module is in, and
// never after it has left (its exit takes the box's sink away).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "host/host_api.h"
#include "host/services.h"
#include "host/win/vdshared_app.h"

namespace {

int g_boxes = 0;
HHOOK g_hook = nullptr;

// Counts the message boxes that open and presses OK for the user.
LRESULT CALLBACK watchBoxes(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    HWND box = reinterpret_cast<HWND>(wParam);
    wchar_t name[16] = {};
    GetClassNameW(box, name, 16);
    if (std::wstring(name) == L"#32770") {
      ++g_boxes;
      PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
  }
  return CallNextHookEx(g_hook, code, wParam, lParam);
}

// The error box shows while the module is in, and none after it left. The
// box itself (caption, text, the host's window as owner, the error icon) is
// what the scenarios read off the module's error boxes:
// tests/scenarios/dimarc_limits.expected, dimalign_row.expected.
TEST(AppServices, NoErrorBoxAfterTheModuleLeft) {
  g_hook = SetWindowsHookExW(WH_CBT, watchBoxes, nullptr, GetCurrentThreadId());
  ASSERT_NE(g_hook, nullptr);
  ASSERT_TRUE(vd::theApp().InitInstance());
  vd::errorBox(u"Ve výkrese není vytvořena žádná kóta/základna");
  EXPECT_EQ(g_boxes, 1);
  vd::theApp().ExitInstance();
  vd::errorBox(u"nic");
  UnhookWindowsHookEx(g_hook);
  EXPECT_EQ(g_boxes, 1) << "none after the module left";
}

}  // namespace
