// The standard dimension terminators a CAD host knows by name, and the
// blocks it makes for them when a drawing lacks one (GetArrowHandleW).
#pragma once
#include <optional>
#include <vector>

#include "host/chain.h"

namespace hostsim {

// How many standard terminators there are ("." and the 17 named ones).
constexpr int kStandardTerminatorCount = 18;  // the size of vd::standardTerminators()

// The block name of a standard terminator, whatever the case it is asked in:
// its own spelling ("_Open30"), and "_CLOSEDFILLED" for "." (the closed
// filled arrow, which has no name of its own). Nothing for any other name.
std::optional<vd::vstring> terminatorBlockName(vd::vstring_view name);

// The members of a standard terminator's block, as chains that begin with 0
// (type) and 5 (a placeholder handle): drawn one unit long with the tip at
// the origin and the dimension line coming from -X, on layer 0 in the colour
// of the reference (by block). "_NONE" has none. Nothing for a name that is
// not a standard terminator's block name.
std::optional<std::vector<vd::OwnedChain>> terminatorShape(vd::vstring_view blockName);

}  // namespace hostsim
