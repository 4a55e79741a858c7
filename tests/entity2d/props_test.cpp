// Common properties: the transparency group 440, the header, the inherit
// flag, and the shared chain holder's lifetime.
#include <gtest/gtest.h>

#include "entity2d/curve_entities.h"
#include "entity2d/curve_ops.h"
#include "entity2d/entity_factory.h"
#include "entity2d/entity_props.h"
#include "entity_test_support.h"

namespace {

using namespace vd;
using enttest::chainOf;

TEST(EntityProps, TransparencyGroup) {
  struct Case {
    uint32_t value;
    int mode, percent;
    uint32_t written;  // what the header writes back
  };
  const Case cases[] = {
      {0x00000000, 0, 0, 0},          {0x00FFFFFF, 0, 0, 0},          {0x01000000, 1, 0, 0x01000000},
      {0x010000FF, 1, 0, 0x01000000}, {0x02000080, 2, 49, 0x02000082}, {0x020000FF, 0, 0, 0},
      {0x02000000, 0, 0, 0},          {0x0200007F, 2, 50, 0x0200007F}, {0x020000FC, 2, 1, 0x020000FC},
      {0x02000003, 2, 98, 0x02000005}, {0x05000040, 2, 74, 0x02000042},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EntityProps p;
    p.setTransparency(static_cast<int32_t>(c.value));
    EXPECT_EQ(p.transparencyMode, c.mode);
    EXPECT_EQ(p.transparencyPercent, c.percent);
    EXPECT_EQ(static_cast<uint32_t>(p.transparencyValue()), c.written);
    // What is written reads back the same.
    EntityProps q;
    q.setTransparency(p.transparencyValue());
    EXPECT_EQ(q.transparencyMode, p.transparencyMode);
    EXPECT_EQ(q.transparencyPercent, p.transparencyPercent);
  }
}

TEST(EntityProps, ColourValuesAsTheGroupsSayThem) {
  // A true colour of the settings (0x01BBGGRR) goes into 420 as 0x00RRGGBB
  // with the nearest palette colour in 62, and reads back; a colour number
  // goes into 62 alone. Black has no 420 of its own (0 is "none"): it is the
  // palette's black or white, 7, never "by block".
  struct Case {
    uint32_t value;
    uint32_t colour, trueColour, readBack;
  } cases[] = {
      {256, 256, 0, 256},
      {0, 0, 0, 0},
      {5, 5, 0, 5},
      {0x010000FFu, 1, 0xFF0000u, 0x010000FFu},  // pure red
      {0x01FF0000u, 5, 0x0000FFu, 0x01FF0000u},  // pure blue
      {0x01000000u, 7, 0, 7},                    // black
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EntityProps p;
    p.setColourValue(c.value);
    EXPECT_EQ(p.colour, c.colour);
    EXPECT_EQ(p.trueColour, c.trueColour);
    EXPECT_EQ(p.colourValue(), c.readBack);
  }
}

TEST(EntityProps, ParsesTheHeader) {
  OwnedChain c = chainOf([](ChainBuilder& b) {
    b.text(0, u"LINE").text(5, u"1A").text(102, u"{ACAD_XDICTIONARY").text(360, u"77").text(102, u"}");
    b.text(102, u"{ACAD_REACTORS").text(330, u"1F").text(102, u"}").text(100, u"AcDbEntity");
    b.text(410, u"Layout9").text(8, u"A").integer(62, 5).integer(370, 0x1FF).integer(60, 1).real(48, 0.5);
    b.point(10, 0, 0).extendedData(u"APP").text(1000, u"v");
  });
  EntityProps p;
  p.parse(c);
  EXPECT_EQ(vstring_view(p.handle), u"1A");
  EXPECT_EQ(vstring_view(p.layer), u"A");
  EXPECT_EQ(p.colour, 5u);
  EXPECT_EQ(p.lineweight, -1);  // low byte 0xFF, signed
  EXPECT_EQ(p.visibility, 1);
  EXPECT_EQ(p.linetypeScale, 0.5);
  EXPECT_EQ(p.space, 0);
  EXPECT_EQ(p.layoutName, nullptr);  // 410 counts only in paper space
  ASSERT_TRUE(p.reactors);
  EXPECT_EQ(p.reactors->code, 330);
  EXPECT_EQ(vstring_view(p.reactors->v.str), u"1F");
  ASSERT_TRUE(p.reactorsEnd);
  EXPECT_EQ(p.reactorsEnd->code, 102);
  ASSERT_TRUE(p.extendedData);
  EXPECT_EQ(p.extendedData->code, 1001);
}

TEST(EntityProps, InheritKeepsTheSpaceOfTheEntityBefore) {
  OwnedChain paper = chainOf([](ChainBuilder& b) { b.text(0, u"INSERT").integer(67, 1).text(410, u"Sheet"); });
  OwnedChain follower = chainOf([](ChainBuilder& b) { b.text(0, u"ATTRIB").text(8, u"L"); });
  OwnedChain model = chainOf([](ChainBuilder& b) { b.text(0, u"ATTRIB").integer(67, 0); });
  EntityProps p;
  p.parse(paper);
  EXPECT_EQ(p.space, 1);
  EXPECT_EQ(vstring_view(p.layoutName), u"Sheet");
  p.parse(follower, PropsReset::Normal, true);
  EXPECT_EQ(p.space, 1);
  EXPECT_EQ(vstring_view(p.layoutName), u"Sheet");
  EXPECT_EQ(vstring_view(p.layer), u"L");
  p.parse(follower, PropsReset::Normal, false);
  EXPECT_EQ(p.space, 0);
  EXPECT_EQ(p.layoutName, nullptr);
  p.parse(paper);
  p.parse(model, PropsReset::ByBlock, true);  // an explicit 67 wins
  EXPECT_EQ(p.space, 0);
  // What the chain leaves out takes the by-block defaults.
  EXPECT_EQ(p.colour, 0u);
  EXPECT_EQ(vstring_view(p.linetype), u"BYBLOCK");
  EXPECT_EQ(p.lineweight, -2);
  EXPECT_EQ(p.transparencyMode, kTransparencyByBlock);
}

// Objects sharing a holder keep its chain alive until the last one goes;
// the sanitizers see any read after the chain was freed.
TEST(SharedHolder, LivesUntilTheLastObjectGoes) {
  OwnedChain c = chainOf([](ChainBuilder& b) {
    b.text(0, u"LINE").text(8, u"WALLS").point(10, 0, 0).point(11, 10, 0).extendedData(u"APP").text(1000, u"v");
  });
  SharedChain* holder = SharedChain::adopt(std::move(c));
  ASSERT_TRUE(holder);
  auto a = std::make_unique<ltAbscissa2D>();
  ASSERT_EQ(a->setChain(holder, true), kSetChainOk);
  EXPECT_EQ(holder->refCount(), 2);
  holder->release();  // the objects hold the only references now
  EXPECT_EQ(a->holder()->refCount(), 1);

  std::unique_ptr<ltEnt2D> b(a->clone());
  EXPECT_EQ(b->holder(), a->holder());
  EXPECT_EQ(b->holder()->refCount(), 2);
  EXPECT_EQ(b->isDirty(), a->isDirty());

  // Pieces of a split share it too.
  ltAbscissa2D cutter(GcGeLineSeg2d(GcGePoint2d(5, -1), GcGePoint2d(5, 1)), nullptr);
  EntList pieces;
  EXPECT_EQ(a->splitBy(cutter, pieces), 2);
  EXPECT_EQ(a->holder()->refCount(), 4);
  a.reset();
  b.reset();
  ASSERT_EQ(pieces[0]->holder()->refCount(), 2);
  // The properties still point into the shared chain, which is alive.
  EXPECT_EQ(vstring_view(pieces[0]->props().layer), u"WALLS");
  ValueNode* made = pieces[0]->chain(kChainRegenerateWhenDirty);
  ASSERT_TRUE(made);
  EXPECT_EQ(*ChainView(made).text(8), u"WALLS");
  EXPECT_TRUE(ChainView(made).extendedData(u"APP"));
  EXPECT_EQ(pieces[1]->holder()->refCount(), 1);  // the first piece has its own chain now
  pieces.clear();
}

}  // namespace
