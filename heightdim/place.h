// Placing height dimensions: the section-view marks measured from a base,
// one after another, and the framed plan-view mark dragged into place with an
// optional leader.
#pragma once
#include <functional>
#include <optional>

#include "heightdim/bases.h"
#include "heightdim/command_args.h"
#include "heightdim/settings.h"

namespace vd {

// What the plan-view dialog gave: the value text as typed, the text position
// (0..6, or -1 when no choice was offered) and whether the command repeats.
struct PlanViewChoice {
  vstring heightText;
  int32_t insertPoint = -1;
  bool repeat = false;
};

// Shows the plan-view dialog for the settings file `iniPath`, starting from
// `insertPoint` (-1: no choice offered); nothing unless the user pressed OK.
using PlanViewDialog = std::function<std::optional<PlanViewChoice>(const vstring& iniPath, int32_t insertPoint)>;

// The rotation and flip of a new mark for a direction (radians) in the
// current UCS: `angle` is the direction measured from the UCS X axis (the
// module's UCS transforms are those of the last refresh), kept within
// 0..2pi; a direction that points downwards (the X axis turned by it and 3
// more degrees makes a right angle or more with the Y axis) turns the mark by
// pi and flips it, so its text stays readable.
struct HNoteOrientation {
  double angle = 0;
  bool flipped = false;
};
HNoteOrientation hnoteOrientation(double direction);

// Asks a base level, "Zadejte %súroveň vztažného bodu <%.2f>: " with `which`
// ("", "1. " or "2. ") and the level offered: Enter keeps it. False when the
// user cancelled (the level is then as it was).
bool askHNoteLevel(const vchar* which, double& level);

// A point the host gave (world) turned into the current UCS, in place; false
// when the host could not turn it.
bool hnoteIntoUcs(double p[3]);

// Asks the host to purge the definition of a mark's block that nothing uses
// any more (a mark taken back, a mark given a new identifier); the host
// keeps a block that is still used.
void purgeHNoteBlock(const vstring& blockName);

// The largest value (metres, either sign) a mark shows; a level or point
// beyond it is a typing error, and a mark would show a number of hundreds of
// digits or "inf".
inline constexpr double kHNoteMaxValue = 1e6;

// Fills the value texts of a section-view mark at the record's insertion
// point measured from `base`: the first from its first level, the second
// from its second level when the base has two, else empty. The record's
// rounded flag follows the first value. False, with the texts as they were,
// when a value is not finite or beyond kHNoteMaxValue.
bool setHNoteValues(HNoteData& record, const HNoteBase& base, double units);
// Tells the user that a value is beyond kHNoteMaxValue (the error box).
void reportHNoteValueRange();

// How the placing of marks ended.
struct PlaceOutcome {
  int placed = 0;       // marks written
  bool failed = false;  // a host operation or the builder failed
};

// Places marks of `args.type` as the HeightDim command does, reading the
// settings from `settingsPath` (hnoteData.ini): for the section-view types
// one mark per point until the user cancels; for the plan view a mark per
// dialog while the dialog's repeat flag is set. A cancelled prompt (or
// dialog) ends the run without writing anything more; a plan-view mark whose
// drag or leader point is cancelled, or whose leader the host refuses, is
// taken out again. Without a dialog the plan view places nothing.
PlaceOutcome placeHeightDims(const heightdim::PlaceArgs& args, const vstring& settingsPath,
                             const PlanViewDialog& dialog);

// Called by placeHeightDims after each pass that leaves its bases whole, with
// the bases the next pass starts from instead of reading the drawing: tests
// and the command fuzzer compare them there with a fresh read. Empty (as it
// starts): nothing is called.
using HNoteKeptBasesCheck = std::function<void(const HNoteBases& kept)>;
void setHNoteKeptBasesCheck(HNoteKeptBasesCheck check);

}  // namespace vd
