#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <set>
#include <sstream>

#include "host_fixture.h"
#include "hostsim/dxf_reader.h"
#include "hostsim/dxf_writer.h"
#include "hostsim/pick.h"
#include "tests/test_files.h"

using namespace vd;
using hosttest::HostTest;

namespace {

const double kPi = std::acos(-1.0);

// A file of one ENTITIES section around the given records.
std::string entitiesFile(const std::string& records) {
  return "  0\nSECTION\n  2\nENTITIES\n" + records + "  0\nENDSEC\n  0\nEOF\n";
}
std::string lineRecord(const std::string& handle, const std::string& x0 = "1.0") {
  return "  0\nLINE\n  5\n" + handle + "\n100\nAcDbEntity\n  8\n0\n100\nAcDbLine\n 10\n" + x0 +
         "\n 20\n2.0\n 30\n0.0\n 11\n3.0\n 21\n4.0\n 31\n0.0\n";
}

class DxfTest : public HostTest {
 protected:
  // A drawing as the module writes one: plain chains without subclass markers.
  void makeDrawing() {
    make(line(0, 0, 100, 50, u"WALLS"));
    ChainBuilder arc;
    // 10 to 200 degrees, in radians as the module keeps angles.
    arc.text(0, u"ARC").text(8, u"0").point(10, 5, 5).real(40, 3).real(50, kPi / 18).real(51, kPi * 10 / 9).text(6, u"DASHED");
    make(arc.build());
    ChainBuilder poly;
    poly.text(0, u"LWPOLYLINE").text(8, u"0").integer(90, 3).integer(70, 1).point(10, 0, 0).real(40, 0.5).real(41, 1).real(42, 0.25);
    poly.point(10, 10, 0).real(42, -0.4).point(10, 10, 10);
    make(poly.build());
    ChainBuilder text;
    text.text(0, u"TEXT").text(8, u"0").point(10, 1, 2).real(40, 2.5).text(1, u"\u017dlu\u0165ou\u010dk\u00fd \u4e2d").text(7, u"VDSTYLE");
    text.integer(72, 1).point(11, 1, 2).integer(73, 2);
    make(text.build());
    ChainBuilder dim;
    // Point 10 where a CAD host keeps it: the second extension line's foot on
    // the dimension line through (0, 20) at 0.26 radians.
    const double run = 30 * std::cos(0.26) - 20 * std::sin(0.26);
    dim.text(0, u"DIMENSION").text(8, u"DIM").text(2, u"*D1").point(10, run * std::cos(0.26), 20 + run * std::sin(0.26));
    dim.point(11, 15, 20).integer(70, 32);
    dim.text(3, u"VDDIM").point(13, 0, 0).point(14, 30, 0).real(50, 0.26).extendedData(u"VDHEIGHTDIM");
    dim.text(1000, u"mark").integer(1070, 3).real(1040, 1.25).point(1010, 1, 2, 3);
    const double base[3] = {0, 0, 0};
    double x = base[0], y = base[1], z = base[2];
    api().Header_bin();
    api().BlkmakeHead_binW(u"*D1", 1, &x, &y, &z);
    OwnedChain l = line(0, 20, 30, 20, u"DIM");
    api().BlkmakeEnt_binW(l.get());
    api().BlkmakeEnd_binW(u"*D1");
    api().BlkmakeHead_binW(u"MARK", 2, &x, &y, &z);
    ChainBuilder attdef;
    attdef.text(0, u"ATTDEF").text(8, u"0").point(10, 0, 0).real(40, 1).text(1, u"").text(3, u"Level").text(2, u"LEVEL").integer(70, 0);
    OwnedChain ad = attdef.build();
    api().BlkmakeEnt_binW(ad.get());
    api().BlkmakeEnd_binW(u"MARK");
    OwnedChain d = dim.build();
    ASSERT_EQ(api().Entmake_binW(d.get(), 0), kRtNorm) << drawing().lastError();
    ChainBuilder ins;
    ins.text(0, u"INSERT").text(8, u"0").integer(66, 1).text(2, u"MARK").point(10, 20, 20).real(50, kPi / 6);
    ChainBuilder att;
    att.text(0, u"ATTRIB").text(8, u"0").point(10, 20, 20).real(40, 1).text(1, u"+3.000").text(2, u"LEVEL").integer(70, 0);
    OwnedChain i = ins.build(), a = att.build(), e(buildValueChain(0, 0, u"SEQEND", -9));
    api().Entmake_binW(i.get(), 0);
    api().Entmake_binW(a.get(), 0);
    api().Entmake_binW(e.get(), 0);
    ASSERT_EQ(api().Flush_bin(1), kRtNorm);
    intptr_t dict = api().DictionaryOpenW(0, u"TR2D_HEIGHTDIM", 1, 0);
    ChainBuilder rec;
    rec.text(1, u"base").real(40, 12.5).point(10, 1, 2, 3).integer(70, 4);
    OwnedChain r = rec.build();
    api().DictionaryAddW(dict, u"Current", r.get(), 0);
    api().DictionaryClose(dict, 0);
    // A leader with the host's _DOT terminator (its handle in lower case, as
    // the module prints it), tied to the reference.
    const vstring reference = drawing().lastMade().back();
    vchar arrow[17] = {};
    ASSERT_EQ(api().GetArrowHandleW(u"_DOT", arrow), 1);
    vstring lower(arrow);
    for (vchar& c : lower) c = (c >= u'A' && c <= u'F') ? static_cast<vchar>(c + 32) : c;
    ChainBuilder leader;
    leader.text(0, u"LEADER").text(8, u"0").text(3, u"VELDRA").integer(76, 2).point(10, 30, 0).point(10, 20, 20);
    leader.extendedData(u"ACAD").text(1000, u"DSTYLE").text(1002, u"{").integer(1070, 341).text(1005, lower);
    leader.integer(1070, 41).real(1040, 0.25).text(1002, u"}");
    ASSERT_EQ(make(leader.build()), kRtNorm) << drawing().lastError();
    uint64_t mark = *hostsim::handleValue(reference), tied = *hostsim::handleValue(lastHandle());
    ASSERT_EQ(api().LeaderAnno(&mark, &tied, 0), 1);
  }

