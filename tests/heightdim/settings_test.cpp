// The height-dimension settings: defaults, the UCS rotation, and
// hnoteData.ini read and written through every profile backend of the build.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <set>

#include "heightdim/settings.h"
#include "host/host_api.h"
#include "hostsim/host.h"
#include "store/prf_store.h"
#include "store/value_text.h"
#include "tests/store/store_test_support.h"

using namespace vd;
using vdtest::ScratchDir;

namespace {

const std::filesystem::path kData = VD_TEST_DATA_DIR;

// A host bound in-process, its user data directory in a scratch folder.
class HostFixture {
 public:
  HostFixture() {
    hostsim::Host& h = hostsim::Host::instance();
    h.reset();
    h.userDataPath = dir.path().u16string();
    h.layerKeys[2] = u"KOTY";
    EXPECT_TRUE(bindHost(nullptr, hostsim::resolveExport, nullptr));
  }
  ~HostFixture() {
    unbindHost();
    hostsim::Host::instance().reset();
  }
  ScratchDir dir;
};

// Records the keys written through it, per section.
class RecordingBackend : public vdtest::PassThroughBackend {
 public:
  using PassThroughBackend::PassThroughBackend;
  bool write(vstring_view file, vstring_view section, vstring_view key, vstring_view value) override {
    written.push_back(utf16ToUtf8(vstring(section) + u"/" + vstring(key)));
    return PassThroughBackend::write(file, section, key, value);
  }
  std::vector<std::string> written;
};

double sixDigits(double v) { return *storetext::parseDouble(storetext::formatDouble(v)); }

TEST(HNoteDefaults, EachTypeWithAndWithoutAScalePair) {
  HostFixture host;
  struct Case {
    int type;
    std::optional<HNoteScale> scale;
    double lvert, lhorz, hx, hy, tdx, tdy, cx, cy, hsize;
    bool underline;
    const char16_t* arrowName;
    int insPt;
  } cases[] = {
      {0, std::nullopt, 7.5, 11.725, 3.55, 1.781, 1.25, 0.836, 0, 0, 0, true, u"", -1},
      {0, HNoteScale{2, 3}, 22.5, 23.45, 7.1, 5.343, 2.5, 2.508, 0, 0, 0, true, u"", -1},
      {1, std::nullopt, 0, 0, 3.55, 1.781, 0, 1.05, 0, 0, 0, false, u"", -1},
      {2, HNoteScale{2, 3}, 0, 0, 7.1, 5.343, 0, 2.1, 0, 0, 0, false, u"", -1},  // DIN text offset scales by sx
      {3, std::nullopt, 0, 0, 0, 0, 0, 0, 14.225, 6.25, 0.25, false, u"_DOT", 0},
      {3, HNoteScale{2, 3}, 0, 0, 0, 0, 0, 0, 28.45, 18.75, 0.25, false, u"_DOT", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << (c.scale ? " scaled" : ""));
    HNoteData r;
    r.valueText = u"old";
    r.blockName = u"VD2D_HEIGHTDIM_X";
    r.insertPoint = {5, 6};
    ASSERT_TRUE(hnoteDefaults(r, c.type, c.scale));
    EXPECT_EQ(r.type, c.type);
    EXPECT_DOUBLE_EQ(r.lvertLen, c.lvert);
    EXPECT_DOUBLE_EQ(r.lhorzLen, c.lhorz);
    EXPECT_DOUBLE_EQ(r.hxLen, c.hx);
    EXPECT_DOUBLE_EQ(r.hyLen, c.hy);
    EXPECT_DOUBLE_EQ(r.textDistX, c.tdx);
    EXPECT_DOUBLE_EQ(r.textDistY, c.tdy);
    EXPECT_DOUBLE_EQ(r.cxSize, c.cx);
    EXPECT_DOUBLE_EQ(r.cySize, c.cy);
    EXPECT_DOUBLE_EQ(r.hSize, c.hsize);
    EXPECT_EQ(r.underlineDraw, c.underline);
    EXPECT_EQ(r.arrowName, c.arrowName);
    EXPECT_EQ(r.insPt, c.insPt);
    // The same for every type.
    EXPECT_EQ(r.layer, u"KOTY");
    EXPECT_EQ(r.layerText, u"KOTY");
    EXPECT_EQ(r.textStyle, u"STANDARD");
    EXPECT_EQ(r.textHeight, 2.5);
    EXPECT_EQ(r.textWidth, 0.8);
    EXPECT_TRUE(r.backgroundMask && r.backgroundMaskDwg);
    EXPECT_EQ(r.backgroundMaskColor, 1);
    EXPECT_EQ(r.delim, u".");
    EXPECT_EQ(r.numAlign, 0.001);
    EXPECT_EQ(r.underlineLength, 5.0);
    EXPECT_EQ(r.valueText, u"");
    EXPECT_EQ(r.blockName, u"");
    EXPECT_EQ(r.insertPoint, HNotePoint{});
    EXPECT_EQ(r.props, HNoteProps{});
  }
}

TEST(HNoteDefaults, AnUnknownTypeResetsTheCommonFieldsAndFails) {
  HostFixture host;
  HNoteData r;
  ASSERT_TRUE(hnoteDefaults(r, 3));
  r.textHeight = 9;
  r.valueText = u"x";
  r.cxSize = 77;
  EXPECT_FALSE(hnoteDefaults(r, 4));
  EXPECT_FALSE(hnoteDefaults(r, -1));
  EXPECT_EQ(r.type, 3);
  EXPECT_EQ(r.textHeight, 2.5);
  EXPECT_EQ(r.valueText, u"");
  EXPECT_EQ(r.cxSize, 77);  // a type's own field is left alone
}

TEST(HNoteDefaults, WithoutAHostTheLayerIsEmptyAndNothingIsRotated) {
  unbindHost();
  HNoteDataSet set;
  EXPECT_EQ(set.records[0].layer, u"");
  EXPECT_EQ(set.ucsRotation, 0);
  EXPECT_EQ(hnoteDataPath(), u"\\Dat\\hnoteData.ini");
}

TEST(HNoteUcs, RotationIsTheUcsXDirectionAsAVector) {
  HostFixture host;
  const double a = std::numbers::pi / 6;
  hostsim::Host& h = hostsim::Host::instance();
  hostsim::Variable origin{hostsim::Variable::Kind::Point, {100, 50, 0}};
  hostsim::Variable x{hostsim::Variable::Kind::Point, {std::cos(a), std::sin(a), 0}};
  hostsim::Variable y{hostsim::Variable::Kind::Point, {-std::sin(a), std::cos(a), 0}};
  h.setVariable(u"UCSORG", origin);  // an origin away from 0 must not turn the direction
  h.setVariable(u"UCSXDIR", x);
  h.setVariable(u"UCSYDIR", y);
  EXPECT_NEAR(currentUcsRotation(), a, 1e-12);
  HNoteDataSet set;
  EXPECT_NEAR(set.ucsRotation, a, 1e-12);
  for (const HNoteData& r : set.records) EXPECT_NEAR(r.rotation, a, 1e-12);
}

class HNoteFile : public testing::TestWithParam<vdtest::BackendCase> {
 protected:
  ProfileBackend& backend() { return *GetParam().backend; }
  vstring copyOfData(const char* name) {
    std::filesystem::create_directories(host.dir.file("Dat"));
    std::filesystem::copy_file(kData / name, host.dir.file("Dat") / "hnoteData.ini");
    return hnoteDataPath();
  }
  std::filesystem::path savedFile() { return host.dir.file("Dat") / "hnoteData.ini"; }
  vstring raw(vstring_view section, vstring_view key) {
    vchar buffer[64];
    size_t n = backend().read(hnoteDataPath(), section, key, kAbsentValue, buffer, 64);
    return vstring(buffer, n);
  }

