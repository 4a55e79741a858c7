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

}  // namespace
