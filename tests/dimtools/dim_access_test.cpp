// Dimension chains: override lookup and writing, merging changes into a
// copy, and the layer.
#include <gtest/gtest.h>

#include <functional>

#include "dimtools/dim_access.h"
#include "dimtools/dim_codes.h"
#include "tests/heightdim/records_test_support.h"

using namespace vd;
using namespace vd::dim;
using hnotetest::groupsOf;
using Groups = std::vector<std::string>;

namespace {

// A rotated dimension as a host hands it out, without extended data.
ChainBuilder& dimensionBody(ChainBuilder& b) {
  const uint64_t name[2] = {0x1234, 0};
  b.entityName(-1, name).text(0, u"DIMENSION").text(5, u"2A").text(100, u"AcDbEntity").text(8, u"KOTY");
  b.text(100, u"AcDbDimension").point(10, 1, 2).text(1, u"<>").integer(70, 32).real(42, 3.5);
  return b.text(100, u"AcDbAlignedDimension").point(13, 0, 0).point(14, 3.5, 0);
}

OwnedChain dimensionWith(std::function<void(ChainBuilder&)> xdata) {
  ChainBuilder b;
  dimensionBody(b);
  if (xdata) xdata(b);
  return b.build();
}

TEST(DimLayer, ReplacedInPlaceOrAddedBehindTheEntityMarker) {
  OwnedChain d = dimensionWith(nullptr);
  Groups before = groupsOf(d);
  ASSERT_TRUE(setEntityLayer(d, u"KOTY_NOVE"));
  Groups after = groupsOf(d);
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < before.size(); ++i)
    EXPECT_EQ(after[i], before[i] == "8 KOTY" ? "8 KOTY_NOVE" : before[i]) << i;

  OwnedChain noLayer = ChainBuilder().text(0, u"DIMENSION").text(100, u"AcDbEntity").integer(62, 1).build();
  ASSERT_TRUE(setEntityLayer(noLayer, u"K"));
  EXPECT_EQ(groupsOf(noLayer), (Groups{"0 DIMENSION", "100 AcDbEntity", "8 K", "62 1"}));

  OwnedChain noMarker = ChainBuilder().text(0, u"DIMENSION").integer(62, 1).build();
  EXPECT_FALSE(setEntityLayer(noMarker, u"K"));
  EXPECT_EQ(groupsOf(noMarker), (Groups{"0 DIMENSION", "62 1"}));
}

}  // namespace
