#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "host_fixture.h"
#include "hostsim/dxf_reader.h"
#include "hostsim/dxf_writer.h"
#include "hostsim/pick.h"

using namespace vd;
using hosttest::HostTest;

namespace {

const double kPi = std::acos(-1.0);

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
    dim.text(0, u"DIMENSION").text(8, u"DIM").text(2, u"*D1").point(10, 0, 20).point(11, 15, 20).integer(70, 32);
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
  {
    // ezdxf audits this file in the hostsim_ezdxf test.
    std::ofstream out("hostsim_made.dxf", std::ios::binary);
    out << text;
  }
  for (const char* needle : {"AcDbRotatedDimension", "AcDbAlignedDimension", "AcDbPolyline", "AcDbBlockReference",
                             "AcDbAttribute", "AcDbAttributeDefinition", "VDHEIGHTDIM", "TR2D_HEIGHTDIM", "AcDbXrecord",
                             "$ACADVER\n  1\nAC1015", "\\U+4E2D", "DASHED", "VDSTYLE", "VDDIM", "WALLS"}) {
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
    // The file's chain carries subclass markers; apart from them every group is the module's.
    std::vector<std::pair<int, std::string>> got;
    for (auto& g : dump(back->view())) {
      if (g.first != 100) got.push_back(g);
    }
    auto want = dump(e->view());
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want) << utf16ToUtf8(e->type());
  }
  ASSERT_EQ(r.drawing->blocks().size(), 2u);
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

const hostsim::Entity* entityOf(const hostsim::Drawing& d, const char16_t* handle) { return d.findEntity(handle); }

TEST_F(DxfTest, AnglesAreDegreesInTheFileAndRadiansInChainsButHatchesKeepDegrees) {
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
      "  0\nENDSEC\n  0\nEOF\n";
  hostsim::dxf::ReadResult r = hostsim::dxf::readDxf(text);
  ASSERT_TRUE(r.drawing) << r.error;

  const hostsim::Entity* arc = entityOf(*r.drawing, u"30");
  ASSERT_NE(arc, nullptr);
  EXPECT_EQ(arc->view().real(50), 0.0);
  EXPECT_NEAR(arc->view().real(51).value_or(0), kPi / 2, 1e-15) << "90 degrees";
  // A pick finds the arc by its sweep in radians: on it at the top, off it on the left.
  EXPECT_NEAR(hostsim::pickDistance(arc->view(), 0, 2), 1.0, 1e-12);
  EXPECT_NEAR(hostsim::pickDistance(arc->view(), -2, 0), std::sqrt(5.0), 1e-12);

  const hostsim::Entity* insert = entityOf(*r.drawing, u"31");
  ASSERT_NE(insert, nullptr);
  EXPECT_NEAR(insert->view().real(50).value_or(0), kPi / 2, 1e-15);
  const hostsim::Entity* textEntity = entityOf(*r.drawing, u"32");
  ASSERT_NE(textEntity, nullptr);
  EXPECT_NEAR(textEntity->view().real(50).value_or(0), std::atan2(2.0, 3.0), 1e-14);

  const hostsim::Block* door = r.drawing->findBlock(u"DOOR");
  ASSERT_NE(door, nullptr);
  ASSERT_EQ(door->entities.size(), 1u);
  EXPECT_NEAR(door->entities[0]->view().real(50).value_or(0), kPi, 1e-15) << "block entities too";
  EXPECT_NEAR(door->entities[0]->view().real(51).value_or(0), 3 * kPi / 2, 1e-15);

  // A hatch's edge and pattern angles stay in degrees.
  const hostsim::Entity* hatch = entityOf(*r.drawing, u"33");
  ASSERT_NE(hatch, nullptr);
  std::vector<std::pair<int, double>> angles;
  for (ChainItem item : hatch->view()) {
    if (item.code() >= 50 && item.code() <= 58) angles.emplace_back(item.code(), item.real().value_or(-1));
  }
  const std::vector<std::pair<int, double>> degrees = {{50, 0.0}, {51, 90.0}, {52, 45.0}, {53, 45.0}};
  EXPECT_EQ(angles, degrees);

  // Written again, every angle is the file's number of degrees.
  std::string out = hostsim::dxf::writeDxf(*r.drawing, r.variables);
  std::string entities = section(out, "ENTITIES"), blocks = section(out, "BLOCKS");
  EXPECT_NE(entities.find("100\nAcDbArc\n 50\n0.0\n 51\n90.0\n"), std::string::npos) << entities;
  EXPECT_NE(entities.find(" 30\n0.0\n 50\n90.0\n", entities.find("\nINSERT\n")), std::string::npos);
  EXPECT_NE(entities.find(" 50\n33.6900675259798\n"), std::string::npos) << "15 significant digits";
  size_t at = entities.find("\nHATCH\n");
  ASSERT_NE(at, std::string::npos);
  EXPECT_NE(entities.find(" 50\n0.0\n 51\n90.0\n 73\n1\n", at), std::string::npos) << entities.substr(at);
  EXPECT_NE(entities.find(" 52\n45.0\n", at), std::string::npos);
  EXPECT_NE(entities.find(" 53\n45.0\n", at), std::string::npos);
  EXPECT_NE(blocks.find("100\nAcDbArc\n 50\n180.0\n 51\n270.0\n"), std::string::npos) << blocks;

  // Read and written once more, the angles stay as they were.
  hostsim::dxf::ReadResult again = hostsim::dxf::readDxf(out);
  ASSERT_TRUE(again.drawing) << again.error;
  std::string out2 = hostsim::dxf::writeDxf(*again.drawing, again.variables);
  EXPECT_EQ(angleGroups(section(out2, "ENTITIES") + section(out2, "BLOCKS")), angleGroups(entities + blocks));
  EXPECT_EQ(angleGroups(entities + blocks).size(), 10u);
}

