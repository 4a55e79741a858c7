#pragma once
// The concrete array types of the library.
#include "geom/array.h"
#include "geom/point2d.h"
#include "geom/point3d.h"

class GcGeCurve2d;

using GcGePoint2dArray = GcGeArray<GcGePoint2d>;
using GcGeVector2dArray = GcGeArray<GcGeVector2d>;
using GcGePoint3dArray = GcGeArray<GcGePoint3d>;
using GcGeDoubleArray = GcGeArray<double>;
using GcGeIntArray = GcGeArray<int>;
// Curve pointers; whether the array owns them is said where one is filled.
using GcGeCurve2dPtrArray = GcGeArray<GcGeCurve2d*>;
using GcGeVoidPointerArray = GcGeArray<void*>;
