#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <set>
#include <sstream>

#include "host_fixture.h"
#include "hostsim/dxf_reader.h"
#include "hostsim/dxf_writer.h"
#include "hostsim/pick.h"
#include "tests/heightdim/records_test_support.h"
#include "tests/test_files.h"

using namespace vd;
using hosttest::HostTest;
namespace dxf = hostsim::dxf;

namespace {

const double kPi = std::acos(-1.0);

// DXF text of the groups "code|value|code|value...", each code right-aligned
// in three columns and each code and value on a line of its own, as files
// hold them.
std::string groups(const std::string& list) {
  std::string out;
  bool code = true;
  for (size_t at = 0;; code = !code) {
    const size_t end = list.find('|', at);
    std::string item = list.substr(at, end - at);
    if (code && item.size() < 3) item.insert(0, 3 - item.size(), ' ');
    out += item + "\n";
    if (end == std::string::npos) return out;
    at = end + 1;
  }
}
// A file of one ENTITIES section around the given records.
std::string entitiesFile(const std::string& records) {
  return groups("0|SECTION|2|ENTITIES") + records + groups("0|ENDSEC|0|EOF");
}
std::string lineRecord(const std::string& handle, const std::string& x0 = "1.0") {
  return groups("0|LINE|5|" + handle + "|100|AcDbEntity|8|0|100|AcDbLine|10|" + x0 +
                "|20|2.0|30|0.0|11|3.0|21|4.0|31|0.0");
}
dxf::ReadResult readBack(const std::string& text) {
  dxf::ReadResult r = dxf::readDxf(text);
  EXPECT_TRUE(r.drawing) << r.error;
  return r;
}

class DxfTest : public HostTest {
 protected:
  // A drawing as the module writes one: plain chains without subclass markers.
  void makeDrawing() {
    make(line(0, 0, 100, 50, u"WALLS"));
    // 10 to 200 degrees, in radians as the module keeps angles.
    make(ChainBuilder().text(0, u"ARC").text(8, u"0").point(10, 5, 5).real(40, 3).real(50, kPi / 18)
             .real(51, kPi * 10 / 9).text(6, u"DASHED").build());
    make(ChainBuilder().text(0, u"LWPOLYLINE").text(8, u"0").integer(90, 3).integer(70, 1).point(10, 0, 0)
             .real(40, 0.5).real(41, 1).real(42, 0.25).point(10, 10, 0).real(42, -0.4).point(10, 10, 10).build());
    make(ChainBuilder().text(0, u"TEXT").text(8, u"0").point(10, 1, 2).real(40, 2.5)
             .text(1, u"\u017dlu\u0165ou\u010dk\u00fd \u4e2d").text(7, u"VDSTYLE").integer(72, 1).point(11, 1, 2)
             .integer(73, 2).build());
    // Point 10 where a CAD host keeps it: the second extension line's foot on
    // the dimension line through (0, 20) at 0.26 radians.
    const double run = 30 * std::cos(0.26) - 20 * std::sin(0.26);
    OwnedChain dim = ChainBuilder().text(0, u"DIMENSION").text(8, u"DIM").text(2, u"*D1")
                         .point(10, run * std::cos(0.26), 20 + run * std::sin(0.26)).point(11, 15, 20).integer(70, 32)
                         .text(3, u"VDDIM").point(13, 0, 0).point(14, 30, 0).real(50, 0.26)
                         .extendedData(u"VDHEIGHTDIM").text(1000, u"mark").integer(1070, 3).real(1040, 1.25)
                         .point(1010, 1, 2, 3).build();
    double x = 0, y = 0, z = 0;
    api().Header_bin();
    api().BlkmakeHead_binW(u"*D1", 1, &x, &y, &z);
    OwnedChain l = line(0, 20, 30, 20, u"DIM");
    api().BlkmakeEnt_binW(l.get());
    api().BlkmakeEnd_binW(u"*D1");
    api().BlkmakeHead_binW(u"MARK", 2, &x, &y, &z);
    OwnedChain ad = ChainBuilder().text(0, u"ATTDEF").text(8, u"0").point(10, 0, 0).real(40, 1).text(1, u"")
                        .text(3, u"Level").text(2, u"LEVEL").integer(70, 0).build();
    api().BlkmakeEnt_binW(ad.get());
    api().BlkmakeEnd_binW(u"MARK");
    ASSERT_EQ(api().Entmake_binW(dim.get(), 0), kRtNorm) << drawing().lastError();
    OwnedChain i = ChainBuilder().text(0, u"INSERT").text(8, u"0").integer(66, 1).text(2, u"MARK").point(10, 20, 20)
                       .real(50, kPi / 6).build();
    OwnedChain a = ChainBuilder().text(0, u"ATTRIB").text(8, u"0").point(10, 20, 20).real(40, 1).text(1, u"+3.000")
                       .text(2, u"LEVEL").integer(70, 0).build();
    OwnedChain e(buildValueChain(0, 0, u"SEQEND", -9));
    for (const OwnedChain* c : {&i, &a, &e}) api().Entmake_binW(c->get(), 0);
    ASSERT_EQ(api().Flush_bin(1), kRtNorm);
    intptr_t dict = api().DictionaryOpenW(0, u"TR2D_HEIGHTDIM", 1, 0);
    OwnedChain r = ChainBuilder().text(1, u"base").real(40, 12.5).point(10, 1, 2, 3).integer(70, 4).build();
    api().DictionaryAddW(dict, u"Current", r.get(), 0);
    api().DictionaryClose(dict, 0);
    // A leader with the host's _DOT terminator (its handle in lower case, as
    // the module prints it), tied to the reference.
    const vstring reference = drawing().lastMade().back();
    uint64_t arrow = 0;
    ASSERT_EQ(api().GetArrowHandleW(u"_DOT", &arrow), 1);
    char hex[17];
    std::snprintf(hex, sizeof hex, "%llx", static_cast<unsigned long long>(arrow));
    const vstring lower = utf8ToUtf16(hex);
    ASSERT_EQ(make(ChainBuilder().text(0, u"LEADER").text(8, u"0").text(3, u"VELDRA").integer(76, 2).point(10, 30, 0)
                       .point(10, 20, 20).extendedData(u"ACAD").text(1000, u"DSTYLE").text(1002, u"{")
                       .integer(1070, 341).text(1005, lower).integer(1070, 41).real(1040, 0.25).text(1002, u"}")
                       .build()),
              kRtNorm)
        << drawing().lastError();
    uint64_t mark = *hostsim::handleValue(reference), tied = *hostsim::handleValue(lastHandle());
    ASSERT_EQ(api().LeaderAnno(&mark, &tied, 0), 1);
  }

