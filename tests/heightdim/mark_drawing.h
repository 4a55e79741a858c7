// Drawings with height-dimension marks and base entries, written through the
// host's operations the way the module writes them, for the tests and the
// benchmark of the bases. The extended data is spelled out group by group
// here, apart from the module's writer, so that a fault there is not
// mirrored by the drawings it is tested on.
#pragma once
#include <string>
#include <vector>

#include "heightdim/bases.h"
#include "host/chain.h"
#include "host/text.h"

namespace hnotetest {

// One mark as the drawing keeps it.
struct Mark {
  int type = 0;
  vd::vstring id;
  vd::vstring baseId;       // empty: the mark is a base
  int baseKind = 0;
  double x = 0, y = 0;      // insertion point
  double angle = 0;         // the reference's rotation
  double rotation = 0;      // stored with the options
  double numAlign = 0.001;
  int positivePlus = 1, plusMinusZero = 1, roundingMark = 0;
  vd::vstring text1, text2;  // attribute values; text2 absent when empty and `attributes` < 2
  vd::vstring text3;         // the rounding mark ("!" or empty)
  int attributes = 3;        // ATTRIBs written (the third holds the rounding mark)
};

// Writes the marks in one batch: a block of its own for each (one line and an
// attribute definition), the reference with its three groups, the attributes
// (with a copy of the groups, as the builder writes them) and the SEQEND.
// False when the host refused any of it.
bool writeMarks(const std::vector<Mark>& marks);

// A base entry of TR2D_HEIGHTDIM: 0 XRECORD, 100 AcDbXrecord, 280 1, then
// 91 1, 71 type, 71 kind, 10 point, 41 angle, 41 level 1, 41 level 2.
vd::OwnedChain baseEntry(int type, int baseKind, double x, double y, double angle, double level1, double level2);
vd::OwnedChain currentEntry(vd::vstring_view id);
// Writes an entry (a null chain removes the key), making the dictionary.
bool writeEntry(vd::vstring_view key, const vd::OwnedChain& chain);

// A base "B" of `type` at 0,0 (level 0, showing "±0.000") and its dependant
// "D" `dy` above it showing `text`, with the base's entry made the current
// one: the drawing the rebuild tests start from. False when the host
// refused any of it.
bool writeBaseAndDependant(int type, double dy, const char16_t* text);

// The data of an entry of TR2D_HEIGHTDIM as the drawing holds it; empty when
// there is no such entry.
std::vector<std::string> entryGroups(vd::vstring_view key);
// The keys of TR2D_HEIGHTDIM in order.
std::vector<std::string> entryKeys();

// Adds lines, in one batch, until the drawing holds `entities` entities
// (attributes and sequence ends counted): the rest of a large drawing.
bool fillWithLines(size_t entities);

// The bases of a load, each with its fields, and the current one, as text:
// what a pass of HeightDim reads from the drawing. In the order of their
// identifiers: the list's own order matters only to the purge at the end of
// a load, which a list kept from the last pass does not run.
std::string basesText(const vd::HNoteBases& bases);

}  // namespace hnotetest
