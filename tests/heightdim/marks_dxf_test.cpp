// Height-dimension marks through a DXF file: saved with their blocks,
// attributes, extended data, application names and base dictionary, read
// back into a drawing whose bases load as before. The file is also left for
// ezdxf to audit (the heightdim_marks_ezdxf test).
#include <gtest/gtest.h>

#include <algorithm>

#include "heightdim/bases.h"
#include "host/host_api.h"
#include "hostsim/dxf_reader.h"
#include "hostsim/dxf_writer.h"
#include "hostsim/host.h"
#include "tests/heightdim/mark_drawing.h"
#include "tests/hostsim/host_fixture.h"
#include "tests/heightdim/records_test_support.h"
#include "tests/test_files.h"

using namespace vd;
using hnotetest::Mark;

namespace {

class MarksDxfTest : public hosttest::HostTest {
 protected:
  // Two bases, dependants, a plan-view mark, and lines tagged as leaders and
  // as members of an element.
  static void makeDrawing() {
    Mark base;
    base.id = u"B1";
    base.x = 10;
    base.y = 20;
    base.text1 = u"+1.500";
    base.text2 = u"Ozn";
    Mark two = base;
    two.id = u"B2";
    two.baseKind = 1;
    two.x = 200;
    two.text2 = u"+3.000";
    Mark dependant = base;
    dependant.id = u"D1";
    dependant.baseId = u"B1";
    dependant.y = 270;
    dependant.text1 = u"+1.750";
    dependant.angle = 0.5;
    Mark plan;
    plan.type = 3;
    plan.id = u"P1";
    plan.x = 50;
    plan.y = 50;
    plan.text1 = u"+0.150";
    plan.attributes = 1;
    ASSERT_TRUE(hnotetest::writeMarks({base, two, dependant, plan}));
    ASSERT_TRUE(hnotetest::writeEntry(u"B1", hnotetest::baseEntry(0, 0, 10, 20, 0, 1500, 0)));
    ASSERT_TRUE(hnotetest::writeEntry(u"B2", hnotetest::baseEntry(0, 1, 200, 20, 0, 1500, 3000)));
    ASSERT_TRUE(hnotetest::writeEntry(u"Current", hnotetest::currentEntry(u"B1")));

    HostApi& api = *hostApi();
    ASSERT_EQ(api.Header_bin(), kRtNorm);
    for (const char16_t* owner : {u"D1", u""}) {
      ChainBuilder leader;
      leader.text(0, u"LINE").text(8, u"0").point(10, 0, 0).point(11, 5, 5);
      addLeaderTag(leader, owner);
      OwnedChain l = leader.build();
      ASSERT_EQ(api.Entmake_binW(l.get(), 0), kRtNorm);
    }
    ChainBuilder member;
    member.text(0, u"LINE").text(8, u"0").point(10, 1, 1).point(11, 2, 2);
    addMemberTag(member, ChainPoint{7, 8, 0});
    OwnedChain m = member.build();
    ASSERT_EQ(api.Entmake_binW(m.get(), 0), kRtNorm);
    ASSERT_EQ(api.Flush_bin(1), kRtNorm);
  }

  // What a load of the bases finds, as text.
  static std::vector<std::string> loaded() {
    HNoteDataSet settings;
    HNoteBases bases;
    EXPECT_TRUE(bases.load(settings));
    std::vector<std::string> out{"current " + utf16ToUtf8(bases.currentId())};
    for (const HNoteBase& b : bases.list()) {
      std::string line = utf16ToUtf8(b.id) + " kind " + std::to_string(b.baseKind) + " levels " +
                         std::to_string(b.level1) + "/" + std::to_string(b.level2) + ":";
      for (const HNoteNode& n : b.dimensions) {
        line += " " + utf16ToUtf8(n.ref.id) + "=" + utf16ToUtf8(n.valueText) + (n.upToDate ? "" : "(old)");
      }
      out.push_back(line);
    }
    return out;
  }
};

TEST_F(MarksDxfTest, SavedAndReadBackTheBasesLoadTheSame) {
  makeDrawing();
  std::vector<std::string> before = loaded();
  ASSERT_EQ(before, (std::vector<std::string>{"current B1", "B1 kind 0 levels 1500.000000/0.000000: B1=+1.500 D1=+1.750",
                                              "B2 kind 1 levels 1500.000000/3000.000000: B2=+1.500"}));

  std::string error;
  std::string text = hostsim::dxf::writeDxf(host().drawing(), host().variables, {}, &error);
  ASSERT_FALSE(text.empty()) << error;
  vdtest::writeBytes("heightdim_marks.dxf", text);

  // Every application name of the extended data has its APPID record.
  for (const char* app : {"VDHNOTEDATA", "VD_ASSOCDESC1", "VDHEIGHTDIM", "VD_LT_ELEM6", "VD_LT_ELEM"}) {
    EXPECT_NE(text.find("  0\nAPPID\n  5\n"), std::string::npos);
    std::string record = "AcDbRegAppTableRecord\n  2\n" + std::string(app) + "\n";
    EXPECT_NE(text.find(record), std::string::npos) << app;
  }
  // The XRECORD's cloning flag is written once, by its frame, not again from the data.
  size_t entry = text.find("AcDbXrecord\n280\n1\n");
  ASSERT_NE(entry, std::string::npos);
  EXPECT_EQ(text.compare(entry + 18, 9, " 91\n1\n 71"), 0) << text.substr(entry, 60);

  hostsim::dxf::ReadResult back = hostsim::dxf::readDxf(text);
  ASSERT_TRUE(back.drawing) << back.error;
  host().replaceDrawing(std::move(back.drawing));
  EXPECT_EQ(loaded(), before);

  // The data of the entries comes back as the module wrote it, framing aside.
  std::vector<std::string> b2 = hnotetest::entryGroups(u"B2");
  EXPECT_EQ(b2, (std::vector<std::string>{"91 1", "71 0", "71 1", "10 200,20,0", "41 0", "41 1500", "41 3000"}));
  // Marks and their attributes keep their extended data group for group.
  std::vector<std::string> insert;
  for (const hostsim::Entity* e : host().drawing().entities()) {
    if (e->type() == u"INSERT" && e->view().text(2) == u"VD2D_HEIGHTDIM_D1") {
      auto groups = hnotetest::groupsOf(e->view().extendedData(kAppHNoteData));
      insert.assign(groups.begin(), groups.end());
      ASSERT_EQ(host().drawing().followersOf(*e).size(), 4u) << "three attributes and the SEQEND";
    }
  }
  EXPECT_EQ(insert, (std::vector<std::string>{"1001 VDHNOTEDATA", "1070 0", "1040 0.001", "1070 1", "1070 1",
                                              "1070 0", "1040 0", "1001 VD_ASSOCDESC1", "1000 D1",
                                              "1001 VDHEIGHTDIM", "1000 B1", "1070 0"}));
}

}  // namespace
