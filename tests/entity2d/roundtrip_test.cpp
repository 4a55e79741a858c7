// Entity chains as a CAD program writes them, read into objects and written
// back: every value must survive, the header comes in its fixed order, and a
// chain of another kind is refused without harm.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <numbers>
#include <set>

#include "entity2d/chain_write.h"
#include "entity2d/curve_entities.h"
#include "entity2d/entity_factory.h"
#include "entity2d/shape_entities.h"
#include "entity2d/text_entities.h"
#include "entity_test_support.h"

namespace {

using namespace vd;
using enttest::codesOf;
using enttest::lostValues;

constexpr double kPi = std::numbers::pi;

// The header of an entity as the host hands it out, with every optional part.
void header(ChainBuilder& b, const char16_t* type) {
  const uint64_t name[2] = {0x1234, 0x5678};
  b.entityName(-1, name).text(0, type).text(5, u"2A");
  b.text(102, u"{ACAD_REACTORS").text(330, u"1F").text(330, u"20").text(102, u"}");
  b.text(100, u"AcDbEntity").integer(67, 1).text(410, u"Layout1").text(8, u"WALLS").text(6, u"DASHED");
  b.integer(62, 3).integer(420, 0x00FF8000).integer(440, 0x0200007F).integer(60, 1).integer(370, 25).real(48, 2.0);
}

void xdata(ChainBuilder& b) {
  b.extendedData(u"VDTEST").text(1000, u"wall").text(1002, u"{").real(1040, 1.5).text(1002, u"}");
  b.point(1010, 1, 2, 0).integer(1071, 123456).integer(1070, 7);
}

struct Sample {
  const char* name;
  int typeId;
  const char16_t* type;
  std::function<void(ChainBuilder&)> body;
};

const std::vector<Sample>& samples() {
  static const std::vector<Sample> all = {
      {"line", kEntAbscissa, u"LINE", [](ChainBuilder& b) {
         b.text(100, u"AcDbLine").real(39, 2.0).point(10, 1, 2, 0).point(11, 101, 52, 0).point(210, 0, 0, 1);
       }},
      {"arc", kEntArc, u"ARC", [](ChainBuilder& b) {
         b.text(100, u"AcDbCircle").real(39, 1.5).point(10, 50, 50, 0).real(40, 20).point(210, 0, 0, 1);
         b.text(100, u"AcDbArc").real(50, 5.5).real(51, 0.5);
       }},
      {"circle", kEntArc, u"CIRCLE", [](ChainBuilder& b) {
         b.text(100, u"AcDbCircle").point(10, -3, 4, 0).real(40, 5).point(210, 0, 0, 1);
       }},
      {"polyline", kEntPolyline, u"LWPOLYLINE", [](ChainBuilder& b) {
         b.text(100, u"AcDbPolyline").integer(90, 4).integer(70, 1).real(43, 0.0).real(38, 1.5);
         b.point(10, 0, 0).real(40, 0.5).real(41, 1.0).real(42, 0.25);
         b.point(10, 10, 0).real(40, 1.0).real(41, 0.5).real(42, -0.4);
         b.point(10, 10, 10);
         b.point(10, 0, 10).real(42, 1.0);
         b.point(210, 0, 0, 1);
       }},
      {"open polyline", kEntPolyline, u"LWPOLYLINE", [](ChainBuilder& b) {
         b.text(100, u"AcDbPolyline").integer(90, 3).integer(70, 0);
         b.point(10, 20, 0).point(10, 30, 0).real(42, 3.5).point(10, 40, 5);
       }},
      {"ellipse", kEntEllipse, u"ELLIPSE", [](ChainBuilder& b) {
         b.text(100, u"AcDbEllipse").point(10, 5, 5, 0).point(11, 6, 2, 0).point(210, 0, 0, 1);
         b.real(40, 0.4).real(41, 0.3).real(42, 4.0);
       }},
      {"ray", kEntRay, u"RAY", [](ChainBuilder& b) {
         b.text(100, u"AcDbRay").point(10, 1, 1, 0).point(11, 0.6, 0.8, 0);
       }},
      {"xline", kEntLine, u"XLINE", [](ChainBuilder& b) {
         b.text(100, u"AcDbXline").point(10, 2, 3, 0).point(11, 0.5, -0.5, 0);
       }},
      {"point", kEntPoint, u"POINT", [](ChainBuilder& b) {
         b.text(100, u"AcDbPoint").point(10, 7, 8, 0).real(39, 0.5).point(210, 0, 0, 1).real(50, 0.5);
       }},
      {"solid", kEntSolid, u"SOLID", [](ChainBuilder& b) {
         b.text(100, u"AcDbTrace").point(10, 0, 0).point(11, 4, 0).point(12, 0, 3).point(13, 4, 3);
         b.real(39, 1.0).point(210, 0, 0, 1);
       }},
      {"hatch", kEntHatch, u"HATCH", [](ChainBuilder& b) {
         b.text(100, u"AcDbHatch").point(10, 0, 0, 0).point(210, 0, 0, 1).text(2, u"ANSI31");
         b.integer(70, 0).integer(71, 1).integer(91, 2);
         b.integer(92, 7).integer(72, 1).integer(73, 1).integer(93, 3);
         b.point(10, 0, 0).real(42, 0.5).point(10, 10, 0).real(42, 0.0).point(10, 10, 10).real(42, 0.0);
         b.integer(97, 1).text(330, u"3B");
         b.integer(92, 0).integer(93, 5);
         b.integer(72, 1).point(10, 2, 2).point(11, 8, 2);
         b.integer(72, 2).point(10, 8, 5).real(40, 3).real(50, 270).real(51, 90).integer(73, 1);
         b.integer(72, 1).point(10, 8, 8).point(11, 2, 8);
         b.integer(72, 3).point(10, 2, 5).point(11, 0, -3).real(40, 0.5).real(50, 0).real(51, 180).integer(73, 1);
         b.integer(72, 2).point(10, 5, 5).real(40, 1).real(50, 30).real(51, 60).integer(73, 0);
         b.integer(97, 0);
         b.integer(75, 0).integer(76, 1).real(52, 15).real(41, 2.0).integer(77, 0).integer(78, 1);
         b.real(53, 45).real(43, 0).real(44, 0).real(45, -1.4).real(46, 1.4).integer(79, 0);
         b.integer(98, 1).point(10, 1, 1);
       }},
      {"insert", kEntInsert, u"INSERT", [](ChainBuilder& b) {
         b.text(100, u"AcDbBlockReference").integer(66, 1).text(2, u"MARK").point(10, 100, 200, 0);
         b.real(41, 2.0).real(42, -1.5).real(43, 1.0).real(50, 0.6).point(210, 0, 0, 1);
       }},
      {"image", kEntImage, u"IMAGE", [](ChainBuilder& b) {
         b.text(100, u"AcDbRasterImage").integer(90, 0).point(10, 0, 0).point(11, 0.0087, 0.005).point(12, -0.005, 0.0087);
         b.point(13, 640, 480).text(340, u"53").integer(70, 7).integer(280, 1).integer(281, 50).integer(282, 50);
         b.integer(283, 0).text(360, u"55").integer(71, 2).integer(91, 4);
         b.point(14, 50, 50).point(14, 600, 100).point(14, 300, 400).point(14, 50, 50).integer(290, 0);
       }},
      {"wipeout", kEntWipeout, u"WIPEOUT", [](ChainBuilder& b) {
         b.text(100, u"AcDbWipeout").integer(90, 0).point(10, -0.5, -0.5).point(11, 10, 0).point(12, 0, 8);
         b.point(13, 1, 1).integer(70, 7).integer(280, 1).integer(281, 50).integer(282, 50).integer(283, 0);
         b.integer(71, 1).integer(91, 2).point(14, -0.5, -0.5).point(14, 0.5, 0.5).integer(290, 0);
       }},
      {"leader kept as read", kEntUnknown, u"LEADER", [](ChainBuilder& b) {
         b.text(100, u"AcDbLeader").text(3, u"Standard").integer(71, 1).integer(76, 2);
         b.point(10, 0, 0).point(10, 5, 5);
       }},
      {"text", kEntText, u"TEXT", [](ChainBuilder& b) {
         b.text(100, u"AcDbText").real(39, 0.5).point(10, 5, 5).real(40, 2.5).text(1, u"Žluťoučký kůň");
         b.real(50, 0.2).real(41, 0.8).real(51, 0.1).text(7, u"ISO").integer(71, 2).integer(72, 1);
         b.point(11, 8, 9).point(210, 0, 0, 1).text(100, u"AcDbText").integer(73, 2);
       }},
      {"attribute definition", kEntAttDef, u"ATTDEF", [](ChainBuilder& b) {
         b.text(100, u"AcDbText").point(10, 3, 4).real(40, 0.5).text(1, u"def").integer(72, 1).point(11, 3, 4);
         b.text(100, u"AcDbAttributeDefinition").integer(280, 0).text(3, u"Value?").text(2, u"TAG");
         b.integer(70, 8).integer(74, 2).integer(280, 1);
       }},
      {"attribute with embedded text", kEntAttrib, u"ATTRIB", [](ChainBuilder& b) {
         b.text(100, u"AcDbText").point(10, 0, -48).real(40, 0.35).text(1, u"first").point(11, 0, -48);
         b.text(100, u"AcDbAttribute").integer(280, 0).text(2, u"LEVEL").integer(70, 0).integer(74, 3);
         b.integer(71, 2).integer(72, 0).point(11, 0, -48);
         b.text(101, u"Embedded Object").point(10, 0, -48).real(40, 0.35).real(41, 0).real(46, 0);
         b.integer(71, 1).integer(72, 5).text(1, u"first\\Psecond line");
       }},
      {"multi-line text", kEntMText, u"MTEXT", [](ChainBuilder& b) {
         b.text(100, u"AcDbMText").point(10, 40, 40).real(40, 1.5).real(41, 30).real(46, 0).integer(71, 5);
         b.integer(72, 1).text(3, vstring(250, u'x')).text(1, u"Line {\\H2x;two}\\Pend").text(7, u"Standard");
         b.point(210, 0, 0, 1).point(11, std::cos(0.35), std::sin(0.35), 0).integer(73, 1).real(44, 1.5);
         b.integer(90, 1).integer(63, 1).real(45, 1.5).integer(441, 0);
       }},
  };
  return all;
}

OwnedChain sampleChain(const Sample& s) {
  ChainBuilder b;
  header(b, s.type);
  s.body(b);
  xdata(b);
  OwnedChain c = b.build();
  EXPECT_TRUE(c) << s.name << ": " << b.error();
  return c;
}

const std::vector<int> kHeaderCodes = {0, 5, 102, 330, 330, 102, 100, 67, 410, 8, 6, 62, 420, 440, 60, 370, 48};

TEST(EntityRoundTrip, HandMadeChainsKeepEveryValue) {
  for (const Sample& s : samples()) {
    SCOPED_TRACE(s.name);
    OwnedChain source = sampleChain(s);
    std::unique_ptr<ltEnt2D> obj = makeEntity(source.get());
    ASSERT_TRUE(obj);
    EXPECT_EQ(obj->typeId(), s.typeId);
    EXPECT_FALSE(obj->isDirty());
    ValueNode* made = obj->chain(kChainRegenerate);
    ASSERT_TRUE(made);
    EXPECT_EQ(lostValues(source, made), std::vector<std::string>{});

    std::vector<int> codes = codesOf(made);
    ASSERT_GE(codes.size(), kHeaderCodes.size());
    EXPECT_EQ(std::vector<int>(codes.begin(), codes.begin() + kHeaderCodes.size()), kHeaderCodes);
    // The extended data copy ends the chain, unchanged.
    ChainView tail = ChainView(made).extendedData(u"VDTEST");
    ASSERT_TRUE(tail);
    EXPECT_EQ(codesOf(tail), codesOf(source.view().extendedData(u"VDTEST")));
    EXPECT_EQ(lostValues(source.view().extendedData(u"VDTEST"), tail), std::vector<std::string>{});

    // Read back, the written chain makes the same object and the same chain.
    std::unique_ptr<ltEnt2D> again = makeEntity(made);
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->sameAs(*obj));
    EXPECT_TRUE(obj->sameAs(*again));
    ValueNode* twice = again->chain(kChainRegenerate);
    ASSERT_TRUE(twice);
    EXPECT_EQ(codesOf(twice), codes);
    EXPECT_EQ(lostValues(made, twice), std::vector<std::string>{});
  }
}

