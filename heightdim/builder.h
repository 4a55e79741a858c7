// Turns a height-dimension record into drawing content (a block with the
// mark's graphics and attribute definitions, a block reference carrying the
// stored options, its attributes, and an underline), or the
// same picture into a dialog's preview.
#pragma once
#include <optional>
#include <cstdint>
#include <memory>

#include "entity2d/entity_props.h"
#include "geom/composite_curve2d.h"
#include "geom/point2d.h"
#include "geom/vector2d.h"
#include "heightdim/mark_geometry.h"
#include "heightdim/settings.h"
#include "host/chain.h"

namespace vd {

// Where a preview of the mark is collected instead of the drawing. Colours are
// colour indices. Block members are in the block's own coordinates; the
// reference places the block like the drawing's block reference; texts,
// lines, and curves and fills under kHNotePreviewDrawing are in drawing
// coordinates.
class HNotePreview {
 public:
  virtual ~HNotePreview() = default;
  virtual bool defineBlock(const GcGePoint2d& base, uint64_t key) = 0;
  virtual bool addCurve(const GcGeCompositeCurve2d& curve, int colour, uint64_t blockKey) = 0;
  virtual bool addFill(const GcGeCompositeCurve2d& loop, int colour, uint64_t blockKey) = 0;
  virtual bool addReference(uint64_t blockKey, const GcGePoint2d& position, double scale,
                            const GcGeVector2d& direction) = 0;
  // Vertical code 0 baseline, 1 bottom, 2 middle, 3 top; horizontal 0 left, 1 centre, 2 right.
  virtual bool addText(const GcGePoint2d& position, const GcGeVector2d& direction, vstring_view text,
                       double height, double widthFactor, int colour, int vJust, int hJust) = 0;
  // A line in drawing coordinates (underline, the plan view's sample leader).
  virtual bool addLine(const GcGePoint2d& from, const GcGePoint2d& to, int colour) = 0;
};

// The key the preview's block of a mark goes under.
inline constexpr uint64_t kHNotePreviewBlock = 1;
// The key of curves and fills in drawing coordinates, outside any block (the
// plan view's sample arrowhead).
inline constexpr uint64_t kHNotePreviewDrawing = 0;

// Drawing factor: the host's scale (1 when it gives none) times its units
// (1000 when it gives none) times 0.001; paper millimetres times the factor
// are drawing units.
double hnoteDrawingFactor();

// The layer a record's layer field names: "*" stands for the current layer
// (the host's CLAYER).
vstring hnoteLayerName(const vstring& layer);

// An attribute tag from its prompt: upper case, blanks turned into "_".
vstring hnoteAttributeTag(vstring_view prompt);

// Builds the mark of `record` (a type 0..3). With `UNDERLINE_DRAW` set an
// underline follows: with `underline` (placing, previews) for a ČSN mark,
// `UNDERLINE_LENGTH` long; without it (a rebuild) for every section-view
// mark, between the record's leader points. Without a preview the entities go
// into the host's binary buffers, which the caller opens before and flushes
// after; the record gets its identifier and block name when it had none, the
// value's rounded flag, and for the plan view its used frame size and
// direction, and for an underline its two ends. With a preview nothing
// reaches the drawing. `elementTag` writes the element-tagged variant, whose
// member tags carry `elementPosition`. False when the type or boundary mark is
// unknown, no identifier could be made, or the host refused a part (what was
// written before stays in the caller's batch, which the caller then drops).
bool buildHNote(HNoteData& record, HNotePreview* preview, bool underline, bool elementTag,
                const GcGePoint2d& elementPosition);

// What the builder asks the host for each mark and what stays the same while
// one command writes its batch: the drawing factor, the attribute prompts
// ("Výška", "Označení", "Zaokrouhlení"), the current layer (for "*") and the
// layer of the rounding mark.
struct HNoteHostTexts {
  double factor = 1;
  vstring height, label, rounding;
  vstring currentLayer, roundingLayer;
};
HNoteHostTexts hnoteHostTexts();
// The same with those answers read once before: a command that rebuilds many
// marks asks the host once, not for every mark.
bool buildHNote(HNoteData& record, HNotePreview* preview, bool underline, bool elementTag,
                const GcGePoint2d& elementPosition, const HNoteHostTexts& host);

// The leader of a plan-view mark whose block reference stands at `markAt`:
// from `arrowAt` (its arrowhead) to the corner of the mark's frame nearest to
// it (the frame of `record.cxSize` by `record.cySize` around its centre,
// which lies `record.direction` from `markAt` as the mark's build left it,
// turned by `record.angle`), with the record's arrowhead, size, layer, colour and
// line properties, and the mark's identifier as its tag. The arrowhead block
// is the one the host gives for `record.arrowName`. Null when the chain could
// not be made.
OwnedChain hnotePlanLeaderChain(const HNoteData& record, const GcGePoint2d& markAt, const GcGePoint2d& arrowAt);

// The number a handle's text stands for (hexadecimal), as the host's
// operations on handles take it.
uint64_t hnoteHandleNumber(vstring_view handle);

// --- The chains, for the writers above and for the tests -------------------

// One attribute text as the chains write it.
struct HNoteTextChain {
  GcGePoint2d position;  // insertion and alignment point
  double height = 0;
  vstring text;          // default value of a definition, value of an attribute
  double rotation = 0;
  double widthFactor = 1;
  vstring style;
  int hJust = 0;
  int vJust = 0;
  vstring prompt;        // definitions only
  vstring tag;
  int flags = 0;
  // Background mask of an attribute: mode 0 none, 1 a colour, 3 the
  // drawing's background; the scale around the text is 1.
  int maskMode = 0;
  int maskColour = 0;
  vstring elementTag;    // attributes: "VD_TAG_DEV" text when not empty
};

// "ATTDEF" and "ATTRIB" with the header of `props` and a copy of its extended data.
OwnedChain hnoteAttdefChain(const EntityProps& props, const HNoteTextChain& t);
OwnedChain hnoteAttribChain(const EntityProps& props, const HNoteTextChain& t);
// The groups of a block reference that are written only when given: an
// array of columns and rows with their spacing, and the normal.
struct HNoteInsertExtras {
  std::optional<int> columns, rows;                    // 70, 71
  std::optional<double> columnSpacing, rowSpacing;     // 44, 45
  std::optional<ChainPoint> normal;                    // 210
};

// "INSERT": attributes follow; the 66 and 210 of `prev` are carried over when
// it has them; `extras` after the rotation, each only when given.
OwnedChain hnoteInsertChain(const EntityProps& props, vstring_view blockName, const GcGePoint2d& at, double scale,
                            double rotation, ChainView prev = ChainView(), const HNoteInsertExtras& extras = {});
// "SEQEND": the header alone (and the extended data).
OwnedChain hnoteSeqendChain(const EntityProps& props);

// The stored options of the block reference of `record`: the three groups of
// the drawing records, or in the element-tagged variant of a section-view
// mark the one long "VDHNOTEDATA" group and "VD_ASSOCDESC1". Begins with -3.
OwnedChain hnoteStoredData(const HNoteData& record, bool elementTag);

// A mark's path as one library curve (fills closed back to their start).
GcGeCompositeCurve2d hnotePathCurve(const MarkPath& path, bool closed);

}  // namespace vd
