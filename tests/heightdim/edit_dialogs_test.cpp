// The edit and plan-view dialogs of the height dimensions under Wine, with
// the module's templates, texts and icons (VdShared.dll, its string table
// served by the in-process host), driven by clicks and keys: what they show,
// what they answer, and what they keep in hnoteData.ini between runs, also
// when the file is missing, unwritable or holds bad values.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "dialog_script.h"
#include "module_dialog.h"
#include "module_environment.h"
#include "heightdim/edit_dialogs.h"
#include "host/host_api.h"
#include "res/dialog_ids.h"
#include "hostsim/host.h"
#include "store/prf_store.h"
#include "tests/store/store_test_support.h"
#include "tools/vdhost/module_texts.h"
#include "ui/module_state.h"
#include "ui/wide_text.h"

namespace {

using vd::CHeightDimEditDlg;
using vd::CHeightDimGpDlg;
using Flags = std::array<int, 4>;

const testing::Environment* const g_environment = testing::AddGlobalTestEnvironment(new uitest::ModuleEnvironment);

constexpr std::array<int, 4> kEditBoxes = {IDC_HDEDIT_DRAW_LEADER, IDC_HDEDIT_MOVE_TO_LEADER, IDC_HDEDIT_MIRROR,
                                           IDC_HDEDIT_APPLY_SETTINGS};
constexpr std::array<const char16_t*, 4> kEditKeys = {u"LINE", u"MOVE", u"MIRROR", u"SETTINGS"};

void click(const ui::Dialog& dlg, int id) { uitest::clickButton(dlg, id); }

Flags shownBoxes(const ui::Dialog& dlg) {
  Flags f{};
  for (size_t i = 0; i < kEditBoxes.size(); ++i) f[i] = static_cast<int>(IsDlgButtonChecked(dlg.hwnd(), kEditBoxes[i]));
  return f;
}

Flags flagsOf(const CHeightDimEditDlg& dlg) {
  return {dlg.drawLeader, dlg.moveToLeader, dlg.mirrorMarks, dlg.applySettings};
}

// The integer (T = int32_t) or text under a key of a section; nothing when it is missing.
template <class T>
std::optional<T> stored(const vd::vstring& path, const char16_t* section, const char16_t* key) {
  vd::prf_store store;
  T v{};
  bool found = store.open(path, section);
  if constexpr (std::is_same_v<T, int32_t>) found = found && store.getInt(key, v);
  else found = found && store.getString(key, v);
  return found ? std::optional<T>(v) : std::nullopt;
}

using uitest::ModuleDialog;
using uitest::comboItems;

// Whether the host's transcript holds `line` from position `from` on.
bool transcriptHas(const std::string& line, size_t from) {
  const std::vector<std::string>& t = hostsim::Host::instance().transcript();
  return std::find(t.begin() + static_cast<std::ptrdiff_t>(from), t.end(), line) != t.end();
}

// What a dialog answers the height dimensions' query with, and its icons.
struct Identity {
  LRESULT query = 0;
  HICON big = nullptr;
  HICON small = nullptr;
};
Identity identityOf(const ui::Dialog& d) {
  return {d.window().send(vd::kHeightDimDialogQuery), reinterpret_cast<HICON>(d.window().send(WM_GETICON, ICON_BIG)),
          reinterpret_cast<HICON>(d.window().send(WM_GETICON, ICON_SMALL))};
}

// ---- the edit dialog --------------------------------------------------------

// One run of the edit dialog: the boxes it shows when it opens, then the
// clicks (the last one ends it); its answer and its flags afterwards.
struct EditOutcome {
  Flags shown{};
  INT_PTR result = 0;
  Flags flags{};
};
EditOutcome runEdit(const vd::vstring* path, const std::vector<int>& clicks) {
  ModuleDialog<CHeightDimEditDlg> dlg(path, nullptr);
  EditOutcome out;
  out.result = uitest::runModuleDialog<CHeightDimEditDlg>(dlg, [&](CHeightDimEditDlg& d, uitest::DialogScript& s) {
    s.then([&] {
      out.shown = shownBoxes(d);
      for (int id : clicks) click(d, id);
    });
  });
  out.flags = flagsOf(dlg.dialog);
  return out;
}

Flags storedFlags(const vd::vstring& path) {
  Flags f{};
  for (size_t i = 0; i < kEditKeys.size(); ++i) {
    f[i] = stored<int32_t>(path, vd::kHNoteEditSection, kEditKeys[i]).value_or(-1);
  }
  return f;
}

TEST(HeightDimEditDialog, StoredValuesAreReadAsOnOrOffAndWrittenBackAsOneOrZero) {
  vdtest::ScratchDir dir;
  vdtest::writeBytes(dir.file("hnoteData.ini"),
                     "[HNOTE_EDIT]\r\nLINE=5\r\nMOVE=abc\r\nMIRROR=-1\r\nSETTINGS=\r\n[OTHER]\r\nKEEP=1\r\n");
  const vd::vstring path = dir.host("hnoteData.ini");
  const EditOutcome o = runEdit(&path, {IDOK});
  EXPECT_EQ(o.shown, (Flags{1, 0, 1, 0}));
  EXPECT_EQ(o.result, IDOK);
  EXPECT_EQ(storedFlags(path), (Flags{1, 0, 1, 0}));
  EXPECT_EQ(stored<int32_t>(path, u"OTHER", u"KEEP"), 1);
}

// Where the file cannot be read or written the dialog still works and
// answers; what was there stays as it was. Read-only both ways: the
// attribute (which Wine lets root write through) and another program sharing
// the file for reading only; locked: held open by another program without
// sharing, so not even readable.
enum class Hold { Nothing, ReadOnly, Locked };
struct Unusable {
  const char* what;
  const char* name;  // in a scratch folder; null for a null path
  Hold hold;         // the file exists, holding kUnusableContent, unless Nothing
};
const Unusable kUnusable[] = {
    {"no path", nullptr, Hold::Nothing},
    {"an empty path", "", Hold::Nothing},
    {"a folder that does not exist", "missing/Dat/hnoteData.ini", Hold::Nothing},
    {"a read-only file", "ro.ini", Hold::ReadOnly},
    {"a file another program holds open without sharing", "locked.ini", Hold::Locked},
};
const std::string kUnusableContent =
    "[HNOTE_EDIT]\r\nLINE=1\r\n[ATTRIB_VALUE]\r\nREPEAT=1\r\nATTRIB_VALUE_CB_ACT=+2.000\r\n";

std::string bytesOrNothing(const std::filesystem::path& p) {
  return std::filesystem::exists(p) ? vdtest::readBytes(p) : std::string("<none>");
}

// An unusable file made ready: its path (none for a null path), its bytes
// before the dialog, and the other program's hold on it while that lasts.
struct PreparedFile {
  explicit PreparedFile(const Unusable& u)
      : file(dir.file(u.name && *u.name ? u.name : "none")), readable(u.hold == Hold::ReadOnly) {
    if (u.name) path = *u.name ? dir.host(u.name) : vd::vstring();
    if (u.hold != Hold::Nothing) vdtest::writeBytes(file, kUnusableContent);
    if (readable) SetFileAttributesW(file.wstring().c_str(), FILE_ATTRIBUTE_READONLY);
    before = bytesOrNothing(file);
    if (u.hold != Hold::Nothing) {
      const DWORD sharing = readable ? FILE_SHARE_READ : 0;
      lock.reset(CreateFileW(file.wstring().c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr));
    }
  }
  // Lets go of the file; true when it is as it was.
  bool unchanged() {
    lock.reset();
    SetFileAttributesW(file.wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
    return bytesOrNothing(file) == before;
  }
  vdtest::ScratchDir dir;
  std::optional<vd::vstring> path;
  std::filesystem::path file;
  bool readable;  // the read-only file: its values show
  std::string before;
  std::unique_ptr<void, decltype(&CloseHandle)> lock{nullptr, &CloseHandle};  // the other program's hold
};

TEST(HeightDimEditDialog, AnUnusableFileLeavesTheDefaultsAndStillAnswers) {
  for (const Unusable& u : kUnusable) {
    SCOPED_TRACE(u.what);
    PreparedFile f(u);
    const EditOutcome o = runEdit(f.path ? &*f.path : nullptr, {IDC_HDEDIT_MOVE_TO_LEADER, IDC_HDEDIT_SETTINGS});
    EXPECT_EQ(o.result, IDC_HDEDIT_SETTINGS);
    EXPECT_EQ(o.shown, (Flags{f.readable ? 1 : 0, 0, 0, 0}));
    EXPECT_EQ(o.flags, (Flags{o.shown[0], 1, 0, 0}));
    EXPECT_TRUE(f.unchanged());
  }
}

TEST(HeightDimEditDialog, LocalizesShowsTheModuleIconAsksForHelpAndAnswersTheQuery) {
  vdtest::ScratchDir dir;
  const vd::vstring path = dir.host("hnoteData.ini");
  const size_t from = hostsim::Host::instance().transcript().size();
  ModuleDialog<CHeightDimEditDlg> dlg(&path, nullptr);
  Identity shown;
  const INT_PTR result = uitest::runModuleDialog<CHeightDimEditDlg>(
      dlg,
      [&](CHeightDimEditDlg& d, uitest::DialogScript& s) {
        s.then([&] {
           shown = identityOf(d);
           click(d, IDHELP);
         })
            .waitFor([&] { return transcriptHas("help: ::/Obecne_funkce/Obecne_kreslici_a_editacni_funkce/Kótování/"
                                               "Výškové_kóty/02020316Editace_vyskovych_kot.htm", from); },
                     "the help topic")
            .then([&] { uitest::postKey(d.item(IDC_HDEDIT_DRAW_LEADER).hwnd(), VK_ESCAPE); });
      });
  EXPECT_EQ(result, IDCANCEL) << "help leaves the dialog open, Esc cancels";
  EXPECT_EQ(shown.query, 1);
  EXPECT_NE(shown.big, nullptr);
  EXPECT_NE(shown.small, nullptr);
  EXPECT_TRUE(transcriptHas("host: dialog 1001 localized", from));
  EXPECT_FALSE(std::filesystem::exists(dir.file("hnoteData.ini"))) << "cancel writes nothing";
}

// ---- the plan-view dialog ---------------------------------------------------

// One run of the plan-view dialog: `atStart` once it shows, then a click on
// `button`; the dialog's answer.
INT_PTR runPlan(ModuleDialog<CHeightDimGpDlg>& dlg, const std::function<void(CHeightDimGpDlg&)>& atStart,
                int button = IDOK) {
  return uitest::runModuleDialog<CHeightDimGpDlg>(dlg, [&](CHeightDimGpDlg& d, uitest::DialogScript& s) {
    s.then([&] { atStart(d); }).then([&] { click(d, button); });
  });
}

TEST(HeightDimPlanDialog, TheInsertionPointIsOfferedOnlyWhenTheCallerGivesOne) {
  struct Row {
    const char* what;
    int32_t given;
    int downs;  // Down keys pressed in the combo (only where it is enabled)
    bool enabled;
    int shown;
    int32_t answered;
  } rows[] = {
      {"not offered: Střed greyed out, -1 comes back", -1, 0, false, 0, -1},
      {"offered: the given point, moved on by the keys", 3, 2, true, 3, 5},
      {"the last point stays the last", 6, 1, true, 6, 6},
      {"a point outside the list shows the first", 9, 0, true, 0, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    vdtest::ScratchDir dir;
    ModuleDialog<CHeightDimGpDlg> dlg(dir.host("hnoteData.ini"), nullptr);
    dlg->insertPoint = r.given;
    bool labelEnabled = !r.enabled, comboEnabled = !r.enabled;
    int shown = -2;
    std::vector<std::wstring> items;
    const INT_PTR result = runPlan(dlg, [&](CHeightDimGpDlg& d) {
      const ui::Window combo = d.item(IDC_HDPLAN_INSPT);
      labelEnabled = d.item(IDC_HDPLAN_INSPT_LABEL).enabled();
      comboEnabled = combo.enabled();
      shown = static_cast<int>(combo.send(CB_GETCURSEL));
      items = comboItems(combo.hwnd());
      if (r.enabled) combo.setFocus();
      for (int i = 0; i < r.downs; ++i) uitest::postKey(combo.hwnd(), VK_DOWN);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(items, (std::vector<std::wstring>{L"Střed", L"Levý horní", L"Levý spodní", L"Střed horní",
                                                L"Střed spodní", L"Pravý horní", L"Pravý spodní"}));
    EXPECT_EQ(labelEnabled, r.enabled);
    EXPECT_EQ(comboEnabled, r.enabled);
    EXPECT_EQ(shown, r.shown);
    EXPECT_EQ(dlg->insertPoint, r.answered);
  }
}

struct PlanRun {
  const char* what;
  std::wstring shownText;             // the value combo's text when it opens
  std::vector<std::wstring> history;  // its list then
  bool repeatShown;
  std::function<void(CHeightDimGpDlg&)> act;  // what the user does before the button
  INT_PTR result;                              // the button pressed, and so the answer
  std::wstring heightText;
  int32_t repeat;
};

void typeInto(CHeightDimGpDlg& d, const wchar_t* text, bool enter) {
  d.valueCombo.window().setFocus();
  HWND edit = d.valueCombo.editField();
  SendMessageW(edit, EM_SETSEL, 0, -1);
  uitest::postChars(edit, text);
  if (enter) uitest::postKey(edit, VK_RETURN);
}

TEST(HeightDimPlanDialog, RemembersValuesAndRepetitionBetweenRuns) {
  vdtest::ScratchDir dir;
  const vd::vstring path = dir.host("hnoteData.ini");
  // Typing a value (and Enter), then clicking the repetition box.
  auto enterAndToggle = [](const wchar_t* value) {
    return [value](CHeightDimGpDlg& d) {
      typeInto(d, value, true);
      click(d, IDC_HDPLAN_REPEAT);
    };
  };
  const std::vector<std::wstring> both = {L"+1.250", L"±0.000"};
  const PlanRun runs[] = {
      {"an empty history offers ±0.000", L"±0.000", {L"±0.000"}, false, {}, IDOK, L"±0.000", 0},
      {"a value typed and entered, repetition chosen", L"±0.000", {L"±0.000"}, false, enterAndToggle(L"+1.250"), IDOK,
       L"+1.250", 1},
      {"the last value and repetition come back; Storno keeps the file", L"+1.250", both, true,
       enterAndToggle(L"-0.300"), IDCANCEL, L"", 1},
      {"a value typed without Enter is answered and kept as the last value", L"+1.250", both, true,
       [](CHeightDimGpDlg& d) { typeInto(d, L"12,5 m", false); }, IDOK, L"12,5 m", 1},
      {"it shows next time", L"12,5 m", both, true, {}, IDOK, L"12,5 m", 1},
  };
  for (const PlanRun& r : runs) {
    SCOPED_TRACE(r.what);
    ModuleDialog<CHeightDimGpDlg> dlg(path, nullptr);
    std::wstring shownText;
    std::vector<std::wstring> history;
    bool repeatShown = false;
    vd::vstring heightAtInit;
    const INT_PTR result = runPlan(
        dlg,
        [&](CHeightDimGpDlg& d) {
          shownText = d.valueCombo.editText();
          history = comboItems(d.valueCombo.hwnd());
          repeatShown = IsDlgButtonChecked(d.hwnd(), IDC_HDPLAN_REPEAT) == BST_CHECKED;
          heightAtInit = d.heightText;
          if (r.act) r.act(d);
        },
        static_cast<int>(r.result));
    EXPECT_EQ(result, r.result);
    EXPECT_EQ(shownText, r.shownText);
    EXPECT_EQ(heightAtInit, ui::fromWide(r.shownText)) << "the value as the dialog opens";
    EXPECT_EQ(history, r.history);
    if (r.result == IDOK) {
      EXPECT_EQ(ui::toWide(dlg->heightText), r.heightText);
      EXPECT_EQ(dlg->repeatCommand, r.repeat);
      EXPECT_EQ(dlg->insertPoint, -1);
    }
    EXPECT_EQ(repeatShown, r.repeatShown);
  }
  EXPECT_EQ(stored<int32_t>(path, vd::kAttribValueSection, vd::kRepeatKey), 1);
  EXPECT_EQ(stored<vd::vstring>(path, vd::kAttribValueSection, u"ATTRIB_VALUE_CB_ACT"), u"12,5 m");
}

TEST(HeightDimPlanDialog, OverlongAndBrokenValuesComeBackWhole) {
  const std::wstring huge(100000, L'7');
  const std::wstring surrogates = L"+1\xD800" L".5\xDC00";
  struct Row {
    const char* what;
    std::string file;  // the file's bytes before
    std::wstring typed;
    std::wstring answered;
  } rows[] = {
      {"a stored value of 100,000 characters",
       vdtest::utf16File(u"[ATTRIB_VALUE]\r\nATTRIB_VALUE_CB_ACT=" + ui::fromWide(huge) + u"\r\nREPEAT=1\r\n"), L"",
       huge},
      {"a stored value of lone surrogates",
       vdtest::utf16File(u"[ATTRIB_VALUE]\r\nATTRIB_VALUE_CB_ACT=" + ui::fromWide(surrogates) + u"\r\n"), L"", surrogates},
      {"lone surrogates typed", "", surrogates, surrogates},
      {"a garbled history", "[ATTRIB_VALUE]\r\nATTRIB_VALUE_UNICODE=0000000A6100\r\nREPEAT=x\r\n", L"", L"±0.000"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    vdtest::ScratchDir dir;
    if (!r.file.empty()) vdtest::writeBytes(dir.file("hnoteData.ini"), r.file);
    const vd::vstring path = dir.host("hnoteData.ini");
    ModuleDialog<CHeightDimGpDlg> dlg(path, nullptr);
    const INT_PTR result = runPlan(dlg, [&](CHeightDimGpDlg& d) {
      if (!r.typed.empty()) typeInto(d, r.typed.c_str(), false);
    });
    EXPECT_EQ(result, IDOK);
    // Compared by length first: a failure would print 100,000 characters.
    ASSERT_EQ(dlg->heightText.size(), r.answered.size());
    EXPECT_TRUE(dlg->heightText == ui::fromWide(r.answered));
    const std::optional<vd::vstring> kept = stored<vd::vstring>(path, vd::kAttribValueSection, u"ATTRIB_VALUE_CB_ACT");
    ASSERT_TRUE(kept.has_value());
    EXPECT_TRUE(*kept == ui::fromWide(r.answered)) << "kept " << kept->size() << " characters";
  }
}

TEST(HeightDimPlanDialog, AnUnusableFileIsNeitherNeededNorChanged) {
  for (const Unusable& u : kUnusable) {
    SCOPED_TRACE(u.what);
    PreparedFile f(u);
    const bool opens = f.path && !f.path->empty();  // a store on a path opens whether or not the file is there
    ModuleDialog<CHeightDimGpDlg> dlg(f.path.value_or(vd::vstring()), nullptr);
    dlg->insertPoint = 2;
    std::wstring shownText;
    const INT_PTR result = runPlan(dlg, [&](CHeightDimGpDlg& d) {
      shownText = d.valueCombo.editText();
      typeInto(d, L"+3.000", false);
      click(d, IDC_HDPLAN_REPEAT);
    });
    EXPECT_EQ(result, IDOK);
    // The read-only file is read: its last value and repetition show.
    EXPECT_EQ(shownText, f.readable ? L"+2.000" : opens ? L"±0.000" : L"");
    EXPECT_EQ(dlg->heightText, u"+3.000");
    EXPECT_EQ(dlg->repeatCommand, f.readable ? 0 : 1);
    EXPECT_EQ(dlg->insertPoint, 2);
    EXPECT_TRUE(f.unchanged());
  }
}

TEST(HeightDimPlanDialog, LocalizesShowsTheModuleIconAndAnswersTheQuery) {
  vdtest::ScratchDir dir;
  const size_t from = hostsim::Host::instance().transcript().size();
  ModuleDialog<CHeightDimGpDlg> dlg(dir.host("hnoteData.ini"), nullptr);
  Identity shown;
  const INT_PTR result = runPlan(dlg, [&](CHeightDimGpDlg& d) { shown = identityOf(d); }, IDCANCEL);
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(shown.query, 1);
  EXPECT_NE(shown.big, nullptr);
  EXPECT_NE(shown.small, nullptr);
  EXPECT_TRUE(transcriptHas("host: dialog 1002 localized", from));
  EXPECT_FALSE(std::filesystem::exists(dir.file("hnoteData.ini"))) << "cancel writes nothing";
}

}  // namespace
