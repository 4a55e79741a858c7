// History combo boxes in a dialog under Wine, driven by real keys and
// messages: the order of their entries, numbers and their range message,
// the Delete, Enter and Tab keys, the tool tip, the mirror arrays, and the
// history and active value they keep in an INI file.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "controls/combo_history.h"
#include "dialog_script.h"
#include "script_run.h"
#include "history_test_ids.h"
#include "store/prf_store.h"
#include "tests/store/store_test_support.h"
#include "tools/vdhost/message_box.h"
#include "ui/dialog.h"
#include "ui/wide_text.h"

namespace {

using vd::comboHistory;
using Entries = std::vector<std::wstring>;

constexpr uint32_t kDialogStyle = 0x10076;  // what the module's dialogs use
constexpr wchar_t kRangeFormat[] = L"Hodnota musí ležet v rozsahu %.*f až %.*f.";
constexpr wchar_t kRangeCaption[] = L"Chybná hodnota";

// A combo that refuses some entries: texts starting with '#' are not stored,
// texts starting with '!' are stored but not offered for use.
class PickyHistory : public comboHistory {
 public:
  using comboHistory::comboHistory;

 protected:
  bool writeItem(const std::wstring& display, uint16_t userData, bool use, std::wstring& stored) override {
    if (!display.empty() && display[0] == L'#') return false;
    if (use && !display.empty() && display[0] == L'!') return false;
    return comboHistory::writeItem(display, userData, use, stored);
  }
};

struct ComboSetup {
  int id;
  int maxCount;
  uint32_t style;
  int decimals = -1;
  bool range = false;
  bool picky = false;
};

// Every combo of the template with the styles the tests expect unless a
// test gives its own.
const std::vector<ComboSetup> kSetups = {
    {IDC_HIST_TEXT, 20, kDialogStyle},
    {IDC_HIST_SEQUENCE, 20, 0x20076},
    {IDC_HIST_NUMBER, 20, kDialogStyle | 0x1, 2, true},
    {IDC_HIST_KEEP, 20, kDialogStyle | 0x8},
    {IDC_HIST_LIST, 20, kDialogStyle},
    {IDC_HIST_BIG, 60, kDialogStyle},
    {IDC_HIST_PASS, 20, 0x10000 | 0x2 | 0x80 | 0x200},
};

class HistoryDialog : public ui::Dialog {
 public:
  explicit HistoryDialog(std::vector<ComboSetup> setups = kSetups) : ui::Dialog(IDD_HISTORY) {
    for (const ComboSetup& s : setups) {
      auto combo = s.picky ? std::make_unique<PickyHistory>(s.maxCount, s.style)
                           : std::make_unique<comboHistory>(s.maxCount, s.style);
      combo->setDecimals(s.decimals);
      if (s.range) combo->setRange(1, 100, kRangeFormat, kRangeCaption);
      Bind(s.id, *combo);
      combos_[s.id] = std::move(combo);
    }
  }

  comboHistory& combo(int id) { return *combos_.at(id); }
  // The combos that told the dialog of a selection change, in order.
  std::vector<int> selectionChanges;
  std::function<void(HistoryDialog&)> onInit;

  bool ProcessMessage(ui::Message& m) override {
    static constexpr ui::Handler map[] = {
        ui::onNotification<CBN_SELCHANGE, &HistoryDialog::OnSelChange>,
    };
    return ui::dispatch(*this, map, m) || ui::Dialog::ProcessMessage(m);
  }

 protected:
  bool OnInitDialog() override {
    if (onInit) onInit(*this);
    return ui::Dialog::OnInitDialog();
  }

