#pragma once
// Line segment; declared with the other straight curves.
#include "geom/linear_ent2d.h"
