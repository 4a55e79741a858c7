#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>
#include <string>

#include "commands/commands.h"
#include "host/host_api.h"
#include "host/services.h"
#include "hostsim/exports.h"
#include "hostsim/host.h"
#include "string_ids.h"

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
  for (const vd::HostOperation& s : vd::kHostSlots) {
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
      {nullptr, 0, true}, {"ShowHelpW", 0, true}, {"GetVarStrA", 0, true},
      {"GetEnvStrA", 0, true}, {"LoadStringDBA", 0, true}, {"ColorExtFunctionA", 0, true},
      {"GetAcadType", 0, true}, {"GetExternProduct", 0, false}, {"GetUserDatPath", 0, false},
      {"GetCadHWND", 0, false}, {"GetAppIcon", 0, false}, {"LoadStringDBW", 0, false},
      {"DimArcEntryExit", 0, false}, {"Vd2dGetStoredData", 0, true}, {"Vd2dGetStoredData", 1, false},
      {"Vd2dLayerDev2LangW", 1, false}, {"Vd2dKeyLayerMappedA", 2, true}, {"VdRcLayerDlg", 2, false},
      {"VdRcFillComboLayer", 2, false}, {"VdRcLayerDlg", 1, true},
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
  for (const vd::HostOperation& s : vd::kHostSlots) {
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
  EXPECT_EQ(host().calls.count(vd::HostOp::GetExternProduct), 1);
  EXPECT_EQ(host().calls.count(vd::HostOp::GetCadHWND), 1);
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

// A host whose texts are set per test.
std::map<int, vd::vstring>& hostTexts() {
  static std::map<int, vd::vstring> t;
  return t;
}
bool mappedTexts(int id, vd::vstring& out) {
  auto it = hostTexts().find(id);
  if (it == hostTexts().end()) return false;
  out = it->second;
  return true;
}

TEST_F(Binding, FormatTextsMustTakeTheArgumentsGiven) {
  hostTexts() = {{1, u"bod %s: "},      {2, u"%u; %.17g rad; %d, %-3d"}, {3, u"100 %% %s"},
                 {4, u"%s a %s"},       {5, u"%d"},                      {6, u"%*d %s"},
                 {7, u"konec %"},       {8, u"%I64x"},                   {9, u"bez převodu"}};
  host().stringSource = &mappedTexts;
  ASSERT_TRUE(bind());
  struct Case {
    int id;
    const char* conversions;
    bool kept;
  } cases[] = {
      {1, "s", true},   {2, "ugdd", true}, {3, "s", true},  {4, "s", false}, {5, "s", false},
      {6, "ds", false}, {7, "", false},    {8, "x", true},  {9, "", true},   {9, "s", false},
      {42, "", true},  // an id the host lacks: empty either way
  };
  for (const Case& c : cases) {
    vd::vstring text = vd::loadFormat(c.id, c.conversions);
    vd::vstring loaded = vd::loadText(c.id);
    EXPECT_EQ(text, c.kept ? loaded : vd::vstring()) << c.id << " " << c.conversions;
  }
}

// The line of a command not built yet comes from the host's text, whatever
// language the host serves it in.
TEST_F(Binding, PendingCommandsSayItInTheHostsText) {
  hostTexts() = {{IDS_MSG_COMMAND_PENDING, u"Command %s is not available yet."}};
  host().stringSource = &mappedTexts;
  ASSERT_TRUE(bind());
  struct Case {
    const char* command;
    std::vector<const char*> args;
    const char* line;
  } cases[] = {
      {"DimUpdateUCS", {}, "prompt: Command DimUpdateUCS is not available yet.\\n"},
      {"DimAlign", {}, "prompt: Command DimAlign is not available yet.\\n"},
  };
  for (const Case& c : cases) {
    const vd::CommandInfo* info = vd::findCommand(c.command);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(vd::runCommand(*info, static_cast<int>(c.args.size()), c.args.data()), 0);
    ASSERT_FALSE(host().transcript().empty());
    EXPECT_EQ(host().transcript().back(), c.line);
  }
  // A host text with a conversion the line does not pass is not used; nor is a missing one.
  hostTexts() = {{IDS_MSG_COMMAND_PENDING, u"%d %s"}};
  const vd::CommandInfo* pending = vd::findCommand("DimAlign");
  vd::runCommand(*pending, 0, nullptr);
  EXPECT_EQ(host().transcript().back(), "prompt: DimAlign\\n");
}

}  // namespace
