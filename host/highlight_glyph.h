// Temporary highlight geometry the host draws over the drawing (HighlightGlyph):
// the record it takes and a builder for the cross that marks a picked point.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/chain.h"

namespace vd {

// The record HighlightGlyph takes: 88 bytes whose first field is its own size.
// The host reads the points through `points` and may answer through `result`;
// both point into the glyph that made the record.
struct HighlightGlyphRecord {
  int32_t size;          // 88
  uint8_t flags[2];      // 1, 1
  uint8_t unused0[2];
  int32_t pointCount;    // 0 clears the highlight
  int32_t unused1;
  void* reserved0;       // null
  int32_t* result;       // a 32-bit slot for the host's answer
  const double* points;  // pointCount × (x, y, z)
  void* reserved1;       // null
  uint8_t zero[16];
  double factor0;        // 1.0
  uint32_t colour;       // 0x00BBGGRR
  uint32_t unused2;
  double factor1;        // 1.0
};

static_assert(sizeof(HighlightGlyphRecord) == 88, "the host takes an 88-byte record");
static_assert(offsetof(HighlightGlyphRecord, pointCount) == 8, "point count at offset 8");
static_assert(offsetof(HighlightGlyphRecord, result) == 24, "result slot pointer at offset 24");
static_assert(offsetof(HighlightGlyphRecord, points) == 32, "points pointer at offset 32");
static_assert(offsetof(HighlightGlyphRecord, factor0) == 64, "first factor at offset 64");
static_assert(offsetof(HighlightGlyphRecord, colour) == 72, "colour at offset 72");
static_assert(offsetof(HighlightGlyphRecord, factor1) == 80, "second factor at offset 80");

// Colour of a glyph style (0x00BBGGRR): 1 and 2 have their own, every other
// style a third.
constexpr uint32_t glyphStyleColour(int style) {
  switch (style) {
    case 1:
      return 1836026u;   // 0x1C03FA
    case 2:
      return 16448028u;  // 0xFAFA1C
    default:
      return 16384796u;  // 0xFA031C
  }
}

// The size of a glyph's arms as a share of the host's drawing units.
constexpr double kGlyphArmShare = 0.1;

// A glyph: its points, its colour and the slot the host answers in. Without
// points it clears the highlight.
class HighlightGlyph {
 public:
  HighlightGlyph() = default;

  // The cross around `centre`: `centre` joined to each of its four diagonal
  // corners at ±arm, in the order (+,+), (+,-), (-,-), (-,+) as one run of 7
  // points that passes through the centre between the corners. The arms turn
  // by minus `viewTwist` (radians), so that the cross stands upright in a view
  // the host shows twisted by that angle.
  static HighlightGlyph cross(ChainPoint centre, double arm, double viewTwist, int style);

  // The cross around `centre` as the host wants it now: arms of 0.1 drawing
  // units (drawingUnits()), turned by the host's VIEWTWIST (0 when it has none).
  static HighlightGlyph crossAt(ChainPoint centre, int style);

  int pointCount() const { return static_cast<int>(coordinates_.size() / 3); }
  ChainPoint point(int i) const;
  uint32_t colour() const { return colour_; }

  // The record for the host. It points into this glyph, which must stay
  // where it is while the host uses the record.
  HighlightGlyphRecord record();

  // Hands the record to the host; false when the host lacks the operation.
  bool show();

 private:
  std::vector<double> coordinates_;  // x, y, z of each point, as the host reads them
  uint32_t colour_ = glyphStyleColour(0);
  int32_t result_ = 0;
};

}  // namespace vd
