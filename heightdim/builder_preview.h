// A mark's preview collected into a GDI view's display list.
#pragma once
#include "heightdim/builder.h"

namespace GDI {
class view;
}

namespace vd {

// Puts what the builder hands a preview into display list 1 of a view: the
// block of the mark, its reference, its texts and lines, with the colours of
// their colour indices. Each mark's block gets a key of its own, counted
// from `firstKey`, so one view can hold several marks.
class HNoteViewPreview final : public HNotePreview {
 public:
  explicit HNoteViewPreview(GDI::view& view, uint64_t firstKey = 1) : view_(view), next_(firstKey) {}
  bool defineBlock(const GcGePoint2d& base, uint64_t key) override;
  bool addCurve(const GcGeCompositeCurve2d& curve, int colour, uint64_t blockKey) override;
  bool addFill(const GcGeCompositeCurve2d& loop, int colour, uint64_t blockKey) override;
  bool addReference(uint64_t blockKey, const GcGePoint2d& position, double scale,
                    const GcGeVector2d& direction) override;
  bool addText(const GcGePoint2d& position, const GcGeVector2d& direction, vstring_view text, double height,
               double widthFactor, int colour, int vJust, int hJust) override;
  bool addLine(const GcGePoint2d& from, const GcGePoint2d& to, int colour) override;

 private:
  GDI::view& view_;
  uint64_t next_;
  uint64_t key_ = 0;  // of the block defined last
};

}  // namespace vd