TEST(EntityRoundTrip, PolylineWidthsFollowAReversal) {
  OwnedChain source = sampleChain(samples()[3]);
  auto obj = makeEntity(source.get());
  ASSERT_TRUE(obj->reverse());
  ChainView made = obj->chain(kChainRegenerateWhenDirty);
  ASSERT_TRUE(made);
  // Reversed: vertex 0 stays, then the old vertices 3, 2, 1; each member keeps
  // its widths (swapped) and its bulge (negated).
  std::vector<ChainPoint> pts;
  std::vector<double> w40, bulges;
  for (ChainItem item : made) {
    if (item.code() == 10) pts.push_back(*item.point());
    if (item.code() == 40) w40.push_back(*item.real());
    if (item.code() == 42) bulges.push_back(*item.real());
  }
  EXPECT_EQ(pts, (std::vector<ChainPoint>{{0, 0, 0}, {0, 10, 0}, {10, 10, 0}, {10, 0, 0}}));
  EXPECT_EQ(*made.integer(70), 1);
  EXPECT_EQ(w40, (std::vector<double>{0.5, 1.0}));
  ASSERT_EQ(bulges.size(), 3u);
  EXPECT_NEAR(bulges[0], -1.0, 1e-12);
  EXPECT_NEAR(bulges[1], 0.4, 1e-12);
  EXPECT_NEAR(bulges[2], -0.25, 1e-12);
}

