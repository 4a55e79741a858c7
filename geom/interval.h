#pragma once
// Parameter range of a curve, possibly unbounded on either side, with its own
// tolerance for membership tests.
#include "geom/tol.h"

#include <cmath>
#include <limits>

class GcGeInterval {
public:
  // Unbounded on both sides.
  explicit GcGeInterval(double tol = vdgeom::tol::kInterval) : mTol(tol) {}
  GcGeInterval(double lower, double upper, double tol = vdgeom::tol::kInterval)
      : mLower(lower), mUpper(upper), mBoundedBelow(true), mBoundedAbove(true), mTol(tol) {}
  // Bounded on one side only: below when boundedBelow, else above.
  GcGeInterval(bool boundedBelow, double bound, double tol = vdgeom::tol::kInterval)
      : mLower(boundedBelow ? bound : 0.0), mUpper(boundedBelow ? 0.0 : bound),
        mBoundedBelow(boundedBelow), mBoundedAbove(!boundedBelow), mTol(tol) {}

  double lowerBound() const { return mLower; }
  double upperBound() const { return mUpper; }
  // Bound or infinity on an open side.
  double lowerOrInf() const { return mBoundedBelow ? mLower : -std::numeric_limits<double>::infinity(); }
  double upperOrInf() const { return mBoundedAbove ? mUpper : std::numeric_limits<double>::infinity(); }
  double element() const { return mBoundedBelow ? mLower : mUpper; }
  void getBounds(double& lower, double& upper) const { lower = mLower; upper = mUpper; }
  double tolerance() const { return mTol; }
  void setTolerance(double tol) { mTol = tol; }

  void set(double lower, double upper) {
    mLower = lower;
    mUpper = upper;
    mBoundedBelow = mBoundedAbove = true;
  }
  void set(bool boundedBelow, double bound) { *this = GcGeInterval(boundedBelow, bound, mTol); }
  void set() { *this = GcGeInterval(mTol); }
  void setLower(double v) { mLower = v; mBoundedBelow = true; }
  void setUpper(double v) { mUpper = v; mBoundedAbove = true; }

  bool isBounded() const { return mBoundedBelow && mBoundedAbove; }
  bool isBoundedBelow() const { return mBoundedBelow; }
  bool isBoundedAbove() const { return mBoundedAbove; }
  bool isUnBounded() const { return !mBoundedBelow && !mBoundedAbove; }
  bool isSingleton() const { return isBounded() && std::abs(mUpper - mLower) <= mTol; }
  // Length of a bounded interval; -1 when unbounded.
  double length() const { return isBounded() ? mUpper - mLower : -1.0; }
  // Membership with the interval's tolerance at both ends.
  bool contains(double v) const {
    return (!mBoundedBelow || v >= mLower - mTol) && (!mBoundedAbove || v <= mUpper + mTol);
  }
  bool isEqualAtLower(double v) const { return mBoundedBelow && std::abs(v - mLower) <= mTol; }
  bool isEqualAtUpper(double v) const { return mBoundedAbove && std::abs(v - mUpper) <= mTol; }
  bool operator==(const GcGeInterval& o) const {
    return mBoundedBelow == o.mBoundedBelow && mBoundedAbove == o.mBoundedAbove &&
           (!mBoundedBelow || std::abs(mLower - o.mLower) <= mTol) &&
           (!mBoundedAbove || std::abs(mUpper - o.mUpper) <= mTol);
  }

private:
  double mLower = 0.0;
  double mUpper = 0.0;
  bool mBoundedBelow = false;
  bool mBoundedAbove = false;
  double mTol = vdgeom::tol::kInterval;
};
