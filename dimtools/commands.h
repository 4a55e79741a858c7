// Dimension-tool commands as the exports call them.
#pragma once

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

}  // namespace vd::dimtools
