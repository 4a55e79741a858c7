#include "heightdim/commands.h"

#include "commands/pending.h"
#include "heightdim/command_args.h"
#include "host/services.h"
#include "string_ids.h"

namespace vd::heightdim {

int commandHeightDim(int argc, const char* const* argv) {
  std::optional<PlaceArgs> args = parsePlaceArgs(argc, argv);
  if (!args) return 0;
  // Placing marks comes with the builder; until then the command says what it
  // was asked to place, so that a run shows the arguments it understood.
  return reportCommandPending(u"HeightDim", vformat(loadFormat(IDS_FMT_PENDING_HEIGHTDIM_ARGS, "ugdd").c_str(),
                                                    args->type, args->direction, args->options,
                                                    args->mirror ? 1 : 0));
}

int commandHeightDimEdit(int, const char* const*) { return reportCommandPending(u"HeightDimEdit"); }
int commandHeightDimSetBase(int, const char* const*) { return reportCommandPending(u"HeightDimSetBase"); }
int commandHeightDimUpdate(int, const char* const*) { return reportCommandPending(u"HeightDimUpdate"); }
int commandHeightDimSettings(int, const char* const*) { return reportCommandPending(u"HeightDimSettings"); }

}  // namespace vd::heightdim
