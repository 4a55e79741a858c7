// What a DIMENSION shows, regenerated from its definition points as a CAD
// host regenerates it: the dimension line or arc, the extension lines, the
// arrowheads and the text. The picture draws these pieces, and a saved file
// carries them in the dimension's block so that other programs show them.
#pragma once
#include <array>
#include <map>
#include <optional>
#include <vector>

#include "host/chain.h"
#include "hostsim/drawing.h"
#include "hostsim/variable.h"

namespace hostsim {

// The dimension variables that shape a dimension's pieces, each with the
// group code a DIMSTYLE record and a DSTYLE override hold it under. The
// defaults are those of a new metric drawing.
struct DimensionVariables {
  double scale = 1.0;             // DIMSCALE 40: multiplies every size below
  double arrowSize = 2.5;         // DIMASZ 41
  double extensionOffset = 0.625; // DIMEXO 42: gap between the origin and its extension line
  double extensionBeyond = 1.25;  // DIMEXE 44: extension line beyond the dimension line
  double roundOff = 0.0;          // DIMRND 45
  double lengthFactor = 1.0;      // DIMLFAC 144
  double textHeight = 2.5;        // DIMTXT 140
  double gap = 0.625;             // DIMGAP 147: between the dimension line and the text
  bool suppressFirst = false;     // DIMSE1 75
  bool suppressSecond = false;    // DIMSE2 76
  int textAbove = 1;              // DIMTAD 77: 0 centred on the line, otherwise above it
  bool textInsideHorizontal = false;  // DIMTIH 73: the text reads along the dimension's horizontal (51)
  int decimals = 2;               // DIMDEC 271
  int angleDecimals = 0;          // DIMADEC 179; -1: DIMDEC
  int zeroSuppress = 8;           // DIMZIN 78: 4 leading zeros, 8 trailing zeros
  int angleZeroSuppress = 0;      // DIMAZIN 79: 1 leading zeros, 2 trailing zeros
  char16_t decimalSeparator = u','; // DIMDSEP 278
  bool separateArrows = false;    // DIMSAH 173: DIMBLK1 and DIMBLK2 instead of DIMBLK
  // The blocks of the arrowheads (DIMBLK 342 or 5, DIMBLK1 343 or 6, DIMBLK2
  // 344 or 7), each a block the drawing has; empty: the closed filled arrow.
  vstring arrowBlock, arrowBlock1, arrowBlock2;
};

// The variables one dimension is drawn with: the defaults, then the values
// its dimension style (group 3, STANDARD when absent) holds, then, for a
// dimension of the drawing's current style (DIMSTYLE), the host's own
// settings (DIMSCALE, DIMEXO, DIMDEC, DIMRND, DIMZIN, DIMDSEP: the drawing's
// current values, which a file's header gives), then the dimension's own
// "ACAD" DSTYLE overrides.
DimensionVariables dimensionVariables(const Drawing& drawing, const std::map<vstring, Variable>& variables,
                                      const std::map<vstring, vstring>& environment, vd::ChainView dimension);

// A measured value as dimension text: rounded to a multiple of `roundOff`
// (none when 0), printed with `decimals` decimals, trailing zeros after the
// decimal point and a point left last removed when `trailing`, the zeros in
// front of the point removed when `leading` ("0" when nothing is left), the
// point written as `separator`. A value that prints as zero has no sign.
vstring formatMeasurement(double value, int decimals, double roundOff, bool leading, bool trailing,
                          char16_t separator);

// The text a dimension shows for its measured text: its override (group 1)
// with every "<>" replaced by the measured text; the measured text when the
// override is absent or empty; nothing when the override is one blank.
std::optional<vstring> dimensionText(vd::ChainView dimension, const vstring& measured);

struct DimensionGraphics {
  struct Line {
    vd::ChainPoint from, to;
  };
  struct Arc {  // counter-clockwise from start to end, radians
    vd::ChainPoint centre;
    double radius = 0, start = 0, end = 0;
  };
  struct Text {
    vstring text;
    vd::ChainPoint middle;  // the middle of the text
    double height = 0;
    double rotation = 0;    // radians
    double width = 0;       // as the host measures it (GetTextExtentsW's measure)
  };
  // An arrowhead of a block (DIMBLK): a reference with the block's origin at
  // the tip, its X axis along `angle` (the way the arrow points), scaled by
  // the arrow size, as CAD programs draw their arrow blocks.
  struct ArrowBlock {
    vstring block;
    vd::ChainPoint tip;
    double angle = 0;  // radians
    double size = 0;
  };
  enum class Role { DimensionLine, FirstExtension, SecondExtension };
  std::vector<Line> lines;
  std::vector<Role> roles;  // one for each line
  std::vector<Arc> arcs;    // the dimension arc of an angular dimension
  std::vector<std::array<vd::ChainPoint, 3>> arrows;  // closed filled arrowheads: tip and base corners
  std::vector<ArrowBlock> arrowBlocks;                // arrowheads of blocks
  std::optional<Text> text;
  double measurement = 0;   // the length in drawing units, or the angle in radians
  bool angular = false;
};

// The pieces of a rotated (type 0), aligned (1), 2-line angular (2) or
// 3-point angular (5) dimension (group 70 & 15); nothing for other types, for
// a dimension whose points define no dimension line or arc (coincident
// points, parallel lines) and for one whose sizes put a piece beyond the
// numbers (an override of DIMSCALE 1e300). Coordinates are taken in the plane of the world
// XY axes.
std::optional<DimensionGraphics> dimensionGraphics(vd::ChainView dimension, const DimensionVariables& variables);

// The pieces as entity chains (LINE, ARC, SOLID, INSERT of an arrowhead's
// block and TEXT, radians as chains hold angles), each with the groups of
// `look` (layer, colour, linetype: copyEntityLook), or on layer 0 by block
// when `look` is empty, as a dimension's block holds them.
std::vector<vd::OwnedChain> dimensionChains(const DimensionGraphics& graphics, vd::ChainView look = {});

// What a dimension of the drawing shows, as chains the picture draws: its
// regenerated pieces in its look; for a type the host does not regenerate,
// a reference at the origin to the block its group 2 names (a dimension's
// block is drawn in world coordinates), when the drawing has that block.
std::vector<vd::OwnedChain> dimensionDrawing(const Drawing& drawing, const std::map<vstring, Variable>& variables,
                                             const std::map<vstring, vstring>& environment, vd::ChainView dimension);

// Moves the definition point 10 of a rotated or aligned dimension to where a
// CAD host regenerating the dimension puts it, and where the dimension tools
// look for the end of the dimension line: the foot of the second extension
// line, the point where the extension line through 14 meets the dimension
// line. Other programs put it anywhere on the dimension line (the foot of
// the first extension line, the point the user picked). The extension
// lines run at the oblique angle (52) when one is given, else square to the
// dimension line. True when the point moved; other types, and dimensions
// whose points define no dimension line, stay as they are.
bool placeDefinitionPoint(vd::OwnedChain& dimension);

}  // namespace hostsim