TEST_F(DxfTest, BrokenFilesAreRefusedWithTheLineAndNothingLoaded) {
  struct Case {
    const char* what;
    std::string text;
    const char* expected;
  };
  const std::string head = "  0\nSECTION\n  2\nENTITIES\n";
  const Case cases[] = {
      {"no data", "", "no DXF data"},
      {"code not a number", head + "abc\nLINE\n", "line 5"},
      {"value missing", head + "  0\nLINE\n 10", "without value"},
      {"real not a number", head + "  0\nLINE\n 10\nfoo\n 20\n0\n  0\nENDSEC\n  0\nEOF\n", "line 8: group 10 wants a number"},
      {"point without y", head + "  0\nLINE\n 10\n1.0\n 11\n2.0\n 21\n0\n  0\nENDSEC\n  0\nEOF\n", "without its y group"},
      {"short out of range", head + "  0\nLINE\n 62\n99999\n  0\nENDSEC\n  0\nEOF\n", "out of range"},
      {"code without kind", head + "  0\nLINE\n 80\n1\n  0\nENDSEC\n  0\nEOF\n", "group code 80 has no value kind"},
      {"broken hex", head + "  0\nLINE\n310\nABC\n  0\nENDSEC\n  0\nEOF\n", "broken hex"},
      {"no ENDSEC", head + "  0\nLINE\n 10\n1\n 20\n2\n", "no ENDSEC"},
      {"not a section", "  0\nLINE\n  0\nEOF\n", "SECTION was expected"},
  };
  for (const Case& c : cases) {
    hostsim::dxf::ReadResult r = hostsim::dxf::readDxf(c.text);
    EXPECT_FALSE(r.drawing) << c.what;
    EXPECT_NE(r.error.find(c.expected), std::string::npos) << c.what << ": " << r.error;
  }
  // A failed load leaves the host's drawing as it was.
  make(line(0, 0, 1, 1));
  {
    std::ofstream out("hostsim_broken.dxf", std::ios::binary);
    out << cases[3].text;
  }
  std::string error;
  EXPECT_FALSE(host().loadDrawing("hostsim_broken.dxf", error));
  EXPECT_NE(error.find("hostsim_broken.dxf"), std::string::npos) << error;
  EXPECT_EQ(drawing().entities().size(), 1u);
  EXPECT_FALSE(host().loadDrawing("no/such/file.dxf", error));
  std::remove("hostsim_broken.dxf");
}