 private:
  void OnSelChange(int id) { selectionChanges.push_back(id); }
  std::map<int, std::unique_ptr<comboHistory>> combos_;
};

// The items as the control holds them.
Entries items(const comboHistory& c) {
  Entries out;
  for (int i = 0; i < c.count(); ++i) out.push_back(c.itemText(i));
  return out;
}

void fill(comboHistory& c, const Entries& texts) {
  for (const std::wstring& t : texts) ASSERT_TRUE(c.addToHistory(t, false)) << ui::wideToUtf8(t);
}

// Focus on the combo, then the text typed and a key (Enter unless said), as a
// user gives them.
void typeAndPress(const comboHistory& c, const wchar_t* text, UINT key = VK_RETURN) {
  SetFocus(c.hwnd());
  uitest::postChars(c.editField(), text);
  uitest::postKey(c.editField(), key);
}

std::string narrow(const std::wstring& s) { return ui::wideToUtf8(s); }

// One step in a dialog of the combos given, which then closes with OK.
void inDialog(const std::vector<ComboSetup>& setups, const std::function<void(HistoryDialog&)>& step) {
  HistoryDialog dlg(setups);
  uitest::DialogScript script(dlg);
  script.then([&] {
    step(dlg);
    dlg.EndDialog(IDOK);
  });
  uitest::runScript(script);
}

// ---- numbers ---------------------------------------------------------------

TEST(ComboHistory, RangeMessageFillsInItsFormat) {
  struct Row { const wchar_t* format; int decimals; std::wstring shown; } rows[] = {
      {kRangeFormat, 2, L"Hodnota musí ležet v rozsahu 1.00 až 100.00."},
      {L"%.*f - %.*f", 0, L"1 - 100"},
      {L"od %+.*e", 1, L"od +1.0e+00"},
      {L"%.*f %%", 1, L"1.0 %"},
      // Formats that would read the arguments as other types show as they stand.
      {L"%s až %s", 2, L"%s až %s"},
      {L"%f až %f", 2, L"%f až %f"},
      {L"%.*d", 2, L"%.*d"},
      {L"%.*f %.*f %.*f", 2, L"%.*f %.*f %.*f"},
      {L"100 %", 2, L"100 %"},
  };
  for (const Row& r : rows) {
    comboHistory c(20, kDialogStyle);
    c.setDecimals(r.decimals);
    c.setRange(1, 100, r.format, kRangeCaption);
    EXPECT_EQ(c.rangeMessage(), r.shown) << narrow(r.format);
  }
}

TEST(ComboHistory, AValueOutsideTheRangeIsReportedAndABoundPutBack) {
  struct Row {
    const wchar_t* atFocus;  // the text when the combo gets the focus
    const wchar_t* typed;
    std::wstring putBack;
  } rows[] = {
      {L"", L"0", L"1.00"},          // nothing at focus: the bound nearer zero
      {L"", L"150", L"1.00"},
      {L"2.50", L"150", L"2.50"},    // the text at focus, selected again
      {L"", L"-5", L"1.00"},
      {L"", L"abc", L"1.00"},        // no number: 0, refused as 0 is
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(narrow(r.typed));
    HistoryDialog dlg;
    uitest::DialogScript script(dlg);
    comboHistory& c = dlg.combo(IDC_HIST_NUMBER);
    HWND box = nullptr;
    script
        .then([&] {
          fill(c, {L"2.5", L"10"});
          c.setCurSel(c.findEntry(r.atFocus));
          c.setEditText(r.atFocus);
          // Focusing selects the whole text; typing replaces it.
          typeAndPress(c, r.typed);
        })
        .waitFor([&] { return (box = uitest::messageBoxOver(dlg.hwnd())) != nullptr; }, "the range message")
        .then([&] {
          const auto shown = vdhost::readMessageBox(box);
          ASSERT_TRUE(shown);
          EXPECT_EQ(shown->caption, ui::fromWide(kRangeCaption));
          EXPECT_EQ(shown->text, u"Hodnota musí ležet v rozsahu 1.00 až 100.00.");
          EXPECT_EQ(shown->flags(), static_cast<UINT>(MB_ICONERROR | MB_OK)) << "the stop sign and OK";
          EXPECT_TRUE(c.busy());
          uitest::postKey(box, VK_RETURN);
        })
        .waitFor([&] { return !IsWindow(box); }, "the message to close")
        // The system gives the focus back to the combo once its dialog is
        // active again, which on a loaded machine comes a little later.
        .waitFor([&] { return GetFocus() == c.hwnd() || IsChild(c.hwnd(), GetFocus()); }, "the focus back in the combo")
        .then([&] {
          EXPECT_EQ(c.editText(), r.putBack);
          EXPECT_EQ(items(c), (Entries{L"10.00", L"2.50"})) << "nothing added";
          EXPECT_EQ(c.curSel(), c.findEntry(r.atFocus));
          EXPECT_FALSE(c.busy());
          EXPECT_TRUE(GetFocus() == c.hwnd() || IsChild(c.hwnd(), GetFocus())) << "the combo keeps the focus";
          dlg.EndDialog(IDOK);
        });
    uitest::runScript(script);
  }
}

// ---- Delete ----------------------------------------------------------------

TEST(ComboHistory, DeleteWithKeepLastNeverEmptiesTheList) {
  HistoryDialog dlg;
  uitest::DialogScript script(dlg);
  comboHistory& keep = dlg.combo(IDC_HIST_KEEP);
  comboHistory& plain = dlg.combo(IDC_HIST_TEXT);
  // Drops the list, selects an entry when none is and presses Delete, three times.
  auto deleteThrice = [&](comboHistory& c) {
    for (int i = 0; i < 3; ++i) {
      script.then([&c] {
        SetFocus(c.hwnd());
        if (!c.droppedDown()) uitest::postKey(c.editField(), VK_F4);
        if (c.curSel() < 0) uitest::postKey(c.editField(), VK_DOWN);
      });
      script.waitFor([&c] { return c.droppedDown() && c.curSel() >= 0; }, "an entry selected in the list");
      script.then([&c] { uitest::postKey(c.editField(), VK_DELETE); });
    }
    script.then([&c] { c.showDropDown(false); });
  };
  script.then([&] {
    fill(keep, {L"a", L"b"});
    fill(plain, {L"a", L"b", L"c"});
  });
  deleteThrice(keep);
  deleteThrice(plain);
  script.then([&] {
    EXPECT_EQ(keep.count(), 1) << "the last entry stays";
    EXPECT_EQ(plain.count(), 0) << "without the style every entry can go";
    dlg.EndDialog(IDOK);
  });
  uitest::runScript(script);
}

TEST(ComboHistory, AfterDeleteTheNextUsableEntryIsSelected) {
  struct Row {
    Entries entries;  // in order of entry
    int selected;     // the entry Delete removes
    std::wstring edit;
    Entries left;
    int selectedAfter;
    std::wstring editAfter;
  } rows[] = {
      // Empty edit text: from the deleted place on, wrapping to the top.
      {{L"a", L"!b", L"c", L"!d"}, 2, L"", {L"a", L"!b", L"!d"}, 0, L"a"},
      {{L"a", L"b", L"c"}, 1, L"", {L"a", L"c"}, 1, L"c"},
      {{L"a", L"b", L"c"}, 2, L"", {L"a", L"b"}, 0, L"a"},
      // The edit text names another entry: from there on.
      {{L"a", L"!b", L"c", L"d"}, 0, L"c", {L"!b", L"c", L"d"}, 1, L"c"},
      {{L"a", L"!b", L"c", L"d"}, 0, L"!b", {L"!b", L"c", L"d"}, 1, L"c"},
      // The edit text names no entry: it stays and nothing is selected.
      {{L"a", L"b"}, 0, L"a", {L"b"}, -1, L"a"},
      // No usable entry left.
      {{L"!a", L"!b", L"c"}, 2, L"", {L"!a", L"!b"}, -1, L""},
      // An entry that is not stored is not deleted.
      {{L"a", L"#b"}, 1, L"", {L"a", L"#b"}, 1, L""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << narrow(r.entries[static_cast<size_t>(r.selected)]) << " / "
                                      << narrow(r.edit));
    HistoryDialog dlg({{IDC_HIST_SEQUENCE, 20, 0x20076, -1, false, true}});
    uitest::DialogScript script(dlg);
    comboHistory& c = dlg.combo(IDC_HIST_SEQUENCE);
    script
        .then([&] {
          fill(c, r.entries);
          SetFocus(c.hwnd());
          c.showDropDown(true);
        })
        .waitFor([&] { return c.droppedDown(); }, "the list to drop")
        .then([&] {
          c.setCurSel(r.selected);
          c.setEditText(r.edit);
          uitest::postKey(c.editField(), VK_DELETE);
        })
        .then([&] {
          EXPECT_EQ(items(c), r.left);
          EXPECT_EQ(c.curSel(), r.selectedAfter);
          EXPECT_EQ(c.editText(), r.editAfter);
          c.showDropDown(false);
          dlg.EndDialog(IDOK);
        });
    uitest::runScript(script);
  }
}

// ---- Enter, Tab and the focus ----------------------------------------------

// Enter and Tab take the focus on (Enter past buttons unless the style says
// otherwise, or closes the dialog), store the text where the style asks for
// it and tell the dialog of a change. (A refused number keeps the focus
// with the range message: AValueOutsideTheRangeIsReportedAndABoundPutBack.)
TEST(ComboHistory, EnterAndTabLeaveTheField) {
  struct Row {
    ComboSetup setup;
    const wchar_t* typed;
    UINT key;
    int focusAfter;  // 0: the dialog closed with IDOK
    Entries entries;
    int selectionChanges;
  } rows[] = {
      {{IDC_HIST_TEXT, 20, kDialogStyle}, L"hodnota", VK_RETURN, IDC_HIST_EDIT, {L"hodnota"}, 0},
      {{IDC_HIST_TEXT, 20, kDialogStyle & ~0x20u}, L"hodnota", VK_RETURN, IDC_HIST_BUTTON, {L"hodnota"}, 0},
      {{IDC_HIST_TEXT, 20, kDialogStyle | 0x80}, L"hodnota", VK_RETURN, IDC_HIST_EDIT, {L"hodnota"}, 1},
      {{IDC_HIST_TEXT, 20, 0x10000 | 0x2 | 0x200}, L"hodnota", VK_RETURN, 0, {}, 0},
      {{IDC_HIST_PASS, 20, 0x10000 | 0x2 | 0x80 | 0x200}, L"hodnota", VK_RETURN, 0, {}, 1},
      // Tab from the edit field moves on; 0x1 stores the text, 0x100 reports the change.
      {{IDC_HIST_TEXT, 20, 0x10000 | 0x1}, L"nová", VK_TAB, IDC_HIST_BUTTON, {L"nová"}, 0},
      {{IDC_HIST_TEXT, 20, 0x10000 | 0x100}, L"nová", VK_TAB, IDC_HIST_BUTTON, {}, 1},
      {{IDC_HIST_TEXT, 20, 0x10000 | 0x1 | 0x100}, L"nová", VK_TAB, IDC_HIST_BUTTON, {L"nová"}, 1},
      {{IDC_HIST_TEXT, 20, 0x10000 | 0x100}, L"", VK_TAB, IDC_HIST_BUTTON, {}, 0},  // unchanged
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << r.setup.style << " " << narrow(r.typed) << " " << r.key);
    const int id = r.setup.id;
    HistoryDialog dlg({r.setup});
    uitest::DialogScript script(dlg);
    comboHistory& c = dlg.combo(id);
    script.then([&] { typeAndPress(c, r.typed, r.key); });
    if (r.focusAfter) {
      script.then([&] {
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), r.focusAfter);
        EXPECT_EQ(items(c), r.entries);
        EXPECT_EQ(dlg.selectionChanges, std::vector<int>(static_cast<size_t>(r.selectionChanges), id));
        dlg.EndDialog(IDCANCEL);
      });
      uitest::runScript(script, IDCANCEL);
    } else {
      uitest::runScript(script, IDOK);
      EXPECT_EQ(dlg.selectionChanges, std::vector<int>(static_cast<size_t>(r.selectionChanges), id));
    }
  }
}

