#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/host_api.h"
#include "host/services.h"
#include "hostsim/exports.h"
#include "hostsim/host.h"

namespace {

using vd::HostApi;

class Binding : public ::testing::Test {
 protected:
  void SetUp() override {
    vd::unbindHost();
    host().reset();
  }
  void TearDown() override {
    vd::unbindHost();
    host().reset();
  }
  static hostsim::Host& host() { return hostsim::Host::instance(); }
  bool bind() { return vd::bindHost(this, &hostsim::resolveExport, nullptr); }
};

void* slotValue(const HostApi* api, int slot) {
  void* p;
  std::memcpy(&p, reinterpret_cast<const char*>(api) + slot * sizeof(void*), sizeof p);
  return p;
}

TEST_F(Binding, EverySlotHoldsTheExportOfItsName) {
  host().product = 1;  // product 1 binds every slot, 51-55 included
  ASSERT_TRUE(bind());
  const HostApi* api = vd::hostApi();
  ASSERT_NE(api, nullptr);
  EXPECT_EQ(api->module, this) << "entry 0 keeps the host module handle";
  for (const vd::HostSlot& s : vd::kHostSlots) {
    EXPECT_EQ(slotValue(api, s.slot), hostsim::resolveExport(nullptr, s.name)) << s.name;
    EXPECT_NE(slotValue(api, s.slot), nullptr) << s.name;
  }
  // Slots are numbered 1..55 without gaps, in order.
  for (int i = 0; i < vd::kHostApiSlots - 1; ++i) EXPECT_EQ(vd::kHostSlots[i].slot, i + 1);
  EXPECT_EQ(api->GetUnits, &::GetUnits);
  EXPECT_EQ(api->PromptW, &::PromptW);
  EXPECT_EQ(api->VdRcLayerDlg, &::VdRcLayerDlg);
}

struct OmitCase {
  const char* omitted;
  int product;
  bool bound;
};

TEST_F(Binding, MissingExportsDecideWhetherStartUpSucceeds) {
  const OmitCase cases[] = {
      {nullptr, 0, true},
      {"ShowHelpW", 0, true},
      {"GetVarStrA", 0, true},
      {"GetEnvStrA", 0, true},
      {"LoadStringDBA", 0, true},
      {"ColorExtFunctionA", 0, true},
      {"GetAcadType", 0, true},
      {"GetExternProduct", 0, false},
      {"GetUserDatPath", 0, false},
      {"GetCadHWND", 0, false},
      {"GetAppIcon", 0, false},
      {"LoadStringDBW", 0, false},
      {"DimArcEntryExit", 0, false},
      {"Vd2dGetStoredData", 0, true},
      {"Vd2dGetStoredData", 1, false},
      {"Vd2dLayerDev2LangW", 1, false},
      {"Vd2dKeyLayerMappedA", 2, true},
      {"VdRcLayerDlg", 2, false},
      {"VdRcFillComboLayer", 2, false},
      {"VdRcLayerDlg", 1, true},
  };
  for (const OmitCase& c : cases) {
    SCOPED_TRACE(std::string(c.omitted ? c.omitted : "nothing") + " left out, product " +
                 std::to_string(c.product));
    vd::unbindHost();
    host().reset();
    host().product = c.product;
    if (c.omitted) host().omittedExports.insert(c.omitted);
    EXPECT_EQ(bind(), c.bound);
    EXPECT_EQ(vd::hostApi() != nullptr, c.bound);
    if (c.bound) {
      EXPECT_EQ(vd::hostBinding().product, c.product);
    }
  }
}

TEST_F(Binding, EveryRequiredSlotIsRequired) {
  for (const vd::HostSlot& s : vd::kHostSlots) {
    if (s.need != vd::Need::Required) continue;
    vd::unbindHost();
    host().reset();
    host().omittedExports.insert(s.name);
    EXPECT_FALSE(bind()) << s.name;
    EXPECT_EQ(vd::hostApi(), nullptr) << s.name;
  }
}

TEST_F(Binding, BoundValuesComeFromTheHost) {
  host().product = 2;
  host().cadType = 0;
  host().userDataPath = u"C:\\Users\\Projektant\\Data";
  int window = 0;
  host().mainWindow = &window;
  ASSERT_TRUE(bind());
  EXPECT_EQ(vd::hostBinding().product, 2);
  EXPECT_EQ(vd::hostBinding().cadType, 0);
  EXPECT_EQ(vd::hostBinding().userDataPath, u"C:\\Users\\Projektant\\Data");
  EXPECT_EQ(vd::hostBinding().mainWindow, &window);
}

TEST_F(Binding, MissingCadTypeMeansThree) {
  host().cadType = 0;
  host().omittedExports.insert("GetAcadType");
  ASSERT_TRUE(bind());
  EXPECT_EQ(vd::hostBinding().cadType, 3);
}

TEST_F(Binding, SecondBindBindsNothing) {
  ASSERT_TRUE(bind());
  HostApi* first = vd::hostApi();
  host().product = 1;  // would change the outcome if binding ran again
  host().omittedExports.insert("Vd2dGetStoredData");
  EXPECT_TRUE(bind());
  EXPECT_EQ(vd::hostApi(), first);
  EXPECT_EQ(host().calls.count("GetExternProduct"), 1);
  EXPECT_EQ(host().calls.count("GetCadHWND"), 1);
}

TEST_F(Binding, WithoutATableEveryCallIsASilentFailure) {
  host().omittedExports.insert("GetCadHWND");
  ASSERT_FALSE(bind());
  EXPECT_EQ(vd::hostCallOr<&HostApi::GetUnits>(1000.0), 1000.0);
  EXPECT_FALSE(vd::hostCall<&HostApi::PromptW>(u"nothing"));
  EXPECT_TRUE(host().transcript().empty()) << "no host operation may run";
  vd::vstring text = u"stale";
  vd::loadText(1005, text);
  EXPECT_TRUE(text.empty());
}

TEST_F(Binding, MissingOptionalEntryIsASilentFailure) {
  host().omittedExports.insert("ShowHelpW");
  ASSERT_TRUE(bind());
  EXPECT_FALSE(vd::hostHas<&HostApi::ShowHelpW>());
  EXPECT_EQ((vd::hostCallOr<&HostApi::ShowHelpW, int>(-7, u"topic", 0, 0, 0)), -7);
  EXPECT_TRUE(vd::hostHas<&HostApi::PromptW>());
}

bool servedTexts(int id, vd::vstring& out) {
  switch (id) {
    case 1005: out = u"Zadejte bod vložení výškové kóty nebo %s: "; return true;
    case 9999: out = vd::vstring(5000, u'ž'); return true;
    default: return false;
  }
}

TEST_F(Binding, LoadTextThroughTheHost) {
  host().stringSource = &servedTexts;
  ASSERT_TRUE(bind());
  EXPECT_EQ(vd::loadText(1005), u"Zadejte bod vložení výškové kóty nebo %s: ");
  EXPECT_EQ(vd::loadText(4242), u"") << "an id the host does not know gives an empty text";
  vd::vstring longText = vd::loadText(9999);
  EXPECT_EQ(longText.size(), static_cast<size_t>(vd::kLoadTextChars - 1)) << "the buffer holds 4096 characters";
  EXPECT_EQ(longText.back(), u'ž');
}

}  // namespace
