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

void acadOverrides(ChainBuilder& b) {
  b.extendedData(u"ACAD").text(1000, u"DSTYLE").text(1002, u"{");
  b.integer(1070, 40).real(1040, 2.0);  // DIMSCALE
  b.integer(1070, 75).integer(1070, 1);  // DIMSE1 on
  b.text(1002, u"}");
}

std::string overrideText(ChainView chain, int variable) {
  OwnedChain v = findDimOverride(chain, variable);
  if (!v) return "none";
  Groups g = groupsOf(v);
  EXPECT_EQ(g.size(), 1u);
  return g.empty() ? "" : g[0];
}

TEST(DimOverride, LookupStaysInsideTheAcadData) {
  OwnedChain both = dimensionWith([](ChainBuilder& b) {
    b.extendedData(u"FIRST").integer(1070, 42).real(1040, 9.0);
    acadOverrides(b);
    // Another application after "ACAD" holds a pair that looks like an override.
    b.extendedData(u"OTHER").integer(1070, 43).real(1040, 7.0).integer(1070, 76).integer(1070, 1);
  });
  EXPECT_EQ(overrideText(both, kVarDimScale), "1040 2");
  EXPECT_EQ(overrideText(both, kVarDimSe1), "1070 1");
  EXPECT_EQ(overrideText(both, kVarDimExe), "none");  // only in OTHER
  EXPECT_EQ(overrideText(both, kVarDimSe2), "none");
  EXPECT_EQ(overrideText(both, kVarDimExo), "none");  // only in FIRST, before ACAD
  // A value is never read as a variable's code: DIMSE1's value 1 is no variable 1.
  EXPECT_EQ(overrideText(both, 1), "none");
  OwnedChain none = dimensionWith(nullptr);
  EXPECT_EQ(overrideText(none, kVarDimScale), "none");
  // Lower-case application name, and a value kind overrides do not take.
  OwnedChain odd = dimensionWith([](ChainBuilder& b) {
    b.extendedData(u"acad").text(1000, u"DSTYLE").text(1002, u"{").integer(1070, 40).real(1041, 4.0);
    b.integer(1070, 43).integer(1071, 5).integer(1070, 42).text(1005, u"FF").text(1002, u"}");
  });
  EXPECT_EQ(overrideText(odd, kVarDimScale), "1041 4");
  EXPECT_EQ(overrideText(odd, kVarDimExe), "1071 5");
  EXPECT_EQ(overrideText(odd, kVarDimExo), "1005 FF");
}

Groups tailFrom(ChainView chain, const std::string& first) {
  Groups g = groupsOf(chain);
  for (size_t i = 0; i < g.size(); ++i)
    if (g[i] == first) return Groups(g.begin() + i, g.end());
  return {};
}

TEST(DimOverride, SetInEveryForm) {
  // No extended data: the whole list after a new -3 marker.
  OwnedChain d = dimensionWith(nullptr);
  ASSERT_TRUE(setDimOverride(d, kVarDimScale, 2.5));
  EXPECT_EQ(tailFrom(d, "-3"), (Groups{"-3", "1001 ACAD", "1000 DSTYLE", "1002 {", "1070 40", "1040 2.5", "1002 }"}));
  // A new variable goes in front of the closing brace, an existing one changes in place.
  ASSERT_TRUE(setDimOverride(d, kVarDimSe2, int16_t{1}));
  ASSERT_TRUE(setDimOverride(d, kVarDimScale, 4.0));
  ASSERT_TRUE(setDimOverride(d, 3, vstring_view(u"STYL")));
  EXPECT_EQ(tailFrom(d, "-3"), (Groups{"-3", "1001 ACAD", "1000 DSTYLE", "1002 {", "1070 40", "1040 4", "1070 76",
                                       "1070 1", "1070 3", "1000 STYL", "1002 }"}));
  EXPECT_EQ(overrideText(d, kVarDimSe2), "1070 1");
  // An override of another kind takes the new kind.
  ASSERT_TRUE(setDimOverride(d, kVarDimSe2, 0.5));
  EXPECT_EQ(overrideText(d, kVarDimSe2), "1040 0.5");

  // Other applications around "ACAD" stay as they are.
  OwnedChain around = dimensionWith([](ChainBuilder& b) {
    b.extendedData(u"FIRST").integer(1070, 42).real(1040, 9.0);
    acadOverrides(b);
    b.extendedData(u"OTHER").integer(1070, 43);
  });
  ASSERT_TRUE(setDimOverride(around, kVarDimExo, 0.75));
  EXPECT_EQ(tailFrom(around, "-3"),
            (Groups{"-3", "1001 FIRST", "1070 42", "1040 9", "1001 ACAD", "1000 DSTYLE", "1002 {", "1070 40",
                    "1040 2", "1070 75", "1070 1", "1070 42", "1040 0.75", "1002 }", "1001 OTHER", "1070 43"}));

  // "ACAD" data without a list gets one at its end.
  OwnedChain bare = dimensionWith([](ChainBuilder& b) { b.extendedData(u"ACAD").text(1000, u"note"); });
  ASSERT_TRUE(setDimOverride(bare, kVarDimSe1, int16_t{1}));
  EXPECT_EQ(tailFrom(bare, "1001 ACAD"),
            (Groups{"1001 ACAD", "1000 note", "1000 DSTYLE", "1002 {", "1070 75", "1070 1", "1002 }"}));

  // A value of another kind than real, short or text changes nothing.
  Groups before = groupsOf(around);
  ValueNode point{};
  point.code = 1010;
  EXPECT_FALSE(setDimOverride(around, kVarDimExo, point));
  EXPECT_EQ(groupsOf(around), before);
}