TEST_F(DxfTest, UnknownEntitiesAndDuplicateHandlesAreCarriedThrough) {
  const std::string text =
      "  0\nSECTION\n  2\nENTITIES\n"
      "  0\nACME_WIDGET\n  5\n2A\n330\n1F\n100\nAcDbEntity\n  8\nX\n100\nAcmeWidget\n 90\n7\n 10\n1\n 20\n2\n"
      "  1\nA\\U+4E2DB\n310\n0A0B\n"
      "  0\nLINE\n  5\n2a\n100\nAcDbEntity\n  8\n0\n100\nAcDbLine\n 10\n0\n 20\n0\n 30\n0\n 11\n1\n 21\n1\n 31\n0\n"
      "  0\nENDSEC\n  0\nEOF\n";
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

TEST_F(DxfTest, DamagedFilesAreReadOrRefusedButNeverHalfRead) {
  makeDrawing();
  std::string text = hostsim::dxf::writeDxf(drawing(), host().variables);
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  const char* junk[] = {"", "x", "1e999", "-70000", "99999999999", "310", "  0", "SECTION", "ENDSEC", "\\U+", "ZZ"};
  std::mt19937 rng(1234);
  int refused = 0, read = 0;
  for (int round = 0; round < 400; ++round) {
    std::vector<std::string> damaged = lines;
    // One damage a round: a line gone, a value turned to junk, or two lines swapped.
    size_t at = rng() % damaged.size();
    switch (rng() % 3) {
      case 0: damaged.erase(damaged.begin() + static_cast<long>(at)); break;
      case 1: damaged[at] = junk[rng() % (sizeof junk / sizeof junk[0])]; break;
      default: std::swap(damaged[at], damaged[rng() % damaged.size()]); break;
    }
    std::string joined;
    for (const std::string& l : damaged) joined += l + "\n";
    hostsim::dxf::ReadResult r = hostsim::dxf::readDxf(joined);
    if (!r.drawing) {
      ++refused;
      EXPECT_FALSE(r.error.empty());
      continue;
    }
    ++read;
    // Whatever was read must write out and read back again.
    hostsim::dxf::ReadResult again = hostsim::dxf::readDxf(hostsim::dxf::writeDxf(*r.drawing, r.variables));
    ASSERT_TRUE(again.drawing) << "round " << round << ": " << again.error;
    EXPECT_EQ(again.drawing->entities().size(), r.drawing->entities().size()) << "round " << round;
  }
  EXPECT_GT(refused, 50);
  EXPECT_GT(read, 20);
}

TEST(DxfText, EncodingRoundTrip) {
  const vstring text = u"\u017dlu\u0165ou\u010dk\u00fd k\u016f\u0148 \u4e2d\u20ac";
  std::string encoded = hostsim::dxf::encodeText(text);
  EXPECT_NE(encoded.find("\\U+4E2D"), std::string::npos);
  EXPECT_EQ(encoded.find("\\U+017D"), std::string::npos) << "code page 1250 has the Czech letters";
  EXPECT_EQ(hostsim::dxf::decodeText(encoded, false), text);
  EXPECT_EQ(hostsim::dxf::encodeText(u"a\nb"), "a b") << "a value stays on one line";
  EXPECT_EQ(hostsim::dxf::decodeText("\\U+00", false), u"\\U+00") << "a cut escape stays text";
}

}  // namespace
