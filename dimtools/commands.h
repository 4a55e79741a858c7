// Dimension-tool commands as the exports call them.
#pragma once

#include "dimtools/arc_length.h"

namespace vd::dimtools {

int commandDimArc(int argc, const char* const* argv);
int commandDimArc2(int argc, const char* const* argv);
int commandDimArc3(int argc, const char* const* argv);
int commandDimArc4(int argc, const char* const* argv);
int commandDimArcLength(int argc, const char* const* argv);
int commandDimConnect(int argc, const char* const* argv);
int commandDimDivide(int argc, const char* const* argv);
int commandDimAlign(int argc, const char* const* argv);
int commandDimUpdateUcs(int argc, const char* const* argv);

// The dialog DimArcLength shows the length in: the module's own in the
// Windows build; none in the portable build (the length then goes to the
// command line), where a host that runs the command in its own process may
// put a stand-in.
dim::ArcLengthDialog& arcLengthDialog();

}  // namespace vd::dimtools
