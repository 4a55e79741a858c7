// The command texts a module sends with CommandW, as the host runs them.
#pragma once
#include "host/text.h"

namespace hostsim {

class Host;

// Runs a command text: tokens separated by "\n", as typed at the command
// line. The host knows two commands (names without regard to case, with or
// without the leading "_"):
//  - "_LINE": the points that follow ("x,y,z" or "x,y") make a LINE from
//    each to the next, on the current layer (CLAYER); an empty token ends it.
//  - "_ERASE": the objects that follow ("_L", the last entity made) are
//    erased when an empty token ends the selection.
//  - "_DIM1" with "_UPDATE": the objects that follow ("_L") take the current
//    dimension style when an empty token ends the selection
//    (hostsim/dim_entry.h); an object that is no dimension is noted.
// Empty tokens between commands are skipped. Anything else (an unknown
// command, a point that does not read) is written to the transcript as not
// understood, and the rest of the text is not run. True when every token
// was understood.
bool runCommandText(Host& host, vd::vstring_view text);

// The layer new entities of the host go on: CLAYER, "0" when it is unset.
vd::vstring currentLayer(const Host& host);

}  // namespace hostsim
