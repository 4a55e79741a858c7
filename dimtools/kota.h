// One arc dimension under construction, with the dimension-style values that
// decide how its measured value is written as text.
#pragma once
#include <cstdint>

#include "geom/point3d.h"
#include "host/chain.h"

namespace vd::dim {

class CKota {
 public:
  // Zeroes the style fields (readDimStyle fills them), takes the units from
  // the host: a drawing in metres (GetUnits exactly 1.0) shows millimetres.
  CKota();
  CKota(const CKota&) = delete;
  CKota& operator=(const CKota&) = delete;

  int32_t decimals = 0;           // DIMDEC
  double roundOff = 0.0;          // DIMRND; 0: no rounding
  int32_t zeroSuppress = 0;       // DIMZIN: kSuppressLeading, kSuppressTrailing
  double lengthFactor = 0.0;      // 1000 for metric units, else 1; 0 until read
  char16_t decimalSeparator = 0;  // DIMDSEP
  bool metricUnits = false;

  OwnedChain dimension;  // copy of the dimension being built
  GcGePoint3d centre;    // of the dimensioned arc
  double radius = 0.0;
  OwnedChain sourceArc;  // copy of the dimensioned arc or polyline
  GcGePoint3d limitPoint1, limitPoint2;
};

// Decimals the host lets DIMDEC take; a setting beyond them is clamped, so
// that a broken setting cannot ask for a text of millions of digits.
inline constexpr int32_t kMaxDimDecimals = 8;

// DIMZIN bits the formatting honours; the others are ignored.
inline constexpr int32_t kSuppressLeading = 4;
inline constexpr int32_t kSuppressTrailing = 8;

// Fills the style fields from the host's dimension settings (DIMDEC, DIMRND,
// DIMZIN, DIMDSEP as texts) and the length factor from the units. A setting
// that does not read as a number counts as 0; DIMDEC is clamped to
// 0..kMaxDimDecimals; an empty DIMDSEP keeps '.'.
// Always 0 (success).
int readDimStyle(CKota& kota);

// The nearer of floor(x) and ceil(x); a tie goes to floor (2.5 gives 2, -2.5
// gives -3).
double roundNearest(double x);

// `value` as dimension text: scaled by the length factor, rounded to the
// rounding step, printed with the decimals (clamped to 0..kMaxDimDecimals), zeros suppressed as DIMZIN asks
// and the decimal point replaced by the separator.
vstring formatDimValue(const CKota& kota, double value);

}  // namespace vd::dim