  // Each group as code and value, reals to the last bit (the module's
  // internal -1 left out).
  static std::vector<std::pair<int, std::string>> dump(ChainView v) {
    std::vector<std::pair<int, std::string>> out;
    for (const std::string& g : hnotetest::groupsOf(v)) {
      const size_t space = g.find(' ');
      const int code = std::stoi(g.substr(0, space));
      if (code != -1) out.emplace_back(code, space == std::string::npos ? std::string() : g.substr(space + 1));
    }
    return out;
  }
};

TEST_F(DxfTest, ModuleMadeDrawingGoesOutWithSubclassesAndComesBackTheSame) {
  makeDrawing();
  std::string text = dxf::writeDxf(drawing(), host().variables);
  vdtest::writeBytes("hostsim_made.dxf", text);  // ezdxf audits it in the hostsim_ezdxf test
  const std::vector<std::string> needles = {
      "AcDbRotatedDimension", "AcDbAlignedDimension", "AcDbPolyline", "AcDbBlockReference", "AcDbAttribute",
      "AcDbAttributeDefinition", "VDHEIGHTDIM", "TR2D_HEIGHTDIM", "AcDbXrecord", "$ACADVER\n  1\nAC1015", "\\U+4E2D",
      "DASHED", "VDSTYLE", "VDDIM", "WALLS", "AcDbLeader", "_DOT", "VELDRA",
      // Angles go out in degrees; the reference stands at 30 degrees.
      groups("100|AcDbArc|50|10.0|51|200.0"), groups("10|20.0|20|20.0|30|0.0|50|30.0")};
  for (const std::string& needle : needles)
    EXPECT_NE(text.find(needle), std::string::npos) << needle;
  // Polyline vertices are plane points: no z group follows them.
  size_t vertex = text.find(groups("10|10.0|20|0.0"), text.find("AcDbPolyline"));
  ASSERT_NE(vertex, std::string::npos);
  EXPECT_NE(text.compare(vertex + 17, 4, " 30\n"), 0) << "no z after a polyline vertex";

  dxf::ReadResult r = readBack(text);
  ASSERT_TRUE(r.drawing);
  for (const hostsim::Entity* e : drawing().entities()) {
    const hostsim::Entity* back = r.drawing->findEntity(e->handle);
    ASSERT_NE(back, nullptr) << utf16ToUtf8(e->handle);
    // The file's chain carries subclass markers; apart from them every group
    // is the module's, a handle of extended data in upper case (readers look
    // it up as written).
    auto got = dump(back->view()), want = dump(e->view());
    std::erase_if(got, [](const auto& g) { return g.first == 100; });
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
  dxf::ReadResult r = readBack(entitiesFile(
      groups("0|ACME_WIDGET|5|2A|330|1F|100|AcDbEntity|8|X|100|AcmeWidget|90|7|10|1|20|2|1|A\\U+4E2DB|310|0A0B|"
             "0|LINE|5|2a|100|AcDbEntity|8|0|100|AcDbLine|10|0|20|0|30|0|11|1|21|1|31|0")));
  ASSERT_TRUE(r.drawing);
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
  std::string again = dxf::writeDxf(*r.drawing, {});
  size_t at = again.find("ACME_WIDGET");
  ASSERT_NE(at, std::string::npos);
  EXPECT_NE(again.find(groups("100|AcmeWidget|90|7|10|1.0|20|2.0|1|A\\U+4E2DB|310|0A0B"), at), std::string::npos)
      << again.substr(at, 300);
}

// A dimension the host does not draw (a diameter) keeps the block it names,
// even when the file lacks that block; a dimension the host draws anew must
// then get another name, or the two share one block and every save after a
// read gives the drawn one yet another.
TEST_F(DxfTest, ANewDimensionBlockNeverTakesTheNameOfAKeptOne) {
  dxf::ReadResult r = readBack(entitiesFile(groups(
      "0|DIMENSION|5|30|100|AcDbEntity|8|0|100|AcDbDimension|2|*D1|10|0|20|0|30|0|11|5|21|5|31|0|70|3|"
      "100|AcDbDiametricDimension|15|10|25|0|35|0|"
      "0|DIMENSION|5|31|100|AcDbEntity|8|0|100|AcDbDimension|10|40|20|10|30|0|11|20|21|10|31|0|70|32|"
      "100|AcDbAlignedDimension|13|0|23|0|33|0|14|40|24|0|34|0|50|0|100|AcDbRotatedDimension")));
  ASSERT_TRUE(r.drawing);
  const std::string out = dxf::writeDxf(*r.drawing, {});
  dxf::ReadResult back = readBack(out);
  ASSERT_TRUE(back.drawing);
  std::vector<std::u16string> names;
  for (const hostsim::Entity* e : back.drawing->entities()) names.emplace_back(e->view().text(2).value_or(u""));
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0], u"*D1");
  EXPECT_TRUE(names[1].starts_with(u"*D") && names[1] != u"*D1") << vd::utf16ToUtf8(names[1]);
  EXPECT_TRUE(dxf::writeDxf(*back.drawing, {}) == out) << "a second save writes what the first wrote";
}

