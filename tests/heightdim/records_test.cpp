// The drawing records of a height dimension: identifiers and block names,
// the extended data written and read back, and the tags.
#include <gtest/gtest.h>

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

// The extended data of sampleRef(type) behind the groups `g`: all of it for a
// section-view type, the type and identifier alone for the plan view.
Groups withRef(Groups g, int type) {
  g.insert(g.end(), {"1001 VDHNOTEDATA", "1070 " + std::to_string(type)});
  if (type != 3) g.insert(g.end(), {"1040 0.01", "1070 0", "1070 1", "1070 1", "1040 -0.5"});
  g.insert(g.end(), {"1001 VD_ASSOCDESC1", "1000 0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9"});
  if (type != 3) g.insert(g.end(), {"1001 VDHEIGHTDIM", "1000 11111111-2222-3333-4444-555555555555", "1070 1"});
  return g;
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

TEST(HNoteRefChain, GroupsInOrderCodeByCode) {
  for (int type : {0, 2, 3}) EXPECT_EQ(groupsOf(hnoteRefChain(sampleRef(type))), withRef({"-3"}, type)) << type;
  for (int type : {4, -1}) EXPECT_EQ(groupsOf(hnoteRefChain(sampleRef(type))), Groups{}) << type;
}

TEST(HNoteRefChain, AddedToAnEntityTheMarkerComesOnce) {
  ChainBuilder b;
  b.text(0, u"INSERT").text(2, u"X");
  b.extendedData(u"OTHER").text(1000, u"x");
  ASSERT_TRUE(addHNoteRef(b, sampleRef(3)));
  EXPECT_EQ(groupsOf(b.build()), withRef({"0 INSERT", "2 X", "-3", "1001 OTHER", "1000 x"}, 3));
  ChainBuilder bad;
  bad.text(0, u"INSERT");
  EXPECT_FALSE(addHNoteRef(bad, sampleRef(4)));
  EXPECT_EQ(groupsOf(bad.build()), Groups{"0 INSERT"});
}

TEST(HNoteRefReplace, OptionsRewrittenAndForeignDataKept) {
  OwnedChain entity = insertWithForeignData();
  ASSERT_TRUE(replaceHNoteRef(entity, sampleRef(1)));
  EXPECT_EQ(groupsOf(entity), withRef({"0 INSERT", "2 VD2D_HEIGHTDIM_X", "10 1,2,0", "-3", "1001 OTHER",
                                       "1000 before", "1001 LAST", "1070 9"},
                                      1));

  // Without extended data the marker comes with the groups.
  OwnedChain bare = ChainBuilder().text(0, u"INSERT").text(2, u"N").build();
  ASSERT_TRUE(replaceHNoteRef(bare, sampleRef(3)));
  EXPECT_EQ(groupsOf(bare), withRef({"0 INSERT", "2 N", "-3"}, 3));

  // A type-3 descriptor replacing a base mark drops its VDHEIGHTDIM too.
  OwnedChain mark = hnoteRefChain(sampleRef(0));
  ASSERT_TRUE(replaceHNoteRef(mark, sampleRef(3)));
  EXPECT_EQ(groupsOf(mark), groupsOf(hnoteRefChain(sampleRef(3))));

  OwnedChain untouched = insertWithForeignData();
  EXPECT_FALSE(replaceHNoteRef(untouched, sampleRef(9)));
  EXPECT_EQ(groupsOf(untouched), groupsOf(insertWithForeignData()));
}

TEST(HNoteRefReplace, ReassociateChangesOnlyTheIdentifierInPlace) {
  OwnedChain entity = hnoteRefChain(sampleRef(0));
  ASSERT_TRUE(reassociateHNote(entity, u"NEW"));
  Groups expected = groupsOf(hnoteRefChain(sampleRef(0)));
  expected[9] = "1000 NEW";
  EXPECT_EQ(groupsOf(entity), expected);
  HNoteRef read;
  ASSERT_TRUE(readHNoteRef(entity, &read, false));
  EXPECT_EQ(read.id, u"NEW");
  EXPECT_EQ(read.baseId, kBaseId);

  // A second VD_ASSOCDESC1 group would contradict the new identifier: it goes.
  ChainBuilder twice;
  twice.text(0, u"LINE");
  twice.extendedData(kAppAssocDesc).text(1000, u"A");
  twice.extendedData(u"KEEP").integer(1070, 1);
  twice.extendedData(kAppAssocDesc).text(1000, u"B");
  OwnedChain line = twice.build();
  ASSERT_TRUE(reassociateHNote(line, u"C"));
  EXPECT_EQ(groupsOf(line), (Groups{"0 LINE", "-3", "1001 VD_ASSOCDESC1", "1000 C", "1001 KEEP", "1070 1"}));

  OwnedChain plain = ChainBuilder().text(0, u"LINE").build();
  ASSERT_TRUE(reassociateHNote(plain, u"D"));
  EXPECT_EQ(groupsOf(plain), (Groups{"0 LINE", "-3", "1001 VD_ASSOCDESC1", "1000 D"}));
}

// The look a mark keeps: what was written reads back whole, a group cut short
// or damaged gives what comes before the damage, and another format nothing.
TEST(HNoteStyle, ReadsBackWhatWasWrittenAndStopsAtDamage) {
  HNoteData written;
  hnoteDefaults(written, 3);
  written.delim = u",";
  written.lhorzLen = -11.5;
  written.arrowIndex = 70000;  // wider than a 16-bit item
  written.cxSize = 20;
  written.arrowName = u"_OPEN30";
  written.insPt = 6;
  written.hnoteOptions = 5;
  written.flipped = true;
  ChainBuilder b;
  b.text(0, u"INSERT");
  addHNoteStyle(b, written);
  OwnedChain whole = b.build();

  HNoteData back;
  ASSERT_EQ(readHNoteStyle(whole, back), kHNoteStyleFields);
  EXPECT_EQ(back.delim, u",");
  EXPECT_DOUBLE_EQ(back.lhorzLen, -11.5);
  EXPECT_EQ(back.arrowIndex, 70000);
  EXPECT_DOUBLE_EQ(back.cxSize, 20);
  EXPECT_EQ(back.arrowName, u"_OPEN30");
  EXPECT_EQ(back.insPt, 6);
  EXPECT_EQ(back.hnoteOptions, 5);
  EXPECT_TRUE(back.flipped);
  EXPECT_EQ(hnoteStoredSeparator(whole), vstring(u","));

  // The same chain with its items changed: the fields before the change are
  // read, the rest keep what the record held.
  const Groups items = groupsOf(whole);
  struct Damage {
    const char* what;
    size_t at;          // index in `items` of the item changed (3 = the format)
    const char* item;   // its replacement; null cuts the chain there
    int read;
  } damages[] = {
      {"another format", 3, "1070 2", 0},
      {"cut after the separator", 5, nullptr, 1},
      {"a real where the boundary mark goes", 7, "1040 4", 3},
      {"cut before the side", 20, nullptr, kHNoteStyleFields - 1},
  };
  for (const Damage& d : damages) {
    SCOPED_TRACE(d.what);
    ChainBuilder c;
    c.text(0, u"INSERT").marker(-3);
    for (size_t i = 2; i < items.size(); ++i) {
      std::string item = i == d.at && d.item ? d.item : items[i];
      if (i == d.at && !d.item) break;
      const size_t space = item.find(' ');
      const int code = std::stoi(item.substr(0, space));
      const std::string text = space == std::string::npos ? "" : item.substr(space + 1);
      if (code == 1000 || code == 1001) c.text(code, utf8ToUtf16(text));
      else if (code == 1040) c.real(code, std::stod(text));
      else c.integer(code, std::stoll(text));
    }
    HNoteData r;
    hnoteDefaults(r, 0);
    EXPECT_EQ(readHNoteStyle(c.build(), r), d.read);
    EXPECT_EQ(r.flipped, d.read == kHNoteStyleFields);
    EXPECT_EQ(r.delim, d.read >= 1 ? u"," : u".");
  }
  HNoteData none;
  EXPECT_EQ(readHNoteStyle(ChainView(), none), 0);
  EXPECT_EQ(hnoteStoredSeparator(ChainView()), std::nullopt);
}

