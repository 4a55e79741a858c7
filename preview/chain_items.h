#pragma once
// Display-list items read from entity chains (DXF-style group codes), so that
// a drawing held as chains can be fed to a view's factories one chain at a
// time. No Windows types: the view turns each part of an item into one
// factory call.
#include "geom/curve2d.h"
#include "geom/scale2d.h"
#include "host/value_node.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace GDI {

// One display element of an item: a curve (or point entity), or a fill.
struct chain_part {
  // A bounded curve or a point entity; null for a fill.
  std::unique_ptr<GcGeEntity2d> curve;
  // A fill: closed loops filled together in alternate mode, so that a loop
  // inside another is a hole (and one inside that filled again).
  std::vector<std::unique_ptr<GcGeCurve2d>> loops;
};

// One line of text, drawn as one text element.
struct chain_text {
  std::u16string text;
  GcGePoint2d position;                 // where the alignment codes place it
  GcGeVector2d direction = GcGeVector2d::kXAxis;
  double height = 0.0;
  std::uint32_t vertical = 0;           // 0 baseline, 1 bottom, 2 middle, 3 top
  std::uint32_t horizontal = 0;         // 0 left, 1 centre, 2 right
  double width_factor = 1.0;            // glyph widths against the font's own
  bool underline = false;
  bool strike_out = false;
  bool backward = false;     // text generation (71) bit 2: mirrored along its direction
  bool upside_down = false;  // bit 4: mirrored about its baseline
  // A colour of its own (an inline colour of a multi-line text), resolved as
  // the item's colour is; none: the item's.
  std::optional<std::uint64_t> colour;
};

struct chain_item {
  enum class kind { shapes, text, insert };
  kind what = kind::shapes;
  // Shapes: the elements the entity is drawn as, all in its colour. A curve
  // entity is one curve; a polyline with widths its bands (one fill each)
  // and its pieces without width; a solid-filled hatch one fill of all its
  // boundary loops; a pattern hatch its pattern lines.
  std::vector<chain_part> parts;
  // Colour pair: palette_colour(62) for an index, the RGB of code 420 when
  // given; with a colour_context always the resolved RGB.
  std::uint64_t colour = 0;
  // Linetype name as the view's linetype table holds names (linetype_name):
  // code 6 (by layer and by block drawn continuous), with a colour_context
  // the resolved one; empty: continuous.
  std::string linetype;
  // Linetype scale: code 48 times the colour_context's drawing scale; always
  // a positive finite number (1 in place of anything else).
  double linetype_scale = 1.0;
  // Text: its lines (one for a one-line text), in the item's colour unless
  // they have their own.
  std::vector<chain_text> texts;
  // Block reference: key of the block name, position, scale and direction;
  // a multiple insert's grid (columns along the direction, rows across it,
  // at their spacings), one copy for a plain reference.
  std::uint64_t block_key = 0;
  GcGePoint2d position;
  GcGeVector2d direction = GcGeVector2d::kXAxis;
  GcGeScale2d scale;
  int columns = 1, rows = 1;
  double column_spacing = 0, row_spacing = 0;
};

// Width of a line of text drawn one unit high (the height a view's text
// element is given), in the same units, without a width factor.
using text_measure = std::function<double(std::u16string_view text)>;

// The estimate used where no text_measure is given: 0.7 of the height a
// character, as a text element estimates its extents.
double estimated_text_width(std::u16string_view text);

// The groups of an entity chain that refer to its layer and the reference
// placing it: colour, layer and linetype.
struct chain_colour {
  int index = 256;               // code 62; 256 (by layer) when absent
  std::int32_t true_colour = -1; // code 420 (0x00RRGGBB); -1 when absent
  std::u16string layer = u"0";   // code 8
  std::u16string linetype;       // code 6; empty (by layer) when absent
  double linetype_scale = 1.0;   // code 48, as the chain gives it
};
chain_colour colour_of_chain(const vd::ValueNode* chain);

// A linetype name as the view's linetype table holds names: UTF-8.
std::string linetype_name(std::u16string_view name);

