// A system variable of the drawing, with the kind it was set with.
#pragma once
#include <cstdint>

#include "host/text.h"

namespace hostsim {

struct Variable {
  enum class Kind { Real, Point, Short, String };
  Kind kind = Kind::Real;
  double value[3] = {0, 0, 0};
  int16_t shortValue = 0;
  vd::vstring text;
};

}  // namespace hostsim