TEST(DxfText, EveryCharacterComesBackAsItWasWritten) {
  const vstring text = u"\u017dlu\u0165ou\u010dk\u00fd k\u016f\u0148 \u4e2d\u20ac";
  std::string encoded = dxf::encodeText(text);
  EXPECT_EQ(encoded.find("\\U+017D"), std::string::npos) << "code page 1250 has the Czech letters";
  EXPECT_EQ(dxf::decodeText(encoded, false), text);
  EXPECT_EQ(dxf::decodeText("\\U+00", false), u"\\U+00") << "a cut escape stays text";
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
    EXPECT_EQ(dxf::encodeText(c.text), c.encoded);
    EXPECT_EQ(dxf::decodeText(c.encoded, false), c.text) << c.encoded;
  }
  // Every 16-bit unit, between letters and in front of hex digits.
  for (unsigned u = 0; u <= 0xFFFF; ++u) {
    const vstring one = u"x" + vstring(1, static_cast<vchar>(u)) + u"1F600";
    const std::string out = dxf::encodeText(one);
    ASSERT_EQ(out.find_first_of(std::string("\n\r\0", 3)), std::string::npos) << u;
    ASSERT_EQ(dxf::decodeText(out, false), one) << u;
  }
}

TEST(DxfRead, BadFilesAreRefusedWithAMessageThatSaysWhatIsWrong) {
  const std::string big(2 * 32768, 'A');  // 32768 bytes of hex
  const std::string head = groups("0|SECTION|2|ENTITIES"), tail = groups("0|ENDSEC|0|EOF");
  const std::string blockA = groups("0|SECTION|2|BLOCKS|0|BLOCK|2|A|10|0|20|0");
  const struct {
    std::string text;
    const char* expected;
  } cases[] = {
      {"", "no DXF data"},
      {head + "abc\nLINE\n", "line 5"},
      {head + "  0\nLINE\n 10", "without value"},
      {head + groups("0|LINE|10|foo|20|0") + tail, "line 8: group 10 wants a finite number"},
      {head + groups("0|LINE|10|1.0|11|2.0|21|0") + tail, "without its y group"},
      {head + groups("0|LINE|62|99999") + tail, "out of range"},
      {head + groups("0|LINE|80|1") + tail, "group code 80 has no value kind"},
      {head + groups("0|LINE|310|ABC") + tail, "line 8: binary group 310 has an odd number of hex digits"},
      {head + groups("0|LINE|10|1|20|2"), "no ENDSEC"},
      {groups("0|LINE|0|EOF"), "SECTION was expected"},
      {entitiesFile(lineRecord("20", "nan")), "line 16: group 10 wants a finite number, not \"nan\""},
      {entitiesFile(lineRecord("20", "1e999")), "group 10 wants a finite number, not \"1e999\""},
      {entitiesFile(lineRecord("20", "-inf")), "group 10 wants a finite number, not \"-inf\""},
      {entitiesFile(lineRecord("20", "0x10")), "group 10 wants a finite number, not \"0x10\""},
      {entitiesFile(lineRecord("20", "1,5")), "wants a finite number, not \"1,5\""},
      {entitiesFile(groups("0|TEXT|5|20|100|AcDbEntity|8|0") + std::string("  1\nab\0cd\n", 10)),
       "line 14: the value of group 1 holds a NUL byte"},
      {entitiesFile(groups("0|LINE|-1|7F00")), "line 7: group -1 (an entity name) has no place"},
      {entitiesFile(groups("0|LINE|-3|")), "group -3 (the extended-data marker) has no place"},
      {entitiesFile(groups("0|LINE|310|" + big)), "holds 32768 bytes; a group holds at most 32767"},
      {entitiesFile(groups("0|LINE|310|0AZZ")), "\"ZZ\", which is no hex byte"},
      {head + lineRecord("20") + groups("0|SECTION|2|OBJECTS") + tail,
       "SECTION inside section ENTITIES, which has no ENDSEC"},
      {head + lineRecord("20") + groups("0|EOF"), "EOF inside section ENTITIES, which has no ENDSEC"},
      {entitiesFile(lineRecord("20") + groups("0|DICTIONARY|5|C|100|AcDbDictionary")),
       "\"DICTIONARY\" is no entity: the ENTITIES section lacks its end before it"},
      {entitiesFile(groups("0|ACME_DATA|5|C|100|AcmeData|90|1")), "\"ACME_DATA\" is no entity"},
      {blockA + lineRecord("20") + groups("0|BLOCK|2|B|10|0|20|0|0|ENDBLK") + tail,
       "BLOCK inside block A, which has no ENDBLK"},
      {blockA + lineRecord("20") + tail, "block A has no ENDBLK"},
      {blockA + groups("0|ENDBLK|0|BLOCK|2|a|10|0|20|0|0|ENDBLK") + tail, "line 16: block a is defined twice"},
      {groups("0|SECTION|2|BLOCKS|0|BLOCK|2|*Paper_Space1|0|ENDBLK|0|BLOCK|2|*PAPER_SPACE1|0|ENDBLK") + tail,
       "line 12: block *PAPER_SPACE1 is defined twice"},
      {blockA + groups("0|XRECORD|5|30|100|AcDbXrecord|0|ENDBLK") + tail,
       "\"XRECORD\" is no entity: block A lacks its end before it"},
      {entitiesFile(groups("0|LINE|5|20|102|{ACAD_REACTORS|330|1F|100|AcDbEntity|8|0|100|AcDbLine|10|1|20|2|11|3|21|4")),
       "line 10: the 102 group is not closed before the LINE ends"},
      {groups("0|SECTION|2|TABLES|0|TABLE|2|LAYER|0|LAYER|2|t|102|{|0|ENDTAB") + tail,
       "line 14: the 102 group is not closed before the LAYER record ends"},
      {entitiesFile(groups("0|LINE|102|{ACAD_REACTORS|102|{ACAD_XDICTIONARY|102|}|102|}")),
       "opens inside the one of line 8"},
      {entitiesFile(groups("0|LINE|102|}")), "a 102 } closes no group"},
      {groups("0|SECTION|2|TABLES|0|TABLE|2|LAYER") + tail, "table LAYER has no ENDTAB"},
      {groups("0|SECTION|2|OBJECTS|0|ENDSEC|0|SECTION|2|OBJECTS") + tail, "line 8: a second OBJECTS section"},
      {groups("0|SECTION|2|HEADER|9|$LUPREC|70|2|0|LINE") + tail, "\"LINE\" inside the HEADER section"},
  };
  for (const auto& c : cases) {
    dxf::ReadResult r = dxf::readDxf(c.text);
    EXPECT_FALSE(r.drawing) << c.expected;
    EXPECT_NE(r.error.find(c.expected), std::string::npos) << c.expected << ": " << r.error.substr(0, 300);
  }
}

