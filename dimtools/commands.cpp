#include "dimtools/commands.h"

#include "dimtools/arc_dimension.h"
#include "dimtools/dim_align.h"
#include "dimtools/dim_connect.h"
#include "dimtools/dim_divide.h"
#include "host/pending.h"
#ifdef _WIN32
#include "dimtools/arc_length_dialog.h"
#endif

namespace vd::dimtools {

// The four arc-dimension variants: (mode, limit points, restore the source).
int commandDimArc(int, const char* const*) { return dim::runDimArc({1, false, false}); }
int commandDimArc2(int, const char* const*) { return dim::runDimArc({2, false, false}); }
int commandDimArc3(int, const char* const*) { return dim::runDimArc({1, true, true}); }
int commandDimArc4(int, const char* const*) { return dim::runDimArc({2, true, true}); }
dim::ArcLengthDialog& arcLengthDialog() {
#ifdef _WIN32
  static dim::ArcLengthDialog dialog = &dim::showArcLengthDialog;
#else
  static dim::ArcLengthDialog dialog = nullptr;
#endif
  return dialog;
}

int commandDimArcLength(int, const char* const*) { return dim::runDimArcLength(arcLengthDialog()); }
int commandDimConnect(int, const char* const*) { return dim::runDimConnect(); }
int commandDimDivide(int, const char* const*) { return dim::runDimDivide(); }
int commandDimAlign(int, const char* const*) { return dim::runDimAlign(); }
int commandDimUpdateUcs(int, const char* const*) { return dim::runDimUpdateUcs(); }

}  // namespace vd::dimtools
