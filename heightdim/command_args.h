// Arguments of the height-dimension placing command as the host passes them.
#pragma once
#include <optional>

namespace vd::heightdim {

struct PlaceArgs {
  unsigned type = 0;      // height-dimension type, 0..3
  double direction = 0;   // radians
  int options = 0;        // plan-view option bits
  bool mirror = false;
};

// Parses the 8-bit argument texts; nothing when there is no argument at all.
// The type is read as unsigned and capped at 3, so negative texts give 3; the
// direction is whole degrees turned into radians.
std::optional<PlaceArgs> parsePlaceArgs(int argc, const char* const* argv);

// Reads a decimal integer the way the C library's atoi does (leading blanks,
// optional sign, digits up to the first other character), saturating at the
// int range instead of overflowing.
int parseDecimal(const char* text);

}  // namespace vd::heightdim
