// The module's application object.
#pragma once
#include "ui/app.h"

namespace vd {

class VdSharedApp : public ui::App {
 public:
  bool InitInstance() override;
  int ExitInstance() override;

  // Screen scale of the host's main window, 1.0 until start-up succeeded.
  double DpiScale() const;
};

VdSharedApp& theApp();

}  // namespace vd
