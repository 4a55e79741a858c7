// The drawing records of a height dimension: identifiers and block names,
// the extended data written and read back, and the tags.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "heightdim/records.h"
#include "tests/heightdim/records_test_support.h"

using namespace vd;
using hnotetest::groupsOf;
using Groups = std::vector<std::string>;

namespace {

const vstring kId = u"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9";
const vstring kBaseId = u"11111111-2222-3333-4444-555555555555";

HNoteRef sampleRef(int type) {
  HNoteRef r;
  r.type = type;
  r.baseKind = 1;
  r.numAlign = 0.01;
  r.positivePlus = 0;
  r.plusMinusZero = 7;  // any non-zero flag is written as 1
  r.roundingMark = 1;
  r.rotation = -0.5;
  r.id = kId;
  r.baseId = kBaseId;
  return r;
}

// Extended data another application keeps on the same reference.
OwnedChain insertWithForeignData() {
  ChainBuilder b;
  b.text(0, u"INSERT").text(2, u"VD2D_HEIGHTDIM_X").point(10, 1, 2);
  b.extendedData(u"OTHER").text(1000, u"before");
  b.extendedData(kAppHNoteData).integer(1070, 1);
  b.extendedData(kAppAssocDesc).text(1000, u"OLD");
  b.extendedData(u"LAST").integer(1070, 9);
  return b.build();
}

}  // namespace

// 8-4-4-4-12 upper-case hexadecimal digits.
bool guidShaped(vstring_view id) {
  if (id.size() != kHNoteIdChars) return false;
  for (size_t i = 0; i < id.size(); ++i) {
    bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    vchar c = id[i];
    bool hex = (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F');
    if (dash ? c != u'-' : !hex) return false;
  }
  return true;
}

TEST(HNoteRefReplace, OptionsRewrittenAndForeignDataKept) {
  OwnedChain entity = insertWithForeignData();
  ASSERT_TRUE(replaceHNoteRef(entity, sampleRef(1)));
  EXPECT_EQ(groupsOf(entity),
            (Groups{"0 INSERT", "2 VD2D_HEIGHTDIM_X", "10 1,2,0", "-3", "1001 OTHER", "1000 before", "1001 LAST",
                    "1070 9", "1001 VDHNOTEDATA", "1070 1", "1040 0.01", "1070 0", "1070 1", "1070 1", "1040 -0.5",
                    "1001 VD_ASSOCDESC1", "1000 0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9", "1001 VDHEIGHTDIM",
                    "1000 11111111-2222-3333-4444-555555555555", "1070 1"}));

  // Without extended data the marker comes with the groups.
  ChainBuilder b;
  b.text(0, u"INSERT").text(2, u"N");
  OwnedChain bare = b.build();
  ASSERT_TRUE(replaceHNoteRef(bare, sampleRef(3)));
  EXPECT_EQ(groupsOf(bare), (Groups{"0 INSERT", "2 N", "-3", "1001 VDHNOTEDATA", "1070 3", "1001 VD_ASSOCDESC1",
                                    "1000 0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9"}));

  // A type-3 descriptor replacing a base mark drops its VDHEIGHTDIM too.
  OwnedChain mark = hnoteRefChain(sampleRef(0));
  ASSERT_TRUE(replaceHNoteRef(mark, sampleRef(3)));
  EXPECT_EQ(groupsOf(mark), groupsOf(hnoteRefChain(sampleRef(3))));

  OwnedChain untouched = insertWithForeignData();
  EXPECT_FALSE(replaceHNoteRef(untouched, sampleRef(9)));
  EXPECT_EQ(groupsOf(untouched), groupsOf(insertWithForeignData()));
}

