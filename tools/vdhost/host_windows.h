// The host program's windows: the driver that answers the module's dialogs
// and message boxes from the script, and the host operations that show
// windows of their own (the layer dialog, the layer combo).
#pragma once
#include "hostsim/host.h"
#include "tools/vdhost/dialog_driver.h"

namespace vdhost {

class HostWindows {
 public:
  // Starts the driver on the calling thread and installs the host's window
  // operations; both end with this object.
  explicit HostWindows(hostsim::Host& host);
  ~HostWindows();
  HostWindows(const HostWindows&) = delete;
  HostWindows& operator=(const HostWindows&) = delete;

  bool ready() const { return driver_.ready(); }

 private:
  hostsim::Host& host_;
  DialogDriver driver_;
};

// VdRcFillComboLayer: adds the drawing's layer names to a combo box (a plain
// or an extended one); 1, or 0 when the window is no combo box.
int fillLayerCombo(hostsim::Host& host, void* combo, int mode);

// VdRcLayerDlg: the host's layer dialog (template IDD_HOST_LAYERS of the
// program's own resources), owned by the active window. The user may add
// layers to the drawing; on OK the chosen layer becomes current (CLAYER).
// 1 on OK, 0 on Cancel or when the dialog cannot be shown.
int showLayerDialog(hostsim::Host& host, int mode, int flags, int options);

}  // namespace vdhost
