// The module's combo boxes drop down a list as wide as their widest item,
// when the user opens it with the keyboard.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "controls/vd_combo.h"
#include "controls_test_ids.h"
#include "dialog_script.h"
#include "script_run.h"
#include "ui/dialog.h"

namespace {

const std::vector<std::wstring> kItems = {L"Krátká", L"Velmi dlouhá položka seznamu, která se nevejde", L"Střední položka"};
constexpr int kPictureWidth = 18;

class CombosDialog : public ui::Dialog {
 public:
  CombosDialog() : ui::Dialog(IDD_COMBOS) {
    Bind(IDC_COMBO_PLAIN, plain);
    Bind(IDC_COMBO_FIXED, fixed);
    Bind(IDC_COMBO_EX, pictures);
  }
  vd::VdComboBox plain;
  vd::VdComboBox fixed{false};
  vd::VdComboBoxEx pictures;

 protected:
  bool OnInitDialog() override {
    for (const std::wstring& t : kItems) {
      plain.addString(t.c_str());
      fixed.addString(t.c_str());
      pictures.insertItem(-1, t.c_str(), -1);
    }
    pictures.setExtraWidth(kPictureWidth);
    return ui::Dialog::OnInitDialog();
  }
};

// The widest item's text in the font of `window`, with one average character.
int widestItem(HWND window) {
  int average = 0;
  int widest = 0;
  for (int w : vd::textExtents(window, kItems, &average)) widest = std::max(widest, w);
  return widest + average;
}

TEST(VdCombo, DroppedListsFitTheirWidestItem) {
  CombosDialog dlg;
  int fixedBefore = 0;
  const int frame = 2 * GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXVSCROLL);
  uitest::runSteps(dlg, [&] { return dlg.window().visible(); }, "the dialog to show", [&](uitest::DialogScript& s) {
    s.then([&] {
       fixedBefore = dlg.fixed.droppedWidth();
       SetFocus(dlg.plain.hwnd());
       uitest::postKey(GetFocus(), VK_F4);
     })
        .waitFor([&] { return dlg.plain.droppedDown(); }, "the plain list to drop")
        .then([&] {
          EXPECT_EQ(dlg.plain.droppedWidth(), widestItem(dlg.plain.hwnd()) + frame);
          EXPECT_GT(dlg.plain.droppedWidth(), dlg.plain.window().clientRect().right) << "wider than the control";
          dlg.plain.showDropDown(false);
          SetFocus(dlg.fixed.hwnd());
          uitest::postKey(dlg.fixed.hwnd(), VK_F4);
        })
        .waitFor([&] { return dlg.fixed.droppedDown(); }, "the fixed list to drop")
        .then([&] {
          EXPECT_EQ(dlg.fixed.droppedWidth(), fixedBefore) << "a combo without auto width keeps its list";
          dlg.fixed.showDropDown(false);
          SetFocus(dlg.pictures.comboBox());
          uitest::postKey(dlg.pictures.comboBox(), VK_F4);
        })
        .waitFor([&] { return dlg.pictures.droppedDown(); }, "the extended list to drop")
        .then([&] {
          EXPECT_EQ(dlg.pictures.droppedWidth(), widestItem(dlg.pictures.comboBox()) + frame + kPictureWidth);
          dlg.pictures.showDropDown(false);
        });
  });
}

}  // namespace