// ---- the tool tip ----------------------------------------------------------

// Records the mouse messages relayed to a tool tip window.
std::vector<MSG> g_relayed;
WNDPROC g_toolTipProc = nullptr;
LRESULT CALLBACK recordRelay(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == TTM_RELAYEVENT && lp) g_relayed.push_back(*reinterpret_cast<const MSG*>(lp));
  return CallWindowProcW(g_toolTipProc, w, m, wp, lp);
}

std::wstring toolTipText(const comboHistory& c) {
  wchar_t buffer[256] = {};
  TOOLINFOW info{};
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.hwnd = GetParent(c.hwnd());
  info.uId = reinterpret_cast<UINT_PTR>(c.hwnd());
  info.lpszText = buffer;
  SendMessageW(c.toolTipWindow(), TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&info));
  return buffer;
}

TEST(ComboHistory, ToolTipShowsTheCurrentText) {
  HistoryDialog dlg;
  uitest::DialogScript script(dlg);
  comboHistory& c = dlg.combo(IDC_HIST_TEXT);
  comboHistory& quiet = dlg.combo(IDC_HIST_PASS);  // no tool tip style
  const POINT at{5, 4};
  script
      .then([&] {
        fill(c, {L"první", L"druhá"});
        fill(quiet, {L"x"});
        SetFocus(c.hwnd());
        uitest::postKey(c.editField(), VK_DOWN);  // selects the first entry
      })
      .then([&] {
        ASSERT_NE(c.toolTipWindow(), nullptr);
        EXPECT_EQ(GetWindow(c.toolTipWindow(), GW_OWNER), dlg.hwnd());
        EXPECT_EQ(toolTipText(c), L"druhá");
        EXPECT_EQ(SendMessageW(c.toolTipWindow(), TTM_GETDELAYTIME, TTDT_INITIAL, 0), 250);
        c.setEditText(L"");
        uitest::postChars(c.editField(), L"psaný");
      })
      .then([&] {
        EXPECT_EQ(c.curSel(), -1);
        EXPECT_EQ(toolTipText(c), L"psaný");
        g_toolTipProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            c.toolTipWindow(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&recordRelay)));
        g_relayed.clear();
        PostMessageW(c.editField(), WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
        PostMessageW(c.editField(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        PostMessageW(c.editField(), WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
        PostMessageW(c.editField(), WM_MOUSEWHEEL, 0, 0);  // not relayed
        SetFocus(quiet.hwnd());
        uitest::postKey(quiet.editField(), VK_DOWN);
      })
      .then([&] {
        SetWindowLongPtrW(c.toolTipWindow(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_toolTipProc));
        POINT expected = at;
        MapWindowPoints(c.editField(), dlg.hwnd(), &expected, 1);
        std::vector<UINT> messages;
        for (const MSG& m : g_relayed) {
          messages.push_back(m.message);
          EXPECT_EQ(m.hwnd, dlg.hwnd());
          EXPECT_EQ(std::tuple(GET_X_LPARAM(m.lParam), GET_Y_LPARAM(m.lParam)), std::tuple(expected.x, expected.y));
        }
        EXPECT_EQ(messages, (std::vector<UINT>{WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP}));
        EXPECT_EQ(quiet.toolTipWindow(), nullptr);
        // The tip checks where the cursor really is before it shows: over
        // the edit field, a child of the combo, not over the dialog.
        POINT screen = at;
        ClientToScreen(c.editField(), &screen);
        SetCursorPos(screen.x, screen.y);
        PostMessageW(c.editField(), WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
      })
      .waitFor([&] { return IsWindowVisible(c.toolTipWindow()) != FALSE; }, "the tool tip to show")
      .then([&] { dlg.EndDialog(IDOK); });
  uitest::runScript(script);
  EXPECT_EQ(c.toolTipWindow(), nullptr) << "gone with the control";
}

// ---- mirror arrays ---------------------------------------------------------

void expectMirrorsEqualTheList(const comboHistory& c, const char* after) {
  SCOPED_TRACE(after);
  ASSERT_TRUE(c.mirrored());
  ASSERT_EQ(c.mirrorTexts().size(), static_cast<size_t>(c.count()));
  ASSERT_EQ(c.mirrorData().size(), static_cast<size_t>(c.count()));
  for (int i = 0; i < c.count(); ++i) {
    EXPECT_EQ(c.mirrorTexts()[static_cast<size_t>(i)], c.itemText(i));
    EXPECT_EQ(c.mirrorData()[static_cast<size_t>(i)], static_cast<uint64_t>(c.itemData(i)));
  }
}

TEST(ComboHistory, MirrorArraysAboveFiftyEntriesFollowTheList) {
  HistoryDialog dlg;
  dlg.onInit = [](HistoryDialog& d) {
    // Items present when the window is subclassed are mirrored too: the
    // dialog subclasses before OnInitDialog, so these come through the
    // window's messages.
    SendMessageW(d.item(IDC_HIST_BIG).hwnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"zz předem"));
  };
  uitest::DialogScript script(dlg);
  comboHistory& c = dlg.combo(IDC_HIST_BIG);
  script
      .then([&] {
        EXPECT_FALSE(dlg.combo(IDC_HIST_TEXT).mirrored()) << "20 entries need no mirror";
        expectMirrorsEqualTheList(c, "subclassing");
        for (int i = 0; i < 55; ++i) ASSERT_TRUE(c.addToHistory(L"položka " + std::to_wstring(100 + i * 7 % 55), false));
        expectMirrorsEqualTheList(c, "adding");
        EXPECT_EQ(c.count(), 56);
        c.insertString(3, L"vložená");
        c.setItemData(3, 0x123456789);
        c.deleteString(10);
        expectMirrorsEqualTheList(c, "insert, data, delete");
        typeAndPress(c, L"aaa napsaná");
      })
      .then([&] {
        EXPECT_EQ(c.itemText(0), L"aaa napsaná");
        expectMirrorsEqualTheList(c, "Enter");
        SetFocus(c.hwnd());
        c.showDropDown(true);
        c.setCurSel(5);
        uitest::postKey(c.editField(), VK_DELETE);
      })
      .then([&] {
        expectMirrorsEqualTheList(c, "Delete");
        c.resetContent();
        expectMirrorsEqualTheList(c, "reset");
        EXPECT_EQ(c.mirrorTexts().size(), 0u);
        dlg.EndDialog(IDOK);
      });
  uitest::runScript(script);
}

// ---- the history in an INI file -------------------------------------------

// A profile store on a file of a scratch folder.
std::unique_ptr<vd::prf_store> openStore(const vdtest::ScratchDir& dir, const char* file = "h.ini",
                                         vd::vstring_view section = u"S") {
  auto store = std::make_unique<vd::prf_store>();
  EXPECT_TRUE(store->open(dir.host(file), section));
  return store;
}

TEST(ComboHistory, LoadingTakesUpToTheMaximumAndRestoresTheActiveValue) {
  struct Row {
    ComboSetup setup;
    std::vector<vd::vstring> stored;
    const char16_t* active;  // null: no active value in the file
    Entries entries;
    std::wstring shown;
    int selected;
  } rows[] = {
      {{IDC_HIST_TEXT, 3, kDialogStyle}, {u"d", u"c", u"b", u"a"}, u"b", {L"b", L"c", L"d"}, L"b", 0},
      {{IDC_HIST_TEXT, 20, kDialogStyle}, {u"d", u"D", u"c"}, u"neznámá", {L"c", L"d"}, L"neznámá", -1},
      {{IDC_HIST_TEXT, 20, kDialogStyle}, {u"x"}, nullptr, {L"x"}, L"", -1},
      // A drop-down list adds the active value to its entries.
      {{IDC_HIST_LIST, 20, kDialogStyle}, {u"x"}, u"y", {L"x", L"y"}, L"y", 1},
      // Numbers: read with their decimals, those outside the range left out.
      {{IDC_HIST_NUMBER, 20, kDialogStyle, 2, true}, {u"3", u"0", u"abc", u"12.346", u"500"}, u"4",
       {L"12.35", L"3.00"}, L"4.00", -1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.setup.id);
    vdtest::ScratchDir dir;
    inDialog({r.setup}, [&](HistoryDialog& dlg) {
      comboHistory& c = dlg.combo(r.setup.id);
      auto store = openStore(dir);
      ASSERT_TRUE(store->setStringList(ui::fromWide(c.historyKey()), r.stored));
      if (r.active) {
        ASSERT_TRUE(store->setString(ui::fromWide(c.activeKey()), r.active));
      }
      EXPECT_TRUE(c.load(*store, {}, true));
      EXPECT_EQ(items(c), r.entries);
      EXPECT_EQ(c.editText(), r.shown);
      EXPECT_EQ(c.curSel(), r.selected);
      EXPECT_EQ(uitest::messageBoxOver(dlg.hwnd()), nullptr) << "no range message while loading";
    });
  }
  // A history grown past its maximum keeps its oldest entries when saved,
  // in the order they were added.
  vdtest::ScratchDir dir;
  inDialog({rows[0].setup}, [&](HistoryDialog& dlg) {
    comboHistory& c = dlg.combo(IDC_HIST_TEXT);
    auto store = openStore(dir);
    const std::vector<vd::vstring> stored{u"d", u"c", u"b"};
    ASSERT_TRUE(store->setStringList(ui::fromWide(c.historyKey()), stored));
    ASSERT_TRUE(c.load(*store, {}, true));
    ASSERT_TRUE(c.addToHistory(L"a", true));
    ASSERT_TRUE(c.save(*store, {}, true));
    std::vector<vd::vstring> saved;
    ASSERT_TRUE(store->getStringList(ui::fromWide(c.historyKey()), saved));
    EXPECT_EQ(saved, stored);
  });
}

TEST(ComboHistory, AnEmptiedHistoryStaysEmpty) {
  vdtest::ScratchDir dir;
  for (int run = 0; run < 2; ++run) {
    inDialog(kSetups, [&](HistoryDialog& dlg) {
      comboHistory& c = dlg.combo(IDC_HIST_TEXT);
      auto store = openStore(dir);
      c.load(*store, {}, true);
      if (run == 0) {
        fill(c, {L"a", L"b"});
        ASSERT_TRUE(c.save(*store, {}, true));
        while (c.count()) c.deleteString(0);
        c.setEditText(L"");
        EXPECT_TRUE(c.save(*store, {}, true));
      } else {
        EXPECT_EQ(items(c), Entries{}) << "the old entries came back";
        EXPECT_EQ(c.editText(), L"");
      }
    });
  }
  // Both keys are in the file, empty, not merely gone.
  auto store = openStore(dir);
  for (const char16_t* key : {u"#1012_CB_HST", u"#1012_CB_ACT"}) {
    vd::vstring value;
    EXPECT_TRUE(store->getString(key, value)) << "the key is in the file";
    EXPECT_EQ(value, u"");
  }
}

// ---- bad input ---------------------------------------------------------------

TEST(ComboHistory, OverlongAndBrokenTextsAreKeptOrRefusedWithoutHarm) {
  vdtest::ScratchDir dir;
  const std::wstring huge(100000, L'x');
  const std::wstring medium = std::wstring(10000, L'm');
  const std::wstring surrogates = L"A\xD800" L"B\xDC00";
  {
    HistoryDialog dlg;
    uitest::DialogScript script(dlg);
    comboHistory& c = dlg.combo(IDC_HIST_TEXT);
    comboHistory& n = dlg.combo(IDC_HIST_NUMBER);
    script
        .then([&] {
          ASSERT_TRUE(openStore(dir)->setString(u"OTHER", u"zůstane"));
          // The oldest entry alone is too long for a list's block (two bytes a
          // character): it must not take the younger ones with it.
          fill(c, {std::wstring(20000, L'g'), L"b", medium, L"n" + medium});
          SetFocus(c.hwnd());
          SetWindowTextW(c.editField(), huge.c_str());
          uitest::postKey(c.editField(), VK_RETURN);
        })
        .then([&] {
          EXPECT_EQ(c.editText(), huge);
          EXPECT_GE(c.findEntry(huge), 0);
          typeAndPress(c, surrogates.c_str());
        })
        .then([&] {
          EXPECT_GE(c.findEntry(surrogates), 0);
          SetFocus(n.hwnd());
          SetWindowTextW(n.editField(), (L"5" + huge).c_str());
          uitest::postKey(n.editField(), VK_RETURN);
        })
        .then([&] {
          EXPECT_EQ(items(n), Entries{L"5.00"}) << "the number it begins with";
          n.setEditText(L"");
          c.setEditText(surrogates);
          EXPECT_TRUE(c.save(*openStore(dir), {}, true));
          dlg.EndDialog(IDOK);
        });
    uitest::runScript(script);
  }
  // Entries the store cannot keep (too long alone, or beyond the size of
  // one list) are left out, the youngest first; the rest and the file stay whole.
  auto store = openStore(dir);
  // Compared by length: a failure would print ten thousand characters.
  std::vector<vd::vstring> list;
  store->getStringList(u"#1012_CB_HST", list);
  std::vector<size_t> lengths;
  for (const vd::vstring& entry : list) lengths.push_back(entry.size());
  EXPECT_EQ(lengths, (std::vector<size_t>{1, medium.size()}));
  vd::vstring value;
  ASSERT_TRUE(store->getString(u"#1012_CB_ACT", value));
  EXPECT_EQ(value, ui::fromWide(surrogates));
  ASSERT_TRUE(store->getString(u"OTHER", value));
  EXPECT_EQ(value, u"zůstane");
}

TEST(ComboHistory, MirrorArraysStartWithTheItemsThereWhenSubclassed) {
  ui::unique_hwnd parent = uitest::makePlainWindow(L"VdHistoryParent", WS_OVERLAPPEDWINDOW);
  ASSERT_TRUE(parent);
  HWND combo = CreateWindowExW(0, WC_COMBOBOXW, L"", WS_CHILD | CBS_DROPDOWN, 0, 0, 100, 100, parent.get(),
                               reinterpret_cast<HMENU>(IDC_HIST_BIG), GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(combo);
  for (const wchar_t* t : {L"jedna", L"dvě", L"tři"}) SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t));
  SendMessageW(combo, CB_SETITEMDATA, 1, static_cast<LPARAM>(comboHistory::packItemData(7, 3)));
  comboHistory c(60, kDialogStyle);
  ASSERT_TRUE(c.Subclass(combo));
  expectMirrorsEqualTheList(c, "subclassing");
  EXPECT_EQ(c.entrySequence(1), 7u);
  EXPECT_EQ(c.entryUserData(1), 3);
  c.Unsubclass();
}

// A text reads as the number it begins with, one with none as 0 (the range
// check, off here, then decides whether the field takes it).
TEST(ComboHistory, NumbersShowTheirDecimals) {
  struct Row { const wchar_t* typed; bool accepted; const wchar_t* shown; } rows[] = {
      {L"2.5", true, L"2.50"},     {L"2,5", true, L"2.50"},       {L" 7 ", true, L"7.00"},
      {L"99.999", true, L"100.00"}, {L"abc", true, L"0.00"},      {L"2.5x", true, L"2.50"},
      {L"-3.456e1 mm", true, L"-34.56"}, {L"", false, nullptr},
  };
  inDialog({{IDC_HIST_NUMBER, 20, kDialogStyle | 0x1, 2, false}}, [&](HistoryDialog& dlg) {
    comboHistory& c = dlg.combo(IDC_HIST_NUMBER);
    for (const Row& r : rows) {
      SCOPED_TRACE(narrow(r.typed));
      const int before = c.count();
      ASSERT_EQ(c.addToHistory(r.typed, true), r.accepted);
      if (!r.accepted) {
        EXPECT_EQ(c.count(), before);
        continue;
      }
      EXPECT_EQ(c.editText(), r.shown);
      EXPECT_GE(c.findEntry(r.shown), 0);
    }
  });
}

}  // namespace
