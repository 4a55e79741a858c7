#include "host/value_chain.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "chain_test_support.h"
#include "host/chain.h"

using namespace vd;
using chaintest::codesOf;

namespace {

TEST(GroupCodeKind, DescriptorsAtRangeEdges) {
  struct Case {
    int code;
    uint32_t descriptor;
  };
  const Case cases[] = {
      {-6, 0},          {-5, 0x100},       {-4, 0x100},     {-3, 0x910},      {-1, 0x910},
      {0, 0x100},       {4, 0x100},        {5, 0x10100},    {6, 0x100},       {9, 0x100},
      {10, 0x608},      {19, 0x608},       {20, 0x708},     {49, 0x708},      {50, 0x20708},
      {58, 0x20708},    {59, 0x708},       {60, 0x302},     {79, 0x302},      {80, 0x80608},
      {89, 0x80608},    {90, 0x204},       {99, 0x204},     {100, 0x100},     {102, 0x100},
      {103, 0x80608},   {105, 0x10100},    {110, 0x608},    {120, 0x708},     {150, 0x80608},
      {160, 0xA08},     {169, 0xA08},      {170, 0x302},    {210, 0x608},     {220, 0x708},
      {240, 0x80608},   {270, 0x402},      {289, 0x402},    {290, 0x802},     {299, 0x802},
      {300, 0x100},     {310, 0x500},      {319, 0x500},    {320, 0x10100},   {329, 0x10100},
      {330, 0x50100},   {369, 0x50100},    {370, 0x402},    {389, 0x402},     {390, 0x50100},
      {399, 0x50100},   {400, 0x302},      {410, 0x100},    {420, 0x204},     {430, 0x100},
      {440, 0x204},     {459, 0x204},      {460, 0x708},    {470, 0x100},     {480, 0x80608},
      {999, 0x100},     {1003, 0x100},     {1004, 0x500},   {1005, 0x10100},  {1009, 0x100},
      {1010, 0x608},    {1020, 0x708},     {1059, 0x708},   {1060, 0x302},    {1070, 0x302},
      {1071, 0x204},    {1072, 0x80608},   {5000, 0x80608}, {5001, 0x708},    {5002, 0x608},
      {5003, 0x302},    {5004, 0x20708},   {5005, 0x100},   {5006, 0x910},    {5009, 0x608},
      {5010, 0x204},    {5016, 0x80608},   {5020, 0x80608}, {5023, 0x80608},  {5024, 0},
      {-9, 0},          {32767, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(groupCodeKind(c.code), c.descriptor) << "code " << c.code;
}

TEST(BuildValueChain, FourNodeLineAndOmittedLayer) {
  const double a[3] = {1, 2, 3}, b[3] = {4, 5, 6};
  const vchar* layer = u"WALLS";
  OwnedChain line(buildValueChain(0, 0, u"LINE", 8, layer, 10, a, 11, b, -9));
  ASSERT_TRUE(line);
  EXPECT_EQ(codesOf(line), (std::vector<int>{0, 8, 10, 11}));
  EXPECT_EQ(line.view().type(), u"LINE");
  EXPECT_EQ(line.view().layer(), u"WALLS");
  EXPECT_NE(findNode(line.get(), 8)->v.str, layer) << "the text must be copied, not referenced";
  EXPECT_EQ(line.view().point(11), (ChainPoint{4, 5, 6}));

  OwnedChain noLayer(buildValueChain(0, 0, u"LINE", 8, kOmitString, 10, a, 11, b, -9));
  ASSERT_TRUE(noLayer);
  EXPECT_EQ(codesOf(noLayer), (std::vector<int>{0, 10, 11}));
  // The left-out pair still consumed its argument: the points are where they belong.
  EXPECT_EQ(noLayer.view().point(10), (ChainPoint{1, 2, 3}));
  EXPECT_EQ(noLayer.view().point(11), (ChainPoint{4, 5, 6}));
}

TEST(BuildValueChain, EveryArgumentKind) {
  const double p[3] = {7, 8, 9};
  const uint64_t name[2] = {0x1122334455667788ull, 0x99AABBCCDDEEFF00ull};
  OwnedChain c(buildValueChain(0, -1, name, 0, u"ARC", 40, 2.5, 50, 1.25, 62, 0x12345, 90, -70000,
                               160, static_cast<int64_t>(1) << 40, 290, 1, 210, p, -3, 1001, u"APP", -9));
  ASSERT_TRUE(c);
  ChainView v = c;
  EXPECT_EQ(codesOf(v), (std::vector<int>{-1, 0, 40, 50, 62, 90, 160, 290, 210, -3, 1001}));
  EXPECT_EQ(std::memcmp(findNode(c.get(), -1)->v.name, name, 16), 0);
  EXPECT_EQ(v.real(40), 2.5);
  EXPECT_EQ(v.real(50), 1.25);
  EXPECT_EQ(v.integer(62), 0x2345) << "16-bit kinds keep the low 16 bits";
  EXPECT_EQ(v.integer(90), -70000);
  EXPECT_EQ(v.integer(160), static_cast<int64_t>(1) << 40);
  EXPECT_EQ(v.integer(290), 1);
  EXPECT_EQ(v.point(210), (ChainPoint{7, 8, 9}));
  const ValueNode* marker = findNode(c.get(), -3);
  for (unsigned char byte : marker->v.raw) EXPECT_EQ(byte, 0) << "the extended-data marker has a zero value";
  EXPECT_EQ(v.extendedData(u"app").text(1001), u"APP");
}

TEST(BuildValueChain, ResultTypeModeMapsGroupZeroAndEndsAtEitherTerminator) {
  const double p[3] = {1, 1, 0};
  OwnedChain a(buildValueChain(1, 5020, u"CIRCLE", 5001, 3.0, 5003, 7, 5016, 5002, p, 5017, 5000, 62, 1));
  ASSERT_TRUE(a);
  EXPECT_EQ(codesOf(a), (std::vector<int>{0, 5001, 5003, 5016, 5002, 5017}));
  EXPECT_EQ(a.view().type(), u"CIRCLE");
  EXPECT_EQ(findNode(a.get(), 5016)->v.i16, static_cast<int16_t>(0xFFFF));
  EXPECT_EQ(findNode(a.get(), 5017)->v.i16, static_cast<int16_t>(0xFFFF));
  EXPECT_EQ(a.view().point(5002), (ChainPoint{1, 1, 0}));

  OwnedChain b(buildValueChain(1, 5005, u"x", 0, 5001, 1.0));
  ASSERT_TRUE(b);
  EXPECT_EQ(codesOf(b), (std::vector<int>{5005}));
  // In group-code mode 0 is an ordinary code and 5020 has no kind.
  EXPECT_EQ(buildValueChain(0, 5020, u"LINE", -9), nullptr);
}

TEST(BuildValueChain, FailuresReturnNullAndReleaseWhatWasBuilt) {
  const double p[3] = {0, 0, 0};
  const unsigned char bytes[2] = {1, 2};
  // Each of these fails after nodes (and, in the last, a spliced chain) were made;
  // the leak checker of the sanitizer build catches a part left behind.
  EXPECT_EQ(buildValueChain(0, 0, u"LINE", 8, u"0", 310, bytes, -9), nullptr);
  EXPECT_EQ(buildValueChain(0, 0, u"LINE", 1004, bytes, -9), nullptr);
  EXPECT_EQ(buildValueChain(0, 0, u"LINE", 80, p, -9), nullptr);
  EXPECT_EQ(buildValueChain(0, 0, u"LINE", 6000, p, -9), nullptr);
  EXPECT_EQ(buildValueChain(0, 0, u"LINE", 10, static_cast<const double*>(nullptr), -9), nullptr);
  EXPECT_EQ(buildValueChain(1, 5005, u"a", -9, 1), nullptr);
  ValueNode* part = buildValueChain(0, 1, u"spliced", 2, u"too", -9);
  ASSERT_NE(part, nullptr);
  EXPECT_EQ(buildValueChain(0, 0, u"TEXT", -8, part, 310, bytes, -9), nullptr);
}

TEST(BuildValueChain, SpliceTakesTheWholeChainInPlace) {
  ValueNode* middle = buildValueChain(0, 8, u"A", 62, 3, 6, u"DASHED", -9);
  ASSERT_NE(middle, nullptr);
  const double p[3] = {1, 2, 0};
  OwnedChain c(buildValueChain(0, 0, u"POINT", -8, middle, -8, static_cast<ValueNode*>(nullptr), 10, p, -9));
  ASSERT_TRUE(c);
  EXPECT_EQ(codesOf(c), (std::vector<int>{0, 8, 62, 6, 10}));
  EXPECT_EQ(c.get()->next, middle) << "spliced nodes become part of the chain";
}

TEST(CopyValueChain, DuplicatesTextsAndChunksAndSharesObjectIdsOnRequest) {
  const unsigned char bytes[5] = {0xDE, 0xAD, 0xBE, 0xEF, 0x00};
  OwnedChain src = [&] {
    ChainBuilder b;
    b.text(0, u"INSERT").text(5, u"1F").text(330, u"2A").point(10, 1, 2, 3).integer(70, -2);
    b.extendedData(u"APP").chunk(1004, bytes, 5).real(1040, 0.5);
    return b.build();
  }();
  ASSERT_TRUE(src);
  const ValueNode* srcChunk = findNode(src.get(), 1004);
  const ValueNode* srcOwner = findNode(src.get(), 330);

  ValueNode* deep = copyValueChain(src.get(), false);
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(codesOf(deep), codesOf(src));
  const ValueNode* chunk = findNode(deep, 1004);
  EXPECT_EQ(chunk->v.bin.size, 5);
  EXPECT_NE(chunk->v.bin.bytes, srcChunk->v.bin.bytes);
  EXPECT_EQ(std::memcmp(chunk->v.bin.bytes, bytes, 5), 0);
  EXPECT_NE(findNode(deep, 330)->v.str, srcOwner->v.str);
  EXPECT_NE(findNode(deep, 5)->v.str, findNode(src.get(), 5)->v.str);
  EXPECT_EQ(ChainView(deep).point(10), (ChainPoint{1, 2, 3}));
  EXPECT_EQ(ChainView(deep).integer(70), -2);
  EXPECT_EQ(ChainView(deep).real(1040), 0.5);
  EXPECT_EQ(releaseValueChain(deep, false), kRtNorm);

  ValueNode* shared = copyValueChain(src.get(), true);
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(findNode(shared, 330)->v.str, srcOwner->v.str) << "object ids are shared";
  EXPECT_NE(findNode(shared, 5)->v.str, findNode(src.get(), 5)->v.str) << "handles are not object ids";
  EXPECT_NE(findNode(shared, 1004)->v.bin.bytes, srcChunk->v.bin.bytes);
  EXPECT_EQ(releaseValueChain(shared, true), kRtNorm);
  // The source still owns an intact owner text after the shared copy went.
  EXPECT_EQ(src.view().text(330), u"2A");
}

TEST(CopyValueChain, KeepsNullIn) {
  EXPECT_EQ(copyValueChain(nullptr, false), nullptr);
  EXPECT_EQ(releaseValueChain(nullptr, false), kRtNorm);
}

// Building and copying share one rule for a code without a kind: outside the
// table (6000) or flagged undefined inside it (80, 480, 5020 in group-code
// mode). A build with such a code fails; a copy ends in front of it.
TEST(ValueChainKinds, BuildAndCopyAgreeOnCodesWithoutAKind) {
  const double p[3] = {1, 2, 3};
  for (int code : {6000, -6, 80, 480, 1072, 5020}) {
    SCOPED_TRACE(code);
    EXPECT_EQ(buildValueChain(0, 0, u"LINE", 8, u"0", code, p, -9), nullptr);
    OwnedChain c(buildValueChain(0, 0, u"LINE", 8, u"0", 62, 1, -9));
    ASSERT_TRUE(c);
    ValueNode* foreign = newValueNode(code);
    ASSERT_NE(foreign, nullptr);
    std::memcpy(foreign->v.point, p, sizeof p);
    spliceChainAfter(findNode(c.get(), 8), foreign);
    OwnedChain copy(copyValueChain(c.get(), false));
    EXPECT_EQ(codesOf(copy), (std::vector<int>{0, 8}));
  }
  // The list markers have no kind either, but a build gives them their value,
  // so a copy takes them along.
  OwnedChain list(buildValueChain(1, 5016, 5005, u"a", 5017, 5001, 2.0, 0));
  ASSERT_TRUE(list);
  OwnedChain listCopy(copyValueChain(list.get(), false));
  EXPECT_EQ(codesOf(listCopy), (std::vector<int>{5016, 5005, 5017, 5001}));
  EXPECT_EQ(findNode(listCopy.get(), 5017)->v.i16, -1);
}

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

TEST(SpliceChainAfter, RelinksTheRest) {
  OwnedChain c(buildValueChain(0, 0, u"A", 1, u"B", 2, u"C", -9));
  ValueNode* part = buildValueChain(0, 3, u"X", 4, u"Y", -9);
  ValueNode* at = findNode(c.get(), 1);
  EXPECT_EQ(spliceChainAfter(at, part), at);
  EXPECT_EQ(codesOf(c), (std::vector<int>{0, 1, 3, 4, 2}));
  EXPECT_EQ(spliceChainAfter(at, nullptr), at);
  EXPECT_EQ(codesOf(c), (std::vector<int>{0, 1, 3, 4, 2}));
  ValueNode* tailPart = buildValueChain(0, 7, u"Z", -9);
  spliceChainAfter(findNode(c.get(), 2), tailPart);
  EXPECT_EQ(codesOf(c), (std::vector<int>{0, 1, 3, 4, 2, 7}));
  EXPECT_TRUE(chainHasCode(c.get(), 7));
  EXPECT_FALSE(chainHasCode(c.get(), 8));
  EXPECT_EQ(findNode(c.get(), 3)->next, findNode(c.get(), 4));
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

TEST(MergeValueChain, InsertsReplacesAndDrops) {
  chaintest::RecordingHost host(3);
  OwnedChain dim = dimension(u"ByLayer");
  ASSERT_TRUE(dim);
  ChainBuilder rb;
  rb.real(51, 1.5).text(8, u"NEW").integer(62, 1);
  OwnedChain repl = rb.build();
  ValueNode* out = nullptr;
  ASSERT_EQ(mergeValueChain(dim.get(), repl.get(), 0, &out), 1);
  OwnedChain merged(out);
  // -1 left out; 6 BYLAYER dropped; 8 replaced in place; 51 between 50 and 52;
  // 62 between 52 and 70.
  EXPECT_EQ(codesOf(merged), (std::vector<int>{0, 5, 8, 2, 10, 13, 14, 50, 51, 52, 62, 70, -3, 1001, 1070}));
  EXPECT_EQ(merged.view().layer(), u"NEW");
  EXPECT_EQ(merged.view().real(51), 1.5);
  EXPECT_EQ(merged.view().text(2), u"*D12");
  EXPECT_EQ(merged.view().integer(1070), 4);
  EXPECT_TRUE(chaintest::recorded().entmadeCodes.empty()) << "with an out pointer nothing goes to the host";
}

// Where a missing code goes. The entity (after -1 and group 6 drop out) runs
// 0 5 8 2 10 13 14 50 52 70, then -3 1001 1070: a code goes in front of the
// first later code above it, counting from the code emitted last.
TEST(MergeValueChain, MissingCodesFollowTheAscendingOrder) {
  struct Case {
    const char* what;
    std::vector<int> replacements;  // codes, in the replacement chain's order
    std::vector<int> expected;
  };
  const Case cases[] = {
      {"extended-data codes are placed inside the extended data, in order", {1040},
       {0, 5, 8, 2, 10, 13, 14, 50, 52, 70, -3, 1001, 1040, 1070}},
      {"a code above every later one is never placed", {1071}, {0, 5, 8, 2, 10, 13, 14, 50, 52, 70, -3, 1001, 1070}},
      {"the first that qualifies goes first: 42 takes the gap 14..50; 41, left without one, "
       "would go after -3 and stays in front of the marker",
       {42, 41}, {0, 5, 8, 2, 10, 13, 14, 42, 50, 52, 70, 41, -3, 1001, 1070}},
      {"in replacement order 41 and 42 both find their gap", {41, 42},
       {0, 5, 8, 2, 10, 13, 14, 41, 42, 50, 52, 70, -3, 1001, 1070}},
      {"an entity group the order puts after -3 stays in front of the marker", {71, 62},
       {0, 5, 8, 2, 10, 13, 14, 50, 52, 62, 70, 71, -3, 1001, 1070}},
      {"a small code takes the first gap, right after the type", {3}, {0, 3, 5, 8, 2, 10, 13, 14, 50, 52, 70, -3, 1001, 1070}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    chaintest::RecordingHost host(3);
    OwnedChain dim = dimension(u"BYLAYER");
    ChainBuilder rb;
    for (int code : c.replacements) {
      const ValueKind kind = kindOf(groupCodeKind(code));
      if (kind == kKindReal) rb.real(code, 0.5);
      else if (kind == kKindString) rb.text(code, u"r");
      else rb.integer(code, 7);
    }
    OwnedChain repl = rb.build();
    ASSERT_TRUE(repl) << rb.error();
    ValueNode* out = nullptr;
    ASSERT_EQ(mergeValueChain(dim.get(), repl.get(), 0, &out), 1);
    OwnedChain merged(out);
    EXPECT_EQ(codesOf(merged), c.expected);
    for (int code : c.replacements) {
      if (!merged.view().has(code)) continue;
      EXPECT_EQ(merged.view().count(code), 1) << code;
    }
  }
}

// Without extended data nothing is moved: the order alone decides.
TEST(MergeValueChain, WithoutExtendedDataCodesAboveTheLastAreLeftOut) {
  chaintest::RecordingHost host(3);
  const double a[3] = {0, 0, 0};
  OwnedChain line(buildValueChain(0, 0, u"LINE", 8, u"0", 10, a, 11, a, -9));
  OwnedChain repl(buildValueChain(0, 62, 3, 6, u"DASHED", -9));
  ValueNode* out = nullptr;
  ASSERT_EQ(mergeValueChain(line.get(), repl.get(), 0, &out), 1);
  OwnedChain merged(out);
  EXPECT_EQ(codesOf(merged), (std::vector<int>{0, 6, 8, 10, 11}));
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
