// The dialog the layer-key combo is tested in, under Wine by the test
// program and in the host program by a probe module's command: the combo as
// the settings dialogs will hold it.
#pragma once
#include <windows.h>

#include <string>

#include "controls/combo_layer_keys.h"
#include "layer_keys_test_ids.h"
#include "ui/dialog.h"

namespace layerkeystest {

constexpr uint32_t kStyle = 0x10076;  // the dialogs' style: alphabetical, Enter accepts, Delete, tool tip

// The dialog as the settings dialogs will hold the combo: OK checks the
// typed key with reporting on and stays open when it is refused.
class LayerKeysDialog : public ui::Dialog {
 public:
  // The combo takes PELTAR.CRX from the folder of the file it is linked into.
  explicit LayerKeysDialog(uint32_t options) : ui::Dialog(IDD_LAYER_KEYS), keys(20, kStyle, options) {
    Bind(IDC_LAYER_KEYS, keys);
  }
  // The combo takes the extension from `extension`.
  LayerKeysDialog(uint32_t options, const std::wstring& extension)
      : ui::Dialog(IDD_LAYER_KEYS), keys(20, kStyle, options, extension) {
    Bind(IDC_LAYER_KEYS, keys);
  }
  vd::comboLayerKeys keys;
  int refusals = 0;
  std::wstring shownOnOk, layerOnOk;  // the edit text and the layer to use when OK closed the dialog

 protected:
  void OnOK() override {
    if (!keys.addToHistory(keys.editText(), true, true)) {
      ++refusals;
      return;
    }
    shownOnOk = keys.editText();
    keys.layerToUse(layerOnOk);
    EndDialog(IDOK);
  }
};

}  // namespace layerkeystest
