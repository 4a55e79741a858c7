// The arc-length dimension: the host's dimensioning interaction leaves a
// temporary 3-point angular dimension, the picked arc and, when asked, two
// limit points; the command reads them, erases the temporaries and writes
// the dimension back with the arc length (and radius) as its text.
#pragma once

#include "dimtools/kota.h"
#include "host/handle_erase_list.h"

namespace vd::dim {

// mode 1: the length alone; mode 2: "dl.=length, R=radius". With limit
// points the part between them is measured; restoreSource writes the arc
// back from its copy when reading what the host left fails.
struct ArcDimensionRequest {
  int mode = 1;
  bool withLimitPoints = false;
  bool restoreSource = false;
};

// Results of the steps, as the command turns them into messages.
enum ArcDimensionResult : int {
  kArcDimDone = 0,
  kArcDimDrawError = 1,     // not a 3-point angular dimension, or no "AcDbDimension" marker
  kArcDimLimitAtCentre = 2,
  kArcDimReadError = 3,     // nothing suitable among the entities the host left
};

// Reads the entities the host left (EntnextW) into the record and erases
// the temporaries: the dimension and the limit points. With limit points,
// fewer than two is a read error.
int collectArcDimension(CKota& kota, bool withLimitPoints);

// Brings the limit points onto the dimensioned part of the arc and the
// dimension arc point between them; `moved` tells whether a limit point had
// to go to an arc end.
int adjustLimitPoints(CKota& kota, bool& moved);

// Writes the measured length (and radius) as the dimension's text override.
bool writeArcTextOverride(CKota& kota, int mode, bool withLimitPoints);

// The command behind the four exports: 0 when a dimension was written, -1
// otherwise.
int runDimArc(const ArcDimensionRequest& request);

}  // namespace vd::dim
