// The host program's modules that take command texts through "alt_send"
// (tools/vdhost/alt_send_module.cpp): loaded from vdhost's own directory
// under both names a module looks for, each text recorded in the transcript
// as `host: alt_send (VeldraLT.exe) "_-dimstyle "`.
#pragma once

namespace vdhost {

// Loads both modules and makes them record into the host's transcript; a
// module that is not there is left out (a module then finds no alt_send).
void loadAltSendModules();

}  // namespace vdhost
