#include "dimtools/arc_length_dialog.h"

#include <utility>

#include "host/host_api.h"
#include "res/dialog_ids.h"
#include "ui/wide_text.h"

namespace vd::dim {

CArcDimLenDlg::CArcDimLenDlg(vstring text, HWND parent) noexcept
    : ui::Dialog(IDD_ARC_PART_LENGTH), lengthText(std::move(text)), parent_(parent) {
  Bind(IDC_ARCLEN_VALUE, value_);
}

bool CArcDimLenDlg::ProcessMessage(ui::Message& m) {
  static constexpr ui::Handler map[] = {
      ui::onCommand<IDC_ARCLEN_VALUE, EN_SETFOCUS, &CArcDimLenDlg::OnValueFocus>,
  };
  return ui::dispatch(*this, map, m) || ui::Dialog::ProcessMessage(m);
}

bool CArcDimLenDlg::OnInitDialog() {
  hostCall<&HostApi::LocalizeDlg>(static_cast<HostWindow>(hwnd()), IDD_ARC_PART_LENGTH);
  value_.window().setText(ui::toWide(lengthText));
  return ui::Dialog::OnInitDialog();
}

void CArcDimLenDlg::OnValueFocus() {
  value_.setSel(0, -1);
  value_.scrollCaret();
}

void showArcLengthDialog(const vstring& lengthText) {
  CArcDimLenDlg dlg(lengthText, static_cast<HWND>(hostBinding().mainWindow));
  dlg.DoModal();
}

}  // namespace vd::dim
