// Joining linear dimensions that meet end to end on one dimension line
// into single dimensions (the command DimConnect).
#pragma once
#include <vector>

#include "host/chain.h"

namespace vd::dim {

// A new dimension measuring both `a` and `b` when their extension lines
// point the same way and an end of a's dimension line is an end of b's;
// empty otherwise (or when memory runs out). Its text is joinTexts of the
// two, its DIMSE1 and DIMSE2 overrides those both had (else 0), its DIMEXO
// override the larger of theirs (`exo`, the drawing's, where one has none),
// or, with an extension line suppressed, such that the extension lines it
// shows are as long as the longest of theirs.
OwnedChain joinDims(ChainView a, ChainView b, double exo);

// Joins the dimensions of the list as far as they go, in place: each in
// turn, from the first, takes in the first later one it joins with, again
// and again, and the dimensions taken in leave the list. Partners are found
// by the ends of their dimension lines, so the work grows with the number
// of dimensions and not its square; the result is the one the plain
// pairwise scan gives.
void connectDimensions(std::vector<OwnedChain>& dimensions, double exo);

// The drawing's DIMEXO (GetVarW); 1.0 when the host gives none.
double dimExoSetting();

// The command: selects dimensions (prompt 1510), joins them and writes
// every selected dimension back, joined or not, in place of the selected
// ones. -1 when the selection was cancelled or empty (the host answered
// other than 5100), else 0, also when it held no dimension.
int runDimConnect();

}  // namespace vd::dim