  HostFixture host;
};

TEST_P(HNoteFile, SavedDefaultsAreTheExpectedFileAndTheDatFolderIsCreated) {
  ASSERT_FALSE(std::filesystem::exists(host.dir.file("Dat")));
  HNoteDataSet set;
  set.path = hnoteDataPath();
  ASSERT_TRUE(set.save(backend()));
  ASSERT_TRUE(std::filesystem::exists(savedFile()));
  // The data file holds the text (ASCII); a new file holds it in UTF-16LE.
  EXPECT_EQ(vdtest::readBytes(savedFile()),
            vdtest::utf16File(utf8ToUtf16(vdtest::readBytes(kData / "hnoteData_defaults.ini"))));
}

// Czech names survive the file the Windows profile functions create, whatever
// the machine's ANSI code page (Wine here runs with 1252, which has no č).
TEST_P(HNoteFile, CzechNamesSurviveANewFile) {
  HNoteDataSet set;
  set.path = hnoteDataPath();
  set.records[0].layer = u"Výšky_č";
  set.records[0].layerText = u"Kóty ŘEZŮ";
  set.records[1].textStyle = u"Písmo_ďťň";
  set.records[2].delim = u"ě";
  set.records[3].arrowName = u"_Šipka";
  ASSERT_TRUE(set.save(backend()));
  EXPECT_EQ(vdtest::readBytes(savedFile()).substr(0, 2), "\xFF\xFE");
  HNoteDataSet loaded;
  ASSERT_TRUE(loaded.load(hnoteDataPath(), backend()));
  EXPECT_EQ(loaded.records, set.records);
  EXPECT_EQ(raw(u"HNOTE_CSN", u"LAYER"), u"Výšky_č");

  // A user's ANSI file keeps working: read, saved back, still without a mark.
  std::filesystem::remove(savedFile());
  HNoteDataSet custom;
  ASSERT_TRUE(custom.load(copyOfData("hnoteData_custom.ini"), backend()));
  custom.records[0].colorText = 5;
  ASSERT_TRUE(custom.save(backend()));
  EXPECT_NE(vdtest::readBytes(savedFile()).substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(raw(u"HNOTE_CSN", u"COLORTEXT"), u"5");
  EXPECT_EQ(raw(u"HNOTE_CSN", u"LAYER"), u"VYSKY");
  EXPECT_EQ(raw(u"HNOTE_CSN", u"FOREIGN"), u"kept");
}

TEST_P(HNoteFile, ReadsTheExpectedRecordsFromAUsersFile) {
  HNoteDataSet set;
  ASSERT_TRUE(set.load(copyOfData("hnoteData_custom.ini"), backend()));
  EXPECT_EQ(set.path, hnoteDataPath());

  HNoteData csn;
  hnoteDefaults(csn, 0);
  csn.layer = u"VYSKY";
  csn.layerText = u"VYSKY_TEXT";
  csn.textStyle = u"ISO";
  csn.colorText = 3;
  csn.colorDim = 5;
  csn.textHeight = 3.5;
  csn.textWidth = 1;
  csn.backgroundMask = false;
  csn.backgroundMaskDwg = false;
  csn.backgroundMaskColor = 7;
  csn.delim = u",";
  csn.numAlign = 0.005;
  csn.positivePlus = 0;
  csn.plusMinusZero = 0;
  csn.lhorzLen = 12;
  csn.lvertLen = 8;
  csn.arrowIndex = 2;
  csn.hxLen = 4;
  csn.hyLen = 2;
  csn.textDistX = 1.5;
  csn.textDistY = 1;
  csn.roundingMark = 1;
  csn.underlineDraw = false;
  csn.underlineLength = 5.0;  // 0 in the file; CXSIZE is no key of this type
  EXPECT_EQ(set.records[0], csn);

  HNoteData plan;  // TYPE 7 in HNOTE_DIN_1: a plan-view record, read with plan-view keys only
  hnoteDefaults(plan, 3);
  plan.cxSize = 20;
  plan.arrowName = u"_OPEN30";
  plan.insPt = 4;
  EXPECT_EQ(set.records[1], plan);

  HNoteData din;
  hnoteDefaults(din, 2);
  din.delim = u"";        // an empty separator is taken
  din.textHeight = 0;     // 1e999 is no number
  din.colorDim = 0;       // nor is 12x
  din.textDistY = 0.1234567;  // read at full precision
  EXPECT_EQ(set.records[2], din);  // the empty LAYER kept the host's layer

  HNoteData gp;
  hnoteDefaults(gp, 3);
  gp.insPt = -1;
  gp.arrowName = u"";  // taken even when empty
  gp.hSize = 0.5;      // quotes around a value are not part of it
  EXPECT_EQ(set.records[3], gp);
  EXPECT_EQ(set.present, (std::array<bool, 4>{true, true, true, true}));
}

TEST_P(HNoteFile, EveryKeyOfEveryTypeReadsBackAsSaved) {
  HNoteDataSet saved;
  saved.path = hnoteDataPath();
  for (int t = 0; t < kHNoteTypeCount; ++t) {
    HNoteData& r = saved.records[t];
    const double k = t + 1;
    r.layer = u"L" + storetext::formatInt(t);
    r.layerText = u"T" + storetext::formatInt(t);
    r.textStyle = u"S" + storetext::formatInt(t);
    r.colorText = 10 + t;
    r.colorDim = 20 + t;
    r.textHeight = 1.23456789 * k;
    r.textWidth = 0.7654321 * k;
    r.backgroundMask = false;
    r.backgroundMaskDwg = t % 2;
    r.backgroundMaskColor = 30 + t;
    r.delim = t == 1 ? u"" : u",";
    r.numAlign = 0.0123456789;
    r.positivePlus = 0;
    r.plusMinusZero = 0;
    r.roundingMark = 1;
    r.lvertLen = 9.87654321 * k;
    r.lhorzLen = 12.3456789 * k;
    r.arrowIndex = 3;
    r.hxLen = 4.44444444 * k;
    r.hyLen = 2.22222222 * k;
    r.textDistX = 1.11111111 * k;
    r.textDistY = 0.999999999 * k;
    r.underlineDraw = false;
    r.underlineLength = 6.5;
    r.cxSize = 15.5555555;
    r.cySize = 7.7777777;
    r.hSize = 0.333333333;
    r.arrowName = u"_OBLIQUE";
    r.insPt = 6;
  }
  ASSERT_TRUE(saved.save(backend()));
  HNoteDataSet loaded;
  ASSERT_TRUE(loaded.load(hnoteDataPath(), backend()));

  for (int t = 0; t < kHNoteTypeCount; ++t) {
    SCOPED_TRACE(testing::Message() << "type " << t);
    // Only the keys of the record's type travel; reals at six significant digits.
    HNoteData expected;
    hnoteDefaults(expected, t);
    const HNoteData& s = saved.records[t];
    expected.layer = s.layer;
    expected.layerText = s.layerText;
    expected.textStyle = s.textStyle;
    expected.colorText = s.colorText;
    expected.colorDim = s.colorDim;
    expected.textHeight = sixDigits(s.textHeight);
    expected.textWidth = sixDigits(s.textWidth);
    expected.backgroundMask = s.backgroundMask;
    expected.backgroundMaskDwg = s.backgroundMaskDwg;
    expected.backgroundMaskColor = s.backgroundMaskColor;
    if (t <= 2) {
      expected.delim = s.delim;
      expected.numAlign = sixDigits(s.numAlign);
      expected.positivePlus = s.positivePlus;
      expected.plusMinusZero = s.plusMinusZero;
      expected.textDistX = sixDigits(s.textDistX);
      expected.textDistY = sixDigits(s.textDistY);
      expected.hxLen = sixDigits(s.hxLen);
      expected.hyLen = sixDigits(s.hyLen);
      expected.roundingMark = s.roundingMark;
    }
    if (t == 0) {
      expected.lhorzLen = sixDigits(s.lhorzLen);
      expected.lvertLen = sixDigits(s.lvertLen);
      expected.arrowIndex = s.arrowIndex;
      expected.underlineDraw = s.underlineDraw;
      expected.underlineLength = s.underlineLength;
    }
    if (t == 3) {
      expected.cxSize = sixDigits(s.cxSize);
      expected.cySize = sixDigits(s.cySize);
      expected.hSize = sixDigits(s.hSize);
      expected.arrowName = s.arrowName;
      expected.insPt = s.insPt;
    }
    EXPECT_EQ(loaded.records[t], expected);
    EXPECT_EQ(loaded.records[t].textHeight, sixDigits(1.23456789 * (t + 1)));
  }
  // The file this backend wrote gives the same records through the portable backend.
  HNoteDataSet viaPortable;
  ASSERT_TRUE(viaPortable.load(hnoteDataPath(), portableProfileBackend()));
  EXPECT_EQ(viaPortable.records, loaded.records);

  EXPECT_EQ(raw(u"HNOTE_CSN", u"TEXTHEIGHT"), u"1.23457");
  EXPECT_EQ(raw(u"HNOTE_CSN", u"ARROWNAME"), u"3");
  EXPECT_EQ(raw(u"HNOTE_GP", u"ARROWNAME"), u"_OBLIQUE");
  EXPECT_EQ(raw(u"HNOTE_DIN_1", u"DELIM"), u"");
  EXPECT_EQ(raw(u"HNOTE_DIN_1", u"CXSIZE"), kAbsentValue);  // a section holds its own type's keys only
}

TEST_P(HNoteFile, OnlyAPlanSectionWithoutAnInsertionPoint) {
  std::filesystem::create_directories(host.dir.file("Dat"));
  vdtest::writeBytes(savedFile(), "[HNOTE_GP]\r\nINSPT=-1\r\n");
  HNoteDataSet set;
  ASSERT_TRUE(set.load(hnoteDataPath(), backend()));
  HNoteDataSet fresh;
  for (int t = 0; t < 3; ++t) EXPECT_EQ(set.records[t], fresh.records[t]) << t;
  EXPECT_EQ(set[HNoteType::Plan].insPt, -1);
  EXPECT_EQ(set[HNoteType::Plan].type, 3);
  EXPECT_EQ(set[HNoteType::Plan].cxSize, 14.225);

  RecordingBackend recording(backend());
  ASSERT_TRUE(set.save(recording));
  const std::set<std::string> written(recording.written.begin(), recording.written.end());
  EXPECT_EQ(written.count("HNOTE_GP/INSPT"), 0u);
  EXPECT_EQ(written.count("HNOTE_GP/ARROWNAME"), 1u);
  EXPECT_EQ(written.count("HNOTE_CSN/UNDERLINE_LENGTH"), 1u);
  EXPECT_EQ(recording.written.size(), 4 * 11 + 14 + 2 * 9 + 4u);
  EXPECT_EQ(raw(u"HNOTE_GP", u"INSPT"), u"-1");
}

TEST_P(HNoteFile, ValuesThatAreNoNumbersReadAsZero) {
  struct Case {
    const char* line;
    double textHeight;
    bool underlineDraw;
    double underlineLength;
    int type;
  } cases[] = {
      {"TEXTHEIGHT=nan", 0, true, 5, 0}, {"TEXTHEIGHT=1e999", 0, true, 5, 0}, {"TEXTHEIGHT=abc", 0, true, 5, 0},
      {"TEXTHEIGHT= 3 ", 3, true, 5, 0},
      // The flag changes only on a number.
      {"UNDERLINE_DRAW=x", 2.5, true, 5, 0}, {"UNDERLINE_DRAW=0", 2.5, false, 5, 0},
      {"UNDERLINE_LENGTH=-2", 2.5, true, 5, 0}, {"UNDERLINE_LENGTH=x", 2.5, true, 5, 0},
      {"UNDERLINE_LENGTH=0.5", 2.5, true, 0.5, 0}, {"TYPE=-4", 2.5, true, 5, 0}, {"TYPE=abc", 2.5, true, 5, 0},
      {"TYPE=2", 2.5, false, 5, 2},
  };
  std::filesystem::create_directories(host.dir.file("Dat"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    vdtest::writeBytes(savedFile(), std::string("[HNOTE_CSN]\r\n") + c.line + "\r\n");
    HNoteDataSet set;
    ASSERT_TRUE(set.load(hnoteDataPath(), backend()));
    EXPECT_EQ(set.records[0].textHeight, c.textHeight);
    EXPECT_EQ(set.records[0].underlineDraw, c.underlineDraw);
    EXPECT_EQ(set.records[0].underlineLength, c.underlineLength);
    EXPECT_EQ(set.records[0].type, c.type);
  }
}

TEST_P(HNoteFile, SavingKeepsWhatItDoesNotOwn) {
  HNoteDataSet set;
  ASSERT_TRUE(set.load(copyOfData("hnoteData_custom.ini"), backend()));
  const std::string big(256 * 1024, 'M');  // the 1 MB case is read in PrfStore.LongStringsAreReadWhole
  prf_store other(backend());
  ASSERT_TRUE(other.open(hnoteDataPath(), u"ATTRIB_VALUE"));
  ASSERT_TRUE(other.setString(u"BIG", utf8ToUtf16(big)));

  set.records[0].textHeight = 4.25;
  ASSERT_TRUE(set.save(backend()));
  EXPECT_EQ(raw(u"HNOTE_HISTORY", u"LAYER_UNICODE"), u"0000000A4B004F00540059000000");
  EXPECT_EQ(raw(u"HNOTE_CSN", u"FOREIGN"), u"kept");
  EXPECT_EQ(raw(u"HNOTE_CSN", u"CXSIZE"), u"99");
  EXPECT_EQ(raw(u"HNOTE_CSN", u"TEXTHEIGHT"), u"4.25");
  vstring back;
  ASSERT_TRUE(other.getString(u"BIG", back));
  EXPECT_EQ(back.size(), big.size());

  HNoteDataSet again;
  ASSERT_TRUE(again.load(hnoteDataPath(), backend()));
  EXPECT_EQ(again.records[0].textHeight, 4.25);
  EXPECT_EQ(again.records[1], set.records[1]);
}

TEST_P(HNoteFile, GarbageGivesDefaultsAndTakesASave) {
  std::filesystem::create_directories(host.dir.file("Dat"));
  std::mt19937 random(11);
  std::string garbage(32 * 1024, '\0');
  for (char& c : garbage) c = static_cast<char>(random() & 0xFF);
  vdtest::writeBytes(savedFile(), garbage);
  HNoteDataSet set;
  ASSERT_TRUE(set.load(hnoteDataPath(), backend()));
  HNoteDataSet fresh;
  EXPECT_EQ(set.records, fresh.records);
  set.records[2].colorDim = 42;
  ASSERT_TRUE(set.save(backend()));
  HNoteDataSet again;
  ASSERT_TRUE(again.load(hnoteDataPath(), backend()));
  EXPECT_EQ(again.records, set.records);
}

TEST_P(HNoteFile, FoldersThatCannotTakeTheFile) {
  HNoteDataSet set;
  // The user data directory itself is missing: only Dat is ever created.
  set.path = (host.dir.file("gone") / "Dat" / "hnoteData.ini").u16string();
  EXPECT_FALSE(set.save(backend()));
  EXPECT_FALSE(std::filesystem::exists(host.dir.file("gone")));

  // A file named Dat stands where the folder should be.
  vdtest::writeBytes(host.dir.file("Dat"), "not a folder");
  set.path = hnoteDataPath();
  EXPECT_FALSE(set.save(backend()));
  EXPECT_EQ(vdtest::readBytes(host.dir.file("Dat")), "not a folder");
  std::filesystem::remove(host.dir.file("Dat"));

  // A folder named hnoteData.ini.
  std::filesystem::create_directories(savedFile());
  EXPECT_FALSE(set.save(backend()));

  // Loading from there gives the defaults.
  HNoteDataSet loaded;
  loaded.records[0].colorText = 9;
  ASSERT_TRUE(loaded.load(hnoteDataPath(), backend()));
  EXPECT_EQ(loaded.records[0].colorText, 9);  // every key missing: nothing changes
}

TEST_P(HNoteFile, UnusablePathsLeaveTheSetAsItWas) {
  HNoteDataSet set;
  set.records[1].colorDim = 8;
  set.present[2] = false;
  EXPECT_FALSE(set.load(u"", backend()));
  EXPECT_FALSE(set.load(vstring(HNoteDataSet::kMaxPathChars, u'x'), backend()));
  EXPECT_EQ(set.records[1].colorDim, 8);
  EXPECT_FALSE(set.present[2]);
  EXPECT_EQ(set.path, u"");
  EXPECT_FALSE(set.save(backend()));  // no path yet

  // A missing file loads as all defaults and marks every slot present.
  ASSERT_TRUE(set.load(hnoteDataPath(), backend()));
  EXPECT_TRUE(set.present[2]);
  EXPECT_EQ(set.records[1].colorDim, 8);
  EXPECT_FALSE(std::filesystem::exists(savedFile()));
}

INSTANTIATE_TEST_SUITE_P(Backends, HNoteFile, testing::ValuesIn(vdtest::profileBackends()),
                         vdtest::backendName);

}  // namespace
