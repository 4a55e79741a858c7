// The real module loaded into a program that exports the host operations, as
// the CAD host does: binding by name, the command exports, the served texts.
#include <gtest/gtest.h>
#include <windows.h>

#include <clocale>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "host/host_api.h"
#include "host/text.h"
#include "hostsim/host.h"
#include "tools/vdhost/colour_windows.h"
#include "ui/proc.h"

namespace {

using hostsim::Host;
using InitAppFn = int (*)(HMODULE);
using CommandFn = int (*)(int, const char**);

HMODULE g_module = nullptr;

bool moduleString(int id, vd::vstring& out) {
  const wchar_t* text = nullptr;
  int n = LoadStringW(g_module, static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
  if (n <= 0) return false;
  out.assign(reinterpret_cast<const char16_t*>(text), static_cast<size_t>(n));
  return true;
}

// Each test gets a freshly loaded module, so nothing bound by one test leaks into the next.
class ModuleDll : public ::testing::Test {
 protected:
  void SetUp() override {
    Host::instance().reset();
    Host::instance().userDataPath = u"C:\\vdhost-test";
    Host::instance().stringSource = &moduleString;
    g_module = LoadLibraryW(L"VdShared.dll");
    ASSERT_NE(g_module, nullptr) << "error " << GetLastError();
  }
  void TearDown() override {
    if (g_module) FreeLibrary(g_module);
    g_module = nullptr;
    Host::instance().reset();
  }
  static int initApp() {
    auto init = ui::procAddress<InitAppFn>(g_module, "InitApp");
    return init ? init(GetModuleHandleW(nullptr)) : -1;
  }
  static int command(const char* name, std::vector<const char*> args) {
    auto fn = ui::procAddress<CommandFn>(g_module, (std::string("Command_") + name).c_str());
    if (!fn) {
      ADD_FAILURE() << "no export Command_" << name;
      return std::numeric_limits<int>::min();
    }
    return fn(static_cast<int>(args.size()), args.data());
  }
};

// This program links the export file vdhost links, made from the list of host
// operations: every operation is exported under its name, and it is the
// headless host's function of that name.
TEST(HostExports, EveryOperationIsExportedByItsName) {
  HMODULE self = GetModuleHandleW(nullptr);
  int exported = 0;
  for (const vd::HostOperation& o : vd::kHostOperations) {
    auto fn = ui::procAddress<void (*)()>(self, o.name);
    void* address = nullptr;
    std::memcpy(&address, &fn, sizeof address);
    EXPECT_NE(address, nullptr) << o.name;
    EXPECT_EQ(address, hostsim::resolveExport(nullptr, o.name)) << o.name;
    exported += address != nullptr;
  }
  EXPECT_EQ(exported, 59);
}

// The arguments and the prompts they lead to are checked by PlaceArgs
// (command_args_test.cpp) and the heightdim_* scenarios; here only that the
// export does nothing without an argument.
TEST_F(ModuleDll, HeightDimWithoutArgumentsDoesNothing) {
  ASSERT_EQ(initApp(), 1);
  const size_t lines = Host::instance().transcript().size();
  EXPECT_EQ(command("HeightDim", {}), 0);
  EXPECT_EQ(Host::instance().transcript().size(), lines);
}

TEST_F(ModuleDll, CommandsWithoutAHostDoNothing) {
  // Each export gives the host its own failure code: -1 where 0 means success.
  const struct {
    const char* name;
    int result;
  } rows[] = {
      {"DimArc", -1},         {"DimArc2", -1},          {"DimArc3", -1},           {"DimArc4", -1},
      {"DimArcLength", -1},   {"DimConnect", -1},       {"DimDivide", 0},          {"DimAlign", 0},
      {"DimUpdateUCS", -1},   {"HeightDim", 0},         {"HeightDimEdit", 0},      {"HeightDimSetBase", 0},
      {"HeightDimUpdate", 0}, {"HeightDimSettings", 0},
  };
  for (const auto& r : rows) EXPECT_EQ(command(r.name, {"0"}), r.result) << r.name;
  EXPECT_TRUE(Host::instance().transcript().empty());
  EXPECT_TRUE(Host::instance().calls.log().empty()) << "not a single host operation was called";
}

// ColorExtFunction as the host calls it: names from the string table the host
// serves, the "more" item, typed colours; calls it cannot serve are refused
// without a dialog and without touching the caller's outputs.
TEST_F(ModuleDll, ColorExtFunctionWithoutDialog) {
  using ColorExtFn = int (*)(HWND, int, uint32_t*, uint32_t*, wchar_t*, int);
  auto colorExt = ui::procAddress<ColorExtFn>(g_module, "ColorExtFunction");
  ASSERT_NE(colorExt, nullptr);
  ASSERT_EQ(initApp(), 1);
  struct Case {
    int mode;
    uint32_t colourIn;
    const wchar_t* textIn;
    int result;
    uint32_t colourOut;
    uint32_t rgb;  // 0xFFFFFFFF: not asked
    const char* textOut;
  } cases[] = {
      {0, 1, L"", 1, 1, 0x0000FF, "Červená"},
      {0, 8, L"", 1, 8, 0x6A6A6A, "8"},
      {0, 256, L"", 1, 256, 0x000000, "DleHlad"},
      {0, 0x010080FF, L"", 1, 0x010080FF, 0x0080FF, "255, 128, 0"},
      {5, 3, L"", 1, 3, 0xFFFFFFFF, "Další..."},
      {6, 3, L"255, 128, 0", 1, 0x010080FF, 0xFFFFFFFF, "255, 128, 0"},
      {6, 3, L"žlutá", 1, 2, 0xFFFFFFFF, "žlutá"},
      {6, 3, L"nic", 0, 3, 0xFFFFFFFF, "nic"},
      {7, 3, L"x", 0, 3, 0xFFFFFFFF, "x"},
      {-1, 3, L"x", 0, 3, 0xFFFFFFFF, "x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    wchar_t text[64] = {};
    wcscpy(text, c.textIn);
    uint32_t colour = c.colourIn, rgb = 0xFFFFFFFF;
    EXPECT_EQ(colorExt(nullptr, c.mode, &colour, &rgb, text, 64), c.result);
    EXPECT_EQ(colour, c.colourOut);
    EXPECT_EQ(rgb, c.rgb);
    EXPECT_EQ(vd::utf16ToUtf8(reinterpret_cast<const char16_t*>(text)), c.textOut);
  }
  // The dialog modes without a colour, a buffer of no length: refused, nothing written.
  for (int mode : {0, 1, 2, 3, 4, 6}) EXPECT_EQ(colorExt(nullptr, mode, nullptr, nullptr, nullptr, 0), 0) << mode;
  wchar_t text[8] = L"abc";
  uint32_t colour = 3;
  EXPECT_EQ(colorExt(nullptr, 5, &colour, nullptr, text, 0), 0);
  EXPECT_EQ(colorExt(nullptr, 5, &colour, nullptr, text, -5), 0);
  EXPECT_EQ(colorExt(nullptr, 6, &colour, nullptr, text, -5), 0);
  EXPECT_EQ(std::wstring(text), L"abc");
  EXPECT_EQ(colour, 3u);
}

// The host program passes its own ColorExtFunctionW on to the module, as a
// CAD host that loaded the module does: the module's colour names through
// the host's operation.
TEST_F(ModuleDll, HostPassesColorExtFunctionWOnToTheModule) {
  ASSERT_EQ(initApp(), 1);
  ASSERT_TRUE(vdhost::passColourExtTo(Host::instance(), g_module));
  using ColorExtW = int (*)(void*, int, uint32_t*, uint32_t*, vd::vchar*, int);
  auto hostColorExt = ui::procAddress<ColorExtW>(GetModuleHandleW(nullptr), "ColorExtFunctionW");
  ASSERT_NE(hostColorExt, nullptr);
  uint32_t colour = 0, rgb = 0;
  vd::vchar text[32] = {};
  EXPECT_EQ(hostColorExt(nullptr, 0, &colour, &rgb, text, 32), 1);
  EXPECT_EQ(vd::vstring(text), u"DleBlok");
  EXPECT_EQ(rgb, 0u);
  Host::instance().windowOperations.colourExt = nullptr;
}

// The module shares msvcrt.dll with a host that may set its locale: a Czech
// one prints a decimal comma. The module's numbers keep their point (marks,
// dimension texts and prompts put their own separator in later).
TEST(SharedCLibrary, NumbersKeepTheirPointWhateverTheHostsLocale) {
  const std::string before = std::setlocale(LC_NUMERIC, nullptr);
  ASSERT_NE(std::setlocale(LC_NUMERIC, "Czech"), nullptr);
  ASSERT_EQ(*std::localeconv()->decimal_point, ',') << "a locale with a decimal comma";
  const vd::vstring texts[] = {vd::vformat(u"%s%.*f", u"+", 3, 1.25), vd::vformat(u"%g", 0.5),
                               vd::vformat(u"[%*.*f]", 6, 1, 3.14159), vd::vformat(u"%.1e", 1.5)};
  std::setlocale(LC_NUMERIC, before.c_str());
  EXPECT_EQ(texts[0], u"+1.250");
  EXPECT_EQ(texts[1], u"0.5");
  EXPECT_EQ(texts[2], u"[   3.1]");
  EXPECT_EQ(texts[3], u"1.5e+00");
}

}  // namespace
