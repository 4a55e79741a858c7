#include "commands/pending.h"

#include "host/host_api.h"

namespace vd {

int reportCommandPending(const vchar* commandName, const vstring& detail) {
  vstring line = vformat(u"Příkaz %s zatím není v této verzi k dispozici.", commandName);
  if (!detail.empty()) line += u" (" + detail + u")";
  line += u"\n";
  hostCall<&HostApi::PromptW>(line.c_str());
  return 0;
}

}  // namespace vd