TEST(DxfRead, MessagesQuoteAtMostEightyBytesOfABadLine) {
  const std::string junk(5 << 20, 'x');
  for (const std::string& text : {entitiesFile(lineRecord("20", junk)), groups("0|SECTION|2|ENTITIES") + junk + "\n1\n"}) {
    dxf::ReadResult r = dxf::readDxf(text);
    ASSERT_FALSE(r.drawing);
    EXPECT_LT(r.error.size(), 160u) << r.error.substr(0, 200);
    EXPECT_NE(r.error.find("\"" + std::string(80, 'x') + "...\""), std::string::npos);
  }
  // A cut never splits a character: 79 bytes and then a two-byte letter.
  dxf::ReadResult r = dxf::readDxf(entitiesFile(lineRecord("20", std::string(79, '1') + "\xC5\xBE" + junk)));
  EXPECT_NE(r.error.find("\"" + std::string(79, '1') + "...\""), std::string::npos) << r.error;
}

TEST(DxfRead, ACommentOrAByteOrderMarkInFrontIsRead) {
  const std::string body = entitiesFile(lineRecord("20"));
  for (const std::string& text : {groups("999|made by a CAD program") + body, "\xEF\xBB\xBF" + body,
                                   "\xEF\xBB\xBF" + groups("999|comment") + body,
                                   groups("0|SECTION|2|ENTITIES|999|inside") + lineRecord("20") + groups("0|ENDSEC")}) {
    dxf::ReadResult r = readBack(text);
    ASSERT_TRUE(r.drawing);
    ASSERT_EQ(r.drawing->entities().size(), 1u);
    EXPECT_FALSE(r.drawing->entities()[0]->view().has(999)) << "a comment is no group of the entity";
  }
  // A byte-order mark says UTF-8, whatever the version; a $ACADVER outside
  // the HEADER section is data, and the file stays in code page 1250.
  const std::string textRecord = "0|TEXT|5|21|100|AcDbEntity|8|0|100|AcDbText|10|0|20|0|40|1|1|";
  const std::pair<const char*, std::string> files[] = {
      {"a byte-order mark",
       "\xEF\xBB\xBF" + entitiesFile(groups(textRecord + "\xC5\xBDlu\xC5\xA5ou\xC4\x8Dk\xC3\xBD"))},
      {"a version inside an entity",
       entitiesFile(groups("0|ACME_WIDGET|5|20|100|AcDbEntity|8|0|100|AcmeWidget|9|$ACADVER|1|AC1032|" + textRecord +
                           "\x8Elu\x9Dou\xE8k\xFD"))},
  };
  for (const auto& [what, file] : files) {
    dxf::ReadResult r = readBack(file);
    ASSERT_TRUE(r.drawing) << what;
    EXPECT_EQ(r.drawing->findEntity(u"21")->view().text(1), u"\u017dlu\u0165ou\u010dk\u00fd") << what;
  }
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
    } else if (kind == vd::kKindInt16 || kind == vd::kKindInt16b || kind == vd::kKindInt32) {
      bytes(static_cast<uint64_t>(std::atoll(value.c_str())), kind == vd::kKindInt32 ? 4 : 2);
    } else {
      out += value;
      out.push_back('\0');
    }
  }
  return out;
}

