// Entities as ezdxf writes them (data/entities.dxf, made by
// data/make_entities.py) read into objects and written back.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "entity2d/entity_factory.h"
#include "geom/linear_ent2d.h"
#include "entity2d/shape_entities.h"
#include "entity2d/text_entities.h"
#include "entity_test_support.h"
#include "hostsim/dxf_reader.h"

namespace {

using namespace vd;

// The entities of data/entities.dxf as the headless host reads them and hands
// them out; the SEQEND that ends a reference's attributes is no entity here.
std::vector<ChainView> fileChains() {
  static const hostsim::dxf::ReadResult file = hostsim::dxf::loadDxf("testdata/entity2d/entities.dxf");
  std::vector<ChainView> chains;
  if (!file.drawing)
    ADD_FAILURE() << file.error;
  else
    for (const auto& entity : file.drawing->allEntities())
      if (entity->type() != u"SEQEND")
        chains.push_back(entity->view());
  return chains;
}

TEST(EntityDxfRoundTrip, EveryEntityKeepsItsValues) {
  const std::map<std::u16string, int> kinds = {
      {u"LINE", kEntAbscissa}, {u"ARC", kEntArc},       {u"CIRCLE", kEntArc},      {u"LWPOLYLINE", kEntPolyline},
      {u"ELLIPSE", kEntEllipse}, {u"RAY", kEntRay},     {u"XLINE", kEntLine},      {u"HATCH", kEntHatch},
      {u"POINT", kEntPoint},   {u"SOLID", kEntSolid},   {u"INSERT", kEntInsert},   {u"IMAGE", kEntImage},
      {u"WIPEOUT", kEntWipeout}, {u"TEXT", kEntText},   {u"ATTDEF", kEntAttDef},   {u"ATTRIB", kEntAttrib},
      {u"MTEXT", kEntMText},
  };
  std::map<std::u16string, int> counted;
  for (ChainView source : fileChains()) {
    const std::u16string type(source.type());
    SCOPED_TRACE(utf16ToUtf8(type) + " " + utf16ToUtf8(source.handle()));
    auto kind = kinds.find(type);
    ASSERT_NE(kind, kinds.end());
    ++counted[type];
    std::unique_ptr<ltEnt2D> obj = makeEntity(source.head());
    ASSERT_TRUE(obj);
    EXPECT_EQ(obj->typeId(), kind->second);
    ValueNode* made = obj->chain(kChainRegenerate);
    ASSERT_TRUE(made);
    EXPECT_EQ(enttest::lostValues(source, made), std::vector<std::string>{});
    std::unique_ptr<ltEnt2D> again = makeEntity(made);
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->sameAs(*obj));
  }
  // The file holds every kind, some more than once.
  EXPECT_EQ(counted.size(), kinds.size());
  EXPECT_EQ(counted[u"ATTRIB"], 2);
  EXPECT_EQ(counted[u"HATCH"], 3);
}

// ezdxf's own reading of each curve, solid and hatch boundary (points on it
// and its length, written by make_entities.py) agrees with the model's:
// bulge sides, clockwise hatch edges, ellipse parameters, solid corner order.
TEST(EntityDxfRoundTrip, GeometryAgreesWithEzdxf) {
  struct Seen {
    std::vector<GcGePoint2d> points;
    double length = -1;
  };
  std::map<std::string, Seen> ezdxf;
  std::ifstream in("testdata/entity2d/entities_geometry.txt");
  ASSERT_TRUE(in);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream ls(line);
    std::string what, key;
    ls >> what >> key;
    if (what == "P") {
      double x = 0, y = 0;
      ls >> x >> y;
      ezdxf[key].points.emplace_back(x, y);
    } else if (what == "L") {
      ls >> ezdxf[key].length;
    }
  }
  size_t compared = 0;
  auto compare = [&](const std::string& key, const GcGeCurve2d& mine) {
    SCOPED_TRACE(key);
    auto it = ezdxf.find(key);
    ASSERT_NE(it, ezdxf.end());
    ASSERT_FALSE(it->second.points.empty());
    // ezdxf draws arcs as cubic Bezier pieces, which stray from the true curve
    // by up to 2.7e-4 of the radius: tolerances follow the curve's size.
    GcGePoint2d lo, hi;
    mine.gcOrthoBoundBlock().getMinMaxPoints(lo, hi);
    const double size = lo.distanceTo(hi);
    // Distance to a fine polyline of the curve, independent of the curve's
    // own closest-point search.
    GcGePoint2dArray fine;
    GcGeDoubleArray params;
    const GcGeInterval range = mine.interval();
    mine.getSamplePoints(range.lowerBound(), range.upperBound(), 1e-7 * size, fine, params);
    double worst = 0;
    for (const GcGePoint2d& p : it->second.points) {
      double best = p.distanceTo(fine[0]);
      for (int k = 0; k + 1 < fine.length(); ++k) best = std::min(best, GcGeLineSeg2d(fine[k], fine[k + 1]).distanceTo(p));
      worst = std::max(worst, best);
    }
    EXPECT_LE(worst, 5e-4 * size);
    EXPECT_NEAR(mine.gcLength(), it->second.length, 1e-3 * it->second.length);
    ++compared;
  };
  for (ChainView source : fileChains()) {
    auto obj = makeEntity(source.head());
    ASSERT_TRUE(obj);
    const std::string handle = utf16ToUtf8(obj->props().handle);
    if (obj->typeId() == kEntHatch) {
      const auto& loops = static_cast<const ltHatch2D&>(*obj).loops();
      for (size_t i = 0; i < loops.size(); ++i) compare(handle + ":" + std::to_string(i), loops[i].curve);
    } else if (obj->typeId() == kEntSolid) {
      compare(handle, static_cast<const ltSolid2D&>(*obj).outline());
    } else if (obj->curve() && obj->curve()->interval().isBounded()) {
      compare(handle, *obj->curve());
    }
  }
  EXPECT_EQ(compared, ezdxf.size());
}

}  // namespace
