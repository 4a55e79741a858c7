// Splitting, trimming and polyline round trips at every feature size from
// 1e-6 to 1e7 and at offsets up to 1e9, against reference geometry in long
// double (tests/geom/oracle.h). Fixed seeds; each property counts its
// failures per scale and must have none.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "entity2d/curve_entities.h"
#include "entity2d/curve_ops.h"
#include "entity2d/entity_factory.h"
#include "entity_test_support.h"
#include "geom_test_util.h"
#include "oracle.h"

namespace {

using namespace vd;
using namespace oracle;

using Curves = geomtest::OwnedCurves;

}  // namespace
