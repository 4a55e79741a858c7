// Reports on the host's command line that a command is not built yet.
#pragma once
#include "host/text.h"

namespace vd {

// Writes one line naming the command and returns the failure result 0.
int reportCommandPending(const vchar* commandName, const vstring& detail = {});

}  // namespace vd
