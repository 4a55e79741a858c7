#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>
#include <string>

#include "commands/commands.h"
#include "host/host_api.h"
#include "host/pending.h"
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
// language the host serves it in. Every command of the table is built, so
// the report is called directly with the names a command would pass.
TEST_F(Binding, PendingCommandsSayItInTheHostsText) {
  hostTexts() = {{IDS_MSG_COMMAND_PENDING, u"Command %s is not available yet."}};
  host().stringSource = &mappedTexts;
  ASSERT_TRUE(bind());
  struct Case {
    const char16_t* command;
    vd::vstring detail;
    const char* line;
  } cases[] = {
      {u"DimLater", {}, "prompt: Command DimLater is not available yet.\\n"},
      {u"DimSoon", u"2D", "prompt: Command DimSoon is not available yet. (2D)\\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(vd::reportCommandPending(c.command, c.detail), 0);
    ASSERT_FALSE(host().transcript().empty());
    EXPECT_EQ(host().transcript().back(), c.line);
  }
  // A host text with a conversion the line does not pass is not used; nor is a missing one.
  hostTexts() = {{IDS_MSG_COMMAND_PENDING, u"%d %s"}};
  vd::reportCommandPending(u"DimLater");
  EXPECT_EQ(host().transcript().back(), "prompt: DimLater\\n");
  hostTexts().clear();
  vd::reportCommandPending(u"DimSoon");
  EXPECT_EQ(host().transcript().back(), "prompt: DimSoon\\n");
}

}  // namespace
