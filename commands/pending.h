// Reports on the host's command line that a command is not built yet.
#pragma once
#include "host/text.h"

namespace vd {

// Writes one line naming the command (string IDS_MSG_COMMAND_PENDING), with
// `detail` in brackets after it when given, and returns the failure result 0.
// Without the host's text the line holds the command's name alone.
int reportCommandPending(const vchar* commandName, const vstring& detail = {});

}  // namespace vd
