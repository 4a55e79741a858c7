#include "tools/vdhost/host_windows.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "host/text.h"
#include "tools/vdhost/colour_windows.h"
#include "tools/vdhost/host_dialog_ids.h"
#include "ui/controls.h"
#include "ui/dialog.h"
#include "ui/module_state.h"
#include "ui/wide_text.h"

namespace vdhost {

namespace {

using vd::vstring;

std::wstring trimmed(const std::wstring& text) {
  const size_t first = text.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return {};
  return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

bool isExtendedCombo(HWND window) {
  wchar_t cls[32];
  return GetClassNameW(window, cls, 32) > 0 && lstrcmpiW(cls, WC_COMBOBOXEXW) == 0;
}

bool isCombo(HWND window) {
  wchar_t cls[32];
  return GetClassNameW(window, cls, 32) > 0 && (lstrcmpiW(cls, L"ComboBox") == 0 || isExtendedCombo(window));
}

// The host's layer dialog. It runs on the program's own framework copy, with
// the program's resources.
class LayerDialog : public ui::Dialog {
 public:
  explicit LayerDialog(hostsim::Host& host) : ui::Dialog(IDD_HOST_LAYERS), host_(host) {}

  bool ProcessMessage(ui::Message& m) override {
    static constexpr ui::Handler map[] = {
        ui::onClicked<IDC_HOST_LAYER_ADD, &LayerDialog::OnAdd>,
    };
    return ui::dispatch(*this, map, m) || ui::Dialog::ProcessMessage(m);
  }

 protected:
  bool OnInitDialog() override {
    SetHostIcons();
    const hostsim::Variable* current = host_.variable(u"CLAYER");
    for (const vstring& name : host_.layerNames()) {
      const LRESULT at = list().send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ui::toWide(name).c_str()));
      if (current && vd::equalsNoCaseAscii(current->text, name)) list().send(LB_SETCURSEL, static_cast<WPARAM>(at));
    }
    return true;
  }

  void OnOK() override {
    const LRESULT at = list().send(LB_GETCURSEL);
    if (at != LB_ERR) {
      const LRESULT n = list().send(LB_GETTEXTLEN, static_cast<WPARAM>(at));
      std::wstring name(n > 0 ? static_cast<size_t>(n) + 1 : 1, L'\0');
      name.resize(static_cast<size_t>(std::max<LRESULT>(
          0, list().send(LB_GETTEXT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(name.data())))));
      hostsim::Variable layer;
      layer.kind = hostsim::Variable::Kind::String;
      layer.text = ui::fromWide(name);
      host_.setVariable(u"CLAYER", layer);
      host_.log("host: current layer ", layer.text);
    }
    EndDialog(IDOK);
  }

 private:
  ui::Window list() const { return item(IDC_HOST_LAYER_LIST); }

  void OnAdd() {
    const std::wstring name = trimmed(item(IDC_HOST_LAYER_NEW).text());
    if (!host_.addLayer(ui::fromWide(name))) {
      const std::wstring why = name.empty() ? L"Zadejte název hladiny." : L"Hladina " + name + L" již existuje.";
      MessageBoxW(hwnd(), why.c_str(), L"Hladiny", MB_ICONWARNING | MB_OK);
      return;
    }
    host_.log("host: layer added: ", ui::fromWide(name));
    const LRESULT at = list().send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    list().send(LB_SETCURSEL, static_cast<WPARAM>(at));
    item(IDC_HOST_LAYER_NEW).setText(L"");
  }

  hostsim::Host& host_;
};

}  // namespace

int fillLayerCombo(hostsim::Host& host, void* combo, int mode) {
  HWND window = static_cast<HWND>(combo);
  if (!IsWindow(window) || !isCombo(window)) {
    host.log("host: VdRcFillComboLayer " + std::to_string(mode) + ": no combo box");
    return 0;
  }
  const std::vector<vstring> names = host.layerNames();
  for (const vstring& name : names) {
    const std::wstring text = ui::toWide(name);
    if (isExtendedCombo(window)) {
      ui::comboExInsertItem(window, -1, text.c_str(), -1);
    } else {
      SendMessageW(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
  }
  host.log("host: layer combo filled with " + std::to_string(names.size()) + " layers");
  return 1;
}

int showLayerDialog(hostsim::Host& host, int mode, int flags, int options) {
  host.log("host: layer dialog (" + std::to_string(mode) + ", " + std::to_string(flags) + ", " +
           std::to_string(options) + ")");
  // The dialog comes from the program's resources, whichever module's state
  // its caller has current.
  ui::ModuleStateScope hostResources(nullptr);
  LayerDialog dialog(host);
  HWND owner = GetActiveWindow();
  const INT_PTR result = dialog.DoModal(owner ? owner : static_cast<HWND>(host.mainWindow));
  if (result == ui::kDialogFailed) host.log("host: the layer dialog could not be shown");
  return result == IDOK ? 1 : 0;
}

HostWindows::HostWindows(hostsim::Host& host) : host_(host), driver_(host) {
  host_.windowOperations.fillLayerCombo = [this](void* combo, int mode) { return fillLayerCombo(host_, combo, mode); };
  host_.windowOperations.layerDialog = [this](int mode, int flags, int options) {
    return showLayerDialog(host_, mode, flags, options);
  };
  host_.windowOperations.trueColourDialog = [this](vd::HostTrueColourRecord& record) {
    return showTrueColourDialog(host_, record);
  };
}

HostWindows::~HostWindows() { host_.windowOperations = {}; }

}  // namespace vdhost
