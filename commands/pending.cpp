#include "commands/pending.h"

#include "host/host_api.h"
#include "host/services.h"
#include "string_ids.h"

namespace vd {

int reportCommandPending(const vchar* commandName, const vstring& detail) {
  vstring format = loadFormat(IDS_MSG_COMMAND_PENDING, "s");
  vstring line = format.empty() ? vstring(commandName) : vformat(format.c_str(), commandName);
  if (!detail.empty()) line += u" (" + detail + u")";
  line += u"\n";
  hostCall<&HostApi::PromptW>(line.c_str());
  return 0;
}

}  // namespace vd