// Items of the "ACAD" data outside the DSTYLE list are no overrides, however
// they pair up, and a new pair keeps every pair of the list as it was read.
TEST(DimOverride, OnlyTheDstyleListHoldsOverrides) {
  struct Case {
    const char* what;
    std::function<void(ChainBuilder&)> acad;  // items after 1001 "ACAD"
    int variable;                             // set to the short 7
    int other;                                // must read as before
    std::string otherReads;
    Groups tail;  // from 1001 "ACAD" on, after the set
  };
  const Case cases[] = {
      {"a note with a code-like short before a new list",
       [](ChainBuilder& b) { b.text(1000, u"note").integer(1070, 140); }, 44, 140, "none",
       {"1001 ACAD", "1000 note", "1070 140", "1000 DSTYLE", "1002 {", "1070 44", "1070 7", "1002 }"}},
      {"another list behind the DSTYLE list",
       [](ChainBuilder& b) {
         b.text(1000, u"DSTYLE").text(1002, u"{").integer(1070, 40).real(1040, 2.0).text(1002, u"}");
         b.text(1000, u"DIMJAG").text(1002, u"{").integer(1070, 388).real(1040, 1.5).text(1002, u"}");
       },
       44, 388, "none",
       {"1001 ACAD", "1000 DSTYLE", "1002 {", "1070 40", "1040 2", "1070 44", "1070 7", "1002 }", "1000 DIMJAG",
        "1002 {", "1070 388", "1040 1.5", "1002 }"}},
      {"a code left without its value at the end of the list",
       [](ChainBuilder& b) {
         b.text(1000, u"DSTYLE").text(1002, u"{").integer(1070, 40).real(1040, 2.0).integer(1070, 75);
         b.text(1002, u"}");
       },
       76, 40, "1040 2",
       {"1001 ACAD", "1000 DSTYLE", "1002 {", "1070 40", "1040 2", "1070 76", "1070 7", "1070 75", "1002 }"}},
      {"a list without its closing brace",
       [](ChainBuilder& b) { b.text(1000, u"DSTYLE").text(1002, u"{").integer(1070, 40).real(1040, 2.0); }, 76, 40,
       "1040 2", {"1001 ACAD", "1000 DSTYLE", "1002 {", "1070 40", "1040 2", "1070 76", "1070 7"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    OwnedChain d = dimensionWith([&](ChainBuilder& b) {
      b.extendedData(u"ACAD");
      c.acad(b);
    });
    EXPECT_EQ(overrideText(d, c.other), c.otherReads);
    ASSERT_TRUE(setDimOverride(d, c.variable, int16_t{7}));
    EXPECT_EQ(overrideText(d, c.variable), "1070 7");
    EXPECT_EQ(overrideText(d, c.other), c.otherReads);
    EXPECT_EQ(tailFrom(d, "1001 ACAD"), c.tail);
  }
}

TEST(DimMerge, ChangesReplaceOrInsertInOrder) {
  OwnedChain base = dimensionWith([](ChainBuilder& b) { acadOverrides(b); });
  // Without any change: a copy without the entity name, which never goes back to the host.
  Groups original = groupsOf(base);
  original.erase(original.begin());
  OwnedChain same = mergeDimChanges(base, ChainView());
  EXPECT_EQ(groupsOf(same), original);

  // Replacements keep their place; a missing code goes in front of the first
  // later code above it, here the first subclass marker.
  OwnedChain changes = ChainBuilder().text(8, u"NOVA").point(13, 5, 5).real(50, 0.25).text(1, u"dl.=<>").build();
  OwnedChain merged = mergeDimChanges(base, changes);
  EXPECT_EQ(groupsOf(merged),
            (Groups{"0 DIMENSION", "5 2A", "50 0.25", "100 AcDbEntity", "8 NOVA", "100 AcDbDimension", "10 1,2,0",
                    "1 dl.=<>", "70 32", "42 3.5", "100 AcDbAlignedDimension", "13 5,5,0", "14 3.5,0,0", "-3",
                    "1001 ACAD", "1000 DSTYLE", "1002 {", "1070 40", "1040 2", "1070 75", "1070 1", "1002 }"}));
  EXPECT_EQ(groupsOf(base).size(), original.size() + 1) << "the base is not changed";
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

TEST(DimMerge, EmbeddedObjectFormKeepsWhatFollowsTheMarker) {
  ChainBuilder b;
  b.text(0, u"DIMENSION").text(100, u"AcDbEntity").text(8, u"0").text(100, u"AcDbDimension").point(10, 1, 1);
  b.integer(70, 0).text(101, u"Embedded Object").point(10, 7, 7).integer(70, 1);
  OwnedChain base = b.build();
  OwnedChain changes = ChainBuilder().point(10, 2, 2).integer(70, 3).real(50, 0.5).build();
  EXPECT_EQ(groupsOf(mergeDimChanges(base, changes, MergeForm::EmbeddedObject)),
            (Groups{"0 DIMENSION", "50 0.5", "100 AcDbEntity", "8 0", "100 AcDbDimension", "10 2,2,0", "70 3",
                    "101 Embedded Object", "10 7,7,0", "70 1"}));
  // The plain form leaves the marker out (and replaces on both sides of it).
  EXPECT_EQ(groupsOf(mergeDimChanges(base, changes)),
            (Groups{"0 DIMENSION", "50 0.5", "100 AcDbEntity", "8 0", "100 AcDbDimension", "10 2,2,0", "70 3",
                    "10 2,2,0", "70 3"}));
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
