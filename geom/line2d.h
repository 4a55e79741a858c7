#pragma once
// Unbounded line; declared with the other straight curves.
#include "geom/linear_ent2d.h"
