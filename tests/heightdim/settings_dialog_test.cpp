// The height-dimension settings dialog under Wine, with the module's template,
// texts and pictures (VdShared.dll, its string table served by the in-process
// host): numbers as its combos show and read them, the animation's sample
// values, records that pass through the controls unchanged, and values it
// refuses with the focus on their control. The scenarios of tests/scenarios
// (settings_dialog_*) drive it through vdhost on prepared settings files.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "dialog_script.h"
#include "heightdim/settings_dialog.h"
#include "module_dialog.h"
#include "module_environment.h"
#include "res/dialog_ids.h"
#include "tests/store/store_test_support.h"
#include "tools/vdhost/message_box.h"
#include "ui/module_state.h"
#include "ui/wide_text.h"

namespace {

using vd::CHeightDimSettingsDlg;
using vd::HNoteData;
using vd::HNoteDataSet;
using uitest::comboItems;

const testing::Environment* const g_environment = testing::AddGlobalTestEnvironment(new uitest::ModuleEnvironment);

TEST(HeightDimSettingsNumbers, AreShownWithTheSeparatorAndReadWithEither) {
  struct Row {
    double value;
    const char16_t* separator;
    const char16_t* shown;
  } rows[] = {
      {2.5, u".", u"2.5"},      {2.5, u",", u"2,5"},       {11.725, u",", u"11,725"},
      {-0.5, u",", u"-0,5"},    {3, u",", u"3"},           {0.001, u".", u"0.001"},
      {1e-05, u",", u"1e-05"},  {1234567, u".", u"1.23457e+06"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(vd::utf16ToUtf8(r.shown));
    EXPECT_EQ(vd::hnoteNumberText(r.value, r.separator), r.shown);
  }
  // A typed text reads as the number it begins with.
  struct Read {
    const char16_t* text;
    const char16_t* separator;
    std::optional<double> value;
  } reads[] = {
      {u"3,5", u".", 3.5},       {u"3.5", u",", 3.5},      {u"3,5", u",", 3.5},          {u" 2 ", u".", 2.0},
      {u"-0,25", u".", -0.25},   {u"1e3", u",", 1000.0},   {u"", u".", std::nullopt},    {u"   ", u",", std::nullopt},
      {u"abc", u".", std::nullopt}, {u"2,5 mm", u".", 2.5}, {u"2.5x", u",", 2.5},        {u"+.5", u".", 0.5},
      {u"1e", u".", 1.0},        {u"x1", u".", std::nullopt}, {u"1e999", u".", HUGE_VAL}, {u"-1e999", u".", -HUGE_VAL},
      // A separator of its own (a locale may have one) stands for the point as well.
      {u"4·5", u"·", 4.5},
  };
  for (const Read& r : reads) {
    SCOPED_TRACE(vd::utf16ToUtf8(r.text));
    EXPECT_EQ(vd::hnoteTypedNumber(r.text, r.separator), r.value);
  }
}

TEST(HeightDimSettingsNumbers, TheSampleGoesThroughZeroAPositiveAndANegativeValue) {
  for (double units : {1000.0, 1.0}) {
    SCOPED_TRACE(units);
    const double a = vd::nextHNoteSample(0, units);
    EXPECT_DOUBLE_EQ(a, units * 1.234);
    EXPECT_DOUBLE_EQ(vd::nextHNoteSample(a, units), -a);
    EXPECT_EQ(vd::nextHNoteSample(-a, units), 0.0);
  }
}

// A settings set on a scratch file, with the defaults of every type.
struct ScratchSet {
  ScratchSet() { set.load(dir.host("hnoteData.ini")); }
  vdtest::ScratchDir dir;
  HNoteDataSet set;
};

using ModuleDialog = uitest::ModuleDialog<CHeightDimSettingsDlg>;
constexpr auto run = uitest::runModuleDialog<CHeightDimSettingsDlg>;

void click(const ui::Dialog& dlg, int id) { uitest::clickButton(dlg, id); }

// Types `text` over what a combo box's edit field holds.
void typeInto(const ui::Dialog& dlg, int id, const wchar_t* text) {
  HWND edit = ui::comboEditField(dlg.item(id).hwnd());
  SetFocus(edit);
  SendMessageW(edit, EM_SETSEL, 0, -1);
  uitest::postChars(edit, text);
}

// The samples and the section pane are the mark in its own plane: a set
// made under a turned UCS (its records carry the turn) shows the same values
// and the same picture.
TEST(HeightDimSettingsDialog, SamplesAnimateInTheSectionRecordsAndThePlanShowsZero) {
  std::optional<GDI::extents> unturned;
  for (double rotation : {0.0, std::numbers::pi / 4, std::numbers::pi / 2}) {
    SCOPED_TRACE(rotation);
    ScratchSet s;
    s.set.ucsRotation = rotation;
    for (HNoteData& r : s.set.records) r.rotation = rotation;
    ModuleDialog dlg(&s.set, nullptr);
    std::vector<std::u16string> shown;
    GDI::extents section;
    const INT_PTR result = run(dlg, [&](CHeightDimSettingsDlg& d, uitest::DialogScript& script) {
      script.then([&] {
        // The dialog made its first step when it opened: zero.
        section = d.sectionPreview().view().drawing_extents();
        for (int step = 0; step < 4; ++step) {
          shown.push_back(s.set.records[0].valueText);
          for (int type : {1, 2}) EXPECT_EQ(s.set.records[type].valueText, s.set.records[0].valueText) << step;
          d.animationStep();
        }
        EXPECT_EQ(s.set.records[3].valueText, u"±0.000");
        EXPECT_EQ(s.set.records[0].valueText2, u"OZNAČENÍ");
        EXPECT_TRUE(d.planPreview().view().drawing_extents().valid) << "the plan mark is in its pane";
        // A sign turned off shows on the sample at once, not two seconds later.
        shown.push_back(s.set.records[0].valueText);
        click(d, IDC_HDSET_PLUS_SIGN);
      }).then([&] {
        shown.push_back(s.set.records[0].valueText);
        click(d, IDCANCEL);
      });
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(shown, (std::vector<std::u16string>{u"±0.000", u"+1.234", u"-1.234", u"±0.000", u"+1.234", u"1.234"}));
    ASSERT_TRUE(section.valid) << "the section mark is in its pane";
    if (!unturned) unturned = section;
    // The ČSN mark's underline runs across: a turned one would change the box.
    for (auto [got, want] : {std::pair{section.min, unturned->min}, std::pair{section.max, unturned->max}}) {
      EXPECT_NEAR(got.x, want.x, 1e-9);
      EXPECT_NEAR(got.y, want.y, 1e-9);
    }
  }
}

// Records with values the lists lack pass through the controls unchanged:
// OK takes back exactly what was shown. A style the list holds in another
// case is the list's item, not a second one.
TEST(HeightDimSettingsDialog, RecordsComeBackFromTheControlsAsTheyWere) {
  ScratchSet s;
  HNoteData& csn = s.set.records[0];
  csn.textStyle = u"ARCH";  // no such style in the host's list: it is added
  csn.delim = u",";
  csn.lhorzLen = -11.725;   // mirrored
  csn.arrowIndex = 4;
  csn.underlineDraw = false;
  csn.roundingMark = 1;
  csn.positivePlus = 0;
  csn.colorDim = 3;
  csn.numAlign = 0.005;
  csn.textDistX = 0.75;
  HNoteData& plan = s.set.records[3];
  plan.arrowName = u"_Open30";
  plan.cxSize = 20;
  plan.textWidth = 1.1;
  plan.backgroundMask = false;
  plan.colorText = 5;
  plan.textStyle = u"standard";  // the host lists it as STANDARD
  const HNoteDataSet before = s.set;
  ModuleDialog dlg(&s.set, nullptr);
  std::wstring styleShown;
  std::vector<std::wstring> planStyles;
  const INT_PTR result = run(dlg, [&](CHeightDimSettingsDlg& d, uitest::DialogScript& script) {
    script.then([&] {
      styleShown = d.item(IDC_HDSET_TEXT_STYLE).text();
      planStyles = comboItems(d.item(IDC_HDSET_PLAN_TEXT_STYLE).hwnd());
      click(d, IDOK);
    });
  });
  ASSERT_EQ(result, IDOK);
  EXPECT_EQ(styleShown, L"ARCH");
  EXPECT_EQ(std::count(planStyles.begin(), planStyles.end(), L"STANDARD"), 1);
  EXPECT_EQ(std::count(planStyles.begin(), planStyles.end(), L"standard"), 0);
  for (int type : {0, 3}) {
    SCOPED_TRACE(type);
    // The dialog's samples go into the value texts, the rounding and the
    // angle of the records; everything else, every style field, stays.
    const HNoteData& after = s.set.records[type];
    HNoteData expected = before.records[type];
    expected.valueText = after.valueText;
    expected.valueText2 = after.valueText2;
    expected.rounded = after.rounded;
    expected.angle = after.angle;
    if (type == 3) expected.textStyle = u"STANDARD";
    EXPECT_TRUE(expected == after);
  }
}

// A value picked from a history list with the arrow keys (the list closed)
// is taken for the preview at once, while the focus is still in the combo.
// The combo reports the new selection before it writes the item into its
// edit field, so a read of the field alone would preview the old value.
TEST(HeightDimSettingsDialog, AValuePickedFromAListIsPreviewedAtOnce) {
  ScratchSet s;
  ModuleDialog dlg(&s.set, nullptr);
  std::vector<double> previewed;
  std::vector<std::wstring> listed;
  const INT_PTR result = run(dlg, [&](CHeightDimSettingsDlg& d, uitest::DialogScript& script) {
    // The steps run after this returns: they keep copies of these.
    const auto pick = [&d] {
      const HWND edit = ui::comboEditField(d.item(IDC_HDSET_TEXT_HEIGHT).hwnd());
      SetFocus(edit);
      uitest::postKey(edit, VK_DOWN);
    };
    const auto seen = [&d, &s, &previewed, &listed] {
      previewed.push_back(s.set.records[0].textHeight);
      listed.push_back(d.item(IDC_HDSET_TEXT_HEIGHT).text());
    };
    script
        .then([&d, pick] {
          const HWND combo = d.item(IDC_HDSET_TEXT_HEIGHT).hwnd();
          for (const wchar_t* text : {L"7", L"9"}) SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
          pick();
        })
        .then([pick, seen] {
          seen();
          pick();
        })
        .then([&d, seen] {
          seen();
          click(d, IDCANCEL);
        });
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(listed, (std::vector<std::wstring>{L"7", L"9"}));
  EXPECT_EQ(previewed, (std::vector<double>{7, 9}));
}

// A value that its control refuses blocks OK and a type change: the range
// message shows, the bound nearer to what was typed goes into the field,
// the focus to the control, and the type stays. A text without a number
// reads as 0. A greyed-out field refuses nothing: the underline's length
// typed wrong and its box then cleared, OK closes with the bound.
TEST(HeightDimSettingsDialog, ARefusedValueTakesTheFocusAndBlocksOkAndTypeChanges) {
  struct Row {
    const char* what;
    int control;
    const wchar_t* typed;
    bool byTypeChange;  // else by OK
    const char* message;  // null: nothing refused
    double bound;
    int record;
    double HNoteData::*field;
  } rows[] = {
      {"a text height below its range, OK", IDC_HDSET_TEXT_HEIGHT, L"0", false,
       "Zadejte číslo v rozsahu 0.01 až 1000.", 0.01, 0, &HNoteData::textHeight},
      {"a vertical line too long, type change", IDC_HDSET_VERT_LENGTH, L"1000,5", true,
       "Zadejte číslo v rozsahu 0 až 1000.", 1000, 0, &HNoteData::lvertLen},
      {"no number in the plan's width factor, OK", IDC_HDSET_PLAN_TEXT_WIDTH, L"abc", false,
       "Zadejte číslo v rozsahu 0.01 až 100.", 0.01, 3, &HNoteData::textWidth},
      {"an underline of length 0, which would read back as 5", IDC_HDSET_UNDERLINE_LENGTH, L"0", false,
       "Zadejte číslo v rozsahu 0.01 až 1000.", 0.01, 0, &HNoteData::underlineLength},
      {"an underline of length 0 while none is drawn", IDC_HDSET_UNDERLINE_LENGTH, L"0", false, nullptr, 0.01, 0,
       &HNoteData::underlineLength},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    ScratchSet s;
    ModuleDialog dlg(&s.set, nullptr);
    std::string message;
    bool focused = false, typeKept = false;
    std::wstring shown;
    double held = 0;
    GDI::extents previewed, rebuilt;
    HWND box = nullptr;
    const INT_PTR result = run(dlg, [&](CHeightDimSettingsDlg& d, uitest::DialogScript& script) {
      script.then([&] { typeInto(d, r.control, r.typed); });
      if (!r.message) {
        script.then([&] { click(d, IDC_HDSET_UNDERLINE); }).then([&] { click(d, IDOK); });
        return;
      }
      script.then([&] {
            if (r.byTypeChange) {
              const HWND type = d.item(IDC_HDSET_TYPE).hwnd();
              SetFocus(type);
              uitest::postKey(type, VK_DOWN);
            } else {
              click(d, IDOK);
            }
          })
          .waitFor([&] { return (box = uitest::messageBoxOver(d.hwnd())) != nullptr; }, "the range message")
          .then([&] {
            if (const auto view = vdhost::readMessageBox(box)) message = vd::utf16ToUtf8(view->text);
            PostMessageW(box, WM_COMMAND, IDOK, 0);
          })
          .waitFor([&] { return uitest::messageBoxOver(d.hwnd()) == nullptr; }, "the message to close")
          .then([&] {
            const HWND control = d.item(r.control).hwnd();
            focused = GetFocus() == control || IsChild(control, GetFocus());
            shown = d.item(r.control).text();
            typeKept = d.item(IDC_HDSET_TYPE).send(CB_GETCURSEL) == 0 && d.currentType() == 0;
            // The record and its preview hold the bound that the field shows.
            held = s.set.records[static_cast<size_t>(r.record)].*r.field;
            GDI::view& pane = (r.record == 3 ? d.planPreview() : d.sectionPreview()).view();
            previewed = pane.drawing_extents();
            d.refreshPreview(r.record, true);
            rebuilt = pane.drawing_extents();
            click(d, IDCANCEL);
          });
    });
    if (!r.message) {
      EXPECT_EQ(result, IDOK);
      EXPECT_FALSE(s.set.records[0].underlineDraw);
      EXPECT_EQ(s.set.records[0].underlineLength, r.bound);
      continue;
    }
    EXPECT_EQ(result, IDCANCEL) << "the dialog stayed open";
    EXPECT_EQ(message, r.message);
    EXPECT_EQ(vd::utf16ToUtf8(ui::fromWide(shown)), vd::utf16ToUtf8(vd::hnoteNumberText(r.bound, vd::localeDecimalSeparator())));
    EXPECT_TRUE(focused);
    EXPECT_TRUE(typeKept);
    EXPECT_EQ(held, r.bound);
    EXPECT_TRUE(previewed.valid && previewed.min.isEqualTo(rebuilt.min) && previewed.max.isEqualTo(rebuilt.max))
        << "the preview drew what was typed";
  }
}

}  // namespace