TEST(DxfRead, BinaryFilesReadAsTheirTextFormAndTextAfterEofIsLeft) {
  const std::string text = entitiesFile(
      lineRecord("20", "1.25") + groups("0|TEXT|5|21|100|AcDbEntity|8|WALLS|62|3|100|AcDbText|10|0.1|20|-7e-3|40|2.5|1|Plan"));
  dxf::ReadResult expected = readBack(text);
  ASSERT_TRUE(expected.drawing);
  const struct {
    const char* what;
    std::string file;
    size_t notes;
  } cases[] = {
      {"two-byte codes", binaryForm(text, false), 0},
      {"R12's one-byte codes", binaryForm(text, true), 0},
      {"text after EOF", text + "written by a converter\n\x01\x02 not DXF\n", 1},
      {"blank lines after EOF", text + "\n\n", 0},
  };
  for (const auto& c : cases) {
    dxf::ReadResult r = readBack(c.file);
    ASSERT_TRUE(r.drawing) << c.what;
    EXPECT_EQ(dxf::writeDxf(*r.drawing, r.variables, r.environment),
              dxf::writeDxf(*expected.drawing, expected.variables, expected.environment))
        << c.what;
    EXPECT_EQ(r.notes.size(), c.notes) << c.what;
  }
  // A binary file broken off inside a group says so, with the group's line in
  // the text form; a value with a line end has no text form: refused, as a NUL
  // in a text file is.
  const std::string whole = binaryForm(text, false);
  std::string broken = whole;
  broken.replace(broken.find("Plan"), 4, "Pl\nn");
  for (const auto& [file, error] : {std::pair{whole.substr(0, whole.find("Plan")), "ends inside a group"},
                                    {broken, "the value of group 1 holds a line end"}}) {
    dxf::ReadResult r = dxf::readDxf(file);
    EXPECT_FALSE(r.drawing);
    EXPECT_NE(r.error.find(error), std::string::npos) << r.error;
  }
}

