// A dialog on the framework, driven through its own message loop by posted
// keyboard and mouse input: typed handlers, notifications reflected to the
// control classes, the key hook ahead of the dialog manager, timers, an
// owner-drawn button read back from the screen, tool tips and EndDialog's
// result. (Extended combo boxes with pictures: the terminator and colour
// combos' tests in tests/controls.)
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "dialog_script.h"
#include "test_ids.h"
#include "ui/controls.h"
#include "ui/dialog.h"
#include "ui/tool_tip.h"

namespace {

using Log = std::vector<std::string>;
using uitest::DialogScript;

std::string codeName(int code) {
  static const std::pair<int, const char*> names[] = {
      {CBN_DROPDOWN, "CBN_DROPDOWN"}, {CBN_SELCHANGE, "CBN_SELCHANGE"}, {CBN_EDITCHANGE, "CBN_EDITCHANGE"},
      {CBN_EDITUPDATE, "CBN_EDITUPDATE"}, {CBN_SETFOCUS, "CBN_SETFOCUS"}, {CBN_KILLFOCUS, "CBN_KILLFOCUS"},
  };
  for (const auto& [value, name] : names)
    if (value == code) return name;
  return std::to_string(code);
}

constexpr COLORREF kSwatchColour = RGB(200, 30, 30);
constexpr int kMeasuredHeight = 27;
constexpr UINT_PTR kTimerId = 7;
constexpr UINT kPrivateQuery = 0x7101;

// Which handler throws, for the failure cases.
enum class Throw { Nowhere, InClickHandler, InPreTranslate, InInitDialog };

// A combo box with an edit field that hears its own notifications and sees
// keys first, also those that go to its edit field: Tab is sent on from the
// combo box itself. Mouse messages go to its tool tip.
class HistoryCombo : public ui::ComboBox {
 public:
  explicit HistoryCombo(Log& log) : log_(log) {}

  Throw throwAt = Throw::Nowhere;
  std::vector<std::pair<UINT, HWND>> keysSeen;  // key and the window it was for
  std::vector<MSG> mouseSeen;
  ui::ToolTip tip;

  bool ProcessMessage(ui::Message& m) override {
    static constexpr ui::Handler map[] = {
        ui::onReflected<CBN_DROPDOWN, &HistoryCombo::heard<CBN_DROPDOWN>>,
        ui::onReflected<CBN_SELCHANGE, &HistoryCombo::heard<CBN_SELCHANGE>>,
        ui::onReflected<CBN_EDITCHANGE, &HistoryCombo::heard<CBN_EDITCHANGE>>,
        ui::onReflected<CBN_EDITUPDATE, &HistoryCombo::heard<CBN_EDITUPDATE>>,
        ui::onReflected<CBN_SETFOCUS, &HistoryCombo::heard<CBN_SETFOCUS>>,
        ui::onReflected<CBN_KILLFOCUS, &HistoryCombo::heard<CBN_KILLFOCUS>>,
        ui::onDestroy<&HistoryCombo::onDestroy>,
    };
    return ui::dispatch(*this, map, m) || ui::ComboBox::ProcessMessage(m);
  }

  bool PreTranslateMessage(MSG& msg) override {
    if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) {
      mouseSeen.push_back(msg);
      tip.relayEvent(msg);
      return false;
    }
    if (msg.message != WM_KEYDOWN) return false;
    if (throwAt == Throw::InPreTranslate) throw std::runtime_error("key handling failed");
    keysSeen.emplace_back(static_cast<UINT>(msg.wParam), msg.hwnd);
    if (msg.wParam == VK_TAB) msg.hwnd = hwnd();
    return false;
  }

 protected:
  void OnSubclassed() override {
    for (const wchar_t* item : {L"1,250", L"2,500", L"5,000"}) addString(item);
    if (tip.create(GetParent(hwnd()))) tip.addTool(hwnd(), L"Zadejte hodnotu");
  }

 private:
  template <int Code>
  void heard() {
    log_.push_back("combo:" + codeName(Code));
    EXPECT_EQ(Default(), 0) << "a reflected notification has no original handling to pass on";
  }
  void onDestroy() { tip.destroy(); }

  Log& log_;
};

// An owner-drawn list whose item height comes from WM_MEASUREITEM, which
// arrives while the item is created, before it can be subclassed.
class MeasuredList : public ui::ComboBox {
 public:
  int measured = 0;
  bool measuredBeforeSubclass = false;
  int drawn = 0;

