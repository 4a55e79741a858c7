#include "heightdim/edit_dialogs.h"

#include <array>

#include "host/host_api.h"
#include "res/dialog_ids.h"
#include "store/prf_store.h"
#include "ui/wide_text.h"

namespace vd {

namespace {

// The module's window icon, shown by both dialogs.
constexpr int kDialogIcon = 100;

constexpr const vchar* kEditHelpTopic =
    u"::/Obecne_funkce/Obecne_kreslici_a_editacni_funkce/Kótování/Výškové_kóty/02020316Editace_vyskovych_kot.htm";

// The edit dialog's flags with their check boxes and keys, in one place for
// reading and writing.
struct EditFlag {
  int32_t CHeightDimEditDlg::*member;
  int control;
  const vchar* key;
};
constexpr std::array<EditFlag, 4> kEditFlags = {{
    {&CHeightDimEditDlg::drawLeader, IDC_HDEDIT_DRAW_LEADER, u"LINE"},
    {&CHeightDimEditDlg::moveToLeader, IDC_HDEDIT_MOVE_TO_LEADER, u"MOVE"},
    {&CHeightDimEditDlg::mirrorMarks, IDC_HDEDIT_MIRROR, u"MIRROR"},
    {&CHeightDimEditDlg::applySettings, IDC_HDEDIT_APPLY_SETTINGS, u"SETTINGS"},
}};

// A flag as stored: any non-zero number is on. A key that is missing or no
// number leaves the flag as it was.
void readFlag(ini_store& store, const vchar* key, int32_t& flag) {
  int32_t value = 0;
  if (store.getInt(key, value)) flag = value != 0 ? 1 : 0;
}

bool openSection(prf_store& store, const vstring* path, const vchar* section) {
  return path && store.open(*path, section);
}

void localize(HWND dialog, int templateId) { hostCall<&HostApi::LocalizeDlg>(dialog, templateId); }

}  // namespace

// --- CHeightDimEditDlg -------------------------------------------------------

CHeightDimEditDlg::CHeightDimEditDlg(const vstring* path, HWND parent) noexcept
    : ui::Dialog(IDD_HEIGHTDIM_EDIT), iniPath(path), parent_(parent) {}

bool CHeightDimEditDlg::ProcessMessage(ui::Message& m) {
  static constexpr ui::Handler map[] = {
      ui::onClicked<IDC_HDEDIT_SETTINGS, &CHeightDimEditDlg::OnSettings>,
      ui::onClicked<IDHELP, &CHeightDimEditDlg::OnHelp>,
      ui::onMessage<kHeightDimDialogQuery, &CHeightDimEditDlg::OnQuery>,
  };
  return ui::dispatch(*this, map, m) || ui::Dialog::ProcessMessage(m);
}

bool CHeightDimEditDlg::OnInitDialog() {
  localize(hwnd(), IDD_HEIGHTDIM_EDIT);
  SetModuleIcons(kDialogIcon);
  prf_store store;
  if (openSection(store, iniPath, kHNoteEditSection)) {
    for (const EditFlag& f : kEditFlags) readFlag(store, f.key, this->*f.member);
  }
  return ui::Dialog::OnInitDialog();
}

void CHeightDimEditDlg::DoDataExchange(ui::DataExchange& dx) {
  for (const EditFlag& f : kEditFlags) dx.check(f.control, this->*f.member);
}

bool CHeightDimEditDlg::saveOptions() {
  if (!UpdateData(true)) return false;
  prf_store store;
  if (!openSection(store, iniPath, kHNoteEditSection)) return true;
  // A file that cannot be written keeps what it had; the choice still holds
  // for this run.
  for (const EditFlag& f : kEditFlags) store.setInt(f.key, this->*f.member != 0 ? 1 : 0);
  return true;
}

void CHeightDimEditDlg::OnOK() {
  if (saveOptions()) EndDialog(IDOK);
}

void CHeightDimEditDlg::OnSettings() {
  if (saveOptions()) EndDialog(IDC_HDEDIT_SETTINGS);
}

void CHeightDimEditDlg::OnHelp() { hostCall<&HostApi::ShowHelpW>(kEditHelpTopic, 0, 0, 0); }

// --- CHeightDimGpDlg ---------------------------------------------------------

CHeightDimGpDlg::CHeightDimGpDlg(vstring path, HWND parent)
    : ui::Dialog(IDD_HEIGHTDIM_PLAN), iniPath(std::move(path)), parent_(parent) {
  Bind(IDC_HDPLAN_VALUE, valueCombo);
}

bool CHeightDimGpDlg::ProcessMessage(ui::Message& m) {
  static constexpr ui::Handler map[] = {
      ui::onMessage<kHeightDimDialogQuery, &CHeightDimGpDlg::OnQuery>,
  };
  return ui::dispatch(*this, map, m) || ui::Dialog::ProcessMessage(m);
}

bool CHeightDimGpDlg::openStore(prf_store& store) const { return openSection(store, &iniPath, kAttribValueSection); }

bool CHeightDimGpDlg::OnInitDialog() {
  localize(hwnd(), IDD_HEIGHTDIM_PLAN);
  SetModuleIcons(kDialogIcon);

  const ui::Window points = item(IDC_HDPLAN_INSPT);
  for (int i = 0; i < kInsertPointCount; ++i) {
    // A text the host lacks still takes its place, so that indexes stay the
    // insertion points they stand for.
    vchar text[kInsertPointTextChars] = {};
    if (hostCallOr<&HostApi::LoadStringDBW>(0, kFirstInsertPointText + i, text, kInsertPointTextChars) <= 0)
      text[0] = 0;
    text[kInsertPointTextChars - 1] = 0;
    points.send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ui::toWide(text).c_str()));
  }
  // A stored point outside the list shows the first one, as "not chosen" does.
  const bool offered = insertPoint != -1;
  const int shown = insertPoint >= 0 && insertPoint < kInsertPointCount ? insertPoint : 0;
  points.send(CB_SETCURSEL, static_cast<WPARAM>(shown));
  item(IDC_HDPLAN_INSPT_LABEL).enable(offered);
  points.enable(offered);

  prf_store store;
  if (openStore(store)) {
    valueCombo.load(store, ui::toWide(kAttribValueSection), true);
    heightText = ui::fromWide(valueCombo.editText());
    if (heightText.empty()) {
      heightText = kZeroHeightText;
      valueCombo.addToHistory(ui::toWide(heightText), true);
    }
    int32_t repeat = 0;
    if (store.getInt(kRepeatKey, repeat)) repeatCommand = repeat != 0 ? 1 : 0;
  }
  CheckDlgButton(hwnd(), IDC_HDPLAN_REPEAT, repeatCommand ? BST_CHECKED : BST_UNCHECKED);
  return ui::Dialog::OnInitDialog();
}

void CHeightDimGpDlg::OnOK() {
  if (insertPoint != -1) {
    const LRESULT chosen = item(IDC_HDPLAN_INSPT).send(CB_GETCURSEL);
    insertPoint = chosen >= 0 && chosen < kInsertPointCount ? static_cast<int32_t>(chosen) : 0;
  }
  repeatCommand = IsDlgButtonChecked(hwnd(), IDC_HDPLAN_REPEAT) == BST_CHECKED ? 1 : 0;
  prf_store store;
  if (openStore(store)) {
    // Values that the file cannot take (a line break, a history too long for
    // one entry) are not written; the dialog still answers with them.
    store.setInt(kRepeatKey, repeatCommand);
    valueCombo.save(store, ui::toWide(kAttribValueSection), true);
  }
  heightText = ui::fromWide(valueCombo.editText());
  EndDialog(IDOK);
}

}  // namespace vd
