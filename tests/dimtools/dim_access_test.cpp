// Dimension chains: override lookup and writing, merging changes into a
// copy, and the layer.
#include <gtest/gtest.h>

#include <algorithm>
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
OwnedChain rotatedDimension() {
  const uint64_t name[2] = {0x1234, 0};
  ChainBuilder b;
  b.entityName(-1, name).text(0, u"DIMENSION").text(5, u"2A").text(100, u"AcDbEntity").text(8, u"KOTY");
  b.text(100, u"AcDbDimension").point(10, 1, 2).text(1, u"<>").integer(70, 32).real(42, 3.5);
  b.text(100, u"AcDbAlignedDimension").point(13, 0, 0).point(14, 3.5, 0);
  return b.build();
}

// Items of the "ACAD" data outside its DSTYLE list are no overrides, however
// they pair up, and a new pair goes behind the list's last whole pair.
TEST(DimOverride, OnlyTheDstyleListHoldsOverrides) {
  const struct {
    const char* what;
    std::function<void(ChainBuilder&)> acad;  // items after 1001 "ACAD"
    int variable;                             // set to the short 7
    int other;                                // reads as before
    Groups otherReads;
    Groups tail;  // from 1001 "ACAD" on, after the set
  } cases[] = {
      {"a note with a code-like short before a new list",
       [](ChainBuilder& b) { b.text(1000, u"note").integer(1070, 140); }, 44, 140, {},
       {"1001 ACAD", "1000 note", "1070 140", "1000 DSTYLE", "1002 {", "1070 44", "1070 7", "1002 }"}},
      {"another list behind the DSTYLE list",
       [](ChainBuilder& b) {
         b.text(1000, u"DSTYLE").text(1002, u"{").integer(1070, 40).real(1040, 2.0).text(1002, u"}");
         b.text(1000, u"DIMJAG").text(1002, u"{").integer(1070, 388).real(1040, 1.5).text(1002, u"}");
       },
       44, 388, {},
       {"1001 ACAD", "1000 DSTYLE", "1002 {", "1070 40", "1040 2", "1070 44", "1070 7", "1002 }", "1000 DIMJAG",
        "1002 {", "1070 388", "1040 1.5", "1002 }"}},
      {"a code left without its value at the end of the list",
       [](ChainBuilder& b) {
         b.text(1000, u"DSTYLE").text(1002, u"{").integer(1070, 40).real(1040, 2.0).integer(1070, 75);
         b.text(1002, u"}");
       },
       76, 40, {"1040 2"},
       {"1001 ACAD", "1000 DSTYLE", "1002 {", "1070 40", "1040 2", "1070 76", "1070 7", "1070 75", "1002 }"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ChainBuilder b;
    b.text(0, u"DIMENSION").text(100, u"AcDbDimension").integer(70, 32).extendedData(u"ACAD");
    c.acad(b);
    OwnedChain d = b.build();
    ASSERT_TRUE(d) << b.error();
    auto reads = [&](int variable) {
      OwnedChain v = findDimOverride(d, variable);
      return v ? groupsOf(v) : Groups{};
    };
    EXPECT_EQ(reads(c.other), c.otherReads);
    ASSERT_TRUE(setDimOverride(d, c.variable, int16_t{7}));
    EXPECT_EQ(reads(c.variable), Groups{"1070 7"});
    EXPECT_EQ(reads(c.other), c.otherReads);
    const Groups g = groupsOf(d);
    EXPECT_EQ(Groups(std::find(g.begin(), g.end(), "1001 ACAD"), g.end()), c.tail);
  }
}

TEST(DimMerge, CopiesEveryKindAndDropsTheRest) {
  const unsigned char bytes[3] = {1, 2, 3};
  ChainBuilder b;
  b.text(0, u"DIMENSION").text(5, u"3B").text(330, u"1F").text(100, u"AcDbEntity").text(6, u"ByLayer");
  b.text(8, u"0").integer(62, 3).integer(90, 7).text(100, u"AcDbDimension").text(2, u"*D1").point(10, 1, 1);
  b.real(40, 1.5).real(51, 0.5).integer(71, 5).integer(160, 99).integer(280, 1).integer(290, 1).text(300, u"t");
  b.integer(370, 25).point(210, 0, 0, 1);
  b.extendedData(u"ACAD").text(1000, u"x").chunk(1004, bytes, 3).point(1010, 1, 2, 3).real(1040, 0.5);
  b.integer(1070, 4).integer(1071, 70000);
  OwnedChain base = b.build();
  ASSERT_TRUE(base) << b.error();
  EXPECT_EQ(groupsOf(mergeDimChanges(base, ChainView())),
            (Groups{"0 DIMENSION", "5 3B", "330 1F", "100 AcDbEntity", "8 0", "62 3", "90 7", "100 AcDbDimension",
                    "2 *D1", "10 1,1,0", "40 1.5", "51 0.5", "71 5", "280 1", "300 t", "210 0,0,1", "-3",
                    "1001 ACAD", "1000 x", "1004", "1010 1,2,3", "1040 0.5", "1070 4", "1071 70000"}));
  // A group 6 that names a line type stays.
  OwnedChain dashed = ChainBuilder().text(0, u"DIMENSION").text(6, u"DASHED").text(8, u"0").build();
  EXPECT_EQ(groupsOf(mergeDimChanges(dashed, ChainView())), (Groups{"0 DIMENSION", "6 DASHED", "8 0"}));
}

TEST(DimLayer, ReplacedInPlaceOrAddedBehindTheEntityMarker) {
  OwnedChain d = rotatedDimension();
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

// The new text stands behind the dimension's marker (and its 280); the old
// text goes, and only it: an embedded object's own group 1 stays.
TEST(DimText, ReplacesTheDimensionsOwnTextOnly) {
  ChainBuilder b;
  b.text(0, u"DIMENSION").text(100, u"AcDbDimension").integer(280, 0).point(10, 1, 2).text(1, u"<>");
  b.text(101, u"Embedded Object").integer(70, 1).text(1, u"vnořený");
  OwnedChain d = b.build();
  ASSERT_TRUE(d) << b.error();
  ASSERT_TRUE(placeDimensionText(d, u"12.5"));
  EXPECT_EQ(groupsOf(d), (Groups{"0 DIMENSION", "100 AcDbDimension", "280 0", "1 12.5", "10 1,2,0",
                                 "101 Embedded Object", "70 1", "1 vnořený"}));
  OwnedChain unmarked = ChainBuilder().text(0, u"DIMENSION").text(1, u"<>").build();
  EXPECT_FALSE(placeDimensionText(unmarked, u"12.5"));
  EXPECT_EQ(groupsOf(unmarked), (Groups{"0 DIMENSION", "1 <>"}));
}

}  // namespace