// What an entity's colour and linetype refer to outside its chain: the
// drawing's layers, the block reference that places it, and the ground it is
// drawn on.
class colour_context {
public:
  std::uint32_t background = 0x00FFFFFF; // 0x00BBGGRR
  // What colour 0 (by block) stands for: the placing reference's colour
  // number (as resolved_index gives it) and true colour (-1: none).
  int block_index = 7;
  std::int32_t block_true_colour = -1;
  // What linetype BYBLOCK stands for: the placing reference's linetype as
  // linetype_of gives it (empty: continuous).
  std::string block_linetype;
  // The layer that stands for layer 0: block members on layer "0" take the
  // layer of the reference that places them, its colour, linetype and
  // visibility. Empty: layer 0 stands for itself.
  std::u16string layer0;
  // The drawing's linetype scale, applied on top of each entity's own.
  double linetype_scale = 1.0;
  // How wide the view draws a line of text, for texts that run between two
  // points and multi-line texts that wrap; empty: estimated_text_width.
  text_measure text_width;

  // A layer record: its colour number (negative when the layer is off),
  // whether it is frozen, its linetype (empty: continuous) and its true
  // colour (-1: none). Names compare without regard to case.
  void set_layer(std::u16string_view name, int colour, bool frozen, std::u16string_view linetype = {},
                 std::int32_t true_colour = -1);
  // False when the entity's layer is off or frozen.
  bool visible(const chain_colour& c) const;
  // True when the entity's layer is frozen. A block reference on a layer
  // that is off still shows its members on other layers (those on layer 0
  // take its layer and hide with it); a frozen one shows nothing.
  bool frozen(const chain_colour& c) const;
  // The colour number an entity shows: by-layer resolved through its layer
  // (7 for a layer without a record), by-block to block_index.
  int resolved_index(const chain_colour& c) const;
  // The linetype an entity is drawn with, named as linetype_name writes it:
  // its own (code 6), its layer's when by layer (6 absent or BYLAYER; none
  // for a layer without a record), block_linetype for BYBLOCK. Empty for
  // continuous; names compare without regard to case.
  std::string linetype_of(const chain_colour& c) const;
  // The true colour an entity shows (-1: none, its colour number counts):
  // its own, a by-block entity's the reference's, a by-layer entity's its
  // layer's.
  std::int32_t resolved_true_colour(const chain_colour& c) const;
  // The entity's colour as 0x00BBGGRR: its resolved true colour when there
  // is one, else its colour number through the palette.
  std::uint32_t rgb(const chain_colour& c) const;

private:
  struct layer_record {
    int colour;
    bool frozen;
    std::u16string linetype;
    std::int32_t true_colour;
  };
  const layer_record* find(std::u16string_view name) const;
  // The record of the entity's layer, layer 0 standing for layer0.
  const layer_record* layer_of(const chain_colour& c) const;
  std::map<std::u16string, layer_record> layers_;  // upper-case names
};

// One closed curve that a polygon fill under the alternate (even-odd) rule
// paints as it paints the loops together, for a painter that fills each loop
// on its own: every further loop is reached from the first loop's start by a
// cut that is travelled there and back, which leaves the parity everywhere
// as it was. Loops that do not end where they start are closed by a segment.
// Null for no loops.
std::unique_ptr<GcGeCurve2d> merge_loops(std::vector<std::unique_ptr<GcGeCurve2d>> loops);

// Key a block is known by in the view's block table: a 64-bit hash of its
// name, letters compared without case.
std::uint64_t block_key(std::u16string_view name);

// The item of LINE, CIRCLE, ARC, ELLIPSE, SPLINE, LWPOLYLINE (with bulges
// and widths), POLYLINE (its VERTEX chains given as followers), POINT, SOLID,
// HATCH, TEXT, ATTRIB, MTEXT and INSERT chains; nothing for other types,
// incomplete chains and, given colours, entities on a layer that is off or
// frozen; given colours, the linetype is resolved as linetype_of does. Angles
// are radians, as chains hold them (ARC 50 and 51, TEXT, ATTRIB, MTEXT and
// INSERT 50), except the boundary-edge and pattern angles of a HATCH, which
// are degrees there as in a drawing file. Followers other than a polyline's
// vertices are not read.
std::optional<chain_item> item_from_chain(const vd::ValueNode* chain, const colour_context* colours = nullptr,
                                          std::span<const vd::ValueNode* const> followers = {});

} // namespace GDI
