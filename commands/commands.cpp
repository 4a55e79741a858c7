#include "commands/commands.h"

#include <cstring>

#include "heightdim/commands.h"
#include "dimtools/commands.h"
#include "host/host_api.h"

namespace vd {

const CommandInfo kCommands[] = {
    {"DimArc", &dimtools::commandDimArc, -1},
    {"DimArc2", &dimtools::commandDimArc2, -1},
    {"DimArc3", &dimtools::commandDimArc3, -1},
    {"DimArc4", &dimtools::commandDimArc4, -1},
    {"DimArcLength", &dimtools::commandDimArcLength, -1},
    {"DimConnect", &dimtools::commandDimConnect, -1},
    {"DimDivide", &dimtools::commandDimDivide, 0},
    {"DimAlign", &dimtools::commandDimAlign, 0},
    {"DimUpdateUCS", &dimtools::commandDimUpdateUcs, -1},
    {"HeightDim", &heightdim::commandHeightDim, 0},
    {"HeightDimEdit", &heightdim::commandHeightDimEdit, 0},
    {"HeightDimSetBase", &heightdim::commandHeightDimSetBase, 0},
    {"HeightDimUpdate", &heightdim::commandHeightDimUpdate, 0},
    {"HeightDimSettings", &heightdim::commandHeightDimSettings, 0},
};
const int kCommandCount = static_cast<int>(sizeof kCommands / sizeof kCommands[0]);

const CommandInfo* findCommand(const char* name) {
  if (!name) return nullptr;
  for (const CommandInfo& c : kCommands) {
    if (std::strcmp(c.name, name) == 0) return &c;
  }
  return nullptr;
}

int runCommand(const CommandInfo& command, int argc, const char* const* argv) noexcept {
  if (!hostApi()) return command.failure;
  try {
    return command.entry(argc, argv);
  } catch (...) {
    // Nothing may cross into the host: the command answers as one that could not run.
    return command.failure;
  }
}

}  // namespace vd