  bool ProcessMessage(ui::Message& m) override {
    static constexpr ui::Handler map[] = {
        ui::onReflectedMeasureItem<&MeasuredList::measure>,
        ui::onReflectedDrawItem<&MeasuredList::draw>,
    };
    return ui::dispatch(*this, map, m) || ui::ComboBox::ProcessMessage(m);
  }

 private:
  void measure(MEASUREITEMSTRUCT& item) {
    ++measured;
    if (!hwnd()) measuredBeforeSubclass = true;
    item.itemHeight = kMeasuredHeight;
  }
  void draw(const DRAWITEMSTRUCT& item) {
    ++drawn;
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_WINDOW));
  }
};

// A colour swatch: an owner-drawn button filled with one colour.
class Swatch : public ui::OwnerDrawButton {
 public:
  explicit Swatch(Log& log) : log_(log) {}
  int draws = 0;

  bool ProcessMessage(ui::Message& m) override {
    static constexpr ui::Handler map[] = {
        ui::onReflected<BN_CLICKED, &Swatch::onClicked>,
    };
    return ui::dispatch(*this, map, m) || ui::OwnerDrawButton::ProcessMessage(m);
  }

 protected:
  void DrawItem(const DRAWITEMSTRUCT& item) override {
    ++draws;
    ui::unique_hbrush brush(CreateSolidBrush(kSwatchColour));
    FillRect(item.hDC, &item.rcItem, brush.get());
  }

 private:
  void onClicked() { log_.push_back("swatch:BN_CLICKED"); }
  Log& log_;
};

class DrivenDialog : public ui::Dialog {
 public:
  DrivenDialog() : ui::Dialog(IDD_DRIVEN), history(log), swatch(log) {
    Bind(IDC_HISTORY, history);
    Bind(IDC_OWNERDRAWN_LIST, measured);
    Bind(IDC_SWATCH, swatch);
  }

  Log log;
  HistoryCombo history;
  MeasuredList measured;
  Swatch swatch;
  int ticks = 0;
  Throw throwAt = Throw::Nowhere;

  bool ProcessMessage(ui::Message& m) override {
    static constexpr ui::Handler map[] = {
        ui::onClicked<IDC_SETTINGS, &DrivenDialog::onSettings>,
        ui::onClicked<IDC_SWATCH, &DrivenDialog::onSwatch>,
        ui::onTimer<&DrivenDialog::onTimer>,
        ui::onMessage<kPrivateQuery, &DrivenDialog::onPrivateQuery>,
        ui::onNotification<CBN_DROPDOWN, &DrivenDialog::onComboNotification<CBN_DROPDOWN>>,
        ui::onNotification<CBN_SELCHANGE, &DrivenDialog::onComboNotification<CBN_SELCHANGE>>,
        ui::onNotification<CBN_EDITCHANGE, &DrivenDialog::onComboNotification<CBN_EDITCHANGE>>,
        ui::onNotification<CBN_EDITUPDATE, &DrivenDialog::onComboNotification<CBN_EDITUPDATE>>,
        ui::onNotification<CBN_SETFOCUS, &DrivenDialog::onComboNotification<CBN_SETFOCUS>>,
        ui::onNotification<CBN_KILLFOCUS, &DrivenDialog::onComboNotification<CBN_KILLFOCUS>>,
    };
    return ui::dispatch(*this, map, m) || ui::Dialog::ProcessMessage(m);
  }

 protected:
  bool OnInitDialog() override {
    if (throwAt == Throw::InInitDialog) throw std::runtime_error("initialisation failed");
    log.push_back("OnInitDialog");
    measured.addString(L"ČSN");
    measured.addString(L"DIN hrubá");
    measured.setCurSel(0);
    window().setTimer(kTimerId, 20);
    return ui::Dialog::OnInitDialog();
  }
  void OnOK() override {
    log.push_back("OnOK");
    ui::Dialog::OnOK();
  }

 private:
  void onSettings() { EndDialog(IDC_SETTINGS); }
  void onSwatch() {
    if (throwAt == Throw::InClickHandler) throw std::runtime_error("click handling failed");
    log.push_back("dialog:swatch clicked");
  }
  void onTimer(UINT_PTR id) {
    if (id == kTimerId) ++ticks;
  }
  LRESULT onPrivateQuery(WPARAM, LPARAM) { return 1; }
  template <int Code>
  void onComboNotification(int id) {
    if (id == IDC_HISTORY) log.push_back("dialog:" + codeName(Code));
  }
};

