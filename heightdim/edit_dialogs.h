// The two small dialogs of the height-dimension commands: what the edit
// command does with the chosen marks (template 1001), and the value, text
// position and repetition of a plan-view mark (template 1002). Both remember
// their choices in hnoteData.ini, whose path the caller passes.
#pragma once
#include <windows.h>

#include <cstdint>

#include "controls/combo_history.h"
#include "host/text.h"
#include "ui/dialog.h"

namespace vd {

class prf_store;

// Section and keys of the edit dialog's choices.
inline constexpr const vchar* kHNoteEditSection = u"HNOTE_EDIT";
// Section of the plan-view dialog; also the key of its value history.
inline constexpr const vchar* kAttribValueSection = u"ATTRIB_VALUE";
inline constexpr const vchar* kRepeatKey = u"REPEAT";
// What the plan-view value starts as when nothing was entered before.
inline constexpr const vchar* kZeroHeightText = u"±0.000";
// A private message both dialogs answer with 1, so that a caller can tell
// one of them from another window.
inline constexpr UINT kHeightDimDialogQuery = 0x7101;

// "Editace výškových kót": four check boxes kept in section HNOTE_EDIT.
class CHeightDimEditDlg : public ui::Dialog {
 public:
  // `iniPath` is not owned and must outlive the dialog; null or empty means
  // nothing is read or written.
  CHeightDimEditDlg(const vstring* iniPath, HWND parent) noexcept;

  // IDOK, IDCANCEL, or 1006 ("Nastavení...", the settings dialog is to
  // follow); the choices are saved and held in the flags after IDOK and 1006.
  INT_PTR DoModal() noexcept { return ui::Dialog::DoModal(parent_); }

  bool ProcessMessage(ui::Message& m) override;

  const vstring* iniPath;
  int32_t drawLeader = 0;     // 1002 "Kreslit vynášecí čáru", key LINE
  int32_t moveToLeader = 0;   // 1003 "Posunout na vynášecí čáru", key MOVE
  int32_t mirrorMarks = 0;    // 1004 "Zrcadlit kóty", key MIRROR
  int32_t applySettings = 0;  // 1005 "Upravit kóty dle nastavení:", key SETTINGS

 protected:
  bool OnInitDialog() override;
  void OnOK() override;
  void DoDataExchange(ui::DataExchange& dx) override;

 private:
  // Reads the controls into the flags and writes them; false when the
  // controls could not be read (the dialog then stays open).
  bool saveOptions();
  void OnSettings();
  void OnHelp();
  LRESULT OnQuery(WPARAM, LPARAM) { return 1; }

  HWND parent_;
};

// "Půdorysná výšková kóta": the value with a history, the text insertion
// point (when the caller offers it) and "Opakování funkce", kept in section
// ATTRIB_VALUE.
class CHeightDimGpDlg : public ui::Dialog {
 public:
  static constexpr int kHistoryCount = 20;
  static constexpr uint32_t kHistoryStyle = 0x10076;
  // Capacity of the buffer each insertion-point text is loaded into.
  static constexpr int kInsertPointTextChars = 260;
  // String ids of the seven insertion points, "Střed" first.
  static constexpr int kFirstInsertPointText = 1029;
  static constexpr int kInsertPointCount = 7;

  CHeightDimGpDlg(vstring iniPath, HWND parent);

  // IDOK with heightText, insertPoint and repeatCommand filled, or IDCANCEL.
  INT_PTR DoModal() noexcept { return ui::Dialog::DoModal(parent_); }

  bool ProcessMessage(ui::Message& m) override;

  vstring iniPath;
  int32_t repeatCommand = 0;
  vstring heightText;
  // 0..6 as the plan-view type's INSPT; -1 when the caller offers no choice
  // (the combo is then shown disabled and the value comes back unchanged).
  int32_t insertPoint = -1;
  comboHistory valueCombo{kHistoryCount, kHistoryStyle};

 protected:
  bool OnInitDialog() override;
  void OnOK() override;

 private:
  LRESULT OnQuery(WPARAM, LPARAM) { return 1; }
  // The store on section ATTRIB_VALUE; false when the path cannot be used.
  bool openStore(prf_store& store) const;

  HWND parent_;
};

}  // namespace vd
