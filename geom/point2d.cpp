#include "geom/point2d.h"

#include "geom/line2d.h"
#include "geom/matrix2d.h"

GcGePoint2d& GcGePoint2d::transformBy(const GcGeMatrix2d& m) { return *this = m.apply(*this); }

GcGePoint2d& GcGePoint2d::rotateBy(double angle, const GcGePoint2d& wrt) {
  GcGeVector2d v = *this - wrt;
  return *this = wrt + v.rotateBy(angle);
}

GcGePoint2d& GcGePoint2d::scaleBy(double factor, const GcGePoint2d& wrt) {
  return *this = wrt + (*this - wrt) * factor;
}

GcGePoint2d& GcGePoint2d::mirror(const GcGeLine2d& line) {
  return transformBy(GcGeMatrix2d::mirroring(line));
}
