#pragma once
// Tolerances: the global context tolerance and the named constants every
// algorithm of the library uses.

namespace vdgeom::tol {
// Default equal-point distance: two points closer than this are one point.
inline constexpr double kEqualPoint = 1e-10;
// Default equal-vector tolerance: the sine of the largest angle between two
// directions that still count as parallel, and the largest length of a
// difference of equal vectors.
inline constexpr double kEqualVector = 1e-10;
// Relative step below which iterative root refinement stops.
inline constexpr double kRootRelStep = 1e-15;
// Parameter tolerance used when an interval is created without one.
inline constexpr double kInterval = 1e-12;
// Parameter distance under which two overlap ranges of a composite join and
// a point counts as inside an overlap range.
inline constexpr double kParamJoin = 1e-9;
// Samples per turn when roots of a conic-conic equation are isolated, and
// per arc when a nearest point on an ellipse is bracketed.
inline constexpr int kConicRootSamples = 128;
inline constexpr int kConicClosestSamples = 64;
// Most points one curve piece is sampled into, however fine the tolerance.
inline constexpr double kMaxSamples = 1 << 20;
} // namespace vdgeom::tol

// Equal-point and equal-vector tolerance pair passed to every comparison.
class GcGeTol {
public:
  GcGeTol() = default;
  GcGeTol(double equalPoint, double equalVector)
      : mEqualPoint(equalPoint), mEqualVector(equalVector) {}

  double equalPoint() const { return mEqualPoint; }
  double equalVector() const { return mEqualVector; }
  void setEqualPoint(double v) { mEqualPoint = v; }
  void setEqualVector(double v) { mEqualVector = v; }

private:
  double mEqualPoint = vdgeom::tol::kEqualPoint;
  double mEqualVector = vdgeom::tol::kEqualVector;
};

// The library's single global tolerance, the default of every tolerance
// argument.
struct GcGeContext {
  static GcGeTol gTol;
};

// Sets GcGeContext::gTol for one scope and restores the previous value on
// every exit, so a caller that tightens the tolerance cannot leak it.
class GcGeScopedTol {
public:
  explicit GcGeScopedTol(const GcGeTol& tol) : mSaved(GcGeContext::gTol) {
    GcGeContext::gTol = tol;
  }
  GcGeScopedTol(double equalPoint, double equalVector)
      : GcGeScopedTol(GcGeTol(equalPoint, equalVector)) {}
  ~GcGeScopedTol() { GcGeContext::gTol = mSaved; }
  GcGeScopedTol(const GcGeScopedTol&) = delete;
  GcGeScopedTol& operator=(const GcGeScopedTol&) = delete;

private:
  GcGeTol mSaved;
};
