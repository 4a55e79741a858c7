// How the host regenerates dimensions: the measured text, the variables a
// dimension is drawn with, its pieces (extension lines, arrowheads, arcs)
// and the definition point a loaded file's dimension gets.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "host_fixture.h"
#include "hostsim/dimension_graphics.h"
#include "hostsim/dxf_reader.h"
#include "hostsim/dxf_writer.h"

using namespace vd;
using hostsim::DimensionGraphics;
using hostsim::DimensionVariables;
using hosttest::HostTest;

namespace {

const double kPi = std::acos(-1.0);

TEST(DimensionText, MeasuredValuesAreRoundedCutAndSeparatedAsTheVariablesSay) {
  const struct {
    double value;
    int decimals;
    double roundOff;
    bool leading, trailing;
    char16_t separator;
    const char16_t* want;
  } cases[] = {
      {0.5, 3, 0, true, true, u',', u",5"},          // both zero kinds gone, comma
      {0.5, 3, 0, false, true, u',', u"0,5"},
      {0.5, 3, 0, true, false, u'.', u".500"},
      {12.5, 3, 0, false, true, u'.', u"12.5"},
      {12.0, 3, 0, false, true, u'.', u"12"},         // the point goes with the zeros
      {120.0, 0, 0, false, true, u'.', u"120"},       // no point: the integer's zeros stay
      {0.0, 2, 0, true, true, u',', u"0"},            // nothing left is zero
      {0.0, 2, 0, true, false, u',', u",00"},
      {-0.001, 2, 0, false, false, u'.', u"0.00"},    // no sign on a zero
      {-0.25, 2, 0, true, true, u'.', u"-.25"},
      {1.375, 2, 0.25, false, false, u'.', u"1.50"},  // half a step rounds away from zero
      {7.85398, 2, 0, false, false, u',', u"7,85"},
      {1234.5678, 1, 0, false, false, u'.', u"1234.6"},
      {1.0, -3, 0, false, false, u'.', u"1"},         // negative decimals print none
  };
  for (const auto& c : cases)
    EXPECT_EQ(hostsim::formatMeasurement(c.value, c.decimals, c.roundOff, c.leading, c.trailing, c.separator), c.want)
        << c.value << " with " << c.decimals << " decimals";
}

// A rotated dimension along X from (0, 0) to (30, 0), its line at y = 10,
// with DSTYLE overrides given as (code, value) pairs.
OwnedChain rotated(std::vector<std::pair<int, double>> overrides = {}, double x14 = 30, const char16_t* text = nullptr) {
  ChainBuilder b;
  b.text(0, u"DIMENSION").text(8, u"KOTY").point(10, x14, 10).point(11, 15, 12).integer(70, 32);
  if (text) b.text(1, text);
  b.point(13, 0, 0).point(14, x14, 0).real(50, 0);
  if (!overrides.empty()) {
    b.extendedData(u"ACAD").text(1000, u"DSTYLE").text(1002, u"{");
    for (auto [code, value] : overrides) {
      b.integer(1070, code);
      if (code == 75 || code == 76 || code == 77 || code == 78 || code == 271 || code == 278)
        b.integer(1070, static_cast<int64_t>(value));
      else
        b.real(1040, value);
    }
    b.text(1002, u"}");
  }
  return b.build();
}

class DimensionGraphicsTest : public HostTest {
 protected:
  DimensionVariables variablesOf(ChainView dim) {
    return hostsim::dimensionVariables(drawing(), host().variables, host().environment, dim);
  }
  DimensionGraphics graphicsOf(ChainView dim) {
    auto g = hostsim::dimensionGraphics(dim, variablesOf(dim));
    EXPECT_TRUE(g.has_value());
    return g ? std::move(*g) : DimensionGraphics();
  }
  static const DimensionGraphics::Line* lineOf(const DimensionGraphics& g, DimensionGraphics::Role role) {
    for (size_t i = 0; i < g.roles.size(); ++i)
      if (g.roles[i] == role) return &g.lines[i];
    return nullptr;
  }
};

// DIMBLK (or DIMBLK1 and DIMBLK2 with DIMSAH) names the arrowheads' block,
// by its record's handle or, in older files, by name: each end then shows a
// reference to it, tip at the block's origin, pointing as the arrow does.
TEST_F(DimensionGraphicsTest, ArrowheadsAreTheBlocksTheVariablesName) {
  defineBlock(u"_OPEN30");
  defineBlock(u"_DOT");
  const vstring open30 = drawing().findBlock(u"_OPEN30")->handle, dot = drawing().findBlock(u"_DOT")->handle;
  using Override = std::tuple<int, int, vstring>;  // code; 1005 a handle, 1000 a name, 1070 a number; value
  const struct {
    const char* what;
    std::vector<Override> overrides;
    std::vector<vstring> blocks;  // at the first end, then the second; empty: closed filled arrows
  } cases[] = {
      {"none", {}, {}},
      {"DIMBLK by handle", {{342, 1005, open30}}, {u"_OPEN30", u"_OPEN30"}},
      {"a leader's DIMLDRBLK is no DIMBLK", {{341, 1005, open30}}, {}},
      {"DIMBLK by name", {{5, 1000, u"_dot"}}, {u"_DOT", u"_DOT"}},
      {"apart with DIMSAH", {{173, 1070, u"1"}, {343, 1005, dot}, {344, 1005, open30}}, {u"_DOT", u"_OPEN30"}},
      {"DIMBLK1 and DIMBLK2 without DIMSAH", {{343, 1005, dot}, {344, 1005, open30}}, {}},
      {"a handle naming no block", {{342, 1005, u"FEDC"}}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ChainBuilder b;
    b.text(0, u"DIMENSION").point(10, 30, 10).integer(70, 32).point(13, 0, 0).point(14, 30, 0).real(50, 0);
    if (!c.overrides.empty()) {
      b.extendedData(u"ACAD").text(1000, u"DSTYLE").text(1002, u"{");
      for (const auto& [code, kind, value] : c.overrides) {
        b.integer(1070, code);
        kind == 1070 ? b.integer(1070, std::stoi(utf16ToUtf8(value))) : b.text(kind, value);
      }
      b.text(1002, u"}");
    }
    const DimensionGraphics g = graphicsOf(b.build());
    ASSERT_EQ(g.arrowBlocks.size(), c.blocks.size());
    EXPECT_EQ(g.arrows.size(), c.blocks.empty() ? 2u : 0u);
    for (size_t i = 0; i < c.blocks.size(); ++i) {
      const DimensionGraphics::ArrowBlock& a = g.arrowBlocks[i];
      EXPECT_EQ(a.block, c.blocks[i]);
      EXPECT_NEAR(std::hypot(a.tip.x - (i == 0 ? 0 : 30), a.tip.y - 10), 0, 1e-12);
      EXPECT_NEAR(std::cos(a.angle), i == 0 ? -1 : 1, 1e-12) << "pointing at its extension line";
      EXPECT_NEAR(a.size, 2.5, 1e-12);
    }
    // Written as references to the block.
    int inserts = 0;
    for (const OwnedChain& piece : hostsim::dimensionChains(g)) inserts += piece.view().isType(u"INSERT");
    EXPECT_EQ(inserts, static_cast<int>(c.blocks.size()));
  }
}

TEST_F(DimensionGraphicsTest, AngularArcsLieAtTheArcPointsDistanceInItsPartOfThePlane) {
  const struct {
    double x, y;  // the arc point of a 3-point dimension at the origin, lines to +X and +Y
    double radius, sweep, start;
  } cases[] = {
      {3, 4, 5, kPi / 2, 0},              // inside the right angle
      {-6, -8, 10, 3 * kPi / 2, kPi / 2},  // outside: the rest of the turn
      {0, 7, 7, kPi / 2, 0},              // on the second line
  };
  for (const auto& c : cases) {
    const DimensionGraphics g = graphicsOf(ChainBuilder().text(0, u"DIMENSION").point(10, c.x, c.y).integer(70, 37)
                                               .point(13, 10, 0).point(14, 0, 10).point(15, 0, 0).build());
    ASSERT_EQ(g.arcs.size(), 1u);
    EXPECT_NEAR(g.arcs[0].radius, c.radius, 1e-12);
    EXPECT_NEAR(g.measurement, c.sweep, 1e-12);
    EXPECT_NEAR(g.arcs[0].start, c.start, 1e-12);
    ASSERT_TRUE(g.text);
    EXPECT_EQ(g.text->text, c.sweep < kPi ? u"90\u00B0" : u"270\u00B0");
  }
  // Two lines meeting at (10, 10); the arc point picks the quarter between
  // the first line's -X side and the second's +Y side.
  // A 2-line angular dimension: the first line from (2, 10) to (12, 10), the
  // second from (10, 0) to (10, 12); the arc point (6, 13) lies 5 from where they meet.
  const DimensionGraphics two = graphicsOf(ChainBuilder().text(0, u"DIMENSION").point(10, 10, 12).integer(70, 2)
                                               .point(13, 2, 10).point(14, 12, 10).point(15, 10, 0).point(16, 6, 13).build());
  ASSERT_EQ(two.arcs.size(), 1u);
  const auto& arc = two.arcs[0];
  for (auto [got, want] : {std::pair{arc.centre.x, 10.0}, {arc.centre.y, 10.0}, {arc.radius, 5.0}, {arc.start, kPi / 2},
                           {arc.end, kPi}})
    EXPECT_NEAR(got, want, 1e-12);
  // The arc ends at (5, 10) on the first line: no extension. The second
  // line ends at y = 12 and the arc at y = 15: an extension from its end.
  EXPECT_EQ(lineOf(two, DimensionGraphics::Role::FirstExtension), nullptr);
  const DimensionGraphics::Line* second = lineOf(two, DimensionGraphics::Role::SecondExtension);
  ASSERT_NE(second, nullptr);
  EXPECT_NEAR(second->from.y, 12 + 0.625, 1e-12);
  EXPECT_NEAR(second->to.y, 15 + 1.25, 1e-12);
}

TEST_F(DimensionGraphicsTest, TextStandsAboveTheMiddleOfTheLineReadableOrWhereTheUserPutIt) {
  // DIMDEC 2, DIMZIN 8, DIMDSEP ',' of a new drawing: 30 shows as "30".
  DimensionGraphics g = graphicsOf(rotated());
  ASSERT_TRUE(g.text);
  EXPECT_EQ(g.text->text, u"30");
  EXPECT_NEAR(g.text->middle.x, 15, 1e-12);
  EXPECT_NEAR(g.text->middle.y, 10 + 0.625 + 1.25, 1e-12);
  EXPECT_NEAR(g.text->rotation, 0, 1e-12);
  g = graphicsOf(rotated({}, 12.3456, u"<> mm"));
  EXPECT_EQ(g.text->text, u"12,35 mm");
  EXPECT_FALSE(graphicsOf(rotated({}, 30, u" ")).text);
  // A dimension line running right to left still reads left to right.
  OwnedChain back = rotated();
  back.setReal(50, kPi);
  g = graphicsOf(back);
  EXPECT_NEAR(g.text->rotation, 0, 1e-12);
  EXPECT_NEAR(g.text->middle.y, 10 + 1.875, 1e-12);
  // Bit 128 of 70: the text stays at group 11.
  OwnedChain placed = rotated();
  placed.setInteger(70, 32 + 128);
  g = graphicsOf(placed);
  EXPECT_NEAR(g.text->middle.x, 15, 1e-12);
  EXPECT_NEAR(g.text->middle.y, 12, 1e-12);
}

// DIMTIH turns the text to the dimension's horizontal, minus group 51 from
// the x axis (DimUpdateUCS writes 2π − α for a UCS turned by α): above a
// line that runs that way, centred on any other. Group 11 of a placed text
// is in the object coordinate system of the normal (210).
TEST_F(DimensionGraphicsTest, HorizontalTextFollowsGroup51AndPlacedTextItsObjectSystem) {
  const struct {
    const char* what;
    double dimtih;      // override 73
    double rotation50;  // of the dimension line
    double group51;     // NaN: none
    double rotation;    // of the text
    ChainPoint middle;
  } cases[] = {
      {"DIMTIH off: along the line", 0, kPi / 2, NAN, kPi / 2, {15 - 1.875, 15, 0}},
      {"DIMTIH, no 51: world horizontal, centred on a vertical line", 1, kPi / 2, NAN, 0, {15, 15, 0}},
      {"DIMTIH, 51 = 2π − π/6: along 30°", 1, kPi / 2, 2 * kPi - kPi / 6, kPi / 6, {15, 15, 0}},
      {"DIMTIH, 51 = 2π: horizontal line, text above it", 1, 0, 2 * kPi, 0, {15, 11.875, 0}},
  };
  for (const auto& c : cases) {
    OwnedChain dim = rotated({{73, c.dimtih}});
    dim.setReal(50, c.rotation50);
    if (c.rotation50 != 0) {
      // Vertical: 0,0 -> 0,30, its line at x = 15.
      dim.setPoint(14, {0, 30, 0});
      dim.setPoint(10, {15, 30, 0});
    }
    if (!std::isnan(c.group51)) dim.setReal(51, c.group51);
    DimensionGraphics g = graphicsOf(dim);
    ASSERT_TRUE(g.text) << c.what;
    EXPECT_NEAR(std::remainder(g.text->rotation - c.rotation, 2 * kPi), 0, 1e-12) << c.what;
    EXPECT_NEAR(g.text->middle.x, c.middle.x, 1e-9) << c.what;
    EXPECT_NEAR(g.text->middle.y, c.middle.y, 1e-9) << c.what;
  }
  // Normal -Z: the object x axis is world -X, so 11 at (-15, 12) is world (15, 12).
  OwnedChain placed = rotated();
  placed.setInteger(70, 32 + 128);
  placed.setPoint(11, {-15, 12, 0});
  placed.setPoint(210, {0, 0, -1});
  DimensionGraphics g = graphicsOf(placed);
  ASSERT_TRUE(g.text);
  EXPECT_NEAR(g.text->middle.x, 15, 1e-12);
  EXPECT_NEAR(g.text->middle.y, 12, 1e-12);
}

TEST_F(DimensionGraphicsTest, OtherTypesAndDegenerateDimensionsDrawNothing) {
  const OwnedChain others[] = {
      ChainBuilder().text(0, u"DIMENSION").point(10, 0, 0).integer(70, 4).point(15, 5, 0).build(),  // radial
      ChainBuilder().text(0, u"DIMENSION").point(10, 0, 5).integer(70, 1).point(13, 2, 2).point(14, 2, 2).build(),
      ChainBuilder().text(0, u"DIMENSION").integer(70, 2).point(13, 0, 0).point(14, 10, 0).point(15, 0, 5)
          .point(10, 10, 5).point(16, 5, 3).build()};  // parallel lines
  for (const OwnedChain& dim : others)
    EXPECT_FALSE(hostsim::dimensionGraphics(dim, DimensionVariables())) << dim.view().integer(70).value_or(-1);
  // A scale that puts the arrowheads beyond the numbers: nothing, rather
  // than pieces a saved file could not hold.
  const OwnedChain huge = rotated({{40, 1e300}, {41, 1e300}});
  EXPECT_FALSE(hostsim::dimensionGraphics(huge, variablesOf(huge)));
  ASSERT_EQ(make(rotated({{40, 1e300}, {41, 1e300}})), kRtNorm);
  const std::string text = hostsim::dxf::writeDxf(drawing(), host().variables, host().environment);
  ASSERT_FALSE(text.empty());
  for (const char* bad : {"\ninf", "\n-inf", "\nnan", "\n-nan"}) EXPECT_EQ(text.find(bad), std::string::npos) << bad;
}

TEST_F(DimensionGraphicsTest, SavedDimensionsGetBlocksOfTheirOwnAndOrphanedOnesGo) {
  // *D1 as the module might copy it with a dimension; *D7 named by nothing.
  double x = 0, y = 0, z = 0;
  api().Header_bin();
  for (const char16_t* name : {u"*D1", u"*D7"}) {
    // *D1 without the anonymous flag, as a module might make it: its dimension's makes it anonymous.
    ASSERT_EQ(api().BlkmakeHead_binW(name, name[2] == u'1' ? 0 : 1, &x, &y, &z), kRtNorm);
    OwnedChain l = line(0, 0, 1, 1);
    api().BlkmakeEnt_binW(l.get());
    api().BlkmakeEnd_binW(name);
  }
  ASSERT_EQ(api().Flush_bin(1), kRtNorm);
  OwnedChain first = rotated(), second = rotated({}, 40), third = rotated({}, 50);
  first.setText(2, u"*D1");
  second.setText(2, u"*d1");  // a copy naming the same block
  for (OwnedChain* d : {&first, &second, &third}) ASSERT_EQ(make(std::move(*d)), kRtNorm);
  const std::string text = hostsim::dxf::writeDxf(drawing(), host().variables, host().environment);
  hostsim::dxf::ReadResult r = hostsim::dxf::readDxf(text);
  ASSERT_TRUE(r.drawing) << r.error;
  std::vector<vstring> names;
  for (const hostsim::Entity* e : r.drawing->entities()) names.emplace_back(e->view().text(2).value_or(u""));
  EXPECT_EQ(names, (std::vector<vstring>{u"*D1", u"*D2", u"*D3"}));
  EXPECT_EQ(r.drawing->findBlock(u"*D7"), nullptr) << "orphaned";
  ASSERT_EQ(r.drawing->blocks().size(), 3u);
  for (const vstring& name : names) {
    const hostsim::Block* b = r.drawing->findBlock(name);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->flags, 1);
    int solids = 0, texts = 0;
    for (const auto& e : b->entities) {
      solids += e->view().isType(u"SOLID");
      texts += e->view().isType(u"TEXT");
    }
    EXPECT_EQ(solids, 2) << utf16ToUtf8(name);
    EXPECT_EQ(texts, 1) << utf16ToUtf8(name);
  }
  // The block of the first keeps the handles of *D1 and its line.
  EXPECT_EQ(r.drawing->findBlock(u"*D1")->handle, drawing().findBlock(u"*D1")->handle);
  EXPECT_EQ(r.drawing->findBlock(u"*D1")->entities.front()->handle, drawing().findBlock(u"*D1")->entities.front()->handle);
  // Saved again, the file is the same: the blocks are replaced, not added.
  EXPECT_EQ(hostsim::dxf::writeDxf(*r.drawing, host().variables, host().environment), text);
}

TEST_F(DimensionGraphicsTest, ThePictureDrawsRegeneratedPiecesInTheDimensionsLookOrTheBlockOfOtherTypes) {
  defineBlock(u"*D9");
  const OwnedChain radius = ChainBuilder().text(0, u"DIMENSION").text(8, u"KOTY").integer(62, 3).text(2, u"*D9")
                                .point(10, 0, 0).integer(70, 4).point(15, 5, 0).build();
  auto chains = hostsim::dimensionDrawing(drawing(), host().variables, host().environment, radius);
  ASSERT_EQ(chains.size(), 1u);
  EXPECT_TRUE(chains[0].view().isType(u"INSERT"));
  EXPECT_EQ(chains[0].view().text(2), u"*D9");
  EXPECT_EQ(chains[0].view().layer(), u"KOTY");
  EXPECT_EQ(chains[0].view().integer(62), 3);
  OwnedChain unnamed = OwnedChain::copyOf(radius);
  unnamed.setText(2, u"*D404");
  EXPECT_TRUE(hostsim::dimensionDrawing(drawing(), host().variables, host().environment, unnamed).empty());
  // A rotated one: its line, two extension lines, two arrowheads and its text, in its look.
  OwnedChain linear = rotated();
  linear.setInteger(62, 5);
  chains = hostsim::dimensionDrawing(drawing(), host().variables, host().environment, linear);
  std::vector<vstring> types;
  for (const OwnedChain& c : chains) {
    types.emplace_back(c.view().type());
    EXPECT_EQ(c.view().layer(), u"KOTY");
    EXPECT_EQ(c.view().integer(62), 5);
  }
  EXPECT_EQ(types, (std::vector<vstring>{u"LINE", u"LINE", u"LINE", u"SOLID", u"SOLID", u"TEXT"}));
}

}  // namespace
