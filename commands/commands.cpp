#include "commands/commands.h"

#include <cstring>

#include "heightdim/commands.h"
#include "dimtools/commands.h"
#include "host/host_api.h"

namespace vd {

const CommandInfo kCommands[] = {
    {"DimArc", &dimtools::commandDimArc},
    {"DimArc2", &dimtools::commandDimArc2},
    {"DimArc3", &dimtools::commandDimArc3},
    {"DimArc4", &dimtools::commandDimArc4},
    {"DimArcLength", &dimtools::commandDimArcLength},
    {"DimConnect", &dimtools::commandDimConnect},
    {"DimDivide", &dimtools::commandDimDivide},
    {"DimAlign", &dimtools::commandDimAlign},
    {"DimUpdateUCS", &dimtools::commandDimUpdateUcs},
    {"HeightDim", &heightdim::commandHeightDim},
    {"HeightDimEdit", &heightdim::commandHeightDimEdit},
    {"HeightDimSetBase", &heightdim::commandHeightDimSetBase},
    {"HeightDimUpdate", &heightdim::commandHeightDimUpdate},
    {"HeightDimSettings", &heightdim::commandHeightDimSettings},
};
const int kCommandCount = static_cast<int>(sizeof kCommands / sizeof kCommands[0]);

const CommandInfo* findCommand(const char* name) {
  if (!name) return nullptr;
  for (const CommandInfo& c : kCommands) {
    if (std::strcmp(c.name, name) == 0) return &c;
  }
  return nullptr;
}

int runCommand(const CommandInfo& command, int argc, const char* const* argv) {
  if (!hostApi()) return 0;
  return command.entry(argc, argv);
}

}  // namespace vd
