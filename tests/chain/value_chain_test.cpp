#include "host/value_chain.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "chain_test_support.h"
#include "host/chain.h"

using namespace vd;
using chaintest::codesOf;

namespace {

// A null text is the empty text wherever a chain is made: a build, a copy
// (deep or sharing) and a merge give the node an empty text, never a node the
// host refuses, and never a failure.
TEST(ValueChainKinds, NullTextsAreEmptyTextsInBuildCopyAndMerge) {
  chaintest::RecordingHost host(3);
  const vchar* none = nullptr;
  OwnedChain built(buildValueChain(0, 0, u"TEXT", 1, none, 8, u"A", -9));
  ASSERT_TRUE(built);
  EXPECT_EQ(codesOf(built), (std::vector<int>{0, 1, 8}));
  ASSERT_NE(findNode(built.get(), 1)->v.str, nullptr);
  EXPECT_EQ(built.view().text(1), u"");

  // A chain as a host might hand it out, with a text pointer left null.
  OwnedChain foreign(buildValueChain(0, 0, u"TEXT", 1, u"x", 3, u"y", 8, u"A", -9));
  ASSERT_TRUE(foreign);
  std::free(findNode(foreign.get(), 1)->v.str);
  findNode(foreign.get(), 1)->v.str = nullptr;
  for (bool share : {false, true}) {
    ValueNode* copy = copyValueChain(foreign.get(), share);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(codesOf(copy), (std::vector<int>{0, 1, 3, 8}));
    ASSERT_NE(findNode(copy, 1)->v.str, nullptr) << "share " << share;
    EXPECT_EQ(ChainView(copy).text(1), u"");
    releaseValueChain(copy, share);
  }
  ValueNode* merged = nullptr;
  ASSERT_EQ(mergeValueChain(foreign.get(), nullptr, 0, &merged), 1);
  OwnedChain mergedOwner(merged);
  ASSERT_NE(findNode(merged, 1), nullptr);
  ASSERT_NE(findNode(merged, 1)->v.str, nullptr);
  EXPECT_EQ(mergedOwner.view().text(1), u"");
}

OwnedChain dimension(const vchar* linetype) {
  ChainBuilder b;
  const uint64_t name[2] = {1, 2};
  b.entityName(-1, name).text(0, u"DIMENSION").text(5, u"2B").text(8, u"DIM").text(6, linetype);
  b.text(2, u"*D12").point(10, 0, 0, 0).point(13, 1, 0, 0).point(14, 2, 0, 0);
  b.real(50, 0.25).real(52, 0.75).integer(70, 32);
  b.extendedData(u"VDAPP").integer(1070, 4);
  return b.build();
}

TEST(MergeValueChain, GroupTwoRuleAndLinetypesOtherThanBylayer) {
  struct Case {
    int cadType;
    int mode;
    bool keepsName;
  };
  for (Case c : {Case{0, 2, false}, Case{0, 0, true}, Case{3, 2, true}, Case{1, 2, true}}) {
    chaintest::RecordingHost host(c.cadType);
    OwnedChain dim = dimension(u"DASHED");
    ValueNode* out = nullptr;
    ASSERT_EQ(mergeValueChain(dim.get(), nullptr, c.mode, &out), 1);
    OwnedChain merged(out);
    EXPECT_EQ(merged.view().has(2), c.keepsName) << "cad type " << c.cadType << " mode " << c.mode;
    EXPECT_EQ(merged.view().text(6), u"DASHED");
  }
}

TEST(MergeValueChain, WithoutOutGoesToTheHostAndNullGivesNothing) {
  chaintest::RecordingHost host(3);
  OwnedChain line(buildValueChain(0, 0, u"LINE", 8, u"0", 10, (const double[3]){0, 0, 0}, -9));
  OwnedChain repl(buildValueChain(0, 8, u"X", -9));
  EXPECT_EQ(mergeValueChain(line.get(), repl.get(), 0, nullptr), 1);
  ASSERT_EQ(chaintest::recorded().entmadeCodes.size(), 1u);
  EXPECT_EQ(chaintest::recorded().entmadeCodes[0], (std::vector<int>{0, 8, 10}));
  ValueNode* out = reinterpret_cast<ValueNode*>(0x1);
  EXPECT_EQ(mergeValueChain(nullptr, repl.get(), 0, &out), 0);
  EXPECT_EQ(out, nullptr);
}

}  // namespace