  static std::vector<std::pair<int, std::string>> dump(ChainView v) {
    std::vector<std::pair<int, std::string>> out;
    for (ChainItem item : v) {
      std::string value;
      if (auto t = item.text()) value = utf16ToUtf8(*t);
      if (auto r = item.real()) value = std::to_string(*r);
      if (auto i = item.integer()) value = std::to_string(*i);
      if (auto p = item.point()) value = std::to_string(p->x) + "," + std::to_string(p->y) + "," + std::to_string(p->z);
      if (item.code() != -1) out.emplace_back(item.code(), value);
    }
    return out;
  }
};

TEST_F(DxfTest, ModuleMadeDrawingGoesOutWithSubclassesAndComesBackTheSame) {
  makeDrawing();
  std::string text = hostsim::dxf::writeDxf(drawing(), host().variables);
  vdtest::writeBytes("hostsim_made.dxf", text);  // ezdxf audits it in the hostsim_ezdxf test
  for (const char* needle : {"AcDbRotatedDimension", "AcDbAlignedDimension", "AcDbPolyline", "AcDbBlockReference",
                             "AcDbAttribute", "AcDbAttributeDefinition", "VDHEIGHTDIM", "TR2D_HEIGHTDIM", "AcDbXrecord",
                             "$ACADVER\n  1\nAC1015", "\\U+4E2D", "DASHED", "VDSTYLE", "VDDIM", "WALLS",
                             "AcDbLeader", "_DOT", "VELDRA"}) {
    EXPECT_NE(text.find(needle), std::string::npos) << needle;
  }
  // Angles go out in degrees.
  EXPECT_NE(text.find("100\nAcDbArc\n 50\n10.0\n 51\n200.0\n"), std::string::npos);
  EXPECT_NE(text.find(" 10\n20.0\n 20\n20.0\n 30\n0.0\n 50\n30.0\n"), std::string::npos) << "the reference at 30 degrees";
  // Polyline vertices are plane points: no z group follows them.
  size_t poly = text.find("AcDbPolyline");
  size_t vertex = text.find(" 10\n10.0\n 20\n0.0\n", poly);
  ASSERT_NE(vertex, std::string::npos);
  EXPECT_NE(text.compare(vertex + 17, 4, " 30\n"), 0) << "no z after a polyline vertex";

  hostsim::dxf::ReadResult r = hostsim::dxf::readDxf(text);
  ASSERT_TRUE(r.drawing) << r.error;
  for (const hostsim::Entity* e : drawing().entities()) {
    const hostsim::Entity* back = r.drawing->findEntity(e->handle);
    ASSERT_NE(back, nullptr) << utf16ToUtf8(e->handle);
    // The file's chain carries subclass markers; apart from them every group
    // is the module's, a handle of extended data in upper case (readers look
    // it up as written).
    std::vector<std::pair<int, std::string>> got;
    for (auto& g : dump(back->view())) {
      if (g.first != 100) got.push_back(g);
    }
    auto want = dump(e->view());
    for (auto& [code, value] : want) {
      if (code == 1005)
        for (char& c : value) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want) << utf16ToUtf8(e->type());
  }
  ASSERT_EQ(r.drawing->blocks().size(), 3u);
  EXPECT_EQ(r.drawing->findBlock(u"_DOT")->entities.size(), 2u);
  EXPECT_EQ(r.drawing->findBlock(u"MARK")->flags, 2);
  EXPECT_EQ(r.drawing->findBlock(u"MARK")->entities.size(), 1u);
  const hostsim::NamedDictionary* dict = r.drawing->findDictionary(u"TR2D_HEIGHTDIM");
  ASSERT_NE(dict, nullptr);
  ASSERT_EQ(dict->entries.size(), 1u);
  EXPECT_EQ(dict->entries[0].key, u"Current");
  EXPECT_EQ(dump(dict->entries[0].chain.view()), dump(drawing().findDictionary(u"TR2D_HEIGHTDIM")->entries[0].chain.view()));
  EXPECT_EQ(r.variables.at(u"CLAYER").text, u"0");
  EXPECT_GT(r.drawing->handleSeed(), drawing().handleSeed()) << "new handles never reuse the file's";
}

// The ENTITIES or BLOCKS section of a DXF text.
std::string section(const std::string& text, const char* name) {
  size_t at = text.find(std::string("  2\n") + name + "\n");
  if (at == std::string::npos) return {};
  return text.substr(at, text.find("  0\nENDSEC\n", at) - at);
}

// The angle groups (50-58) of a DXF text, as written.
std::vector<std::pair<std::string, std::string>> angleGroups(const std::string& text) {
  std::vector<std::pair<std::string, std::string>> out;
  std::istringstream in(text);
  for (std::string code, value; std::getline(in, code) && std::getline(in, value);) {
    int c = std::atoi(code.c_str());
    if (c >= 50 && c <= 58) out.emplace_back(code, value);
  }
  return out;
}

TEST_F(DxfTest, AnglesAreDegreesInTheFileAndRadiansInChainsButHatchesAndMultilineTextsKeepTheirs) {
  const std::string text =
      "  0\nSECTION\n  2\nBLOCKS\n"
      "  0\nBLOCK\n  5\n20\n100\nAcDbEntity\n  8\n0\n100\nAcDbBlockBegin\n  2\nDOOR\n 70\n0\n"
      " 10\n0\n 20\n0\n 30\n0\n  3\nDOOR\n"
      "  0\nARC\n  5\n21\n100\nAcDbEntity\n  8\n0\n100\nAcDbCircle\n 10\n0\n 20\n0\n 30\n0\n 40\n1\n"
      "100\nAcDbArc\n 50\n180\n 51\n270\n"
      "  0\nENDBLK\n  5\n22\n100\nAcDbEntity\n  8\n0\n100\nAcDbBlockEnd\n"
      "  0\nENDSEC\n"
      "  0\nSECTION\n  2\nENTITIES\n"
      "  0\nARC\n  5\n30\n100\nAcDbEntity\n  8\n0\n100\nAcDbCircle\n 10\n0\n 20\n0\n 30\n0\n 40\n1\n"
      "100\nAcDbArc\n 50\n0\n 51\n90\n"
      "  0\nINSERT\n  5\n31\n100\nAcDbEntity\n  8\n0\n100\nAcDbBlockReference\n  2\nDOOR\n"
      " 10\n5\n 20\n5\n 30\n0\n 50\n90\n"
      "  0\nTEXT\n  5\n32\n100\nAcDbEntity\n  8\n0\n100\nAcDbText\n 10\n0\n 20\n0\n 30\n0\n 40\n1\n"
      "  1\nA\n 50\n33.690067525979785\n100\nAcDbText\n"
      "  0\nHATCH\n  5\n33\n100\nAcDbEntity\n  8\n0\n100\nAcDbHatch\n 10\n0\n 20\n0\n 30\n0\n"
      "210\n0\n220\n0\n230\n1\n  2\nANSI31\n 70\n0\n 71\n0\n 91\n1\n 92\n1\n 93\n1\n"
      " 72\n2\n 10\n0\n 20\n0\n 40\n5\n 50\n0\n 51\n90\n 73\n1\n 97\n0\n 75\n0\n 76\n1\n"
      " 52\n45\n 41\n1\n 77\n0\n 78\n1\n 53\n45\n 43\n0\n 44\n0\n 45\n-0.5\n 46\n0.5\n 79\n0\n 98\n0\n"
      "  0\nMTEXT\n  5\n34\n100\nAcDbEntity\n  8\n0\n100\nAcDbMText\n 10\n0\n 20\n0\n 30\n0\n 40\n1\n"
      "  1\nB\n 50\n0.5\n"
      "  0\nENDSEC\n  0\nEOF\n";
  hostsim::dxf::ReadResult r = hostsim::dxf::readDxf(text);
  ASSERT_TRUE(r.drawing) << r.error;

  // Group `code` of the entity of `handle` as the chain holds it; NaN when either is missing.
  auto real = [&](const char16_t* handle, int code) {
    const hostsim::Entity* e = r.drawing->findEntity(handle);
    return e ? e->view().real(code).value_or(std::nan("")) : std::nan("");
  };
  EXPECT_EQ(real(u"30", 50), 0.0);
  EXPECT_NEAR(real(u"30", 51), kPi / 2, 1e-15) << "90 degrees";
  EXPECT_NEAR(real(u"31", 50), kPi / 2, 1e-15);
  EXPECT_NEAR(real(u"32", 50), std::atan2(2.0, 3.0), 1e-14);
  EXPECT_EQ(real(u"34", 50), 0.5) << "a multiline text's rotation is radians in the file already";
  // A pick finds the arc by its sweep in radians: on it at the top, off it on the left.
  const hostsim::Entity* arc = r.drawing->findEntity(u"30");
  ASSERT_NE(arc, nullptr);
  EXPECT_NEAR(hostsim::pickDistance(arc->view(), 0, 2), 1.0, 1e-12);
  EXPECT_NEAR(hostsim::pickDistance(arc->view(), -2, 0), std::sqrt(5.0), 1e-12);

  const hostsim::Block* door = r.drawing->findBlock(u"DOOR");
  ASSERT_NE(door, nullptr);
  ASSERT_EQ(door->entities.size(), 1u);
  EXPECT_NEAR(door->entities[0]->view().real(50).value_or(0), kPi, 1e-15) << "block entities too";
  EXPECT_NEAR(door->entities[0]->view().real(51).value_or(0), 3 * kPi / 2, 1e-15);

  // A hatch's edge and pattern angles stay in degrees.
  const hostsim::Entity* hatch = r.drawing->findEntity(u"33");
  ASSERT_NE(hatch, nullptr);
  std::vector<std::pair<int, double>> angles;
  for (ChainItem item : hatch->view())
    if (item.code() >= 50 && item.code() <= 58) angles.emplace_back(item.code(), item.real().value_or(-1));
  EXPECT_EQ(angles, (std::vector<std::pair<int, double>>{{50, 0.0}, {51, 90.0}, {52, 45.0}, {53, 45.0}}));

  // Written again, every angle is the file's number of degrees.
  std::string out = hostsim::dxf::writeDxf(*r.drawing, r.variables);
  std::string entities = section(out, "ENTITIES"), blocks = section(out, "BLOCKS");
  EXPECT_NE(entities.find("100\nAcDbArc\n 50\n0.0\n 51\n90.0\n"), std::string::npos) << entities;
  EXPECT_NE(entities.find(" 30\n0.0\n 50\n90.0\n", entities.find("\nINSERT\n")), std::string::npos);
  // 15 significant digits hide the ulp the conversion costs, but here they
  // would read back as another angle: more go out (checked below).
  EXPECT_EQ(entities.find(" 50\n33.6900675259798\n"), std::string::npos) << entities;
  size_t at = entities.find("\nHATCH\n");
  ASSERT_NE(at, std::string::npos);
  EXPECT_NE(entities.find(" 50\n0.0\n 51\n90.0\n 73\n1\n", at), std::string::npos) << entities.substr(at);
  EXPECT_NE(entities.find(" 52\n45.0\n", at), std::string::npos);
  EXPECT_NE(entities.find(" 53\n45.0\n", at), std::string::npos);
  EXPECT_NE(blocks.find("100\nAcDbArc\n 50\n180.0\n 51\n270.0\n"), std::string::npos) << blocks;
  EXPECT_NE(entities.find("  1\nB\n 50\n0.5\n"), std::string::npos) << entities.substr(entities.find("MTEXT"));

  // Read and written once more, the angles stay as they were.
  hostsim::dxf::ReadResult again = hostsim::dxf::readDxf(out);
  ASSERT_TRUE(again.drawing) << again.error;
  std::string out2 = hostsim::dxf::writeDxf(*again.drawing, again.variables);
  EXPECT_EQ(angleGroups(section(out2, "ENTITIES") + section(out2, "BLOCKS")), angleGroups(entities + blocks));
  EXPECT_EQ(angleGroups(entities + blocks).size(), 11u);
  // Every angle read back is the angle held, to the last bit (a dimension's
  // block is drawn for the angle held: a rounded one drew it elsewhere).
  for (const char16_t* handle : {u"30", u"31", u"32", u"34"}) {
    for (int code : {50, 51}) {
      const hostsim::Entity* before = r.drawing->findEntity(handle);
      const hostsim::Entity* after = again.drawing->findEntity(handle);
      ASSERT_TRUE(before && after);
      std::optional<double> a = before->view().real(code), b = after->view().real(code);
      EXPECT_EQ(a.has_value(), b.has_value());
      if (a && b) {
        EXPECT_EQ(*a, *b) << "handle " << char(handle[0]) << char(handle[1]) << " group " << code;
      }
    }
  }
}

TEST_F(DxfTest, AFailedLoadLeavesTheDrawingAsItWas) {
  make(line(0, 0, 1, 1));
  vdtest::writeBytes("hostsim_broken.dxf", "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n 10\nfoo\n 20\n0\n  0\nENDSEC\n  0\nEOF\n");
  std::string error;
  EXPECT_FALSE(host().loadDrawing("hostsim_broken.dxf", error));
  EXPECT_NE(error.find("hostsim_broken.dxf"), std::string::npos) << error;
  EXPECT_NE(error.find("line 8: group 10 wants a finite number"), std::string::npos) << error;
  EXPECT_EQ(drawing().entities().size(), 1u);
  EXPECT_FALSE(host().loadDrawing("no/such/file.dxf", error));
  std::remove("hostsim_broken.dxf");
}

TEST_F(DxfTest, UnknownEntitiesAndDuplicateHandlesAreCarriedThrough) {
  const std::string text = entitiesFile(
      "  0\nACME_WIDGET\n  5\n2A\n330\n1F\n100\nAcDbEntity\n  8\nX\n100\nAcmeWidget\n 90\n7\n 10\n1\n 20\n2\n"
      "  1\nA\\U+4E2DB\n310\n0A0B\n"
      "  0\nLINE\n  5\n2a\n100\nAcDbEntity\n  8\n0\n100\nAcDbLine\n 10\n0\n 20\n0\n 30\n0\n 11\n1\n 21\n1\n 31\n0\n");
  hostsim::dxf::ReadResult r = hostsim::dxf::readDxf(text);
  ASSERT_TRUE(r.drawing) << r.error;
  std::vector<const hostsim::Entity*> list = r.drawing->entities();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0]->handle, u"2A");
  EXPECT_NE(list[1]->handle, u"2A") << "a handle used twice gets a new one";
  ASSERT_EQ(r.notes.size(), 1u);
  ChainView widget = list[0]->view();
  EXPECT_EQ(widget.type(), u"ACME_WIDGET");
  EXPECT_EQ(widget.text(1), u"A\u4e2dB");
  EXPECT_EQ(widget.integer(90), 7);
  EXPECT_EQ(widget.find(310)->v.bin.size, 2);
  EXPECT_FALSE(widget.has(330)) << "the owner is the host's";
  std::string again = hostsim::dxf::writeDxf(*r.drawing, {});
  size_t at = again.find("ACME_WIDGET");
  ASSERT_NE(at, std::string::npos);
  EXPECT_NE(again.find("100\nAcmeWidget\n 90\n7\n 10\n1.0\n 20\n2.0\n  1\nA\\U+4E2DB\n310\n0A0B\n", at), std::string::npos)
      << again.substr(at, 300);
}

