#pragma once
// Tolerances: the global context tolerance and the named constants every
// algorithm of the library uses.
//
// Equal-point distances hold at the magnitude of the coordinates compared.
// A double carries a coordinate of magnitude m to m * 2^-53, and a point the
// library computes (evaluated about a centre, found as a crossing) is off by
// some tens of such steps, so no fixed distance can separate equal from
// unequal points everywhere: 1e-10 is below the spacing of doubles beyond
// 1e6. Two points are one within max(equalPoint, kRelEqualPoint * m), m the
// largest absolute coordinate involved (GcGeTol::equalPointAt). For a curve,
// m is that of the values its points are computed from: the ends of a
// segment, the centre's coordinates plus the radius of an arc. Up to m = 1e4
// the set equal-point distance alone decides.

namespace vdgeom::tol {
// Default equal-point distance: two points closer than this are one point.
inline constexpr double kEqualPoint = 1e-10;
// Relative floor of the equal-point distance: about 45 steps of a double at
// the coordinates' magnitude (1e-8 at survey coordinates of 1e6 m, 1e-5 at
// 1e9 mm).
inline constexpr double kRelEqualPoint = 1e-14;
// Default equal-vector tolerance: the sine of the largest angle between two
// directions that still count as parallel, and the largest length of a
// difference of equal vectors.
inline constexpr double kEqualVector = 1e-10;
// Relative step below which iterative root refinement stops.
inline constexpr double kRootRelStep = 1e-15;
// Parameter tolerance used when an interval is created without one.
inline constexpr double kInterval = 1e-12;
// Parameter distance under which two overlap ranges of a composite join.
inline constexpr double kParamJoin = 1e-9;
// A sweep within this of a full turn is a whole circle or ellipse: arcs built
// from angles that went through a sum miss 2pi by a few units in the last
// place.
inline constexpr double kFullTurnSlack = 1e-12;
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
  // The equal-point distance among coordinates up to `magnitude` in absolute
  // value: the set distance, or the relative floor where that is larger.
  double equalPointAt(double magnitude) const {
    const double floor = vdgeom::tol::kRelEqualPoint * magnitude;
    return floor > mEqualPoint ? floor : mEqualPoint;
  }
  void setEqualPoint(double v) { mEqualPoint = v; }
  void setEqualVector(double v) { mEqualVector = v; }

private:
  double mEqualPoint = vdgeom::tol::kEqualPoint;
  double mEqualVector = vdgeom::tol::kEqualVector;
};

// The library's context tolerances. gTol is the default of every tolerance
// argument. gFineTol is a second, finer pair that no operation takes by
// default: callers pass it where a comparison must hold much tighter than
// the one users set (whether two computed points are one point while gTol
// still decides what counts as parallel). Its defaults are one thousandth
// of gTol's.
struct GcGeContext {
  static GcGeTol gTol;
  static GcGeTol gFineTol;
};

namespace vdgeom::tol {
// Share of the context tolerance that the fine tolerance holds by default.
inline constexpr double kFineShare = 1e-3;
} // namespace vdgeom::tol

// Sets a context tolerance (GcGeContext::gTol unless another is named) for
// one scope and restores the previous value on every exit, so a caller that
// changes a tolerance cannot leak it.
class GcGeScopedTol {
public:
  GcGeScopedTol(GcGeTol& target, const GcGeTol& tol) : mTarget(target), mSaved(target) {
    mTarget = tol;
  }
  explicit GcGeScopedTol(const GcGeTol& tol) : GcGeScopedTol(GcGeContext::gTol, tol) {}
  GcGeScopedTol(double equalPoint, double equalVector)
      : GcGeScopedTol(GcGeTol(equalPoint, equalVector)) {}
  ~GcGeScopedTol() { mTarget = mSaved; }
  GcGeScopedTol(const GcGeScopedTol&) = delete;
  GcGeScopedTol& operator=(const GcGeScopedTol&) = delete;

private:
  GcGeTol& mTarget;
  GcGeTol mSaved;
};
