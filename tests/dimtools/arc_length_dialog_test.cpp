// The arc-part length dialog under Wine with the module's template: it shows
// the length, and its field selects the whole text whenever it gets the
// focus, however the focus comes.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>

#include "dialog_script.h"
#include "dimtools/arc_length_dialog.h"
#include "hostsim/host.h"
#include "module_dialog.h"
#include "module_environment.h"
#include "res/dialog_ids.h"

namespace {

const testing::Environment* const g_environment = testing::AddGlobalTestEnvironment(new uitest::ModuleEnvironment);

std::pair<DWORD, DWORD> selection(HWND edit) {
  DWORD start = 0, end = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return {start, end};
}

TEST(ArcLengthDialog, ShowsTheLengthSelectedForCopying) {
  const size_t before = hostsim::Host::instance().transcript().size();
  uitest::ModuleDialog<vd::dim::CArcDimLenDlg> dlg(vd::vstring(u"23.5619"), nullptr);
  std::wstring shown;
  std::pair<DWORD, DWORD> afterClear{}, refocused{};
  INT_PTR result = uitest::runModuleDialog<vd::dim::CArcDimLenDlg>(dlg, [&](vd::dim::CArcDimLenDlg& d,
                                                                          uitest::DialogScript& s) {
    s.then([&] {
      HWND edit = d.item(IDC_ARCLEN_VALUE).hwnd();
      shown = d.item(IDC_ARCLEN_VALUE).text();
      // Away and back by SetFocus alone, which selects nothing by itself.
      SetFocus(d.item(IDOK).hwnd());
      SendMessageW(edit, EM_SETSEL, 2, 2);
      afterClear = selection(edit);
      SetFocus(edit);
      refocused = selection(edit);
      uitest::clickButton(d, IDOK);
    });
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(shown, L"23.5619");
  EXPECT_EQ(afterClear, std::make_pair(DWORD{2}, DWORD{2})) << "the check itself can tell";
  EXPECT_EQ(refocused, std::make_pair(DWORD{0}, DWORD{7}));
  const auto& t = hostsim::Host::instance().transcript();
  EXPECT_NE(std::find(t.begin() + static_cast<std::ptrdiff_t>(before), t.end(), "host: dialog 1003 localized"),
            t.end());
}

}  // namespace