// Every handle (groups 5 and 105) of a DXF text, and its $HANDSEED.
std::pair<std::vector<std::string>, std::string> handlesOf(const std::string& text) {
  std::vector<std::string> handles;
  std::string seed, previous;
  std::istringstream in(text);
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
  dxf::ReadResult r = readBack(groups(
      "0|SECTION|2|TABLES|0|TABLE|2|STYLE|0|STYLE|5|" + big + "|2|T|70|0|40|0.0|41|1.0|50|0.0|71|0|42|2.5|3|txt|4||"
      "0|ENDTAB|0|TABLE|2|LTYPE|0|LTYPE|5|42|2|DASHED|70|0|3||72|65|73|1|40|1.0|49|1.0|74|2|75|0|340|" + big +
      "|46|1.0|50|0.0|44|0.0|45|0.0|9|A|0|ENDTAB|0|TABLE|2|DIMSTYLE|0|DIMSTYLE|105|43|2|S|70|0|340|" + big +
      "|0|ENDTAB|0|ENDSEC|0|SECTION|2|OBJECTS|0|DICTIONARY|5|C|330|0|100|AcDbDictionary|3|OTHER|350|50|"
      "0|XRECORD|5|50|330|C|100|AcDbXrecord|340|" + big + "|0|ENDSEC|0|EOF"));
  ASSERT_TRUE(r.drawing);
  vstring style;
  for (const hostsim::TableRecord& t : r.drawing->tableRecords())
    if (t.table == u"STYLE" && t.chain.view().text(2) == std::optional<vstring_view>(u"T")) style = t.handle;
  ASSERT_FALSE(style.empty());
  EXPECT_NE(utf16ToUtf8(style), big) << "a handle that leaves no room is not kept";
  const std::string written = dxf::writeDxf(*r.drawing, r.variables, r.environment);
  const std::string pointer = "340\n" + utf16ToUtf8(style) + "\n";
  size_t following = 0;
  for (size_t at = written.find(pointer); at != std::string::npos; at = written.find(pointer, at + 1)) ++following;
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
  for (const std::string section : {"HEADER|9|$HANDSEED|5|FFFFFFFFFFFFFFFF", "THUMBNAILIMAGE|5|FFFFFFFFFFFFFF19"}) {
    SCOPED_TRACE(section);
    dxf::ReadResult r = readBack(groups("0|SECTION|2|" + section + "|0|ENDSEC") + lines);
    ASSERT_TRUE(r.drawing);
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
      EXPECT_LT(std::strtoull(utf16ToUtf8(h).c_str(), nullptr, 16), 0xFFFFFFFF00000000ull);
      EXPECT_TRUE(seen.insert(h).second) << utf16ToUtf8(h);
    }
    const std::string written = dxf::writeDxf(*r.drawing, {});
    auto [handles, seed] = handlesOf(written);
    EXPECT_EQ(std::set<std::string>(handles.begin(), handles.end()).size(), handles.size()) << "a handle written twice";
    dxf::ReadResult back = readBack(written);
    ASSERT_TRUE(back.drawing);
    EXPECT_EQ(dxf::writeDxf(*back.drawing, {}), written) << "a save read back saves the same";
  }
}

