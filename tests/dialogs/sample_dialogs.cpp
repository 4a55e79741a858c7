#include "sample_dialogs.h"

#include <commctrl.h>

#include <algorithm>

#include "colour/palette.h"
#include "dialog_ids.h"
#include "host/host_api.h"
#include "host/services.h"
#include "ui/gdi.h"
#include "ui/image_list.h"
#include "ui/module_state.h"
#include "ui/wide_text.h"

namespace dialogtest {

namespace {

constexpr UINT_PTR kAnimationTimer = 1000;
constexpr UINT kAnimationMilliseconds = 1000;  // once

std::wstring text(int id) { return ui::toWide(vd::loadText(id)); }

void prompt(const std::wstring& line) { vd::hostCall<&vd::HostApi::PromptW>(ui::fromWide(line).c_str()); }

COLORREF indexColour(int index) { return static_cast<COLORREF>(vd::colour::rgb_of_index(index)); }

void fillRect(HDC dc, const RECT& r, COLORREF colour) {
  ui::unique_hbrush brush(CreateSolidBrush(colour));
  FillRect(dc, &r, brush.get());
}

// Colour swatches of the colour dialog: single colours and the 5 × 24 grids.
void drawSwatch(const DRAWITEMSTRUCT& item) {
  const RECT& r = item.rcItem;
  const int id = static_cast<int>(item.CtlID);
  fillRect(item.hDC, r, GetSysColor(COLOR_BTNFACE));
  int first = 0, rowStep = 0, rows = 1, columns = 1;
  if (id >= IDC_COLOR_INDEX_1 && id <= IDC_COLOR_INDEX_9) {
    first = id - IDC_COLOR_INDEX_1 + 1;
  } else if (id >= IDC_COLOR_GREY_250 && id <= IDC_COLOR_GREY_255) {
    first = 250 + id - IDC_COLOR_GREY_250;
  } else if (id == IDC_COLOR_CURRENT) {
    first = 1;
  } else if (id == IDC_COLOR_GRID_HALF || id == IDC_COLOR_GRID_FULL) {
    first = id == IDC_COLOR_GRID_HALF ? 11 : 18;
    rowStep = id == IDC_COLOR_GRID_HALF ? 2 : -2;
    rows = 5;
    columns = 24;
  }
  const int w = r.right - r.left, h = r.bottom - r.top;
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      RECT cell{r.left + w * column / columns, r.top + h * row / rows, r.left + w * (column + 1) / columns,
                r.top + h * (row + 1) / rows};
      if (columns > 1) cell.right -= 1, cell.bottom -= 1;
      fillRect(item.hDC, cell, indexColour(first + row * rowStep + column * 10));
    }
  }
  if (columns == 1) FrameRect(item.hDC, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

void addItem(HWND combo, const std::wstring& s) {
  SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
}

// A combo with an edit field showing one value of its history.
void setEditCombo(HWND dialog, int id, const wchar_t* value) {
  addItem(GetDlgItem(dialog, id), value);
  SendDlgItemMessageW(dialog, id, CB_SETCURSEL, 0, 0);
}

void setList(HWND dialog, int id, const std::vector<std::wstring>& items, int selected) {
  for (const std::wstring& s : items) addItem(GetDlgItem(dialog, id), s);
  SendDlgItemMessageW(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void addExItem(HWND combo, const std::wstring& s, int image) { ui::comboExInsertItem(combo, -1, s.c_str(), image); }

void check(HWND dialog, int id, bool on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }

}  // namespace

bool SamplePane::ProcessMessage(ui::Message& m) {
  static constexpr ui::Handler map[] = {
      ui::onMouse<WM_LBUTTONDOWN, &SamplePane::OnLeftDown>,
      ui::onMouseWheel<&SamplePane::OnWheel>,
  };
  return ui::dispatch(*this, map, m) || ui::OwnerDrawButton::ProcessMessage(m);
}

// The white drawing area in a sunken frame.
void SamplePane::DrawItem(const DRAWITEMSTRUCT& item) {
  RECT r = item.rcItem;
  fillRect(item.hDC, r, RGB(255, 255, 255));
  DrawEdge(item.hDC, &r, EDGE_SUNKEN, BF_RECT);
}

void SamplePane::OnLeftDown(UINT, POINT client) {
  window().setText(L"click " + std::to_wstring(client.x) + L"," + std::to_wstring(client.y));
  Default();
}

void SamplePane::OnWheel(int delta, UINT, POINT screen) {
  ScreenToClient(hwnd(), &screen);
  window().setText(L"wheel " + std::to_wstring(delta) + L" at " + std::to_wstring(screen.x) + L"," +
                   std::to_wstring(screen.y));
}

SampleDialog::SampleDialog(int templateId) : ui::Dialog(templateId) {
  if (templateId == IDD_HEIGHTDIM_SETTINGS) {
    Bind(IDC_HDSET_SECTION_PREVIEW, sectionPane_);
    Bind(IDC_HDSET_PLAN_PREVIEW, planPane_);
    Bind(IDC_HDSET_PLAN_ARROW, planArrow_);
  }
}

bool SampleDialog::ProcessMessage(ui::Message& m) {
  static constexpr ui::Handler map[] = {
      ui::onClicked<IDC_HDSET_MASK_SETTINGS, &SampleDialog::OnMask>,
      ui::onClicked<IDC_HDSET_PLAN_MASK_SETTINGS, &SampleDialog::OnMask>,
      ui::onClicked<IDC_HDSET_LAYER_BUTTON, &SampleDialog::OnSectionLayers>,
      ui::onClicked<IDC_HDSET_PLAN_LAYER_BUTTON, &SampleDialog::OnPlanLayers>,
      ui::onClicked<IDC_HDEDIT_SETTINGS, &SampleDialog::OnSettings>,
      ui::onClicked<IDC_MASK_USE_DRAWING, &SampleDialog::OnUseDrawingColour>,
      ui::onCommand<IDC_HDSET_TYPE, CBN_SELCHANGE, &SampleDialog::OnTypeChosen>,
      ui::onClicked<IDC_HDSET_UNDERLINE, &SampleDialog::OnUnderline>,
      ui::onCommand<IDC_HDPLAN_VALUE, CBN_KILLFOCUS, &SampleDialog::OnValueLeft>,
      ui::onClicked<IDHELP, &SampleDialog::OnHelp>,
      ui::onTimer<&SampleDialog::OnTimer>,
      ui::onMessage<WM_DRAWITEM, &SampleDialog::OnDrawItem>,
  };
  return ui::dispatch(*this, map, m) || ui::Dialog::ProcessMessage(m);
}

bool SampleDialog::OnInitDialog() {
  vd::hostCall<&vd::HostApi::LocalizeDlg>(static_cast<vd::HostWindow>(hwnd()), templateId());
  const HWND dialog = hwnd();
  switch (templateId()) {
    case IDD_COLOR:
      SetHostIcons();
      window().item(IDC_COLOR_NAME).setText(text(6002));
      break;
    case IDD_BACKGROUND_MASK:
      SetHostIcons();
      check(dialog, IDC_MASK_USE_DRAWING, true);
      fillColourCombo(IDC_MASK_COLOR, 2);
      OnUseDrawingColour();
      break;
    case IDD_HEIGHTDIM_SETTINGS:
      SetHostIcons();
      fillSettings();
      sectionPane_.window().setText(L"0.000");
      window().setTimer(kAnimationTimer, kAnimationMilliseconds);
      break;
    case IDD_HEIGHTDIM_EDIT: SetModuleIcons(IDI_MODULE); break;
    case IDD_HEIGHTDIM_PLAN: {
      SetModuleIcons(IDI_MODULE);
      setEditCombo(dialog, IDC_HDPLAN_VALUE, L"\u00b10.000");
      std::vector<std::wstring> points;
      for (int s = 1029; s <= 1035; ++s) points.push_back(text(s));
      setList(dialog, IDC_HDPLAN_INSPT, points, 0);
      break;
    }
    case IDD_ARC_PART_LENGTH:
      SetHostIcons();
      window().item(IDC_ARCLEN_VALUE).setText(L"12.5664");
      break;
    default: break;
  }
  return ui::Dialog::OnInitDialog();
}

void SampleDialog::OnOK() {
  if (templateId() == IDD_HEIGHTDIM_PLAN && window().item(IDC_HDPLAN_VALUE).text().empty()) {
    MessageBoxW(hwnd(), L"Zadejte hodnotu výšky.", L"VELDRA", MB_ICONERROR | MB_OK);
    return;
  }
  ui::Dialog::OnOK();
}

void SampleDialog::OnMask() {
  if (templateId() != IDD_HEIGHTDIM_SETTINGS) return;
  SampleDialog mask(IDD_BACKGROUND_MASK);
  prompt(L"mask dialog -> " + std::to_wstring(mask.DoModal(hwnd())));
}

void SampleDialog::OnSettings() {
  if (templateId() == IDD_HEIGHTDIM_EDIT) EndDialog(IDC_HDEDIT_SETTINGS);
}

void SampleDialog::OnHelp() {
  const std::wstring topic = L"::/Napoveda/dialog-" + std::to_wstring(templateId()) + L".htm";
  vd::hostCall<&vd::HostApi::ShowHelpW>(ui::fromWide(topic).c_str(), 0, 0, 0);
}

void SampleDialog::OnSectionLayers() { runLayerDialog(IDC_HDSET_LAYER_PLAIN); }
void SampleDialog::OnPlanLayers() { runLayerDialog(IDC_HDSET_PLAN_LAYER_PLAIN); }

void SampleDialog::runLayerDialog(int id) {
  if (templateId() != IDD_HEIGHTDIM_SETTINGS) return;
  const ui::Window combo = window().item(id);
  const std::wstring chosen = combo.text();
  vd::hostCall<&vd::HostApi::VdRcLayerDlg>(2, 0, 1);
  combo.send(CB_RESETCONTENT);
  vd::hostCall<&vd::HostApi::VdRcFillComboLayer>(static_cast<vd::HostWindow>(combo.hwnd()), 2);
  combo.send(CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(chosen.c_str()));
}

void SampleDialog::OnUseDrawingColour() {
  if (templateId() == IDD_BACKGROUND_MASK)
    window().item(IDC_MASK_COLOR).enable(IsDlgButtonChecked(hwnd(), IDC_MASK_USE_DRAWING) != BST_CHECKED);
}

void SampleDialog::OnTypeChosen() {
  if (templateId() != IDD_HEIGHTDIM_SETTINGS) return;
  const bool csn = window().item(IDC_HDSET_TYPE).send(CB_GETCURSEL) == 0;
  for (int id : {IDC_HDSET_VERT_LENGTH, IDC_HDSET_HORZ_LENGTH, IDC_HDSET_MARK_TYPE_LABEL, IDC_HDSET_MARK_TYPE,
                 IDC_HDSET_UNDERLINE_LABEL, IDC_HDSET_UNDERLINE}) {
    window().item(id).enable(csn);
  }
  OnUnderline();
}

void SampleDialog::OnUnderline() {
  if (templateId() != IDD_HEIGHTDIM_SETTINGS) return;
  const bool on =
      window().item(IDC_HDSET_UNDERLINE).enabled() && IsDlgButtonChecked(hwnd(), IDC_HDSET_UNDERLINE) == BST_CHECKED;
  window().item(IDC_HDSET_UNDERLINE_LENGTH_LABEL).enable(on);
  window().item(IDC_HDSET_UNDERLINE_LENGTH).enable(on);
}

void SampleDialog::OnValueLeft() {
  if (templateId() != IDD_HEIGHTDIM_PLAN) return;
  const ui::Window value = window().item(IDC_HDPLAN_VALUE);
  std::wstring text = value.text();
  if (text.find(L',') == std::wstring::npos) return;
  std::replace(text.begin(), text.end(), L',', L'.');
  value.setText(text);
}

void SampleDialog::OnTimer(UINT_PTR id) {
  if (id != kAnimationTimer) return;
  // One turn only, so that a script knows when the text changes.
  window().killTimer(kAnimationTimer);
  sectionPane_.window().setText(L"1.234");
}

LRESULT SampleDialog::OnDrawItem(WPARAM, LPARAM item) {
  drawSwatch(*reinterpret_cast<const DRAWITEMSTRUCT*>(item));
  return TRUE;
}

HIMAGELIST SampleDialog::keep(HIMAGELIST list) {
  imageLists_.emplace_back(list);
  return list;
}

// A colour combo: by layer, by block, the colours 1..7 and "Vybrat barvu...".
void SampleDialog::fillColourCombo(int id, int selected) {
  if (!swatches_) {
    swatches_ = keep(ImageList_Create(12, 12, ILC_COLOR32 | ILC_MASK, 8, 0));
    ui::window_dc screen(nullptr);
    ui::unique_hdc dc(CreateCompatibleDC(screen.get()));
    for (int index : {7, 7, 1, 2, 3, 4, 5, 6, 7}) {  // by layer and by block show white
      ui::unique_hbitmap swatch(CreateCompatibleBitmap(screen.get(), 12, 12));
      {
        ui::select_result selectedBitmap(dc.get(), swatch.get());
        fillRect(dc.get(), RECT{0, 0, 12, 12}, RGB(0, 0, 0));
        fillRect(dc.get(), RECT{1, 1, 11, 11}, index == 7 ? RGB(255, 255, 255) : indexColour(index));
      }
      ImageList_Add(swatches_, swatch.get(), nullptr);
    }
  }
  HWND combo = GetDlgItem(hwnd(), id);
  SendMessageW(combo, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(swatches_));
  for (int i = 0; i < 9; ++i) addExItem(combo, text(6000 + i), i);
  addExItem(combo, text(6012), -1);
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void SampleDialog::fillBoundaryMarks() {
  HWND combo = GetDlgItem(hwnd(), IDC_HDSET_MARK_TYPE);
  HIMAGELIST list = keep(ImageList_Create(45, 32, ILC_COLOR32 | ILC_MASK, 6, 0));
  const ui::unique_hbitmap marks = ui::loadModuleBitmap(IDB_BOUNDARY_MARKS, 270, 32);
  ImageList_AddMasked(list, marks.get(), RGB(255, 255, 255));
  SendMessageW(combo, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list));
  for (int i = 0; i < 6; ++i) addExItem(combo, L"", i);
  SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), 32);
  SendMessageW(combo, CB_SETITEMHEIGHT, 0, 32);
  SendMessageW(combo, CB_SETCURSEL, 0, 0);
}

// The settings dialog with the default records of ČSN and the plan view.
void SampleDialog::fillSettings() {
  const HWND dialog = hwnd();
  setList(dialog, IDC_HDSET_TYPE, {text(1002), text(1003), text(1004)}, 0);
  if (vd::hostBinding().product == 2) {
    // The host's own layer list, behind the layer buttons, instead of the layer keys.
    for (int id : {IDC_HDSET_LAYER_LABEL, IDC_HDSET_LAYER, IDC_HDSET_PLAN_LAYER_LABEL, IDC_HDSET_PLAN_LAYER})
      window().item(id).show(false);
    for (int id :
         {IDC_HDSET_LAYER_BUTTON, IDC_HDSET_LAYER_PLAIN, IDC_HDSET_PLAN_LAYER_BUTTON, IDC_HDSET_PLAN_LAYER_PLAIN}) {
      window().item(id).show(true);
    }
    for (int id : {IDC_HDSET_LAYER_PLAIN, IDC_HDSET_PLAN_LAYER_PLAIN}) {
      vd::hostCall<&vd::HostApi::VdRcFillComboLayer>(static_cast<vd::HostWindow>(GetDlgItem(dialog, id)), 2);
      SendDlgItemMessageW(dialog, id, CB_SETCURSEL, 0, 0);
    }
  }
  setEditCombo(dialog, IDC_HDSET_LAYER, L"KOTY");
  fillColourCombo(IDC_HDSET_COLOR, 1);
  setEditCombo(dialog, IDC_HDSET_ROUNDING, L"0.001");
  setEditCombo(dialog, IDC_HDSET_VERT_LENGTH, L"7.5");
  setEditCombo(dialog, IDC_HDSET_HORZ_LENGTH, L"11.725");
  fillBoundaryMarks();
  setEditCombo(dialog, IDC_HDSET_MARK_WIDTH, L"3.55");
  setEditCombo(dialog, IDC_HDSET_MARK_HEIGHT, L"1.781");
  check(dialog, IDC_HDSET_UNDERLINE, true);
  setEditCombo(dialog, IDC_HDSET_UNDERLINE_LENGTH, L"5");
  // The drawing's text styles, as the host gives them.
  int count = 0;
  char** names = vd::hostCallOr<&vd::HostApi::GetTextStylesA, char**>(nullptr, &count);
  std::vector<std::wstring> styles;
  for (int i = 0; names && i < count; ++i) styles.push_back(ui::toWide(vd::cp1250ToUtf16(names[i])));
  setList(dialog, IDC_HDSET_TEXT_STYLE, styles, 0);
  fillColourCombo(IDC_HDSET_TEXT_COLOR, 1);
  setEditCombo(dialog, IDC_HDSET_TEXT_HEIGHT, L"2.5");
  setEditCombo(dialog, IDC_HDSET_TEXT_WIDTH, L"0.8");
  setEditCombo(dialog, IDC_HDSET_TEXT_OFFSET, L"1.25");
  setList(dialog, IDC_HDSET_DELIMITER, {L".", L","}, 0);
  check(dialog, IDC_HDSET_PLUS_SIGN, true);
  check(dialog, IDC_HDSET_PLUS_MINUS_ZERO, true);
  check(dialog, IDC_HDSET_MASK, true);
  setEditCombo(dialog, IDC_HDSET_PLAN_LAYER, L"KOTY");
  fillColourCombo(IDC_HDSET_FRAME_COLOR, 1);
  setEditCombo(dialog, IDC_HDSET_FRAME_WIDTH, L"14.225");
  setEditCombo(dialog, IDC_HDSET_FRAME_HEIGHT, L"6.25");
  setEditCombo(dialog, IDC_HDSET_PLAN_ARROW_SIZE, L"0.25");
  setList(dialog, IDC_HDSET_PLAN_TEXT_STYLE, styles, 0);
  fillColourCombo(IDC_HDSET_PLAN_TEXT_COLOR, 1);
  setEditCombo(dialog, IDC_HDSET_PLAN_TEXT_HEIGHT, L"2.5");
  setEditCombo(dialog, IDC_HDSET_PLAN_TEXT_WIDTH, L"0.8");
  check(dialog, IDC_HDSET_PLAN_MASK, true);
}

}  // namespace dialogtest
