// The module's six dialog templates opened on the framework's base dialog
// with the content they have in use (the default settings, the module's
// texts, icons and pictures), for the dialog scripts and the pictures of
// docs/pictures.
//
// Besides showing the templates the sample dialogs do what the scripts need
// to exercise the dialog driver the way the module's dialogs will use it:
// - every dialog asks the host to localise it (LocalizeDlg) and shows the
//   host's icon (GetAppIcon) or the module's icon 100;
// - 1000: choosing the type (1002, selection change) disables the controls
//   that only ČSN has for the DIN types; clearing "Vynášecí čára" (1033)
//   disables its length (1034, 1035);
// - 1000: "…" (1041, 1063) opens the mask dialog 102 over it; for host
//   product 2 the layer buttons (109, 1069) open the host's layer dialog and
//   refill their plain layer combos (VdRcLayerDlg, VdRcFillComboLayer); a
//   timer turns the section pane's sample value once, a second after the
//   dialog opens, as the preview animates; the panes write the last click and wheel turn they got into
//   their window text; Help (9) asks the host for help (ShowHelpW);
// - 1000: the plan view's terminator combo (1051) is the module's own
//   arrowCombo, showing "_DOT";
// - 1001: "Nastavení..." (1006) ends the dialog with 1006;
// - 1002: the value takes '.' for ',' when the focus leaves it (kill-focus
//   notification); OK with an empty value shows an error box and the dialog
//   stays;
// - 102: the colour combo is enabled exactly while the check box is clear.
// A nested dialog's result goes to the host's command line (PromptW).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "controls/arrow_combo.h"
#include "ui/controls.h"
#include "ui/dialog.h"
#include "ui/handles.h"

namespace dialogtest {

// A preview pane that records what the mouse did to it in its window text.
class SamplePane : public ui::OwnerDrawButton {
 public:
  bool ProcessMessage(ui::Message& m) override;

 protected:
  void DrawItem(const DRAWITEMSTRUCT& item) override;

 private:
  void OnLeftDown(UINT keys, POINT client);
  void OnWheel(int delta, UINT keys, POINT screen);
};

class SampleDialog : public ui::Dialog {
 public:
  explicit SampleDialog(int templateId);
  bool ProcessMessage(ui::Message& m) override;

 protected:
  bool OnInitDialog() override;
  void OnOK() override;

 private:
  void OnMask();
  void OnSettings();
  void OnHelp();
  void OnSectionLayers();
  void OnPlanLayers();
  void OnUseDrawingColour();
  void OnTypeChosen();
  void OnUnderline();
  void OnValueLeft();
  void OnTimer(UINT_PTR id);
  LRESULT OnDrawItem(WPARAM, LPARAM item);

  void fillSettings();
  void fillColourCombo(int id, int selected);
  void fillBoundaryMarks();
  // The host's layer dialog for the plain layer combo `combo`, as the layer buttons run it.
  void runLayerDialog(int combo);
  HIMAGELIST keep(HIMAGELIST list);

  SamplePane sectionPane_, planPane_;
  vd::arrowCombo planArrow_{L"_DOT"};
  HIMAGELIST swatches_ = nullptr;
  std::vector<ui::unique_himagelist> imageLists_;  // the combos borrow them
};

}  // namespace dialogtest
