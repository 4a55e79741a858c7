// The height-dimension settings: defaults, the UCS rotation, and
// hnoteData.ini read and written through every profile backend of the build.
#include <gtest/gtest.h>

#include <random>

#include "heightdim/settings.h"
#include "host/host_api.h"
#include "hostsim/host.h"
#include "store/prf_store.h"
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

class HNoteFile : public testing::TestWithParam<vdtest::BackendCase> {
 protected:
  ProfileBackend& backend() { return *GetParam().backend; }
  vstring copyOfData(const char* name) {
    std::filesystem::create_directories(host.dir.file("Dat"));
    std::filesystem::copy_file(kData / name, host.dir.file("Dat") / "hnoteData.ini");
    return hnoteDataPath();
  }
  std::filesystem::path savedFile() { return host.dir.file("Dat") / "hnoteData.ini"; }

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

  HNoteData plan;  // TYPE 4 in HNOTE_DIN_1, one past the last: clamped to a plan-view record, read with plan-view keys only
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

INSTANTIATE_TEST_SUITE_P(Backends, HNoteFile, testing::ValuesIn(vdtest::profileBackends()),
                         vdtest::backendName);

}  // namespace
