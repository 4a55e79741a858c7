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

}  // namespace

namespace {

}  // namespace

namespace {

}  // namespace
