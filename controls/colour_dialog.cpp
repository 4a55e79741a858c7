#include "controls/colour_dialog.h"

#include "colour/colour_value.h"
#include "colour/palette.h"
#include "dialog_ids.h"
#include "host/host_api.h"
#include "ui/wide_text.h"

namespace vd {

namespace {
constexpr WPARAM kNameLimit = 64;
}  // namespace

AcLtColorDlg::AcLtColorDlg(std::uint32_t colour, int layerIndex, int blockIndex)
    : ui::Dialog(IDD_COLOR),
      colour_(colour == colour::kNoColourValue ? static_cast<std::uint32_t>(colour::kForeground) : colour),
      layerIndex_(layerIndex),
      blockIndex_(blockIndex) {
  Bind(IDC_COLOR_NAME, name_);
  Bind(IDC_COLOR_CURRENT, current_);
  current_.setFrame(true);
  const auto onPick = [this](std::uint32_t value, bool twice) { pick(value, twice); };
  for (int i = 0; i < 9; ++i) {
    singles_[i].setColour(static_cast<std::uint32_t>(i + 1));
    singles_[i].setFrame(true);
    singles_[i].onPick = onPick;
    Bind(IDC_COLOR_INDEX_1 + i, singles_[i]);
  }
  for (int i = 0; i < 6; ++i) {
    greys_[i].setColour(static_cast<std::uint32_t>(250 + i));
    greys_[i].setFrame(true);
    greys_[i].onPick = onPick;
    Bind(IDC_COLOR_GREY_250 + i, greys_[i]);
  }
  // The half-saturated colours run light to dark downwards, the full ones dark to light.
  halfGrid_.setGrid(11, 5, 2, 24, 10);
  fullGrid_.setGrid(18, 5, -2, 24, 10);
  for (AcLtColorBtn* grid : {&halfGrid_, &fullGrid_}) grid->onPick = onPick;
  Bind(IDC_COLOR_GRID_HALF, halfGrid_);
  Bind(IDC_COLOR_GRID_FULL, fullGrid_);
}

bool AcLtColorDlg::ProcessMessage(ui::Message& m) {
  static constexpr ui::Handler map[] = {
      ui::onClicked<IDC_COLOR_BYLAYER, &AcLtColorDlg::OnByLayer>,
      ui::onClicked<IDC_COLOR_BYBLOCK, &AcLtColorDlg::OnByBlock>,
      ui::onCommand<IDC_COLOR_BYLAYER, BN_DOUBLECLICKED, &AcLtColorDlg::OnByLayerTwice>,
      ui::onCommand<IDC_COLOR_BYBLOCK, BN_DOUBLECLICKED, &AcLtColorDlg::OnByBlockTwice>,
      ui::onCommand<IDC_COLOR_NAME, EN_KILLFOCUS, &AcLtColorDlg::OnNameLeft>,
  };
  return ui::dispatch(*this, map, m) || ui::Dialog::ProcessMessage(m);
}

bool AcLtColorDlg::OnInitDialog() {
  hostCall<&HostApi::LocalizeDlg>(static_cast<HostWindow>(hwnd()), IDD_COLOR);
  for (int id : {IDC_COLOR_BYLAYER, IDC_COLOR_BYBLOCK}) {
    // Push buttons tell a double click apart only with BS_NOTIFY.
    HWND button = item(id).hwnd();
    SetWindowLongPtrW(button, GWL_STYLE, GetWindowLongPtrW(button, GWL_STYLE) | BS_NOTIFY);
  }
  // The field holds a colour's name or number; a longer text is nothing it can read.
  name_.window().send(EM_LIMITTEXT, kNameLimit);
  item(IDC_COLOR_BYLAYER).enable(layerIndex_ != colour::kNone);
  item(IDC_COLOR_BYBLOCK).enable(blockIndex_ != colour::kNone);
  select(colour_);
  return ui::Dialog::OnInitDialog();
}

void AcLtColorDlg::OnOK() {
  // Enter in the colour field closes the dialog before the field is left.
  if (name_.window().hasFocus()) readName();
  EndDialog(IDOK);
}

void AcLtColorDlg::select(std::uint32_t value) {
  colour_ = value;
  std::uint32_t shown = value;
  if (value == static_cast<std::uint32_t>(colour::kByBlock)) shown = static_cast<std::uint32_t>(blockIndex_);
  if (value == static_cast<std::uint32_t>(colour::kByLayer)) shown = static_cast<std::uint32_t>(layerIndex_);
  current_.setColour(shown);
  if (current_.hwnd()) UpdateWindow(current_.hwnd());
  if (name_.hwnd()) name_.window().setText(ui::toWide(colour::colour_name(value)));
}

void AcLtColorDlg::readName() {
  const std::optional<std::uint32_t> typed = colour::read_index(ui::fromWide(name_.window().text()));
  const bool offered = typed && !(*typed == static_cast<std::uint32_t>(colour::kByBlock) && blockIndex_ == colour::kNone) &&
                       !(*typed == static_cast<std::uint32_t>(colour::kByLayer) && layerIndex_ == colour::kNone);
  select(offered ? *typed : colour_);
}

void AcLtColorDlg::pick(std::uint32_t value, bool twice) {
  select(value);
  if (twice) EndDialog(IDOK);
}

void AcLtColorDlg::OnByLayer() { select(static_cast<std::uint32_t>(colour::kByLayer)); }
void AcLtColorDlg::OnByBlock() { select(static_cast<std::uint32_t>(colour::kByBlock)); }
void AcLtColorDlg::OnByLayerTwice() { pick(static_cast<std::uint32_t>(colour::kByLayer), true); }
void AcLtColorDlg::OnByBlockTwice() { pick(static_cast<std::uint32_t>(colour::kByBlock), true); }
void AcLtColorDlg::OnNameLeft() { readName(); }

}  // namespace vd
