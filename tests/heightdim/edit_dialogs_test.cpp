// The edit and plan-view dialogs of the height dimensions under Wine, with
// the module's templates, texts and icons (VdShared.dll, its string table
// served by the in-process host), driven by clicks and keys: what they show,
// what they answer, and what they keep in hnoteData.ini between runs, also
// when the file is missing, unwritable or holds bad values.
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
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

// The integer under a key of a section; nothing when it is missing.
std::optional<int32_t> storedInt(const vd::vstring& path, const char16_t* section, const char16_t* key) {
  vd::prf_store store;
  int32_t v = 0;
  if (!store.open(path, section) || !store.getInt(key, v)) return std::nullopt;
  return v;
}

std::optional<vd::vstring> storedText(const vd::vstring& path, const char16_t* section, const char16_t* key) {
  vd::prf_store store;
  vd::vstring v;
  if (!store.open(path, section) || !store.getString(key, v)) return std::nullopt;
  return v;
}

using uitest::ModuleDialog;

template <class Dlg>
INT_PTR run(ModuleDialog<Dlg>& dlg, const std::function<void(Dlg&, uitest::DialogScript&)>& steps) {
  return uitest::runModuleDialog(dlg, steps);
}

// Whether the host's transcript holds `line` from position `from` on.
bool transcriptHas(const std::string& line, size_t from) {
  const std::vector<std::string>& t = hostsim::Host::instance().transcript();
  for (size_t i = from; i < t.size(); ++i)
    if (t[i] == line) return true;
  return false;
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
  out.result = run<CHeightDimEditDlg>(dlg, [&](CHeightDimEditDlg& d, uitest::DialogScript& s) {
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
  for (size_t i = 0; i < kEditKeys.size(); ++i) f[i] = storedInt(path, vd::kHNoteEditSection, kEditKeys[i]).value_or(-1);
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
  EXPECT_EQ(storedInt(path, u"OTHER", u"KEEP"), 1);
}

// Where the file cannot be read or written the dialog still works and
// answers; what was there stays as it was.
struct Unusable {
  const char* what;
  std::function<std::optional<vd::vstring>(vdtest::ScratchDir&)> prepare;  // the path, or none for a null path
  std::string before;                                                      // the file's bytes, when it exists
  std::optional<DWORD> lockSharing;  // held open by another program, sharing it so
};

std::vector<Unusable> unusableFiles() {
  const std::string content = "[HNOTE_EDIT]\r\nLINE=1\r\n[ATTRIB_VALUE]\r\nREPEAT=1\r\nATTRIB_VALUE_CB_ACT=+2.000\r\n";
  return {
      {"no path", [](vdtest::ScratchDir&) { return std::optional<vd::vstring>(); }, {}, std::nullopt},
      {"an empty path", [](vdtest::ScratchDir&) { return std::optional<vd::vstring>(u""); }, {}},
      {"a folder that does not exist",
       [](vdtest::ScratchDir& d) { return std::optional<vd::vstring>(d.host("missing/Dat/hnoteData.ini")); },
       {}},
      // Read-only both ways: the attribute (which Wine lets root write
      // through) and another program sharing the file for reading only.
      {"a read-only file",
       [content](vdtest::ScratchDir& d) {
         vdtest::writeBytes(d.file("ro.ini"), content);
         SetFileAttributesW(d.file("ro.ini").wstring().c_str(), FILE_ATTRIBUTE_READONLY);
         return std::optional<vd::vstring>(d.host("ro.ini"));
       },
       content, FILE_SHARE_READ},
      {"a file another program holds open without sharing",
       [content](vdtest::ScratchDir& d) {
         vdtest::writeBytes(d.file("locked.ini"), content);
         return std::optional<vd::vstring>(d.host("locked.ini"));
       },
       content, 0},
  };
}

// Holds a file open, sharing it as given, while it lives.
struct Lock {
  Lock(const std::filesystem::path& p, DWORD sharing)
      : h(CreateFileW(p.wstring().c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~Lock() {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  HANDLE h;
};

std::string bytesOrNothing(const std::filesystem::path& p) {
  return std::filesystem::exists(p) ? vdtest::readBytes(p) : std::string("<none>");
}

// An unusable file made ready: its path (none for a null path), its bytes
// before the dialog, and the other program's hold on it while that lasts.
struct PreparedFile {
  explicit PreparedFile(const Unusable& u)
      : path(u.prepare(dir)),
        file(path && !path->empty() ? std::filesystem::path(*path) : dir.file("none")),
        before(bytesOrNothing(file)),
        locked(u.lockSharing == DWORD(0)) {
    if (u.lockSharing) lock.emplace(file, *u.lockSharing);
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
  std::string before;
  bool locked;  // not even readable
  std::optional<Lock> lock;
};

TEST(HeightDimEditDialog, AnUnusableFileLeavesTheDefaultsAndStillAnswers) {
  for (const Unusable& u : unusableFiles()) {
    SCOPED_TRACE(u.what);
    PreparedFile f(u);
    const std::optional<vd::vstring>& path = f.path;
    const bool locked = f.locked;
    const EditOutcome o = runEdit(path ? &*path : nullptr, {IDC_HDEDIT_MOVE_TO_LEADER, IDC_HDEDIT_SETTINGS});
    EXPECT_EQ(o.result, IDC_HDEDIT_SETTINGS);
    // The read-only file is still read.
    EXPECT_EQ(o.shown, (Flags{u.before.empty() || locked ? 0 : 1, 0, 0, 0}));
    EXPECT_EQ(o.flags, (Flags{o.shown[0], 1, 0, 0}));
    EXPECT_TRUE(f.unchanged());
  }
}

TEST(HeightDimEditDialog, LocalizesShowsTheModuleIconAsksForHelpAndAnswersTheQuery) {
  vdtest::ScratchDir dir;
  const vd::vstring path = dir.host("hnoteData.ini");
  const size_t from = hostsim::Host::instance().transcript().size();
  ModuleDialog<CHeightDimEditDlg> dlg(&path, nullptr);
  LRESULT query = 0;
  HICON big = nullptr, small = nullptr;
  const INT_PTR result = run<CHeightDimEditDlg>(
      dlg,
      [&](CHeightDimEditDlg& d, uitest::DialogScript& s) {
        s.then([&] {
           query = d.window().send(vd::kHeightDimDialogQuery);
           big = reinterpret_cast<HICON>(d.window().send(WM_GETICON, ICON_BIG));
           small = reinterpret_cast<HICON>(d.window().send(WM_GETICON, ICON_SMALL));
           click(d, IDHELP);
         })
            .waitFor([&] { return transcriptHas("help: ::/Obecne_funkce/Obecne_kreslici_a_editacni_funkce/Kótování/"
                                               "Výškové_kóty/02020316Editace_vyskovych_kot.htm", from); },
                     "the help topic")
            .then([&] { uitest::postKey(d.item(IDC_HDEDIT_DRAW_LEADER).hwnd(), VK_ESCAPE); });
      });
  EXPECT_EQ(result, IDCANCEL) << "help leaves the dialog open, Esc cancels";
  EXPECT_EQ(query, 1);
  EXPECT_NE(big, nullptr);
  EXPECT_NE(small, nullptr);
  EXPECT_TRUE(transcriptHas("host: dialog 1001 localized", from));
  EXPECT_FALSE(std::filesystem::exists(dir.file("hnoteData.ini"))) << "cancel writes nothing";
}

// ---- the plan-view dialog ---------------------------------------------------

std::vector<std::wstring> comboItems(HWND combo) {
  std::vector<std::wstring> out;
  const int n = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    std::wstring text(static_cast<size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0)), L'\0');
    SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    out.push_back(text);
  }
  return out;
}

const std::vector<std::wstring> kInsertPoints = {L"Střed",        L"Levý horní",  L"Levý spodní", L"Střed horní",
                                                 L"Střed spodní", L"Pravý horní", L"Pravý spodní"};

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
    bool labelEnabled = !r.enabled, comboEnabled = !r.enabled;
    int shown = -2;
    std::vector<std::wstring> items;
    const INT_PTR result = run<CHeightDimGpDlg>(
        dlg,
        [&](CHeightDimGpDlg& d, uitest::DialogScript& s) {
          d.insertPoint = r.given;
          s.then([&] {
             const ui::Window combo = d.item(IDC_HDPLAN_INSPT);
             labelEnabled = d.item(IDC_HDPLAN_INSPT_LABEL).enabled();
             comboEnabled = combo.enabled();
             shown = static_cast<int>(combo.send(CB_GETCURSEL));
             items = comboItems(combo.hwnd());
             if (r.enabled) combo.setFocus();
             for (int i = 0; i < r.downs; ++i) uitest::postKey(combo.hwnd(), VK_DOWN);
           }).then([&] { click(d, IDOK); });
        });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(items, kInsertPoints);
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
    const INT_PTR result = run<CHeightDimGpDlg>(
        dlg,
        [&](CHeightDimGpDlg& d, uitest::DialogScript& s) {
          s.then([&] {
             shownText = d.valueCombo.editText();
             history = comboItems(d.valueCombo.hwnd());
             repeatShown = IsDlgButtonChecked(d.hwnd(), IDC_HDPLAN_REPEAT) == BST_CHECKED;
             heightAtInit = d.heightText;
             if (r.act) r.act(d);
           }).then([&] { click(d, static_cast<int>(r.result)); });
        });
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
  EXPECT_EQ(storedInt(path, vd::kAttribValueSection, vd::kRepeatKey), 1);
  EXPECT_EQ(storedText(path, vd::kAttribValueSection, u"ATTRIB_VALUE_CB_ACT"), u"12,5 m");
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
    const INT_PTR result = run<CHeightDimGpDlg>(
        dlg,
        [&](CHeightDimGpDlg& d, uitest::DialogScript& s) {
          s.then([&] {
             if (!r.typed.empty()) typeInto(d, r.typed.c_str(), false);
           }).then([&] { click(d, IDOK); });
        });
    EXPECT_EQ(result, IDOK);
    // Compared by length first: a failure would print 100,000 characters.
    ASSERT_EQ(dlg->heightText.size(), r.answered.size());
    EXPECT_TRUE(dlg->heightText == ui::fromWide(r.answered));
    const std::optional<vd::vstring> kept = storedText(path, vd::kAttribValueSection, u"ATTRIB_VALUE_CB_ACT");
    ASSERT_TRUE(kept.has_value());
    EXPECT_TRUE(*kept == ui::fromWide(r.answered)) << "kept " << kept->size() << " characters";
  }
}

TEST(HeightDimPlanDialog, AnUnusableFileIsNeitherNeededNorChanged) {
  for (const Unusable& u : unusableFiles()) {
    SCOPED_TRACE(u.what);
    PreparedFile f(u);
    const std::optional<vd::vstring>& path = f.path;
    const bool locked = f.locked;
    const bool opens = path && !path->empty();  // a store on a path opens whether or not the file is there
    ModuleDialog<CHeightDimGpDlg> dlg(path.value_or(vd::vstring()), nullptr);
    std::wstring shownText;
    const INT_PTR result = run<CHeightDimGpDlg>(
        dlg,
        [&](CHeightDimGpDlg& d, uitest::DialogScript& s) {
          d.insertPoint = 2;
          s.then([&] {
             shownText = d.valueCombo.editText();
             typeInto(d, L"+3.000", false);
             click(d, IDC_HDPLAN_REPEAT);
           }).then([&] { click(d, IDOK); });
        });
    EXPECT_EQ(result, IDOK);
    // The read-only file is read: its last value and repetition show.
    const bool readable = !u.before.empty() && !locked;
    EXPECT_EQ(shownText, readable ? L"+2.000" : opens ? L"±0.000" : L"");
    EXPECT_EQ(dlg->heightText, u"+3.000");
    EXPECT_EQ(dlg->repeatCommand, readable ? 0 : 1);
    EXPECT_EQ(dlg->insertPoint, 2);
    EXPECT_TRUE(f.unchanged());
  }
}

TEST(HeightDimPlanDialog, LocalizesShowsTheModuleIconAndAnswersTheQuery) {
  vdtest::ScratchDir dir;
  const size_t from = hostsim::Host::instance().transcript().size();
  ModuleDialog<CHeightDimGpDlg> dlg(dir.host("hnoteData.ini"), nullptr);
  LRESULT query = 0;
  HICON big = nullptr;
  const INT_PTR result = run<CHeightDimGpDlg>(
      dlg,
      [&](CHeightDimGpDlg& d, uitest::DialogScript& s) {
        s.then([&] {
          query = d.window().send(vd::kHeightDimDialogQuery);
          big = reinterpret_cast<HICON>(d.window().send(WM_GETICON, ICON_BIG));
          click(d, IDCANCEL);
        });
      });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(query, 1);
  EXPECT_NE(big, nullptr);
  EXPECT_TRUE(transcriptHas("host: dialog 1002 localized", from));
  EXPECT_FALSE(std::filesystem::exists(dir.file("hnoteData.ini"))) << "cancel writes nothing";
}

}  // namespace
