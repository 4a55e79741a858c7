// Group codes of DIMENSION entities as the dimension tools read and write
// them, and the dimension variables they override per dimension.
#pragma once
#include <cstdint>

#include "host/chain_codes.h"

namespace vd::dim {

// Entity groups.
inline constexpr int kTextOverride = gc::kText;  // "<>" stands for the measured value
inline constexpr int kLayer = gc::kLayer;
inline constexpr int kHandle = gc::kHandle;
inline constexpr int kSubclass = gc::kSubclass;
inline constexpr int kAfterDimensionMarker = 280;  // may directly follow "AcDbDimension"
inline constexpr int kDefinitionPoint = 10;        // on the dimension line (arc for angular ones)
inline constexpr int kExtOrigin1 = 13;             // first extension-line origin
inline constexpr int kExtOrigin2 = 14;             // second extension-line origin
inline constexpr int kVertex = 15;                 // centre of a 3-point angular dimension
inline constexpr int kThirdPoint = 16;             // third point of a 2-line angular dimension
inline constexpr int kMeasurement = 42;            // the host's measured value (radians for angles)
inline constexpr int kRotation = 50;               // rotated dimensions, radians
inline constexpr int kType = gc::kFlags;           // low five bits: the kind below
inline constexpr int kEmbeddedObject = 101;        // "Embedded Object" marker

// Dimension kinds: group 70 AND kTypeMask.
inline constexpr int kTypeMask = 31;
enum DimKind : int {
  kRotated = 0,
  kAligned = 1,
  kAngular2Line = 2,
  kAngular3Point = 5,
};

// Codes of the dimension variables in the "ACAD" "DSTYLE" override list.
inline constexpr int16_t kVarDimScale = 40;  // real
inline constexpr int16_t kVarDimExo = 42;    // real
inline constexpr int16_t kVarDimExe = 43;    // real
inline constexpr int16_t kVarDimSe1 = 75;    // short
inline constexpr int16_t kVarDimSe2 = 76;    // short

// The registered application and the markers of the override list.
inline constexpr const char16_t* kOverrideApp = u"ACAD";
inline constexpr const char16_t* kOverrideList = u"DSTYLE";
inline constexpr const char16_t* kListOpen = u"{";
inline constexpr const char16_t* kListClose = u"}";

}  // namespace vd::dim
