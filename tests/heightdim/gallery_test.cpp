// Every mark type and boundary mark built into one drawing, saved as DXF
// (heightdim_gallery.dxf, with the attributes each mark must read back in
// heightdim_gallery.txt) and pictured twice: the drawing as the host paints it
// (heightdim_gallery_drawing.png) and the same marks built into a preview
// display list (heightdim_gallery_preview.png). heightdim_gallery.py audits
// the file, reads the attributes back and compares the two pictures.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "heightdim/builder.h"
#include "heightdim/builder_preview.h"
#include "host/host_api.h"
#include "host/jig_record.h"
#include "host/terminator_shapes.h"
#include "host/ucs.h"
#include "hostsim/host.h"
#include "preview/view.h"
#include "res/string_ids.h"
#include "tools/png/bitmap_png.h"
#include "tools/vdhost/picture.h"
#include "tests/heightdim/builder_test_support.h"
#include "ui/gdi.h"

using namespace vd;

namespace {

constexpr int kWidth = 1400, kHeight = 900;
constexpr double kColumn = 40, kRow = 40;

HNoteData mark(int type, double x, double y) {
  HNoteData r;
  hnoteDefaults(r, type);
  r.layer = u"KOTY";
  r.layerText = u"KOTY_TEXT";
  r.colorDim = 1;
  r.colorText = 5;
  r.backgroundMask = false;
  r.insertPoint = {x, y};
  r.rotation = 0;
  r.underlineDraw = false;
  return r;
}

// The gallery: the ČSN mark with each boundary mark, upright and flipped;
// both DIN marks upright and flipped; the plan view without and with its
// round ends, at three of its base points.
std::vector<HNoteData> galleryMarks() {
  std::vector<HNoteData> out;
  for (int flipped = 0; flipped < 2; ++flipped) {
    for (int a = 0; a < 6; ++a) {
      HNoteData r = mark(0, a * kColumn, (3 - flipped) * kRow);
      r.arrowIndex = a;
      r.flipped = flipped != 0;
      r.valueText = flipped ? u"-0.450" : u"+1.250";
      r.valueText2 = u"A" + vstring(1, static_cast<vchar>(u'1' + a));
      r.underlineDraw = a == 0;
      r.roundingMark = a == 5;
      r.rounded = a == 5;
      out.push_back(std::move(r));
    }
  }
  for (int i = 0; i < 4; ++i) {
    HNoteData r = mark(1 + i % 2, i * kColumn, 1 * kRow);
    r.flipped = i >= 2;
    r.valueText = u"±0.000";
    r.valueText2 = u"B";
    out.push_back(std::move(r));
  }
  const int options[] = {0, 2, 4};
  const int bases[] = {0, 2, 5};
  for (int i = 0; i < 3; ++i) {
    HNoteData r = mark(3, i * kColumn + 10, 0);
    r.hnoteOptions = options[i];
    r.insPt = bases[i];
    r.valueText = i == 1 ? u"+123.456" : u"+2,500";
    out.push_back(std::move(r));
  }
  return out;
}

using Gallery = hnotetest::BuilderHost;

// The leader a plan-view mark gets in the drawing, where the preview shows its
// sample leader: a line ending at P1 and at its start the host's block of the
// record's arrowhead, HSIZE × F, pointing away from P1 along the line.
bool addSampleLeader(const HNoteData& r) {
  const double f = hnoteDrawingFactor();
  // P1 is the frame's lower right corner; the direction vector leads from the base point to the centre.
  const double x = r.insertPoint.x + r.direction.x + r.cxSize * f / 2;
  const double y = r.insertPoint.y + r.direction.y - r.cySize * f / 2;
  ChainBuilder b;
  b.text(0, u"LINE").text(100, u"AcDbEntity").text(8, r.layer).integer(62, r.colorDim);
  b.text(100, u"AcDbLine").point(10, x - 1.8 * f, y - 5.0 * f).point(11, x, y);
  OwnedChain chain = b.build();
  if (!chain || hostCallOr<&HostApi::Entmake_binW>(0, chain.get(), 0) != kRtNorm) return false;
  const TerminatorShape* head = findTerminator(r.arrowName);
  if (!head) return false;
  uint64_t handle = 0;
  if (hostCallOr<&HostApi::GetArrowHandleW>(0, head->blockName, &handle) == 0) return false;
  ChainBuilder i;
  i.text(0, u"INSERT").text(100, u"AcDbEntity").text(8, r.layer).integer(62, r.colorDim);
  i.text(100, u"AcDbBlockReference").text(2, head->blockName).point(10, x - 1.8 * f, y - 5.0 * f);
  i.real(41, r.hSize * f).real(42, r.hSize * f).real(43, r.hSize * f).real(50, std::atan2(-5.0, -1.8));
  OwnedChain insert = i.build();
  return insert && hostCallOr<&HostApi::Entmake_binW>(0, insert.get(), 0) == kRtNorm;
}

TEST_F(Gallery, EveryMarkIntoTheDrawingAndIntoAPreview) {
  std::vector<HNoteData> marks = galleryMarks();
  std::vector<HNoteData> built = marks;
  ASSERT_EQ(hostCallOr<&HostApi::Header_bin>(0), kRtNorm);
  for (HNoteData& r : built) {
    ASSERT_TRUE(buildHNote(r, nullptr, true, false, GcGePoint2d())) << "type " << r.type;
    if (r.type == 3) {
      ASSERT_TRUE(addSampleLeader(r));
    }
  }
  ASSERT_EQ(hostCallOr<&HostApi::Flush_bin>(0, 1), kRtNorm);

  std::string error;
  ASSERT_TRUE(hostsim::Host::instance().saveDrawing("heightdim_gallery.dxf", error)) << error;
  // What each mark's attributes must read back as: block name, then tag=value.
  std::ofstream expected("heightdim_gallery.txt", std::ios::binary);
  for (const HNoteData& r : built) {
    expected << utf16ToUtf8(r.blockName);
    const bool twoTexts = r.type != 3;
    expected << "\tVÝŠKA=" << utf16ToUtf8(r.valueText);
    if (twoTexts) {
      expected << "\tOZNAČENÍ=" << utf16ToUtf8(r.valueText2);
      expected << "\tZAOKROUHLENÍ=" << (r.roundingMark && r.rounded ? "!" : "");
    }
    expected << "\n";
  }
  ASSERT_TRUE(expected.good());
  expected.close();

  ASSERT_TRUE(vdhost::saveDrawingPicture(hostsim::Host::instance().drawing(), "heightdim_gallery_drawing.png", kWidth,
                                         kHeight, error))
      << error;

  // The same marks into a preview, painted as the host paints its pictures.
  ui::memory_surface surface;
  ASSERT_TRUE(surface.create(nullptr, kWidth, kHeight));
  GDI::view view;
  view.background = RGB(255, 255, 255);
  view.bind_dc(surface.dc());
  view.message_mask = 0;
  view.cap_height_texts = 1;
  const GDI::extents device(GcGePoint2d(0, 0), GcGePoint2d(kWidth, kHeight));
  const GDI::extents unit(GcGePoint2d(0, 0), GcGePoint2d(1, 1));
  view.fit_window(&unit, &device);
  HNoteViewPreview preview(view);
  const size_t before = hostsim::Host::instance().drawing().allEntities().size();
  for (size_t i = 0; i < marks.size(); ++i) {
    HNoteData r = marks[i];
    ASSERT_TRUE(buildHNote(r, &preview, true, false, GcGePoint2d())) << "type " << r.type;
  }
  EXPECT_EQ(hostsim::Host::instance().drawing().allEntities().size(), before) << "a preview writes nothing";
  view.zoom_extents(0.05);
  bool done = false;
  for (int i = 0; i < 10000 && !done; ++i) done = view.paint();
  ASSERT_TRUE(done);
  ASSERT_TRUE(vdpng::writeBitmap(surface.dc(), surface.bitmap(), kWidth, kHeight, "heightdim_gallery_preview.png",
                                 error))
      << error;
}

// GetTextExtentsW measures with the font of the style: a wide text is wider
// than a narrow one of as many characters, and the width scales with the
// height and the width factor.
TEST_F(Gallery, HostMeasuresTextsWithTheirFont) {
  auto measure = [](const vchar* text, double height, double factor) {
    double w = 0, h = 0;
    EXPECT_EQ(hostCallOr<&HostApi::GetTextExtentsW>(0, text, u"STANDARD", height, factor, &w, &h), 1);
    return std::pair<double, double>(w, h);
  };
  auto [wide, wideH] = measure(u"WWWWWWWW", 2.5, 1.0);
  auto [narrow, narrowH] = measure(u"iiiiiiii", 2.5, 1.0);
  EXPECT_GT(wide, 2 * narrow);
  EXPECT_DOUBLE_EQ(wideH, narrowH);
  EXPECT_GT(wideH, 2.0);
  EXPECT_LT(wideH, 5.0);
  auto [twice, twiceH] = measure(u"WWWWWWWW", 5.0, 1.0);
  EXPECT_NEAR(twice, 2 * wide, 1e-9 * wide);
  EXPECT_NEAR(twiceH, 2 * wideH, 1e-9);
  auto [condensed, condensedH] = measure(u"WWWWWWWW", 2.5, 0.5);
  EXPECT_NEAR(condensed, wide / 2, 1e-9 * wide);
  double w = 0, h = 0;
  EXPECT_EQ(hostCallOr<&HostApi::GetTextExtentsW>(0, u"X", u"STANDARD", 0.0, 1.0, &w, &h), 0);
}

}  // namespace