// The control class heard `first`, and the dialog `then` right after it.
void expectInTurn(const Log& log, const std::string& first, const std::string& then) {
  auto at = std::find(log.begin(), log.end(), first);
  ASSERT_NE(at, log.end()) << first << " never reached the control class";
  ASSERT_NE(at + 1, log.end()) << then << " never reached the dialog";
  EXPECT_EQ(*(at + 1), then) << "the control hears its notification first, then the dialog";
}

void expectReflectedFirst(const Log& log, int code) {
  expectInTurn(log, "combo:" + codeName(code), "dialog:" + codeName(code));
}

int count(const Log& log, const std::string& entry) {
  return static_cast<int>(std::count(log.begin(), log.end(), entry));
}

bool sameColour(COLORREF a, COLORREF b) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= 8 && std::abs(GetGValue(a) - GetGValue(b)) <= 8 &&
         std::abs(GetBValue(a) - GetBValue(b)) <= 8;
}

TEST(DrivenDialog, TypedHandlersReflectionTimerPaintAndResult) {
  DrivenDialog dlg;
  DialogScript script(dlg);
  HWND edit = nullptr;
  script.waitFor([&] { return dlg.window().visible() && dlg.swatch.draws > 0; }, "the dialog to show and paint")
      .then([&] {
        EXPECT_EQ(count(dlg.log, "OnInitDialog"), 1);
        EXPECT_EQ(ui::Control::FromHandle(dlg.item(IDC_HISTORY).hwnd()), &dlg.history);
        EXPECT_EQ(ui::Control::FromHandle(dlg.item(IDC_SWATCH).hwnd()), &dlg.swatch);
        EXPECT_EQ(ui::Control::FromHandle(dlg.item(IDOK).hwnd()), nullptr);
        // The owner-drawn list was measured while it was being created.
        EXPECT_GE(dlg.measured.measured, 1);
        EXPECT_TRUE(dlg.measured.measuredBeforeSubclass);
        EXPECT_EQ(dlg.measured.itemHeight(0), kMeasuredHeight);
        // The window tells which template it shows; its controls are no dialogs.
        EXPECT_EQ(ui::dialogTemplateId(dlg.hwnd()), IDD_DRIVEN);
        EXPECT_EQ(ui::dialogTemplateId(dlg.item(IDOK).hwnd()), 0);
        // A private message answered through DWLP_MSGRESULT.
        EXPECT_EQ(dlg.window().send(kPrivateQuery), 1);
        EXPECT_EQ(dlg.window().send(kPrivateQuery + 1), 0) << "a message without a handler";
        // The owner-drawn button as it shows on the screen.
        HWND swatch = dlg.swatch.hwnd();
        const RECT r = dlg.swatch.window().clientRect();
        EXPECT_PRED2(sameColour, uitest::screenPixel(swatch, uitest::clientCentre(swatch)), kSwatchColour);
        EXPECT_PRED2(sameColour, uitest::screenPixel(swatch, POINT{r.left + 1, r.bottom - 2}), kSwatchColour);
        edit = dlg.history.editField();
        ASSERT_NE(edit, nullptr);
        uitest::postClick(edit, POINT{4, 4});
      })
      .then([&] {
        EXPECT_EQ(GetFocus(), edit);
        expectReflectedFirst(dlg.log, CBN_SETFOCUS);
        uitest::postChars(edit, L"7,5");
      })
      .then([&] {
        EXPECT_EQ(dlg.history.window().text(), L"7,5");
        EXPECT_EQ(count(dlg.log, "combo:CBN_EDITCHANGE"), 3) << "one per character";
        EXPECT_EQ(count(dlg.log, "combo:CBN_EDITUPDATE"), 3);
        expectReflectedFirst(dlg.log, CBN_EDITUPDATE);
        expectReflectedFirst(dlg.log, CBN_EDITCHANGE);
        uitest::postKey(edit, VK_DOWN);
      })
      .then([&] {
        expectReflectedFirst(dlg.log, CBN_SELCHANGE);
        EXPECT_EQ(dlg.history.window().text(), L"1,250");
        uitest::postKey(edit, VK_F4);
      })
      .then([&] {
        expectReflectedFirst(dlg.log, CBN_DROPDOWN);
        EXPECT_TRUE(dlg.history.droppedDown());
        uitest::postKey(edit, VK_F4);
      })
      .then([&] {
        EXPECT_FALSE(dlg.history.droppedDown());
        uitest::postKey(edit, VK_TAB);
      })
      .then([&] {
        // Tab came from the edit field; sent on from the combo box, it moved
        // the focus to the next control in the tab order.
        ASSERT_FALSE(dlg.history.keysSeen.empty());
        EXPECT_EQ(dlg.history.keysSeen.back(), std::make_pair(UINT{VK_TAB}, edit));
        EXPECT_EQ(GetFocus(), dlg.measured.hwnd());
        expectReflectedFirst(dlg.log, CBN_KILLFOCUS);
        uitest::postClick(dlg.swatch.hwnd(), uitest::clientCentre(dlg.swatch.hwnd()));
      })
      .then([&] {
        expectInTurn(dlg.log, "swatch:BN_CLICKED", "dialog:swatch clicked");
        // Mouse input over the edit field reaches the combo box (and its tool tip).
        PostMessageW(edit, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
      })
      .then([&] {
        auto seen = [&](UINT message, int x, int y) {
          return std::any_of(dlg.history.mouseSeen.begin(), dlg.history.mouseSeen.end(), [&](const MSG& m) {
            return m.hwnd == edit && m.message == message && m.lParam == MAKELPARAM(x, y);
          });
        };
        EXPECT_TRUE(seen(WM_LBUTTONDOWN, 4, 4));
        EXPECT_TRUE(seen(WM_MOUSEMOVE, 3, 3));
        EXPECT_EQ(dlg.history.tip.text(dlg.history.hwnd()), L"Zadejte hodnotu");
      })
      .waitFor([&] { return dlg.ticks >= 2; }, "two timer ticks")
      .then([&] {
        uitest::postClick(dlg.item(IDC_SETTINGS).hwnd(), POINT{5, 5});
      });
  const INT_PTR result = script.run();
  EXPECT_TRUE(script.failures().empty()) << script.failures().front();
  EXPECT_EQ(result, IDC_SETTINGS) << "EndDialog(1006) is what DoModal returns";
  EXPECT_EQ(count(dlg.log, "OnOK"), 0);
  EXPECT_EQ(dlg.history.hwnd(), nullptr) << "the control left its window when the window went";
  EXPECT_FALSE(dlg.history.tip) << "the tool tip went with the combo box";
}

// Enter and Delete seen by a control ahead of the dialog manager (taken, or
// passed on so that the dialog manager presses OK) are checked on the history
// combo, the framework's main user of the key hook: ComboHistory.EnterAndTab...
// and ComboHistory.DeleteWithKeepLast... in tests/controls/history_test.cpp.

TEST(DrivenDialog, AnExceptionInAHandlerEndsTheDialogAsFailed) {
  const struct {
    const char* name;
    Throw where;
  } cases[] = {
      {"a click handler", Throw::InClickHandler},
      {"a control's key handling", Throw::InPreTranslate},
      {"OnInitDialog", Throw::InInitDialog},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const HINSTANCE before = ui::currentResources();
    DrivenDialog dlg;
    dlg.throwAt = c.where;
    dlg.history.throwAt = c.where;
    DialogScript script(dlg);
    if (c.where != Throw::InInitDialog) {
      script.waitFor([&] { return dlg.window().visible(); }, "the dialog to show").then([&] {
        if (c.where == Throw::InClickHandler)
          uitest::postClick(dlg.swatch.hwnd(), POINT{5, 5});
        else
          uitest::postKey(dlg.history.editField(), VK_DOWN);
      });
    }
    EXPECT_EQ(script.run(), ui::kDialogFailed);
    EXPECT_EQ(ui::currentResources(), before);
    EXPECT_EQ(dlg.hwnd(), nullptr);
  }
  // The framework still runs dialogs afterwards.
  DrivenDialog dlg;
  DialogScript script(dlg);
  script.waitFor([&] { return dlg.window().visible(); }, "the dialog to show").then([&] {
    uitest::postClick(dlg.item(IDC_SETTINGS).hwnd(), POINT{5, 5});
  });
  EXPECT_EQ(script.run(), IDC_SETTINGS);
}

}  // namespace

