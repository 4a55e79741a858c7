#include "host/chain.h"

#include <gtest/gtest.h>

#include "chain_test_support.h"

using namespace vd;
using chaintest::codesOf;

namespace {

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
