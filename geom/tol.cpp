#include "geom/tol.h"

GcGeTol GcGeContext::gTol{};
GcGeTol GcGeContext::gFineTol{vdgeom::tol::kEqualPoint * vdgeom::tol::kFineShare,
                              vdgeom::tol::kEqualVector * vdgeom::tol::kFineShare};
