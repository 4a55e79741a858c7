// The graphics of a height-dimension mark in the coordinates of its block:
// origin at the measured point, lengths in paper millimetres (the block
// reference scales them by the drawing factor).
#pragma once
#include <vector>

#include "geom/point2d.h"
#include "heightdim/settings.h"

namespace vd {

// A chain of straight and circular pieces drawn or filled as one curve.
// bulges[i] belongs to the piece from points[i] to the next point (the tangent
// of a quarter of its turn, positive counter-clockwise; 0 straight). A fill
// is closed from its last point back to its first.
struct MarkPath {
  std::vector<GcGePoint2d> points;
  std::vector<double> bulges;
};

// Where an attribute of the mark stands and how its text is attached to it.
struct MarkTextPlace {
  GcGePoint2d anchor;
  int flags = 0;  // attribute flags: 8 preset
  int hJust = 0;  // 0 left, 1 centre, 2 right
  int vJust = 0;  // 0 baseline, 1 bottom, 2 middle, 3 top
};

// Attribute slots of a mark, in the order they are defined.
enum MarkText : int { kMarkValue = 0, kMarkValue2 = 1, kMarkRounding = 2 };

struct MarkGeometry {
  GcGePoint2d base;                  // the block's base point
  std::vector<MarkPath> outlines;
  std::vector<MarkPath> fills;
  std::vector<MarkTextPlace> texts;  // kMarkValue, then for section views kMarkValue2 and kMarkRounding
  double frameWidth = 0;             // plan view: the frame's size
  double frameHeight = 0;
};

// Plan-view options of a record (hnoteOptions): bit 0 marks with a leader;
// these two give the frame a round right end, drawn or filled.
inline constexpr int kPlanRoundEnd = 2;
inline constexpr int kPlanFilledEnd = 4;

// The local graphics of `record`. For the plan view, `textWidth` and
// `textHeight` are the measured size of the value text in millimetres; the
// frame is at least CXSIZE × CYSIZE. False, with `out` empty, for a type
// outside 0..3 or a boundary-mark index outside 0..5.
bool markGeometry(const HNoteData& record, double textWidth, double textHeight, MarkGeometry& out);

}  // namespace vd