// A dimension the host does not draw (a diameter) keeps the block it names,
// even when the file lacks that block; a dimension the host draws anew must
// then get another name, or the two share one block and every save after a
// read gives the drawn one yet another.
TEST_F(DxfTest, ANewDimensionBlockNeverTakesTheNameOfAKeptOne) {
  const std::string text = entitiesFile(
      "  0\nDIMENSION\n  5\n30\n100\nAcDbEntity\n  8\n0\n100\nAcDbDimension\n  2\n*D1\n"
      " 10\n0\n 20\n0\n 30\n0\n 11\n5\n 21\n5\n 31\n0\n 70\n3\n100\nAcDbDiametricDimension\n"
      " 15\n10\n 25\n0\n 35\n0\n"
      "  0\nDIMENSION\n  5\n31\n100\nAcDbEntity\n  8\n0\n100\nAcDbDimension\n"
      " 10\n40\n 20\n10\n 30\n0\n 11\n20\n 21\n10\n 31\n0\n 70\n32\n100\nAcDbAlignedDimension\n"
      " 13\n0\n 23\n0\n 33\n0\n 14\n40\n 24\n0\n 34\n0\n 50\n0\n100\nAcDbRotatedDimension\n");
  hostsim::dxf::ReadResult r = hostsim::dxf::readDxf(text);
  ASSERT_TRUE(r.drawing) << r.error;
  const std::string out = hostsim::dxf::writeDxf(*r.drawing, {});
  hostsim::dxf::ReadResult back = hostsim::dxf::readDxf(out);
  ASSERT_TRUE(back.drawing) << back.error;
  std::vector<std::u16string> names;
  for (const hostsim::Entity* e : back.drawing->entities()) names.emplace_back(e->view().text(2).value_or(u""));
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0], u"*D1");
  EXPECT_TRUE(names[1].starts_with(u"*D") && names[1] != u"*D1") << vd::utf16ToUtf8(names[1]);
  EXPECT_TRUE(hostsim::dxf::writeDxf(*back.drawing, {}) == out) << "a second save writes what the first wrote";
}

