// "Délka části oblouku" (template 1003): the length of an arc part in a
// read-only field whose text is selected whenever it gets the focus, so that
// it can be copied at once.
#pragma once
#include <windows.h>

#include <string>

#include "host/text.h"
#include "ui/controls.h"
#include "ui/dialog.h"

namespace vd::dim {

class CArcDimLenDlg : public ui::Dialog {
 public:
  CArcDimLenDlg(vstring text, HWND parent) noexcept;
  INT_PTR DoModal() noexcept { return ui::Dialog::DoModal(parent_); }
  bool ProcessMessage(ui::Message& m) override;

  vstring lengthText;

 protected:
  bool OnInitDialog() override;

 private:
  void OnValueFocus();

  ui::Edit value_;  // 1002
  HWND parent_;
};

// Shows the dialog owned by the host's main window.
void showArcLengthDialog(const vstring& lengthText);

}  // namespace vd::dim
