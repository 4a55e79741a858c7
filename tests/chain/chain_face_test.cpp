#include "host/chain.h"

#include <gtest/gtest.h>

#include "chain_test_support.h"

using namespace vd;
using chaintest::codesOf;

namespace {

TEST(ChainBuilder, RefusesValuesOfTheWrongKind) {
  struct Case {
    const char* what;
    void (*step)(ChainBuilder&);
  };
  const Case cases[] = {
      {"text on a point code", [](ChainBuilder& b) { b.text(10, u"x"); }},
      {"real on a string code", [](ChainBuilder& b) { b.real(8, 1.0); }},
      {"point on a real code", [](ChainBuilder& b) { b.point(40, 1, 2); }},
      {"integer on a real code", [](ChainBuilder& b) { b.integer(40, 1); }},
      {"code without kind", [](ChainBuilder& b) { b.point(80, 1, 2); }},
      {"16-bit overflow", [](ChainBuilder& b) { b.integer(70, 40000); }},
      {"32-bit overflow", [](ChainBuilder& b) { b.integer(90, int64_t{1} << 33); }},
      {"chunk on a string code", [](ChainBuilder& b) { b.chunk(1000, nullptr, 0); }},
      {"value-less code that is not a marker", [](ChainBuilder& b) { b.marker(8); }},
  };
  for (const Case& c : cases) {
    ChainBuilder b;
    b.text(0, u"LINE");
    c.step(b);
    b.text(8, u"0");  // steps after a failure change nothing
    EXPECT_FALSE(b.ok()) << c.what;
    EXPECT_FALSE(b.error().empty()) << c.what;
    EXPECT_FALSE(b.build()) << c.what;
  }
}

TEST(ChainBuilder, IntegersTakeTheWidthOfTheirCode) {
  ChainBuilder b;
  b.integer(70, -5).integer(90, 100000).integer(160, int64_t{1} << 50).integer(290, 1).integer(370, -3);
  OwnedChain c = b.build();
  ASSERT_TRUE(c);
  EXPECT_EQ(findNode(c.get(), 70)->v.i16, -5);
  EXPECT_EQ(findNode(c.get(), 90)->v.i32, 100000);
  EXPECT_EQ(findNode(c.get(), 160)->v.i64, int64_t{1} << 50);
  EXPECT_EQ(c.view().integer(370), -3);
}

TEST(ChainView, ReadsByKindAndWalks) {
  ChainBuilder b;
  b.text(0, u"line").text(5, u"A0").text(8, u"WALLS").point(10, 1, 2).point(11, 3, 4).real(39, 0.5);
  b.extendedData(u"FIRST").text(1000, u"a").extendedData(u"SECOND").integer(1070, 7);
  OwnedChain c = b.build();
  ChainView v = c;
  EXPECT_TRUE(v.isType(u"LINE")) << "types compare without regard to case";
  EXPECT_FALSE(v.isType(u"LINES"));
  EXPECT_EQ(v.handle(), u"A0");
  EXPECT_FALSE(v.real(8)) << "a text is not a real";
  EXPECT_FALSE(v.text(10));
  EXPECT_FALSE(v.point(62)) << "absent codes read as nothing";
  EXPECT_EQ(v.count(-3), 1) << "the second application reuses the marker";
  ChainView second = v.extendedData(u"second");
  ASSERT_TRUE(second);
  EXPECT_EQ(second.integer(1070), 7);
  EXPECT_FALSE(v.extendedData(u"THIRD"));
  std::vector<ChainPoint> points;
  for (ChainItem item : v) {
    if (auto p = item.point()) points.push_back(*p);
  }
  EXPECT_EQ(points, (std::vector<ChainPoint>{{1, 2, 0}, {3, 4, 0}}));
  EXPECT_EQ(v.size(), 11);
}

TEST(OwnedChain, WritesReplaceInPlaceOrGoInFrontOfExtendedData) {
  ChainBuilder b;
  b.text(0, u"CIRCLE").text(8, u"0").point(10, 0, 0).real(40, 1).extendedData(u"APP").text(1000, u"x");
  OwnedChain c = b.build();
  EXPECT_TRUE(c.setText(8, u"NEW"));
  EXPECT_TRUE(c.setReal(40, 2.5));
  EXPECT_TRUE(c.setInteger(62, 3));
  EXPECT_TRUE(c.setPoint(210, {0, 0, 1}));
  EXPECT_FALSE(c.setReal(8, 1.0));
  EXPECT_FALSE(c.setInteger(70, 70000)) << "out of range";
  EXPECT_FALSE(c.view().has(70)) << "a refused write adds nothing";
  EXPECT_EQ(codesOf(c), (std::vector<int>{0, 8, 10, 40, 62, 210, -3, 1001, 1000}));
  EXPECT_EQ(c.view().layer(), u"NEW");
  EXPECT_EQ(c.view().real(40), 2.5);
  EXPECT_EQ(c.remove(1000), 1);
  EXPECT_EQ(c.remove(1000), 0);
  OwnedChain part(buildValueChain(0, 6, u"DASHED", 7, u"S", -9));
  c.insertAfter(8, std::move(part));
  EXPECT_FALSE(part);
  EXPECT_EQ(codesOf(c), (std::vector<int>{0, 8, 6, 7, 10, 40, 62, 210, -3, 1001}));
}

TEST(OwnedChain, CopiesAreIndependentAndMovesTransferOwnership) {
  OwnedChain a(buildValueChain(0, 0, u"TEXT", 1, u"hello", -9));
  OwnedChain b = OwnedChain::copyOf(a);
  ASSERT_TRUE(b.setText(1, u"changed"));
  EXPECT_EQ(a.view().text(1), u"hello");
  OwnedChain moved = std::move(a);
  EXPECT_FALSE(a);
  EXPECT_EQ(moved.view().text(1), u"hello");
  ValueNode* raw = moved.release();
  EXPECT_FALSE(moved);
  EXPECT_EQ(releaseValueChain(raw, false), kRtNorm);
  // A sharing copy is released without freeing the texts it shares.
  OwnedChain owner(buildValueChain(0, 0, u"X", 330, u"1A", -9));
  {
    OwnedChain sharing(copyValueChain(owner.get(), true), true);
    EXPECT_FALSE(sharing.setText(330, u"2B")) << "a sharing copy does not own its object ids";
    EXPECT_TRUE(sharing.setText(8, u"L"));
  }
  EXPECT_EQ(owner.view().text(330), u"1A");
}

}  // namespace