// What lies in a dimension's own block ("*D", anonymous) is its graphics: a
// dimension in there gets no block of its own, and a block it names is not
// kept by it. Else a save would write blocks that, with the dimension's block
// left out as unused, the next save leaves out.
TEST(DxfReader, ADimensionBlockIsWrittenAsItIsOrNotAtAll) {
  auto dimensionNaming = [](const std::string& blockName) {
    return "  0\nDIMENSION\n100\nAcDbEntity\n  8\n0\n100\nAcDbDimension\n  2\n" + blockName +
           "\n 10\n40\n 20\n10\n 30\n0\n 11\n20\n 21\n10\n 31\n0\n 70\n32\n100\nAcDbAlignedDimension\n"
           " 13\n0\n 23\n0\n 33\n0\n 14\n40\n 24\n0\n 34\n0\n 50\n0\n100\nAcDbRotatedDimension\n";
  };
  const std::string dimension = dimensionNaming("*D4");
  auto block = [](const std::string& name, const std::string& records, const char* flags = "1") {
    return "  0\nBLOCK\n  8\n0\n  2\n" + name + "\n 70\n" + flags + "\n 10\n0\n 20\n0\n 30\n0\n" + records +
           "  0\nENDBLK\n  8\n0\n";
  };
  const std::string blocks = "  0\nSECTION\n  2\nBLOCKS\n" + block("*D2", dimension) +
                             block("*D4", "  0\nPOINT\n  8\n0\n 10\n0\n 20\n0\n 30\n0\n") + "  0\nENDSEC\n";
  // A "*D" block without the anonymous flag holding a dimension that names
  // that very block: it is kept as it is, not replaced by its own dimension.
  const std::string selfNamed =
      "  0\nSECTION\n  2\nBLOCKS\n" + block("*D6", dimensionNaming("*D6"), "0") + "  0\nENDSEC\n";
  const struct {
    const char* what;
    std::string entities;
    std::vector<std::u16string> blocks;  // the blocks written
    bool selfNamed = false;
  } cases[] = {
      {"nothing names the dimension's block", "", {}},
      {"a reference keeps it", "  0\nINSERT\n  8\n0\n  2\n*D2\n 10\n0\n 20\n0\n 30\n0\n", {u"*D2"}},
      {"a block not flagged anonymous, named by its own dimension", "", {u"*D6"}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    hostsim::dxf::ReadResult r = hostsim::dxf::readDxf((c.selfNamed ? selfNamed : blocks) + entitiesFile(c.entities));
    ASSERT_TRUE(r.drawing) << r.error;
    const std::string out = hostsim::dxf::writeDxf(*r.drawing, {});
    hostsim::dxf::ReadResult back = hostsim::dxf::readDxf(out);
    ASSERT_TRUE(back.drawing) << back.error;
    std::vector<std::u16string> names;
    for (const auto& b : back.drawing->blocks()) names.push_back(b->name);
    EXPECT_EQ(names, c.blocks);
    EXPECT_TRUE(hostsim::dxf::writeDxf(*back.drawing, {}) == out) << "a second save writes what the first wrote";
  }
}

TEST(DxfText, EveryCharacterComesBackAsItWasWritten) {
  const vstring text = u"\u017dlu\u0165ou\u010dk\u00fd k\u016f\u0148 \u4e2d\u20ac";
  std::string encoded = hostsim::dxf::encodeText(text);
  EXPECT_EQ(encoded.find("\\U+017D"), std::string::npos) << "code page 1250 has the Czech letters";
  EXPECT_EQ(hostsim::dxf::decodeText(encoded, false), text);
  EXPECT_EQ(hostsim::dxf::decodeText("\\U+00", false), u"\\U+00") << "a cut escape stays text";
  // What the reader would not give back as it stands goes out escaped: line
  // ends, NUL, a backslash that starts "U+", and a digit behind a small
  // escape that would make it one of eight digits. Other control characters
  // go out as they are.
  const struct {
    vstring text;
    const char* encoded;
  } cases[] = {
      {u"a\nz", "a\\U+000Az"},
      {u"a\r", "a\\U+000D"},
      {vstring(u"a\0b", 3), "a\\U+0000b"},
      {u"\\U+0041", "\\U+005CU+0041"},
      {u"\\P\\U", "\\P\\U"},
      {u"\r" u"0000", "\\U+000D\\U+0030000"},
      {u"\n" u"FFFF", "\\U+000A\\U+0046FFF"},
      {u"\t\x01" u"0000", "\t\x01" "0000"},
      {u"\u4e2d" u"0001", "\\U+4E2D0001"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.encoded);
    EXPECT_EQ(hostsim::dxf::encodeText(c.text), c.encoded);
    EXPECT_EQ(hostsim::dxf::decodeText(c.encoded, false), c.text);
  }
  // Every 16-bit unit, between letters and in front of hex digits.
  for (unsigned u = 0; u <= 0xFFFF; ++u) {
    const vstring one = u"x" + vstring(1, static_cast<vchar>(u)) + u"1F600";
    const std::string out = hostsim::dxf::encodeText(one);
    ASSERT_EQ(out.find_first_of(std::string("\n\r\0", 3)), std::string::npos) << u;
    ASSERT_EQ(hostsim::dxf::decodeText(out, false), one) << u;
  }
}

TEST(DxfRead, BadFilesAreRefusedWithAMessageThatSaysWhatIsWrong) {
  struct Case {
    const char* what;
    std::string text;
    const char* expected;
  };
  const std::string big(2 * 32768, 'A');  // 32768 bytes of hex
  const std::string head = "  0\nSECTION\n  2\nENTITIES\n";
  const Case cases[] = {
      {"no data", "", "no DXF data"},
      {"code not a number", head + "abc\nLINE\n", "line 5"},
      {"value missing", head + "  0\nLINE\n 10", "without value"},
      {"real not a number", head + "  0\nLINE\n 10\nfoo\n 20\n0\n  0\nENDSEC\n  0\nEOF\n", "line 8: group 10 wants a finite number"},
      {"point without y", head + "  0\nLINE\n 10\n1.0\n 11\n2.0\n 21\n0\n  0\nENDSEC\n  0\nEOF\n", "without its y group"},
      {"short out of range", head + "  0\nLINE\n 62\n99999\n  0\nENDSEC\n  0\nEOF\n", "out of range"},
      {"code without kind", head + "  0\nLINE\n 80\n1\n  0\nENDSEC\n  0\nEOF\n", "group code 80 has no value kind"},
      {"odd hex", head + "  0\nLINE\n310\nABC\n  0\nENDSEC\n  0\nEOF\n", "line 8: binary group 310 has an odd number of hex digits"},
      {"no ENDSEC", head + "  0\nLINE\n 10\n1\n 20\n2\n", "no ENDSEC"},
      {"not a section", "  0\nLINE\n  0\nEOF\n", "SECTION was expected"},
      {"NaN", entitiesFile(lineRecord("20", "nan")), "line 16: group 10 wants a finite number, not \"nan\""},
      {"beyond a double", entitiesFile(lineRecord("20", "1e999")), "group 10 wants a finite number, not \"1e999\""},
      {"infinity", entitiesFile(lineRecord("20", "-inf")), "group 10 wants a finite number, not \"-inf\""},
      {"hexadecimal real", entitiesFile(lineRecord("20", "0x10")), "group 10 wants a finite number, not \"0x10\""},
      {"comma", entitiesFile(lineRecord("20", "1,5")), "wants a finite number, not \"1,5\""},
      {"NUL in a text",
       entitiesFile(std::string("  0\nTEXT\n  5\n20\n100\nAcDbEntity\n  8\n0\n  1\nab\0cd\n", 48)),
       "line 14: the value of group 1 holds a NUL byte"},
      {"entity name", entitiesFile("  0\nLINE\n -1\n7F00\n"), "line 7: group -1 (an entity name) has no place"},
      {"extended-data marker", entitiesFile("  0\nLINE\n -3\n\n"), "group -3 (the extended-data marker) has no place"},
      {"chunk too long", entitiesFile("  0\nLINE\n310\n" + big + "\n"), "holds 32768 bytes; a group holds at most 32767"},
      {"chunk not hex", entitiesFile("  0\nLINE\n310\n0AZZ\n"), "\"ZZ\", which is no hex byte"},
      {"ENDSEC missing before a section",
       "  0\nSECTION\n  2\nENTITIES\n" + lineRecord("20") + "  0\nSECTION\n  2\nOBJECTS\n  0\nENDSEC\n  0\nEOF\n",
       "SECTION inside section ENTITIES, which has no ENDSEC"},
      {"ENDSEC missing before EOF", "  0\nSECTION\n  2\nENTITIES\n" + lineRecord("20") + "  0\nEOF\n",
       "EOF inside section ENTITIES, which has no ENDSEC"},
      {"object among entities", entitiesFile(lineRecord("20") + "  0\nDICTIONARY\n  5\nC\n100\nAcDbDictionary\n"),
       "\"DICTIONARY\" is no entity: the ENTITIES section lacks its end before it"},
      {"unknown object among entities", entitiesFile("  0\nACME_DATA\n  5\nC\n100\nAcmeData\n 90\n1\n"),
       "\"ACME_DATA\" is no entity"},
      {"ENDBLK missing before a block",
       "  0\nSECTION\n  2\nBLOCKS\n  0\nBLOCK\n  2\nA\n 10\n0\n 20\n0\n" + lineRecord("20") +
           "  0\nBLOCK\n  2\nB\n 10\n0\n 20\n0\n  0\nENDBLK\n  0\nENDSEC\n  0\nEOF\n",
       "BLOCK inside block A, which has no ENDBLK"},
      {"ENDBLK missing before ENDSEC",
       "  0\nSECTION\n  2\nBLOCKS\n  0\nBLOCK\n  2\nA\n 10\n0\n 20\n0\n" + lineRecord("20") + "  0\nENDSEC\n  0\nEOF\n",
       "block A has no ENDBLK"},
      {"block defined twice",
       "  0\nSECTION\n  2\nBLOCKS\n  0\nBLOCK\n  2\nA\n 10\n0\n 20\n0\n  0\nENDBLK\n"
       "  0\nBLOCK\n  2\na\n 10\n0\n 20\n0\n  0\nENDBLK\n  0\nENDSEC\n  0\nEOF\n",
       "line 16: block a is defined twice"},
      {"layout block twice",
       "  0\nSECTION\n  2\nBLOCKS\n  0\nBLOCK\n  2\n*Paper_Space1\n  0\nENDBLK\n"
       "  0\nBLOCK\n  2\n*PAPER_SPACE1\n  0\nENDBLK\n  0\nENDSEC\n  0\nEOF\n",
       "line 12: block *PAPER_SPACE1 is defined twice"},
      {"object in a block",
       "  0\nSECTION\n  2\nBLOCKS\n  0\nBLOCK\n  2\nA\n 10\n0\n 20\n0\n  0\nXRECORD\n  5\n30\n100\nAcDbXrecord\n"
       "  0\nENDBLK\n  0\nENDSEC\n  0\nEOF\n",
       "\"XRECORD\" is no entity: block A lacks its end before it"},
      {"unclosed reactors",
       entitiesFile("  0\nLINE\n  5\n20\n102\n{ACAD_REACTORS\n330\n1F\n100\nAcDbEntity\n  8\n0\n100\nAcDbLine\n"
                    " 10\n1\n 20\n2\n 11\n3\n 21\n4\n"),
       "line 10: the 102 group is not closed before the LINE ends"},
      {"unclosed group of a layer",
       "  0\nSECTION\n  2\nTABLES\n  0\nTABLE\n  2\nLAYER\n  0\nLAYER\n  2\nt\n102\n{\n  0\nENDTAB\n  0\nENDSEC\n"
       "  0\nEOF\n",
       "line 14: the 102 group is not closed before the LAYER record ends"},
      {"nested control groups",
       entitiesFile("  0\nLINE\n102\n{ACAD_REACTORS\n102\n{ACAD_XDICTIONARY\n102\n}\n102\n}\n"),
       "opens inside the one of line 8"},
      {"stray close", entitiesFile("  0\nLINE\n102\n}\n"), "a 102 } closes no group"},
      {"table without ENDTAB", "  0\nSECTION\n  2\nTABLES\n  0\nTABLE\n  2\nLAYER\n  0\nENDSEC\n  0\nEOF\n",
       "table LAYER has no ENDTAB"},
      {"two OBJECTS sections",
       "  0\nSECTION\n  2\nOBJECTS\n  0\nENDSEC\n  0\nSECTION\n  2\nOBJECTS\n  0\nENDSEC\n  0\nEOF\n",
       "line 8: a second OBJECTS section"},
      {"record inside the header", "  0\nSECTION\n  2\nHEADER\n  9\n$LUPREC\n 70\n2\n  0\nLINE\n  0\nENDSEC\n  0\nEOF\n",
       "\"LINE\" inside the HEADER section"},
  };
  for (const Case& c : cases) {
    hostsim::dxf::ReadResult r = hostsim::dxf::readDxf(c.text);
    EXPECT_FALSE(r.drawing) << c.what;
    EXPECT_NE(r.error.find(c.expected), std::string::npos) << c.what << ": " << r.error.substr(0, 300);
  }
}

TEST(DxfRead, MessagesQuoteAtMostEightyBytesOfABadLine) {
  const std::string junk(5 << 20, 'x');
  for (const std::string& text : {entitiesFile(lineRecord("20", junk)), "  0\nSECTION\n  2\nENTITIES\n" + junk + "\n1\n"}) {
    hostsim::dxf::ReadResult r = hostsim::dxf::readDxf(text);
    ASSERT_FALSE(r.drawing);
    EXPECT_LT(r.error.size(), 160u) << r.error.substr(0, 200);
    EXPECT_NE(r.error.find("\"" + std::string(80, 'x') + "...\""), std::string::npos);
  }
  // A cut never splits a character: 79 bytes and then a two-byte letter.
  hostsim::dxf::ReadResult r = hostsim::dxf::readDxf(entitiesFile(lineRecord("20", std::string(79, '1') + "\xC5\xBE" + junk)));
  EXPECT_NE(r.error.find("\"" + std::string(79, '1') + "...\""), std::string::npos) << r.error;
}

TEST(DxfRead, NumbersTooSmallForADoubleAreNumbers) {
  const struct {
    const char* text;
    double value;
  } cases[] = {{"4.9e-324", 4.9e-324}, {"1e-310", 1e-310}, {"1e-400", 0.0}, {"-1E-999", -0.0}, {"+2.5", 2.5}};
  for (const auto& c : cases) {
    hostsim::dxf::ReadResult r = hostsim::dxf::readDxf(entitiesFile(lineRecord("20", c.text)));
    ASSERT_TRUE(r.drawing) << c.text << ": " << r.error;
    auto p = r.drawing->findEntity(u"20")->view().point(10);
    EXPECT_EQ(p->x, c.value) << c.text;
    EXPECT_EQ(std::signbit(p->x), std::signbit(c.value)) << c.text;
    // The writer gives the same number back.
    hostsim::dxf::ReadResult again = hostsim::dxf::readDxf(hostsim::dxf::writeDxf(*r.drawing, {}));
    ASSERT_TRUE(again.drawing) << again.error;
    EXPECT_EQ(again.drawing->findEntity(u"20")->view().point(10)->x, c.value) << c.text;
  }
}

TEST(DxfRead, ACommentOrAByteOrderMarkInFrontIsRead) {
  const std::string body = entitiesFile(lineRecord("20"));
  for (const std::string& text : {"999\nmade by a CAD program\n" + body, "\xEF\xBB\xBF" + body,
                                   "\xEF\xBB\xBF" "999\ncomment\n" + body,
                                   "  0\nSECTION\n  2\nENTITIES\n999\ninside\n" + lineRecord("20") + "  0\nENDSEC\n"}) {
    hostsim::dxf::ReadResult r = hostsim::dxf::readDxf(text);
    ASSERT_TRUE(r.drawing) << r.error;
    ASSERT_EQ(r.drawing->entities().size(), 1u);
    EXPECT_FALSE(r.drawing->entities()[0]->view().has(999)) << "a comment is no group of the entity";
  }
  // A byte-order mark says UTF-8, whatever the version.
  hostsim::dxf::ReadResult r = hostsim::dxf::readDxf(
      "\xEF\xBB\xBF" + entitiesFile("  0\nTEXT\n  5\n21\n100\nAcDbEntity\n  8\n0\n100\nAcDbText\n 10\n0\n 20\n0\n"
                                    " 40\n1\n  1\n\xC5\xBDlu\xC5\xA5ou\xC4\x8Dk\xC3\xBD\n"));
  ASSERT_TRUE(r.drawing) << r.error;
  EXPECT_EQ(r.drawing->findEntity(u"21")->view().text(1), u"\u017dlu\u0165ou\u010dk\u00fd");
}

// The binary form of a DXF text: codes of two bytes, or of one as R12 writes
// them (255 and two bytes for a larger code), values as their kind stores them.
std::string binaryForm(const std::string& text, bool shortCodes) {
  std::string out("AutoCAD Binary DXF\r\n\x1a\0", 22);
  auto bytes = [&](uint64_t v, int count) {
    for (int k = 0; k < count; ++k) out.push_back(static_cast<char>((v >> (8 * k)) & 0xFF));
  };
  std::istringstream in(text);
  for (std::string code, value; std::getline(in, code) && std::getline(in, value);) {
    const int c = std::atoi(code.c_str());
    if (shortCodes && c < 255) {
      bytes(static_cast<uint64_t>(c), 1);
    } else {
      if (shortCodes) bytes(255, 1);
      bytes(static_cast<uint64_t>(c), 2);
    }
    const vd::ValueKind kind = vd::kindOf(vd::groupCodeKind(c));
    if (kind == vd::kKindReal || kind == vd::kKindPoint) {
      const double d = std::strtod(value.c_str(), nullptr);
      uint64_t bits = 0;
      std::memcpy(&bits, &d, sizeof d);
      bytes(bits, 8);
    } else if (kind == vd::kKindInt16 || kind == vd::kKindInt16b) {
      bytes(static_cast<uint64_t>(std::atoll(value.c_str())), 2);
    } else if (kind == vd::kKindInt32) {
      bytes(static_cast<uint64_t>(std::atoll(value.c_str())), 4);
    } else {
      out += value;
      out.push_back('\0');
    }
  }
  return out;
}

TEST(DxfRead, BinaryFilesReadAsTheirTextFormAndTextAfterEofIsLeft) {
  const std::string text = entitiesFile(lineRecord("20", "1.25") +
                                        "  0\nTEXT\n  5\n21\n100\nAcDbEntity\n  8\nWALLS\n 62\n3\n100\nAcDbText\n"
                                        " 10\n0.1\n 20\n-7e-3\n 40\n2.5\n  1\nPlan\n");
  hostsim::dxf::ReadResult expected = hostsim::dxf::readDxf(text);
  ASSERT_TRUE(expected.drawing) << expected.error;
  struct Case {
    const char* what;
    std::string file;
    size_t notes;
  };
  const Case cases[] = {
      {"two-byte codes", binaryForm(text, false), 0},
      {"R12's one-byte codes", binaryForm(text, true), 0},
      {"text after EOF", text + "written by a converter\n\x01\x02 not DXF\n", 1},
      {"blank lines after EOF", text + "\n\n", 0},
  };
  for (const Case& c : cases) {
    hostsim::dxf::ReadResult r = hostsim::dxf::readDxf(c.file);
    ASSERT_TRUE(r.drawing) << c.what << ": " << r.error;
    EXPECT_EQ(hostsim::dxf::writeDxf(*r.drawing, r.variables, r.environment),
              hostsim::dxf::writeDxf(*expected.drawing, expected.variables, expected.environment))
        << c.what;
    EXPECT_EQ(r.notes.size(), c.notes) << c.what;
  }
  // A binary file broken off inside a group says so, with the group's line in the text form.
  const std::string whole = binaryForm(text, false);
  hostsim::dxf::ReadResult cut = hostsim::dxf::readDxf(whole.substr(0, whole.find("Plan")));
  EXPECT_FALSE(cut.drawing);
  EXPECT_NE(cut.error.find("ends inside a group"), std::string::npos) << cut.error;
  // A value with a line end has no text form: refused, as a NUL in a text file is.
  std::string broken = whole;
  broken.replace(broken.find("Plan"), 4, "Pl\nn");
  hostsim::dxf::ReadResult lineEnd = hostsim::dxf::readDxf(broken);
  EXPECT_FALSE(lineEnd.drawing);
  EXPECT_NE(lineEnd.error.find("the value of group 1 holds a line end"), std::string::npos) << lineEnd.error;
}

// The value of a hexadecimal handle text.
uint64_t hexValue(const std::string& text) { return std::strtoull(text.c_str(), nullptr, 16); }

// Every handle (groups 5 and 105) of a DXF text, and its $HANDSEED.
std::pair<std::vector<std::string>, std::string> handlesOf(const std::string& text) {
  std::vector<std::string> handles;
  std::string seed;
  std::istringstream in(text);
  std::string previous;
  for (std::string code, value; std::getline(in, code) && std::getline(in, value);) {
    int c = std::atoi(code.c_str());
    if ((c == 5 || c == 105) && previous == "$HANDSEED") {
      seed = value;
    } else if (c == 5 || c == 105) {
      handles.push_back(value);
    }
    previous = c == 9 ? value : "";
  }
  return {handles, seed};
}

// A text style whose handle leaves no room for new ones gets another, and
// what points to it follows: a line type's shaped dash, a dimension style,
// an object kept as read.
TEST_F(DxfTest, ReferencesFollowAHandleThatLeavesNoRoom) {
  const std::string big = "FFFFFFFFFFFFFFF0";
  const std::string text =
      "  0\nSECTION\n  2\nTABLES\n"
      "  0\nTABLE\n  2\nSTYLE\n  0\nSTYLE\n  5\n" + big + "\n  2\nT\n 70\n0\n 40\n0.0\n 41\n1.0\n 50\n0.0\n"
      " 71\n0\n 42\n2.5\n  3\ntxt\n  4\n\n  0\nENDTAB\n"
      "  0\nTABLE\n  2\nLTYPE\n  0\nLTYPE\n  5\n42\n  2\nDASHED\n 70\n0\n  3\n\n 72\n65\n 73\n1\n 40\n1.0\n"
      " 49\n1.0\n 74\n2\n 75\n0\n340\n" + big + "\n 46\n1.0\n 50\n0.0\n 44\n0.0\n 45\n0.0\n  9\nA\n  0\nENDTAB\n"
      "  0\nTABLE\n  2\nDIMSTYLE\n  0\nDIMSTYLE\n105\n43\n  2\nS\n 70\n0\n340\n" + big + "\n  0\nENDTAB\n"
      "  0\nENDSEC\n  0\nSECTION\n  2\nOBJECTS\n"
      "  0\nDICTIONARY\n  5\nC\n330\n0\n100\nAcDbDictionary\n  3\nOTHER\n350\n50\n"
      "  0\nXRECORD\n  5\n50\n330\nC\n100\nAcDbXrecord\n340\n" + big + "\n"
      "  0\nENDSEC\n  0\nEOF\n";
  hostsim::dxf::ReadResult r = hostsim::dxf::readDxf(text);
  ASSERT_TRUE(r.drawing) << r.error;
  vstring style;
  for (const hostsim::TableRecord& t : r.drawing->tableRecords())
    if (t.table == u"STYLE" && t.chain.view().text(2) == std::optional<vstring_view>(u"T")) style = t.handle;
  ASSERT_FALSE(style.empty());
  EXPECT_NE(utf16ToUtf8(style), big) << "a handle that leaves no room is not kept";
  const std::string written = hostsim::dxf::writeDxf(*r.drawing, r.variables, r.environment);
  size_t following = 0;
  for (size_t at = written.find("340\n" + utf16ToUtf8(style) + "\n"); at != std::string::npos;
       at = written.find("340\n" + utf16ToUtf8(style) + "\n", at + 1))
    ++following;
  EXPECT_EQ(following, 3u) << "the dash, the dimension style and the kept object name the style\n" << written;
  EXPECT_EQ(written.find(big), std::string::npos) << "nothing names the old handle";
}

// A file whose handles leave no room below the ceiling (FFFFFFFF00000000):
// new handles fill its gaps from the bottom, never at or above the ceiling,
// where the next read would replace them, and a save read back saves the
// same. The first file's seed, the second's kept record of a section the
// host does not read, push the counter to the ceiling.
TEST_F(DxfTest, HandlesNeverWrapAndNeverRepeat) {
  const std::string lines = entitiesFile(lineRecord("FFFFFFFFFFFFFFFF") + lineRecord("FFFFFFFEFFFFFFFF") + lineRecord("3"));
  const std::string files[] = {
      "  0\nSECTION\n  2\nHEADER\n  9\n$HANDSEED\n  5\nFFFFFFFFFFFFFFFF\n  0\nENDSEC\n" + lines,
      "  0\nSECTION\n  2\nTHUMBNAILIMAGE\n  5\nFFFFFFFFFFFFFF19\n  0\nENDSEC\n" + lines,
  };
  for (const std::string& text : files) {
    SCOPED_TRACE(text.substr(0, 60));
    hostsim::dxf::ReadResult r = hostsim::dxf::readDxf(text);
    ASSERT_TRUE(r.drawing) << r.error;
    std::vector<const hostsim::Entity*> list = r.drawing->entities();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_NE(list[0]->handle, u"FFFFFFFFFFFFFFFF") << "a handle that leaves no room is not kept";
    EXPECT_EQ(list[1]->handle, u"FFFFFFFEFFFFFFFF") << "one below the ceiling is";
    EXPECT_EQ(list[2]->handle, u"3");
    ASSERT_EQ(r.notes.size(), 1u);
    EXPECT_NE(r.notes[0].find("leaves no room"), std::string::npos) << r.notes[0];
    // New handles lie below the ceiling, pass over the file's and are never used twice.
    std::set<vstring> seen;
    for (const auto* e : list) seen.insert(e->handle);
    for (int i = 0; i < 1000; ++i) {
      vstring h = r.drawing->newHandle();
      EXPECT_LT(hexValue(utf16ToUtf8(h)), 0xFFFFFFFF00000000ull);
      EXPECT_TRUE(seen.insert(h).second) << utf16ToUtf8(h);
    }
    const std::string written = hostsim::dxf::writeDxf(*r.drawing, {});
    auto [handles, seed] = handlesOf(written);
    std::set<std::string> unique(handles.begin(), handles.end());
    EXPECT_EQ(unique.size(), handles.size()) << "a handle written twice";
    hostsim::dxf::ReadResult back = hostsim::dxf::readDxf(written);
    ASSERT_TRUE(back.drawing) << back.error;
    EXPECT_EQ(hostsim::dxf::writeDxf(*back.drawing, {}), written) << "a save read back saves the same";
  }
}

TEST_F(DxfTest, NonFiniteNumbersAreNeverWritten) {
  make(line(0, 0, 1, 1));
  ChainBuilder bad;
  bad.text(0, u"CIRCLE").text(5, u"77").text(8, u"0").point(10, 1, std::nan(""), 0).real(40, 2);
  drawing().importEntity(bad.build(), u"77", {});
  // A save that is refused leaves the file as it was.
  auto refusedSave = [&](const char* why) {
    vdtest::writeBytes("hostsim_kept.dxf", "kept");
    std::string error;
    EXPECT_FALSE(host().saveDrawing("hostsim_kept.dxf", error)) << why;
    EXPECT_NE(error.find(why), std::string::npos) << error;
    EXPECT_EQ(vdtest::readBytes("hostsim_kept.dxf"), "kept") << why;
    std::remove("hostsim_kept.dxf");
  };
  refusedSave("entity 77 (CIRCLE): group 10 is not a finite point (1,nan,0)");
  // Host settings that are not finite are refused the same way.
  host().reset();
  hostsim::Variable scale;
  scale.value[0] = std::numeric_limits<double>::infinity();
  host().setVariable(u"DIMSCALE", scale);
  refusedSave("variable DIMSCALE is not a finite number");
  host().reset();
  host().environment[u"DIMRND"] = u"nan";
  refusedSave("environment setting DIMRND is not a finite number");
}

// A drawing's settings as another program writes them: header variables, a
// layer in true colour, a dimension style holding many variables and naming
// its text style and arrow block by handle.
std::string settingsFile(const std::string& extraHeader = "") {
  return "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1015\n  9\n$HANDSEED\n  5\n400\n"
         "  9\n$INSUNITS\n 70\n4\n  9\n$LTSCALE\n 40\n2.5\n  9\n$EXTMIN\n 10\n-5.0\n 20\n-6.0\n 30\n0.0\n"
         "  9\n$LIMMAX\n 10\n420.0\n 20\n297.0\n  9\n$DIMSTYLE\n  2\nVD\n  9\n$DIMDEC\n 70\n3\n  9\n$LUPREC\n 70\n2\n"
         "  9\n$CMATERIAL\n347\n99\n" + extraHeader +
         "  0\nENDSEC\n"
         "  0\nSECTION\n  2\nTABLES\n"
         "  0\nTABLE\n  2\nLAYER\n  5\n2\n330\n0\n100\nAcDbSymbolTable\n 70\n1\n"
         "  0\nLAYER\n  5\n10\n330\n2\n100\nAcDbSymbolTableRecord\n100\nAcDbLayerTableRecord\n  2\nKOTY\n 70\n0\n"
         " 62\n3\n420\n16744448\n  6\nContinuous\n370\n-3\n  0\nENDTAB\n"
         "  0\nTABLE\n  2\nSTYLE\n  5\n3\n330\n0\n100\nAcDbSymbolTable\n 70\n1\n"
         "  0\nSTYLE\n  5\n11\n330\n3\n100\nAcDbSymbolTableRecord\n100\nAcDbTextStyleTableRecord\n  2\nISO\n 70\n0\n"
         " 40\n0.0\n 41\n1.0\n 50\n0.0\n 71\n0\n 42\n2.5\n  3\nisocp.shx\n  4\n\n  0\nENDTAB\n"
         "  0\nTABLE\n  2\nDIMSTYLE\n  5\n4\n330\n0\n100\nAcDbSymbolTable\n 70\n1\n100\nAcDbDimStyleTable\n"
         "  0\nDIMSTYLE\n105\n12\n330\n4\n100\nAcDbSymbolTableRecord\n100\nAcDbDimStyleTableRecord\n  2\nVD\n 70\n0\n"
         " 40\n50.0\n 42\n1.5\n 45\n0.25\n 73\n0\n 74\n0\n 75\n1\n 76\n1\n 77\n1\n 78\n12\n 79\n3\n 90\n2\n"
         "271\n4\n278\n46\n340\n11\n342\n20\n371\n-2\n372\n25\n  0\nENDTAB\n"
         "  0\nTABLE\n  2\nBLOCK_RECORD\n  5\n5\n330\n0\n100\nAcDbSymbolTable\n 70\n3\n"
         "  0\nBLOCK_RECORD\n  5\n1F\n330\n5\n100\nAcDbSymbolTableRecord\n100\nAcDbBlockTableRecord\n  2\n*Model_Space\n"
         "  0\nBLOCK_RECORD\n  5\n1B\n330\n5\n100\nAcDbSymbolTableRecord\n100\nAcDbBlockTableRecord\n  2\n*Paper_Space\n"
         "  0\nBLOCK_RECORD\n  5\n20\n330\n5\n100\nAcDbSymbolTableRecord\n100\nAcDbBlockTableRecord\n  2\n_ArchTick\n"
         "  0\nENDTAB\n  0\nENDSEC\n"
         "  0\nSECTION\n  2\nBLOCKS\n"
         "  0\nBLOCK\n  5\n21\n330\n1F\n100\nAcDbEntity\n  8\n0\n100\nAcDbBlockBegin\n  2\n*Model_Space\n 70\n0\n"
         " 10\n0.0\n 20\n0.0\n 30\n0.0\n  0\nENDBLK\n  5\n22\n330\n1F\n100\nAcDbEntity\n  8\n0\n100\nAcDbBlockEnd\n"
         "  0\nBLOCK\n  5\n23\n330\n20\n100\nAcDbEntity\n  8\n0\n100\nAcDbBlockBegin\n  2\n_ArchTick\n 70\n0\n"
         " 10\n0.0\n 20\n0.0\n 30\n0.0\n" + lineRecord("24") +
         "  0\nENDBLK\n  5\n25\n330\n20\n100\nAcDbEntity\n  8\n0\n100\nAcDbBlockEnd\n  0\nENDSEC\n" +
         "  0\nSECTION\n  2\nENTITIES\n" + lineRecord("30") + "  0\nENDSEC\n"
         "  0\nSECTION\n  2\nOBJECTS\n  0\nDICTIONARY\n  5\nC\n330\n0\n100\nAcDbDictionary\n  3\nACAD_GROUP\n350\nD\n"
         "  0\nDICTIONARY\n  5\nD\n330\nC\n100\nAcDbDictionary\n  0\nENDSEC\n  0\nEOF\n";
}

// The groups of the record of a table whose name is given, as "code=value" lines.
std::string recordOf(const std::string& text, const std::string& type, const std::string& name) {
  std::istringstream in(text);
  std::vector<std::pair<std::string, std::string>> tags;
  for (std::string code, value; std::getline(in, code) && std::getline(in, value);) tags.emplace_back(code, value);
  for (size_t i = 0; i < tags.size(); ++i) {
    if (std::atoi(tags[i].first.c_str()) != 0 || tags[i].second != type) continue;
    std::string out;
    bool named = false;
    for (size_t k = i + 1; k < tags.size() && std::atoi(tags[k].first.c_str()) != 0; ++k) {
      int code = std::atoi(tags[k].first.c_str());
      named = named || (code == 2 && tags[k].second == name);
      out += std::to_string(code) + "=" + tags[k].second + "\n";
    }
    if (named) return out;
  }
  return {};
}

TEST_F(DxfTest, SavingKeepsTheSettingsAndHandlesOfTheFile) {
  hostsim::dxf::ReadResult r = hostsim::dxf::readDxf(settingsFile());
  ASSERT_TRUE(r.drawing) << r.error;
  std::string out = hostsim::dxf::writeDxf(*r.drawing, r.variables);
  ASSERT_FALSE(out.empty());
  // Header variables the host does not know go out as they came.
  for (const char* needle : {"$INSUNITS\n 70\n4\n", "$LTSCALE\n 40\n2.5\n", "$EXTMIN\n 10\n-5.0\n 20\n-6.0\n 30\n0.0\n",
                             "$LIMMAX\n 10\n420.0\n 20\n297.0\n  9\n", "$DIMSTYLE\n  2\nVD\n", "$DIMDEC\n 70\n3\n",
                             "$LUPREC\n 70\n2\n"}) {
    EXPECT_NE(out.find(needle), std::string::npos) << needle;
  }
  EXPECT_EQ(out.find("$CMATERIAL"), std::string::npos) << "a handle of an object the host does not keep";
  // Table records keep their groups and handles; the style names its text
  // style and arrow block by the handles they keep.
  EXPECT_EQ(recordOf(out, "LAYER", "KOTY"),
            "5=10\n330=2\n100=AcDbSymbolTableRecord\n100=AcDbLayerTableRecord\n2=KOTY\n70=0\n62=3\n420=16744448\n"
            "6=Continuous\n370=-3\n");
  EXPECT_EQ(recordOf(out, "DIMSTYLE", "VD"),
            "105=12\n330=4\n100=AcDbSymbolTableRecord\n100=AcDbDimStyleTableRecord\n2=VD\n70=0\n40=50.0\n42=1.5\n"
            "45=0.25\n73=0\n74=0\n75=1\n76=1\n77=1\n78=12\n79=3\n90=2\n271=4\n278=46\n340=11\n342=20\n371=-2\n372=25\n");
  EXPECT_NE(recordOf(out, "STYLE", "ISO").find("5=11\n"), std::string::npos);
  EXPECT_NE(recordOf(out, "BLOCK_RECORD", "_ArchTick").find("5=20\n"), std::string::npos);
  for (const char* needle : {"TABLE\n  2\nLAYER\n  5\n2\n", "TABLE\n  2\nDIMSTYLE\n  5\n4\n", "BLOCK\n  5\n21\n330\n1F\n",
                             "ENDBLK\n  5\n22\n330\n1F\n", "BLOCK\n  5\n23\n330\n20\n", "ENDBLK\n  5\n25\n330\n20\n",
                             "DICTIONARY\n  5\nC\n330\n0\n", "ACAD_GROUP\n350\nD\n"}) {
    EXPECT_NE(out.find(needle), std::string::npos) << needle;
  }
  // Saved, loaded and saved again, nothing changes: the seed stays where it was.
  hostsim::dxf::ReadResult again = hostsim::dxf::readDxf(out);
  ASSERT_TRUE(again.drawing) << again.error;
  EXPECT_EQ(hostsim::dxf::writeDxf(*again.drawing, again.variables), out);
  EXPECT_GE(hexValue(handlesOf(out).second), 0x400u) << "new handles start at the file's seed";

  // A reference to a record the file lacks is not written.
  hostsim::dxf::ReadResult dangling = hostsim::dxf::readDxf(
      [] {
        std::string t = settingsFile();
        const size_t style = t.find("342\n20\n");  // the arrowhead block, by handle
        EXPECT_NE(style, std::string::npos);
        if (style != std::string::npos) t.replace(style + 4, 2, "9F");
        return t;
      }());
  ASSERT_TRUE(dangling.drawing) << dangling.error;
  EXPECT_EQ(recordOf(hostsim::dxf::writeDxf(*dangling.drawing, {}), "DIMSTYLE", "VD").find("342="), std::string::npos);
}

TEST_F(DxfTest, DimensionSettingsAreThoseOfANewMetricDrawingUntilAFileSetsThem) {
  // Each setting as the module reads it: environment texts, and reals or shorts through GetVarW.
  auto setting = [&](const char16_t* name, int kind) -> vstring {
    if (kind == 0) {
      vchar buffer[260];
      api().GetEnvStrW(name, buffer, 260);
      return vstring(buffer);
    }
    ChainView v(api().GetVarW(name, kind));
    return utf8ToUtf16(kind == kRtReal ? std::to_string(v.real(kind).value_or(-1)) : std::to_string(v.integer(kind).value_or(-1)));
  };
  const struct {
    const char16_t* name;
    int kind;  // 0: GetEnvStrW
    const char16_t* fresh;
    const char16_t* loaded;  // the header decides; what it lacks comes from its current style (VD)
  } cases[] = {
      {u"DIMDEC", 0, u"2", u"3"},  // the header's, not the style's 4
      {u"DIMRND", 0, u"0", u"0.25"},
      {u"DIMZIN", 0, u"8", u"12"},
      {u"DIMDSEP", 0, u",", u"."},
      {u"DIMEXO", kRtReal, u"0.625000", u"0.800000"},
      {u"DIMSCALE", kRtReal, u"1.000000", u"50.000000"},
      {u"LUPREC", kRtShort, u"4", u"2"},
  };
  for (const auto& c : cases) EXPECT_EQ(setting(c.name, c.kind), c.fresh) << utf16ToUtf8(c.name);
  vdtest::writeBytes("hostsim_settings.dxf", settingsFile("  9\n$DIMEXO\n 40\n0.8\n"));
  std::string error;
  ASSERT_TRUE(host().loadDrawing("hostsim_settings.dxf", error)) << error;
  std::remove("hostsim_settings.dxf");
  for (const auto& c : cases) EXPECT_EQ(setting(c.name, c.kind), c.loaded) << utf16ToUtf8(c.name);

  // Saved, the header carries the host's settings.
  host().environment[u"DIMZIN"] = u"0";
  ASSERT_TRUE(host().saveDrawing("hostsim_settings.dxf", error)) << error;
  const std::string out = vdtest::readBytes("hostsim_settings.dxf");
  std::remove("hostsim_settings.dxf");
  for (const char* needle : {"$DIMZIN\n 70\n0\n", "$DIMDSEP\n 70\n46\n", "$DIMRND\n 40\n0.25\n", "$DIMEXO\n 40\n0.8\n",
                             "$DIMDEC\n 70\n3\n"}) {
    EXPECT_NE(out.find(needle), std::string::npos) << needle;
  }
}

TEST_F(DxfTest, CharactersBeyondTheBasicPlaneSurvive) {
  const vstring smile = u"a\U0001F600b";
  EXPECT_EQ(hostsim::dxf::decodeText("a\\U+0001f600b", false), smile);
  EXPECT_EQ(hostsim::dxf::decodeText("a\\U+D83D\\U+DE00b", false), smile) << "a pair of escapes is one character";
  EXPECT_EQ(hostsim::dxf::encodeText(smile), "a\\U+0001F600b");
  EXPECT_EQ(hostsim::dxf::encodeText(u"\xD83D"), "\\U+D83D") << "a lone surrogate stays what it is";
  EXPECT_EQ(hostsim::dxf::decodeText("\\U+00410042", false), u"A0042") << "not beyond U+FFFF: four digits";
  // An R2018 file holds the character as UTF-8; saved and read again it is the same.
  const std::string text = "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1032\n  0\nENDSEC\n" +
                           entitiesFile("  0\nTEXT\n  5\n21\n100\nAcDbEntity\n  8\n0\n100\nAcDbText\n 10\n0\n 20\n0\n"
                                        " 40\n1\n  1\na\xF0\x9F\x98\x80z\n");
  hostsim::dxf::ReadResult r = hostsim::dxf::readDxf(text);
  ASSERT_TRUE(r.drawing) << r.error;
  EXPECT_EQ(r.drawing->findEntity(u"21")->view().text(1), u"a\U0001F600z");
  std::string out = hostsim::dxf::writeDxf(*r.drawing, {});
  EXPECT_NE(out.find("  1\na\\U+0001F600z\n"), std::string::npos);
  hostsim::dxf::ReadResult again = hostsim::dxf::readDxf(out);
  ASSERT_TRUE(again.drawing) << again.error;
  EXPECT_EQ(again.drawing->findEntity(u"21")->view().text(1), u"a\U0001F600z");
}

TEST_F(DxfTest, R12LayoutBlocksHoldDrawingEntities) {
  const std::string text =
      "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1009\n  0\nENDSEC\n"
      "  0\nSECTION\n  2\nBLOCKS\n"
      "  0\nBLOCK\n  8\n0\n  2\n$MODEL_SPACE\n 70\n0\n 10\n0.0\n 20\n0.0\n 30\n0.0\n  3\n$MODEL_SPACE\n  0\nENDBLK\n"
      "  0\nBLOCK\n 67\n1\n  8\n0\n  2\n$PAPER_SPACE\n 70\n0\n 10\n0.0\n 20\n0.0\n 30\n0.0\n  3\n$PAPER_SPACE\n"
      "  0\nLINE\n 67\n1\n  8\n0\n 10\n0\n 20\n0\n 30\n0\n 11\n210\n 21\n297\n 31\n0\n"
      "  0\nENDBLK\n 67\n1\n  8\n0\n"
      "  0\nBLOCK\n  8\n0\n  2\nMARK\n 70\n0\n 10\n0.0\n 20\n0.0\n 30\n0.0\n  3\nMARK\n"
      "  0\nCIRCLE\n  8\n0\n 10\n0\n 20\n0\n 30\n0\n 40\n1\n  0\nENDBLK\n  8\n0\n"
      "  0\nENDSEC\n" + entitiesFile("  0\nLINE\n  8\n0\n 10\n0\n 20\n0\n 30\n0\n 11\n1\n 21\n1\n 31\n0\n");
  hostsim::dxf::ReadResult r = hostsim::dxf::readDxf(text);
  ASSERT_TRUE(r.drawing) << r.error;
  ASSERT_EQ(r.drawing->blocks().size(), 1u);
  EXPECT_EQ(r.drawing->blocks()[0]->name, u"MARK");
  ASSERT_EQ(r.drawing->entities().size(), 2u);
  EXPECT_EQ(r.drawing->entities()[0]->view().integer(67), 1) << "the paper-space line";
  std::string out = hostsim::dxf::writeDxf(*r.drawing, {});
  EXPECT_EQ(out.find("$MODEL_SPACE"), std::string::npos);
  EXPECT_EQ(out.find("$PAPER_SPACE"), std::string::npos);
}

// A layout's block keeps one record, which its BLOCK, its entities and its
// ENDBLK name as owner: the record its BLOCK names (though no record of the
// file has that handle), else the file's record for its name, else a new
// one. Its handle is nobody else's, the next free handle lies above it, and a
// save read back saves the same.
TEST_F(DxfTest, LayoutBlocksKeepOneRecordEach) {
  const std::string line = "  0\nLINE\n  5\n20\n100\nAcDbEntity\n  8\n0\n100\nAcDbLine\n 10\n0\n 20\n0\n 11\n1\n 21\n1\n";
  const std::string blockEnd = "  0\nENDBLK\n  5\n21\n100\nAcDbEntity\n  8\n0\n100\nAcDbBlockEnd\n";
  auto layout = [&](const std::string& owner, const std::string& entity) {
    return "  0\nSECTION\n  2\nBLOCKS\n  0\nBLOCK\n  5\n1F\n" + (owner.empty() ? "" : "330\n" + owner + "\n") +
           "100\nAcDbEntity\n  8\n0\n100\nAcDbBlockBegin\n  2\n*Paper_Space1\n 70\n0\n 10\n0\n 20\n0\n 30\n0\n" + entity +
           blockEnd + "  0\nENDSEC\n";
  };
  const struct {
    const char* what;
    std::string text;
    std::string record;  // the record's handle, empty where a new one is given
  } cases[] = {
      {"an owner no record has", layout("11E", line) + "  0\nEOF\n", "11E"},
      {"the file's record", "  0\nSECTION\n  2\nTABLES\n  0\nTABLE\n  2\nBLOCK_RECORD\n  0\nBLOCK_RECORD\n  5\n2A\n100\n"
                            "AcDbSymbolTableRecord\n100\nAcDbBlockTableRecord\n  2\n*Paper_Space1\n  0\nENDTAB\n  0\nENDSEC\n" +
                                layout("", line) + "  0\nEOF\n",
       "2A"},
      {"an owner an entity has", layout("30", line) + entitiesFile(lineRecord("30")), "30"},
      {"an owner that leaves no room", layout("FFFFFFFFFFFFFFF0", line) + "  0\nEOF\n", ""},
      {"an R12 entity with extended data",
       layout("11E", "  0\nLINE\n  5\n20\n  8\n0\n 10\n0\n 20\n0\n 11\n1\n 21\n1\n1001\nACAD\n1000\nx\n") + "  0\nEOF\n", "11E"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    hostsim::dxf::ReadResult r = hostsim::dxf::readDxf(c.text);
    ASSERT_TRUE(r.drawing) << r.error;
    const std::string written = hostsim::dxf::writeDxf(*r.drawing, {});
    // The records of the written file, each its groups.
    std::vector<std::vector<std::pair<int, std::string>>> records;
    std::istringstream in(written);
    for (std::string code, value; std::getline(in, code) && std::getline(in, value);) {
      if (std::atoi(code.c_str()) == 0) records.emplace_back();
      if (!records.empty()) records.back().emplace_back(std::atoi(code.c_str()), value);
    }
    auto value = [](const auto& record, int code) {
      for (const auto& [c, v] : record)
        if (c == code) return v;
      return std::string();
    };
    std::string record;
    for (const auto& rec : records)
      if (rec[0].second == "BLOCK_RECORD" && value(rec, 2) == "*Paper_Space1") record = value(rec, 5);
    ASSERT_FALSE(record.empty()) << written;
    if (!c.record.empty()) {
      EXPECT_EQ(record, c.record);
    }
    // The block, its line and its end, one after another, name the record.
    size_t at = 0;
    while (at < records.size() && (records[at][0].second != "BLOCK" || value(records[at], 2) != "*Paper_Space1")) ++at;
    ASSERT_LE(at + 3, records.size());
    for (size_t i = at; i < at + 3; ++i) EXPECT_EQ(value(records[i], 330), record) << records[i][0].second;
    // The owner goes ahead of the extended data, which stays whole.
    const auto& entity = records[at + 1];
    auto index = [&](int code) {
      size_t i = 0;
      while (i < entity.size() && entity[i].first != code) ++i;
      return i;
    };
    EXPECT_LT(index(330), index(1001));
    if (index(1001) < entity.size()) {
      EXPECT_EQ(value(entity, 1000), "x");
    }
    auto [handles, seed] = handlesOf(written);
    std::set<std::string> unique(handles.begin(), handles.end());
    EXPECT_EQ(unique.size(), handles.size()) << "a handle written twice\n" << written;
    EXPECT_GT(hexValue(seed), hexValue(record)) << "new handles lie above the record";
    hostsim::dxf::ReadResult back = hostsim::dxf::readDxf(written);
    ASSERT_TRUE(back.drawing) << back.error;
    EXPECT_EQ(hostsim::dxf::writeDxf(*back.drawing, {}), written) << "a save read back saves the same";
  }
}

}  // namespace

namespace {

// Objects whose records are short enough to live inside their buffers'
// string objects, many of them, so that the list holding them grows and
// moves them: their values must still read right afterwards.
TEST(DxfReader, ShortObjectRecordsReadRightAfterTheListMovesThem) {
  std::string text = "  0\nSECTION\n  2\nOBJECTS\n  0\nDICTIONARY\n  5\nC\n  3\nA\n350\nD\n";
  for (int i = 0; i < 40; ++i) text += "  0\nDICTIONARY\n  5\n" + std::to_string(100 + i) + "\n";
  text += "  0\nENDSEC\n  0\nEOF\n";
  hostsim::dxf::ReadResult r = hostsim::dxf::readDxf(text);
  ASSERT_TRUE(r.drawing) << r.error;
  EXPECT_EQ(r.drawing->structureHandles().rootDictionary, u"C");
}

}  // namespace

namespace {

// Only the HEADER section's $ACADVER makes a file UTF-8: a 9 group in an
// entity is data, and the file stays in code page 1250, before and after a save.
TEST(DxfReader, AVersionOutsideTheHeaderIsData) {
  const std::string text = entitiesFile(
      "  0\nACME_WIDGET\n  5\n40\n100\nAcDbEntity\n  8\n0\n100\nAcmeWidget\n  9\n$ACADVER\n  1\nAC1032\n"
      "  0\nTEXT\n  5\n41\n100\nAcDbEntity\n  8\n0\n100\nAcDbText\n 10\n0\n 20\n0\n 40\n1\n  1\nb\x8Ez\n");
  hostsim::dxf::ReadResult r = hostsim::dxf::readDxf(text);
  ASSERT_TRUE(r.drawing) << r.error;
  EXPECT_EQ(r.drawing->findEntity(u"41")->view().text(1), u"b\u017dz");
  const std::string out = hostsim::dxf::writeDxf(*r.drawing, {});
  hostsim::dxf::ReadResult back = hostsim::dxf::readDxf(out);
  ASSERT_TRUE(back.drawing) << back.error;
  EXPECT_EQ(back.drawing->findEntity(u"41")->view().text(1), u"b\u017dz");
  EXPECT_TRUE(hostsim::dxf::writeDxf(*back.drawing, {}) == out) << "a second save writes what the first wrote";
}

// A block name that holds what a value line cannot (a line end, a NUL, a
// backslash that starts "U+") is found by that name after a save and a read.
TEST(DxfReader, BlockNamesSurviveASaveAndARead) {
  for (const char* name : {"V\\U+000AKA", "V\\U+000DKA", "V\\U+0000KA", "V\\U+005CU+0041KA", "V\xDD\x8AKA"}) {
    SCOPED_TRACE(name);
    const std::string text = std::string("  0\nSECTION\n  2\nBLOCKS\n  0\nBLOCK\n  8\n0\n  2\n") + name +
                             "\n 70\n0\n 10\n0\n 20\n0\n 30\n0\n  0\nENDBLK\n  8\n0\n  0\nENDSEC\n  0\nEOF\n";
    hostsim::dxf::ReadResult first = hostsim::dxf::readDxf(text);
    ASSERT_TRUE(first.drawing) << first.error;
    ASSERT_EQ(first.drawing->blocks().size(), 1u);
    hostsim::dxf::ReadResult again = hostsim::dxf::readDxf(hostsim::dxf::writeDxf(*first.drawing, {}));
    ASSERT_TRUE(again.drawing) << again.error;
    EXPECT_TRUE(again.drawing->findBlock(first.drawing->blocks()[0]->name));
  }
}

}  // namespace
