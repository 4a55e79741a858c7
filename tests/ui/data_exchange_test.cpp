// Dialog data exchange: members shown in the controls, read back and checked
// on OK, the first failure reported in one place and nothing read after it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "dialog_script.h"
#include "test_ids.h"
#include "ui/ddx.h"
#include "ui/dialog.h"

namespace {

using uitest::DialogScript;

class ExchangeDialog : public ui::Dialog {
 public:
  ExchangeDialog() : ui::Dialog(IDD_EXCHANGE) {}

  bool drawLeader = true;
  std::wstring value = L"±0.000";
  int insertPoint = 2;
  std::vector<int> errors;  // controls reported by OnDataExchangeError

 protected:
  bool OnInitDialog() override {
    for (const wchar_t* text : {L"Střed", L"Levý horní", L"Levý spodní", L"Střed horní"})
      item(IDC_HISTORY).send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    return ui::Dialog::OnInitDialog();
  }
  void DoDataExchange(ui::DataExchange& dx) override {
    dx.check(IDC_CHECK, drawLeader);
    dx.text(IDC_EDIT, value);
    if (dx.saving() && value.empty()) dx.fail(IDC_EDIT);
    dx.comboIndex(IDC_HISTORY, insertPoint);
  }
  void OnDataExchangeError(int id) override {
    errors.push_back(id);
    ui::Dialog::OnDataExchangeError(id);
  }
};

TEST(DataExchange, MembersGoToTheControlsAndComeBackChecked) {
  ExchangeDialog dlg;
  DialogScript script(dlg);
  HWND edit = nullptr;
  script.waitFor([&] { return dlg.window().visible(); }, "the dialog to show")
      .then([&] {
        EXPECT_EQ(dlg.item(IDC_CHECK).send(BM_GETCHECK), BST_CHECKED);
        EXPECT_EQ(dlg.item(IDC_EDIT).text(), L"±0.000");
        EXPECT_EQ(dlg.item(IDC_HISTORY).send(CB_GETCURSEL), 2);
        edit = dlg.item(IDC_EDIT).hwnd();
        // The user empties the value, unchecks the box, picks another item, presses OK.
        dlg.item(IDC_EDIT).setText(L"");
        uitest::postClick(dlg.item(IDC_CHECK).hwnd(), POINT{3, 3});
        uitest::postKey(dlg.item(IDC_HISTORY).hwnd(), VK_DOWN);
        uitest::postClick(dlg.item(IDOK).hwnd(), POINT{5, 5});
      })
      .then([&] {
        ASSERT_EQ(dlg.errors, std::vector<int>{IDC_EDIT}) << "the empty value stops OK";
        EXPECT_EQ(GetFocus(), edit) << "the failing control has the focus";
        EXPECT_FALSE(dlg.drawLeader) << "read before the failure";
        EXPECT_EQ(dlg.insertPoint, 2) << "nothing is read after the failure";
        uitest::postChars(edit, L"1,250");
        uitest::postClick(dlg.item(IDOK).hwnd(), POINT{5, 5});
      });
  EXPECT_EQ(script.run(), IDOK);
  EXPECT_TRUE(script.failures().empty()) << script.failures().front();
  EXPECT_EQ(dlg.errors.size(), 1u);
  EXPECT_FALSE(dlg.drawLeader);
  EXPECT_EQ(dlg.value, L"1,250");
  EXPECT_EQ(dlg.insertPoint, 3);
}

TEST(DataExchange, AMissingControlFailsAndStopsTheExchange) {
  ExchangeDialog dlg;
  DialogScript script(dlg);
  script.waitFor([&] { return dlg.window().visible(); }, "the dialog to show").then([&] {
    for (bool save : {false, true}) {
      SCOPED_TRACE(save ? "saving" : "loading");
      ui::DataExchange dx(dlg.hwnd(), save);
      std::wstring text = L"x";
      bool checked = false;
      dx.text(4242, text);
      EXPECT_FALSE(dx.ok());
      EXPECT_EQ(dx.failedId(), 4242);
      dx.check(IDC_CHECK, checked);
      dx.fail(IDC_EDIT);
      EXPECT_EQ(dx.failedId(), 4242) << "the first failure is the one reported";
      EXPECT_EQ(text, L"x");
      EXPECT_FALSE(checked) << "no exchange after a failure";
      EXPECT_EQ(dlg.item(IDC_CHECK).send(BM_GETCHECK), BST_CHECKED);
    }
    uitest::postClick(dlg.item(IDCANCEL).hwnd(), POINT{5, 5});
  });
  EXPECT_EQ(script.run(), IDCANCEL);
  EXPECT_TRUE(script.failures().empty()) << script.failures().front();
  EXPECT_TRUE(dlg.drawLeader) << "Cancel reads nothing back";
}

}  // namespace
