// Reading a height mark of the drawing back into a record: which blocks are
// marks, and everything a mark shows (its descriptor, its look, its value
// texts), so that a rebuild draws it again as it stands.
#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "heightdim/settings.h"
#include "host/chain.h"

namespace vd {

// How a block name is recognised: the type and whether the older block was
// the flipped one. `current` for the module's own blocks, whose type comes
// from their descriptor.
struct HNoteBlockKind {
  int32_t type = 0;
  bool flipped = false;
  bool current = false;
};
// Null for a name that is no height dimension (an anonymous "*" block is none).
std::optional<HNoteBlockKind> hnoteBlockKind(vstring_view blockName);

// A block reference of the drawing with its attributes, copied out of the
// host's walk, for a plan-view mark the leader tied to it (null when it
// has none), and for a section-view mark the underlines tagged with its
// identifier.
struct HNoteRegenItem {
  OwnedChain reference;
  std::vector<OwnedChain> attributes;
  OwnedChain leader;
  std::vector<OwnedChain> underlines;
};

// The record a block reference describes before any change: false when it is
// no height dimension. `scaleRatio` receives the reference's X scale over
// the drawing factor (1 for a mark the module drew at the current scale).
//
// A current mark keeps its look: its descriptor and the look stored with it
// (records.h), then what its reference and first attribute show: the layers,
// colours and line properties of the graphics, the layer, colour, style,
// height and width factor of the texts, and the background mask. A mark
// without a stored look (from another program or an older release) takes its
// type's defaults for the rest, its separator from its value text and its
// side from where its texts stand. An older block takes the defaults of its
// type with the scale pair of its reference.
bool hnoteRecordOf(const HNoteRegenItem& item, HNoteData& record, double& scaleRatio);

}  // namespace vd
