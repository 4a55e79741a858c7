// The terminator combo in a dialog under Wine: the module's texts (served by
// the in-process host) and icons (VdShared.dll), the stored name after
// keys, clicks and bad names, and the name copies the items hold.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "arrow_test_ids.h"
#include "controls/arrow_combo.h"
#include "dialog_script.h"
#include "dropped_picture.h"
#include "script_run.h"
#include "module_environment.h"
#include "host/host_api.h"
#include "hostsim/host.h"
#include "tools/vdhost/module_texts.h"
#include "ui/dialog.h"
#include "ui/gdi.h"
#include "ui/handles.h"
#include "ui/module_state.h"
#include "ui/wide_text.h"

// Arrays allocated and not yet freed: the name copies the items own are
// arrays, so a copy that is never freed shows as one more.
namespace {
long g_liveArrays = 0;
}  // namespace

void* operator new[](std::size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  ++g_liveArrays;
  return p;
}
void operator delete[](void* p) noexcept {
  if (!p) return;
  --g_liveArrays;
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept { operator delete[](p); }

namespace {

// The list as a user reads it: block name and Czech text, in order.
struct Expected {
  const wchar_t* name;
  const wchar_t* text;
};
const Expected kList[] = {
    {L".", L"Uzavřený vyplněný"},
    {L"_CLOSED", L"Uzavřený"},
    {L"_NONE", L"Žádná"},
    {L"_DOT", L"Tečka"},
    {L"_CLOSEDBLANK", L"Uzavřený prázdný"},
    {L"_OBLIQUE", L"Sklopená"},
    {L"_ARCHTICK", L"Stavařská čárka"},
    {L"_OPEN", L"Otevřená"},
    {L"_ORIGIN", L"Indikace počátku"},
    {L"_OPEN90", L"Pravý úhel"},
    {L"_Open30", L"Otevřená 30"},
    {L"_DotBlank", L"Prázdná tečka"},
    {L"_DotSmall", L"Malá tečka"},
    {L"_BOXFILLED", L"Vyplněný čtverec"},
    {L"_BOXBLANK", L"Čtverec"},
    {L"_DATUMFILLED", L"Vztažný trojúhelník vyplněný"},
    {L"_DATUMBLANK", L"Vztažný trojúhelník"},
    {L"_INTEGRAL", L"Integrál"},
};
constexpr int kTerminators = 18;
constexpr int kByStyle = 18;  // index of "Podle Stylu" when offered
constexpr const wchar_t* kByStyleText = L"Podle Stylu";

const testing::Environment* const g_environment = testing::AddGlobalTestEnvironment(new uitest::ModuleEnvironment);
using uitest::bindTestHost;

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

std::wstring longName() { return std::wstring(100000, L'A'); }

// Keys and clicks of a user: the arrow keys in the closed list, a click in
// the dropped one; each choice is stored as the item's name.
TEST(ArrowCombo, ChoicesByKeysAndMouseAreStored) {
  ArrowDialog dlg(L"_OPEN", true);
  HWND inner = nullptr;
  struct Key {
    UINT key;
    int index;
    const wchar_t* stored;
  } keys[] = {
      {VK_DOWN, 8, L"_ORIGIN"}, {VK_END, kByStyle, L""}, {VK_UP, 17, L"_INTEGRAL"},
      {VK_HOME, 0, L"."},       {VK_UP, 0, L"."},        {VK_END, kByStyle, L""},
  };
  runDialog(dlg, [&](uitest::DialogScript& s) {
    s.then([&] {
      inner = dlg.combo->comboBox();
      SetFocus(inner);
    });
    for (const Key& k : keys) {
      s.then([&] { uitest::postKey(inner, k.key); }).then([&] {
        SCOPED_TRACE(k.stored);
        expectShown(*dlg.combo, k.index, k.index == kByStyle ? kByStyleText : kList[k.index].text, k.stored);
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
  struct Row {
    const char* what;
    std::wstring name;
    bool nullName;
    bool found;
    int index;
    std::wstring stored;
  } rows[] = {
      {"ignoring case", L"_boxblank", false, true, 14, L"_BOXBLANK"},
      {"unknown name changes nothing", L"_NOSUCH", false, false, 14, L"_BOXBLANK"},
      {"null name", L"", true, false, 14, L"_BOXBLANK"},
      {"100,000 characters", longName(), false, false, 14, L"_BOXBLANK"},
      {"lone surrogates", L"\xD800\xD800", false, false, 14, L"_BOXBLANK"},
      {"the style entry", L"", false, true, kByStyle, L""},
      {"mixed case stored as listed", L"_OPEN30", false, true, 10, L"_Open30"},
  };
  for (bool byStyle : {true, false}) {
    ArrowDialog dlg(L"_DOT", byStyle);
    runDialog(dlg, [&](uitest::DialogScript& s) {
      s.then([&] {
        Shown before = shown(*dlg.combo);
        for (const Row& r : rows) {
          SCOPED_TRACE(std::string(r.what) + (byStyle ? " (style entry offered)" : ""));
          const bool styleMissing = !byStyle && r.index == kByStyle;
          const bool ok = dlg.combo->selectByName(r.nullName ? nullptr : r.name.c_str());
          EXPECT_EQ(ok, r.found && !styleMissing);
          if (styleMissing || !r.found) {
            const Shown now = shown(*dlg.combo);
            EXPECT_EQ(now.index, before.index);
            EXPECT_EQ(now.stored, before.stored);
          } else {
            expectShown(*dlg.combo, r.index, r.index == kByStyle ? kByStyleText : kList[r.index].text, r.stored);
          }
          before = shown(*dlg.combo);
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
