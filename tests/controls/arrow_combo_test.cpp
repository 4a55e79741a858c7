// The terminator combo in a dialog under Wine: the module's texts (served by
// the in-process host) and icons (VdShared.dll), the stored name after
// keys, clicks and bad names, and the picture of the dropped list.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "arrow_test_ids.h"
#include "controls/arrow_combo.h"
#include "dialog_script.h"
#include "dropped_picture.h"
#include "script_run.h"
#include "module_environment.h"
#include "ui/dialog.h"
#include "ui/module_state.h"

namespace {

constexpr int kTerminators = 18;
constexpr int kByStyle = 18;  // index of "Podle Stylu" when offered
constexpr const wchar_t* kByStyleText = L"Podle Stylu";

const testing::Environment* const g_environment = testing::AddGlobalTestEnvironment(new uitest::ModuleEnvironment);

// The test program's dialog (its template is the program's) with a
// terminator combo made while the module's state is current, so that it
// takes its pictures from VdShared.dll as it does inside the module.
class ArrowDialog : public ui::Dialog {
 public:
  ArrowDialog(const wchar_t* name, bool byStyle) : ui::Dialog(IDD_ARROW_TEST) {
    ui::ModuleStateScope module(&uitest::moduleUnderTestState());
    combo = std::make_unique<vd::arrowCombo>(name, byStyle);
    Bind(IDC_ARROW_TEST_COMBO, *combo);
  }
  std::unique_ptr<vd::arrowCombo> combo;
};

// Runs a dialog whose combo starts with `name` and plays `steps` once it
// shows; the dialog closes after them.
void runDialog(ArrowDialog& dlg, const std::function<void(uitest::DialogScript&)>& steps) {
  uitest::runSteps(dlg, [&] { return dlg.window().visible(); }, "the dialog to show", steps);
}

// What the combo shows and stores now.
struct Shown {
  int index;
  std::wstring text;
  std::wstring stored;
};
Shown shown(const vd::arrowCombo& combo) {
  const int index = combo.curSel();
  return {index, combo.itemText(index), combo.selectedName()};
}

void expectShown(const vd::arrowCombo& combo, int index, const std::wstring& text, const std::wstring& stored) {
  const Shown s = shown(combo);
  EXPECT_EQ(s.index, index);
  EXPECT_EQ(s.text, text);
  EXPECT_EQ(s.stored, stored) << "stored name of " << s.stored.size() << " characters";
}

// Keys and clicks of a user: the arrow keys in the closed list, a click in
// the dropped one; each choice is stored as the item's name.
TEST(ArrowCombo, ChoicesByKeysAndMouseAreStored) {
  ArrowDialog dlg(L"_OPEN", true);
  HWND inner = nullptr;
  struct Key {
    UINT key;
    int index;
    const wchar_t* text;
    const wchar_t* stored;
  } keys[] = {
      {VK_DOWN, 8, L"Indikace počátku", L"_ORIGIN"}, {VK_END, kByStyle, kByStyleText, L""},
      {VK_UP, 17, L"Integrál", L"_INTEGRAL"},        {VK_HOME, 0, L"Uzavřený vyplněný", L"."},
      {VK_UP, 0, L"Uzavřený vyplněný", L"."},        {VK_END, kByStyle, kByStyleText, L""},
  };
  runDialog(dlg, [&](uitest::DialogScript& s) {
    s.then([&] {
      inner = dlg.combo->comboBox();
      SetFocus(inner);
    });
    for (const Key& k : keys) {
      s.then([&] { uitest::postKey(inner, k.key); }).then([&] {
        SCOPED_TRACE(k.stored);
        expectShown(*dlg.combo, k.index, k.text, k.stored);
      });
    }
    // The dropped list, and a click on "Čtverec".
    s.then([&] { uitest::postKey(inner, VK_F4); })
        .waitFor([&] { return dlg.combo->droppedDown(); }, "the list to drop")
        .waitFor([&, start = GetTickCount64()] { return GetTickCount64() - start > 300; }, "the list to paint")
        .then([&] {
          COMBOBOXINFO info{};
          info.cbSize = sizeof info;
          ASSERT_TRUE(GetComboBoxInfo(inner, &info));
          RECT item{};
          ASSERT_NE(SendMessageW(info.hwndList, LB_GETITEMRECT, 14, reinterpret_cast<LPARAM>(&item)), LB_ERR);
          SendMessageW(info.hwndList, LB_SETTOPINDEX, 10, 0);
          SendMessageW(info.hwndList, LB_GETITEMRECT, 14, reinterpret_cast<LPARAM>(&item));
          uitest::postClick(info.hwndList, {(item.left + item.right) / 2, (item.top + item.bottom) / 2});
        })
        .waitFor([&] { return !dlg.combo->droppedDown(); }, "the list to close")
        .then([&] { expectShown(*dlg.combo, 14, L"Čtverec", L"_BOXBLANK"); });
  });
  EXPECT_EQ(dlg.combo->selectedName(), L"_BOXBLANK") << "kept after the window is gone";
}

TEST(ArrowCombo, SelectByNameOnTheShownList) {
  // What shows after each name, in this order; an unknown name leaves "Čtverec".
  struct Row {
    const char* what;
    std::wstring name;
    bool nullName;
    bool found;
    int index;
    const wchar_t* text;
    std::wstring stored;
  } rows[] = {
      {"ignoring case", L"_boxblank", false, true, 14, L"Čtverec", L"_BOXBLANK"},
      {"unknown name changes nothing", L"_NOSUCH", false, false, 14, L"Čtverec", L"_BOXBLANK"},
      {"null name", L"", true, false, 14, L"Čtverec", L"_BOXBLANK"},
      {"100,000 characters", std::wstring(100000, L'A'), false, false, 14, L"Čtverec", L"_BOXBLANK"},
      {"lone surrogates", L"\xD800\xD800", false, false, 14, L"Čtverec", L"_BOXBLANK"},
      {"the style entry", L"", false, true, kByStyle, kByStyleText, L""},
      {"mixed case stored as listed", L"_OPEN30", false, true, 10, L"Otevřená 30", L"_Open30"},
  };
  for (bool byStyle : {true, false}) {
    ArrowDialog dlg(L"_DOT", byStyle);
    runDialog(dlg, [&](uitest::DialogScript& s) {
      s.then([&] {
        for (const Row& r : rows) {
          SCOPED_TRACE(std::string(r.what) + (byStyle ? " (style entry offered)" : ""));
          // Without the style entry, selecting it fails and changes nothing.
          const bool styleMissing = !byStyle && r.index == kByStyle;
          const Shown before = shown(*dlg.combo);
          EXPECT_EQ(dlg.combo->selectByName(r.nullName ? nullptr : r.name.c_str()), r.found && !styleMissing);
          if (styleMissing)
            expectShown(*dlg.combo, before.index, before.text, before.stored);
          else
            expectShown(*dlg.combo, r.index, r.text, r.stored);
        }
      });
    });
  }
}

// A selection change with nothing selected (the list emptied of its
// selection by a program) puts the stored name back.
TEST(ArrowCombo, NoSelectionReselectsTheStoredName) {
  ArrowDialog dlg(L"_ARCHTICK", false);
  runDialog(dlg, [&](uitest::DialogScript& s) {
    s.then([&] {
      dlg.combo->setCurSel(-1);
      ASSERT_EQ(dlg.combo->curSel(), -1);
      SendMessageW(dlg.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_ARROW_TEST_COMBO, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(dlg.combo->hwnd()));
      expectShown(*dlg.combo, 6, L"Stavařská čárka", L"_ARCHTICK");
    });
  });
}

// Where the pictures of the documentation are written: VD_PICTURES, or the
// folder "pictures" of the current folder.
std::filesystem::path pictureFolder() {
  wchar_t buffer[MAX_PATH] = {};
  const DWORD n = GetEnvironmentVariableW(L"VD_PICTURES", buffer, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::filesystem::path(buffer) : std::filesystem::current_path() / "pictures";
}

// The dialog with the dropped-down list: the picture
// docs/pictures/arrow-combo.png. The list is tall enough to show every item.
TEST(ArrowCombo, PictureOfTheDroppedList) {
  ArrowDialog dlg(L"_OPEN", true);
  runDialog(dlg, [&](uitest::DialogScript& s) {
    s.then([&] {
       SetFocus(dlg.combo->comboBox());
       uitest::postKey(dlg.combo->comboBox(), VK_F4);
     })
        .waitFor([&] { return dlg.combo->droppedDown(); }, "the list to drop")
        .then([&] {
          COMBOBOXINFO info{};
          info.cbSize = sizeof info;
          ASSERT_TRUE(GetComboBoxInfo(dlg.combo->comboBox(), &info));
          RECT client{}, last{};
          GetClientRect(info.hwndList, &client);
          EXPECT_EQ(SendMessageW(info.hwndList, LB_GETTOPINDEX, 0, 0), 0);
          ASSERT_NE(SendMessageW(info.hwndList, LB_GETITEMRECT, kTerminators, reinterpret_cast<LPARAM>(&last)), LB_ERR);
          EXPECT_LE(last.bottom, client.bottom) << "the whole list shows";
          std::error_code ec;
          std::filesystem::create_directories(pictureFolder(), ec);
          std::string error;
          EXPECT_TRUE(uitest::writeDroppedCombo(dlg.hwnd(), dlg.combo->comboBox(), pictureFolder() / "arrow-combo.png",
                                                error))
              << error;
          dlg.combo->showDropDown(false);
        });
  });
}

}  // namespace