// The entities of a layout's block and its end name the layout's record as
// owner, here the one its BLOCK names though the file lacks it; an R12
// entity (no subclass markers) gets it behind its handle, ahead of its
// extended data.
TEST(DxfRead, ALayoutsEntitiesNameItsRecordAheadOfTheirExtendedData) {
  dxf::ReadResult r = readBack(groups(
      "0|SECTION|2|BLOCKS|0|BLOCK|5|1F|330|11E|100|AcDbEntity|8|0|100|AcDbBlockBegin|2|*Paper_Space1|70|0|10|0|20|0|"
      "30|0|0|LINE|5|20|8|0|10|0|20|0|11|1|21|1|1001|ACAD|1000|x|"
      "0|ENDBLK|5|21|100|AcDbEntity|8|0|100|AcDbBlockEnd|0|ENDSEC|0|EOF"));
  ASSERT_TRUE(r.drawing);
  const std::string out = dxf::writeDxf(*r.drawing, {});
  EXPECT_NE(out.find(groups("0|LINE|5|20|330|11E|8|0|10|0|20|0|11|1|21|1|1001|ACAD|1000|x|0|ENDBLK|5|21|330|11E")),
            std::string::npos)
      << out;
}

TEST_F(DxfTest, NonFiniteNumbersAreNeverWritten) {
  make(line(0, 0, 1, 1));
  drawing().importEntity(ChainBuilder().text(0, u"CIRCLE").text(5, u"77").text(8, u"0").point(10, 1, std::nan(""), 0)
                             .real(40, 2).build(),
                         u"77", {});
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
std::string settingsFile(const std::string& extraHeader) {
  auto blockRecord = [](const std::string& handle, const std::string& name) {
    return "|0|BLOCK_RECORD|5|" + handle + "|330|5|100|AcDbSymbolTableRecord|100|AcDbBlockTableRecord|2|" + name;
  };
  return groups(
      "0|SECTION|2|HEADER|9|$ACADVER|1|AC1015|9|$HANDSEED|5|400|9|$INSUNITS|70|4|9|$LTSCALE|40|2.5|"
      "9|$EXTMIN|10|-5.0|20|-6.0|30|0.0|9|$LIMMAX|10|420.0|20|297.0|9|$DIMSTYLE|2|VD|9|$DIMDEC|70|3|9|$LUPREC|70|2|"
      "9|$CMATERIAL|347|99|" + extraHeader + "|0|ENDSEC|0|SECTION|2|TABLES|"
      "0|TABLE|2|LAYER|5|2|330|0|100|AcDbSymbolTable|70|1|0|LAYER|5|10|330|2|100|AcDbSymbolTableRecord|"
      "100|AcDbLayerTableRecord|2|KOTY|70|0|62|3|420|16744448|6|Continuous|370|-3|0|ENDTAB|"
      "0|TABLE|2|STYLE|5|3|330|0|100|AcDbSymbolTable|70|1|0|STYLE|5|11|330|3|100|AcDbSymbolTableRecord|"
      "100|AcDbTextStyleTableRecord|2|ISO|70|0|40|0.0|41|1.0|50|0.0|71|0|42|2.5|3|isocp.shx|4||0|ENDTAB|"
      "0|TABLE|2|DIMSTYLE|5|4|330|0|100|AcDbSymbolTable|70|1|100|AcDbDimStyleTable|0|DIMSTYLE|105|12|330|4|"
      "100|AcDbSymbolTableRecord|100|AcDbDimStyleTableRecord|2|VD|70|0|40|50.0|42|1.5|45|0.25|73|0|74|0|75|1|"
      "76|1|77|1|78|12|79|3|90|2|271|4|278|46|340|11|342|20|371|-2|372|25|0|ENDTAB|"
      "0|TABLE|2|BLOCK_RECORD|5|5|330|0|100|AcDbSymbolTable|70|3" + blockRecord("1F", "*Model_Space") +
      blockRecord("1B", "*Paper_Space") + blockRecord("20", "_ArchTick") + "|0|ENDTAB|0|ENDSEC|0|SECTION|2|BLOCKS|"
      "0|BLOCK|5|21|330|1F|100|AcDbEntity|8|0|100|AcDbBlockBegin|2|*Model_Space|70|0|10|0.0|20|0.0|30|0.0|"
      "0|ENDBLK|5|22|330|1F|100|AcDbEntity|8|0|100|AcDbBlockEnd|"
      "0|BLOCK|5|23|330|20|100|AcDbEntity|8|0|100|AcDbBlockBegin|2|_ArchTick|70|0|10|0.0|20|0.0|30|0.0") +
         lineRecord("24") + groups("0|ENDBLK|5|25|330|20|100|AcDbEntity|8|0|100|AcDbBlockEnd|0|ENDSEC|0|SECTION|2|ENTITIES") +
         lineRecord("30") +
         groups("0|ENDSEC|0|SECTION|2|OBJECTS|0|DICTIONARY|5|C|330|0|100|AcDbDictionary|3|ACAD_GROUP|350|D|"
                "0|DICTIONARY|5|D|330|C|100|AcDbDictionary|0|ENDSEC|0|EOF");
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
  vdtest::writeBytes("hostsim_settings.dxf", settingsFile("9|$DIMEXO|40|0.8"));
  std::string error;
  ASSERT_TRUE(host().loadDrawing("hostsim_settings.dxf", error)) << error;
  for (const auto& c : cases) EXPECT_EQ(setting(c.name, c.kind), c.loaded) << utf16ToUtf8(c.name);
  // Saved, the header carries the host's settings.
  host().environment[u"DIMZIN"] = u"0";
  ASSERT_TRUE(host().saveDrawing("hostsim_settings.dxf", error)) << error;
  const std::string out = vdtest::readBytes("hostsim_settings.dxf");
  std::remove("hostsim_settings.dxf");
  for (const std::string needle : {"$DIMZIN|70|0", "$DIMDSEP|70|46", "$DIMRND|40|0.25", "$DIMEXO|40|0.8", "$DIMDEC|70|3"})
    EXPECT_NE(out.find(groups("9|" + needle)), std::string::npos) << needle;
}

TEST_F(DxfTest, CharactersBeyondTheBasicPlaneSurvive) {
  const vstring smile = u"a\U0001F600b";
  EXPECT_EQ(dxf::decodeText("a\\U+0001f600b", false), smile);
  EXPECT_EQ(dxf::decodeText("a\\U+D83D\\U+DE00b", false), smile) << "a pair of escapes is one character";
  EXPECT_EQ(dxf::encodeText(smile), "a\\U+0001F600b");
  EXPECT_EQ(dxf::encodeText(u"\xD83D"), "\\U+D83D") << "a lone surrogate stays what it is";
  EXPECT_EQ(dxf::decodeText("\\U+00410042", false), u"A0042") << "not beyond U+FFFF: four digits";
  // An R2018 file holds the character as UTF-8; saved and read again it is the same.
  dxf::ReadResult r = readBack(groups("0|SECTION|2|HEADER|9|$ACADVER|1|AC1032|0|ENDSEC") +
                               entitiesFile(groups("0|TEXT|5|21|100|AcDbEntity|8|0|100|AcDbText|10|0|20|0|40|1|"
                                                   "1|a\xF0\x9F\x98\x80z")));
  ASSERT_TRUE(r.drawing);
  EXPECT_EQ(r.drawing->findEntity(u"21")->view().text(1), u"a\U0001F600z");
  std::string out = dxf::writeDxf(*r.drawing, {});
  EXPECT_NE(out.find(groups("1|a\\U+0001F600z")), std::string::npos);
  dxf::ReadResult again = readBack(out);
  ASSERT_TRUE(again.drawing);
  EXPECT_EQ(again.drawing->findEntity(u"21")->view().text(1), u"a\U0001F600z");
}

}  // namespace
