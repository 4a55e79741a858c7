#include "host/handle_erase_list.h"

#include <gtest/gtest.h>

#include "chain_test_support.h"

using namespace vd;

namespace {

TEST(HandleEraseList, CollectsHandlesAndFlushesThemInOneCall) {
  chaintest::RecordingHost host;
  OwnedChain a(buildValueChain(0, 0, u"LINE", 5, u"1a", -9));
  OwnedChain b(buildValueChain(0, 0, u"ARC", 5, u"2F", -9));
  OwnedChain noHandle(buildValueChain(0, 0, u"ARC", -9));
  HandleEraseList list;
  EXPECT_TRUE(list.add(a.get()));
  EXPECT_TRUE(list.add(b.get()));
  EXPECT_FALSE(list.add(noHandle.get()));
  EXPECT_FALSE(list.add(nullptr));
  EXPECT_EQ(list.size(), 2u);
  EXPECT_TRUE(list.contains(u"1A")) << "handles compare without regard to case";
  OwnedChain other(buildValueChain(0, 0, u"LINE", 5, u"2f", -9));
  EXPECT_TRUE(list.contains(other.get()));
  EXPECT_FALSE(list.contains(noHandle.get()));
  EXPECT_FALSE(list.contains(u"3"));

  EXPECT_EQ(list.flush(), kRtNorm);
  EXPECT_TRUE(list.empty());
  ASSERT_EQ(chaintest::recorded().erased.size(), 1u);
  EXPECT_EQ(chaintest::recorded().erased[0], (std::vector<std::u16string>{u"1a", u"2F"}));
  EXPECT_EQ(chaintest::recorded().eraseFlags[0], 1);
  EXPECT_EQ(list.flush(), 0) << "an empty list asks the host nothing";
  EXPECT_EQ(chaintest::recorded().erased.size(), 1u);
}

}  // namespace
