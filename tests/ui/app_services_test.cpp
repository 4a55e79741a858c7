// The application object's services as a user meets them: the error box and
// the module-state switch.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "dialog_script.h"
#include "host/host_api.h"
#include "host/services.h"
#include "host/win/vdshared_app.h"
#include "ui/handles.h"
#include "ui/module_state.h"

namespace {

struct SeenBox {
  std::wstring caption, text;
  HWND owner = nullptr;
  bool errorIcon = false;
  int count = 0;
};
SeenBox g_seen;
HHOOK g_hook = nullptr;

// Reads a message box as it opens and presses OK for the user.
LRESULT CALLBACK watchBoxes(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    HWND box = reinterpret_cast<HWND>(wParam);
    wchar_t buf[512];
    GetClassNameW(box, buf, 512);
    if (std::wstring(buf) != L"#32770") return CallNextHookEx(g_hook, code, wParam, lParam);
    GetWindowTextW(box, buf, 512);
    g_seen.caption = buf;
    GetDlgItemTextW(box, 0xFFFF, buf, 512);
    g_seen.text = buf;
    g_seen.owner = GetWindow(box, GW_OWNER);
    // The box's icon is the shared system icon of the style it was asked with.
    g_seen.errorIcon = false;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM) -> BOOL {
          if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) return TRUE;
          HICON shown = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
          g_seen.errorIcon = shown && shown == LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_HAND));
          return FALSE;
        },
        0);
    ++g_seen.count;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  }
  return CallNextHookEx(g_hook, code, wParam, lParam);
}

TEST(AppServices, ErrorBoxIsModalOwnedByTheHostWithTheErrorIcon) {
  ui::unique_hwnd hostWindow = uitest::makePlainWindow(L"AppServicesTestHost", WS_OVERLAPPEDWINDOW);
  ASSERT_TRUE(hostWindow);
  vd::hostBinding().mainWindow = hostWindow.get();
  ASSERT_TRUE(vd::theApp().InitInstance());
  g_hook = SetWindowsHookExW(WH_CBT, watchBoxes, nullptr, GetCurrentThreadId());
  ASSERT_NE(g_hook, nullptr);
  g_seen = SeenBox{};
  vd::errorBox(u"Ve výkrese není vytvořena žádná kóta/základna");
  UnhookWindowsHookEx(g_hook);
  EXPECT_EQ(g_seen.count, 1);
  EXPECT_EQ(g_seen.caption, L"VELDRA");
  EXPECT_EQ(g_seen.text, L"Ve výkrese není vytvořena žádná kóta/základna");
  EXPECT_EQ(g_seen.owner, hostWindow.get());
  EXPECT_TRUE(g_seen.errorIcon);
  vd::theApp().ExitInstance();
  vd::hostBinding().mainWindow = nullptr;
}

TEST(AppServices, NoErrorBoxAfterTheModuleLeft) {
  ASSERT_TRUE(vd::theApp().InitInstance());
  vd::theApp().ExitInstance();
  g_hook = SetWindowsHookExW(WH_CBT, watchBoxes, nullptr, GetCurrentThreadId());
  g_seen = SeenBox{};
  vd::errorBox(u"nic");
  UnhookWindowsHookEx(g_hook);
  EXPECT_EQ(g_seen.count, 0);
}

TEST(AppServices, ModuleStateIsRestoredOnEveryExit) {
  ui::ModuleState outer{reinterpret_cast<HINSTANCE>(0x1000)};
  ui::ModuleState inner{reinterpret_cast<HINSTANCE>(0x2000)};
  HINSTANCE before = ui::currentResources();
  {
    ui::ModuleStateScope a(&outer);
    EXPECT_EQ(ui::currentResources(), outer.resources);
    try {
      ui::ModuleStateScope b(&inner);
      EXPECT_EQ(ui::currentResources(), inner.resources);
      throw 1;
    } catch (int) {
    }
    EXPECT_EQ(ui::currentResources(), outer.resources) << "an exception leaves through the scope too";
  }
  EXPECT_EQ(ui::currentResources(), before);
}

}  // namespace
