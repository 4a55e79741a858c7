#include "heightdim/builder_preview.h"

#include "colour/palette.h"
#include "geom/lineseg2d.h"
#include "geom/scale2d.h"
#include "preview/palette.h"
#include "preview/view.h"

namespace vd {

namespace {
// A colour index resolved on the view's ground, as the drawing's pictures
// resolve it; by layer and by block, with neither known, show the foreground.
uint64_t byIndex(const GDI::view& view, int colour) {
  return GDI::colour_pair(static_cast<uint32_t>(colour),
                          colour::index_rgb(colour, colour::kNone, colour::kNone, view.background));
}
constexpr uint64_t kNoHandle = ~uint64_t{0};
constexpr uint32_t kThinPen = 1;
}  // namespace

bool HNoteViewPreview::defineBlock(const GcGePoint2d& base, uint64_t) {
  key_ = next_++;
  return view_.define_block(base, key_);
}

bool HNoteViewPreview::addCurve(const GcGeCompositeCurve2d& curve, int colour, uint64_t blockKey) {
  const bool inBlock = blockKey != kHNotePreviewDrawing;
  return view_.add_curve(new GcGeCompositeCurve2d(curve), byIndex(view_, colour), kThinPen, nullptr, 1.0,
                         inBlock ? key_ : kNoHandle, inBlock, false);
}

bool HNoteViewPreview::addFill(const GcGeCompositeCurve2d& loop, int colour, uint64_t blockKey) {
  const bool inBlock = blockKey != kHNotePreviewDrawing;
  std::vector<GcGeCurve2d*> loops{new GcGeCompositeCurve2d(loop)};
  return view_.add_solid(loops, {true}, byIndex(view_, colour), inBlock ? key_ : kNoHandle, inBlock);
}

bool HNoteViewPreview::addReference(uint64_t, const GcGePoint2d& position, double scale,
                                    const GcGeVector2d& direction) {
  return view_.add_block_reference(key_, position, GcGeScale2d(scale, scale), direction, kNoHandle, false, false);
}

bool HNoteViewPreview::addText(const GcGePoint2d& position, const GcGeVector2d& direction, vstring_view text,
                               double height, double widthFactor, int colour, int vJust, int hJust) {
  GDI::text_style style;
  style.width_factor = widthFactor;
  return view_.add_text(position, direction, text, height, byIndex(view_, colour), static_cast<uint32_t>(vJust),
                        static_cast<uint32_t>(hJust), kNoHandle, false, 0, style);
}

bool HNoteViewPreview::addLine(const GcGePoint2d& from, const GcGePoint2d& to, int colour) {
  return view_.add_curve(new GcGeLineSeg2d(from, to), byIndex(view_, colour), kThinPen, nullptr, 1.0, kNoHandle, false,
                         false);
}

}  // namespace vd