// A chain of another kind, or one that lacks a code the kind needs, is
// refused with 3 and leaves the object as it was; each object is of the class
// that handles the type named first.
TEST(EntityRoundTrip, RefusesChainsOfOtherKinds) {
  const struct {
    const char* name;
    const char16_t *handler, *type;  // type: the chain's group 0, none when null
    void (*fill)(ChainBuilder&);
  } cases[] = {
      {"line from arc", u"LINE", u"ARC", [](ChainBuilder& b) { b.point(10, 0, 0).real(40, 1).real(50, 0).real(51, 1); }},
      {"line without end", u"LINE", u"LINE", [](ChainBuilder& b) { b.point(10, 0, 0); }},
      {"line end of wrong kind", u"LINE", u"LINE", [](ChainBuilder& b) { b.point(10, 0, 0).real(40, 3); }},
      {"arc without angles", u"ARC", u"ARC", [](ChainBuilder& b) { b.point(10, 0, 0).real(40, 1); }},
      {"circle without radius", u"ARC", u"CIRCLE", [](ChainBuilder& b) { b.point(10, 0, 0); }},
      {"polyline without vertices", u"LWPOLYLINE", u"LWPOLYLINE", [](ChainBuilder& b) { b.integer(90, 0).integer(70, 0); }},
      {"ellipse without ratio", u"ELLIPSE", u"ELLIPSE", [](ChainBuilder& b) { b.point(10, 0, 0).point(11, 1, 0); }},
      {"ellipse without axis length", u"ELLIPSE", u"ELLIPSE",
       [](ChainBuilder& b) { b.point(10, 0, 0).point(11, 0, 0).real(40, 0.5); }},
      {"ray without direction", u"RAY", u"RAY", [](ChainBuilder& b) { b.point(10, 0, 0); }},
      {"xline of zero direction", u"XLINE", u"XLINE", [](ChainBuilder& b) { b.point(10, 0, 0).point(11, 0, 0); }},
      {"hatch without loops", u"HATCH", u"HATCH",
       [](ChainBuilder& b) { b.text(100, u"AcDbHatch").text(2, u"SOLID").integer(70, 1); }},
      {"hatch loop cut short", u"HATCH", u"HATCH", [](ChainBuilder& b) {
         b.text(100, u"AcDbHatch").integer(91, 1).integer(92, 2).integer(72, 0).integer(73, 1);
         b.integer(93, 3).point(10, 0, 0).point(10, 1, 0);
       }},
      {"hatch with spline edge", u"HATCH", u"HATCH", [](ChainBuilder& b) {
         b.text(100, u"AcDbHatch").integer(91, 1).integer(92, 0).integer(93, 1).integer(72, 4).integer(94, 3);
       }},
      {"point without position", u"POINT", u"POINT", [](ChainBuilder& b) { b.text(8, u"0"); }},
      {"solid with two corners", u"SOLID", u"SOLID", [](ChainBuilder& b) { b.point(10, 0, 0).point(11, 1, 0); }},
      {"insert without block name", u"INSERT", u"INSERT", [](ChainBuilder& b) { b.point(10, 0, 0); }},
      {"image without v vector", u"IMAGE", u"IMAGE", [](ChainBuilder& b) { b.point(10, 0, 0).point(11, 1, 0); }},
      {"wipeout from image", u"WIPEOUT", u"IMAGE", [](ChainBuilder& b) { b.point(10, 0, 0).point(11, 1, 0).point(12, 0, 1); }},
      {"text from mtext", u"TEXT", u"MTEXT", [](ChainBuilder& b) { b.point(10, 0, 0).text(1, u"x"); }},
      {"attrib from attdef", u"ATTRIB", u"ATTDEF", [](ChainBuilder& b) { b.point(10, 0, 0).text(1, u"x"); }},
      {"mtext without insertion", u"MTEXT", u"MTEXT", [](ChainBuilder& b) { b.text(1, u"x"); }},
      {"unknown without type", u"LEADER", nullptr, [](ChainBuilder& b) { b.text(8, u"0").point(10, 0, 0); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<ltEnt2D> obj = newEntityFor(c.handler);
    OwnedChain bad = enttest::chainOf([&](ChainBuilder& b) {
      if (c.type) b.text(0, c.type);
      c.fill(b);
    });
    ASSERT_TRUE(bad);
    EXPECT_EQ(obj->setChain(bad.get(), true), kSetChainNotMine);
    EXPECT_EQ(obj->setChain(static_cast<const ValueNode*>(nullptr), true), kSetChainNotMine);
    EXPECT_EQ(obj->currentChain(), nullptr);
    EXPECT_TRUE(obj->isDirty());
  }
  // A refusal keeps what the object held before.
  ltAbscissa2D seg;
  OwnedChain line = enttest::chainOf([](ChainBuilder& b) { b.text(0, u"LINE").text(8, u"0").point(10, 0, 0).point(11, 1, 1); });
  ASSERT_EQ(seg.setChain(line.get(), true), kSetChainOk);
  ValueNode* held = seg.currentChain();
  OwnedChain arc = enttest::chainOf([](ChainBuilder& b) { b.text(0, u"ARC").point(10, 5, 5).real(40, 1).real(50, 0).real(51, 1); });
  EXPECT_EQ(seg.setChain(arc.get(), true), kSetChainNotMine);
  EXPECT_EQ(seg.currentChain(), held);
  EXPECT_TRUE(seg.geometry().endPoint().isEqualTo({1, 1}));
}

// Chains with a node left out or cut short anywhere read into some object or
// are refused, and whatever is read writes a chain again: never a crash (the
// sanitizers watch every read).
TEST(EntityRoundTrip, DamagedChainsNeverCrash) {
  int refused = 0, read = 0;
  for (const Sample& s : samples()) {
    OwnedChain source = sampleChain(s);
    const int n = source.view().size();
    for (int cut = 0; cut < n; ++cut) {
      for (bool truncate : {false, true}) {
        ChainBuilder b;
        int i = 0;
        for (ChainItem item : source.view()) {
          if (truncate && i >= cut) break;
          if (i++ != cut || truncate) ent::copyItem(b, item);
        }
        OwnedChain damaged = b.build();
        std::unique_ptr<ltEnt2D> obj = makeEntity(damaged.get());
        if (!obj) {
          ++refused;
          continue;
        }
        ++read;
        ValueNode* made = obj->chain(kChainRegenerate);
        if (obj->typeId() != kEntUnknown) {
          EXPECT_TRUE(made) << s.name << " without node " << cut;
        }
        GcGeBoundBlock2d box;
        obj->extents(box, false);
        obj->transformBy(GcGeMatrix2d::rotation(0.3));
        obj->reverse();
        obj->chain(kChainRegenerateWhenDirty);
      }
    }
  }
  EXPECT_GT(refused, 0);  // the chains cut before their group 0
  EXPECT_GT(read, refused);
}

// Chains with nothing but the codes a kind needs read into their kind and
// write complete chains with defaults around them.
TEST(EntityRoundTrip, MinimalChains) {
  struct Case {
    int typeId;
    std::function<void(ChainBuilder&)> fill;
    int code;           // a value the written chain must carry
    ChainPoint point;   // when the code is a point
  };
  const Case cases[] = {
      {kEntAbscissa, [](ChainBuilder& b) { b.text(0, u"LINE").point(10, 1, 2).point(11, 3, 4); }, 11, {3, 4, 0}},
      {kEntArc, [](ChainBuilder& b) { b.text(0, u"circle").point(10, 1, 2).real(40, 3); }, 10, {1, 2, 0}},
      {kEntPolyline, [](ChainBuilder& b) { b.text(0, u"LWPOLYLINE").point(10, 1, 2); }, 10, {1, 2, 0}},
      {kEntEllipse, [](ChainBuilder& b) { b.text(0, u"ELLIPSE").point(10, 0, 0).point(11, 0, 2).real(40, 0.5); }, 11, {0, 2, 0}},
      {kEntHatch, [](ChainBuilder& b) {
         b.text(0, u"HATCH").integer(91, 1).integer(92, 2).integer(93, 3).point(10, 5, 5).point(10, 6, 5).point(10, 6, 6);
       }, 10, {0, 0, 0}},
      {kEntSolid, [](ChainBuilder& b) { b.text(0, u"SOLID").point(10, 0, 0).point(11, 1, 0).point(12, 0, 1); }, 13, {0, 1, 0}},
      {kEntInsert, [](ChainBuilder& b) { b.text(0, u"INSERT").text(2, u"B").point(10, 7, 8); }, 10, {7, 8, 0}},
      {kEntImage, [](ChainBuilder& b) { b.text(0, u"IMAGE").point(10, 0, 0).point(11, 1, 0).point(12, 0, 1); }, 13, {1, 1, 0}},
      {kEntText, [](ChainBuilder& b) { b.text(0, u"TEXT"); }, 10, {0, 0, 0}},
      {kEntAttrib, [](ChainBuilder& b) { b.text(0, u"ATTRIB").point(10, 2, 2).text(1, u"v"); }, 10, {2, 2, 0}},
      {kEntMText, [](ChainBuilder& b) { b.text(0, u"MTEXT").point(10, 4, 4); }, 10, {4, 4, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typeId);
    OwnedChain source = enttest::chainOf(c.fill);
    auto obj = makeEntity(source.get());
    ASSERT_TRUE(obj);
    EXPECT_EQ(obj->typeId(), c.typeId);
    ChainView made = obj->chain(kChainRegenerate);
    ASSERT_TRUE(made);
    EXPECT_EQ(*made.text(100), u"AcDbEntity");
    EXPECT_EQ(*made.text(8), u"0");
    ASSERT_TRUE(made.point(c.code));
    EXPECT_EQ(*made.point(c.code), c.point);
    auto again = makeEntity(made.head());
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->sameAs(*obj));
  }
}

}  // namespace
