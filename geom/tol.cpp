#include "geom/tol.h"

GcGeTol GcGeContext::gTol{};
