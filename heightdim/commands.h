// Height-dimension commands as the exports call them.
#pragma once

namespace vd::heightdim {

int commandHeightDim(int argc, const char* const* argv);
int commandHeightDimEdit(int argc, const char* const* argv);
int commandHeightDimSetBase(int argc, const char* const* argv);
int commandHeightDimUpdate(int argc, const char* const* argv);
int commandHeightDimSettings(int argc, const char* const* argv);

}  // namespace vd::heightdim
