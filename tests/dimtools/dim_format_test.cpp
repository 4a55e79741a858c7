// Dimension text from measured values, the dimension settings behind it, and
// the request that gives a new dimension the current style on every kind of
// host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dimtools/dim_style.h"
#include "dimtools/kota.h"
#include "tests/dimtools/dim_test_host.h"

using namespace vd;
using namespace vd::dim;

namespace {

class DimHost : public dimtest::DimToolsHost {
 protected:
  void TearDown() override {
    setAltSendFinder(nullptr);
    DimToolsHost::TearDown();
  }
};

struct FormatCase {
  double value;
  int decimals;
  double roundOff;
  int zin;
  char16_t separator;
  bool metres;
  const char16_t* text;
};

TEST(DimFormat, ValuesAsDimensionText) {
  const FormatCase cases[] = {
      // Leading and trailing zeros both suppressed, the comma as separator.
      {0.5, 3, 0, 12, u',', false, u",5"},
      {0.5, 3, 0, 8, u',', false, u"0,5"},
      {0.5, 2, 0, 4, u'.', false, u".50"},
      {0.0, 2, 0, 12, u'.', false, u"0"},
      {0.0, 0, 0, 4, u'.', false, u"0"},
      {12.5, 3, 0, 8, u'.', false, u"12.5"},
      {12.0, 3, 0, 8, u'.', false, u"12"},
      {100.0, 0, 0, 8, u'.', false, u"100"},  // no point: the zeros of the integer stay
      {7.25, 2, 0, 0, u'.', false, u"7.25"},
      {7.25, 2, 0, 3, u'.', false, u"7.25"},  // bits other than 4 and 8 are ignored
      // Metres shown as millimetres.
      {1.2345, 1, 0, 0, u'.', true, u"1234.5"},
      {0.005, 0, 0, 0, u',', true, u"5"},
      // Rounding to a step: 5.5 steps tie and go down.
      {1.375, 2, 0.25, 0, u'.', false, u"1.25"},
      {1.376, 2, 0.25, 0, u'.', false, u"1.50"},
      {-1.375, 2, 0.25, 0, u'.', false, u"-1.50"},
      {7.85398, 2, 0, 0, u'.', false, u"7.85"},
      {5.0, 2, 0, 0, u',', false, u"5,00"},
      // Decimals beyond what the host allows are clamped to 0..8.
      {0.5, 20, 0, 0, u'.', false, u"0.50000000"},
      {2.25, -1, 0, 0, u'.', false, u"2"},
  };
  for (const FormatCase& c : cases) {
    CKota k;
    k.decimals = c.decimals;
    k.roundOff = c.roundOff;
    k.zeroSuppress = c.zin;
    k.decimalSeparator = c.separator;
    k.lengthFactor = c.metres ? 1000.0 : 1.0;
    EXPECT_EQ(utf16ToUtf8(formatDimValue(k, c.value)), utf16ToUtf8(c.text))
        << c.value << " decimals " << c.decimals << " zin " << c.zin;
  }
}

struct AltSendRecord {
  std::vector<std::string> modulesAsked;
  std::vector<std::string> texts;
  bool moduleLoaded = true;
};
AltSendRecord g_alt;
void recordAltSend(const char* text) { g_alt.texts.push_back(text); }
AltSend findRecorder(const char* module) {
  g_alt.modulesAsked.push_back(module);
  return g_alt.moduleLoaded ? &recordAltSend : nullptr;
}

TEST_F(DimHost, StyleReappliedByEveryKindOfHost) {
  const std::vector<std::string> sent = {"_-dimstyle ", "_apply ", "_last \n"};
  struct {
    bool finder;  // the module's lookup is there (not on a platform without modules)
    int cadType;
    bool loaded;
    const char* module;  // asked for; null: none
    bool sends;
  } cases[] = {
      {true, 3, true, nullptr, false},
      {true, 0, true, "VeldraLT.exe", true},
      {true, 1, true, "Veldra2d.arx", true},
      {true, 2, true, "Veldra2d.arx", true},
      {true, 0, false, "VeldraLT.exe", false},
      {false, 0, true, nullptr, false},
  };
  for (auto c : cases) {
    setAltSendFinder(c.finder ? &findRecorder : nullptr);
    g_alt = AltSendRecord{.moduleLoaded = c.loaded};
    host().reset();
    hostBinding().cadType = c.cadType;
    EXPECT_EQ(reapplyDimStyle(), 1);
    EXPECT_EQ(g_alt.modulesAsked, c.module ? std::vector<std::string>{c.module} : std::vector<std::string>{})
        << "type " << c.cadType;
    EXPECT_EQ(g_alt.texts, c.sends ? sent : std::vector<std::string>{}) << "type " << c.cadType;
    int commandsSent = 0;
    for (const std::string& line : host().transcript())
      if (line.rfind("host command: ", 0) == 0) {
        ++commandsSent;
        EXPECT_EQ(line, R"(host command: _dim1\n_update\n_L\n\n)") << "type " << c.cadType;
      }
    EXPECT_EQ(commandsSent, c.cadType == 3 ? 1 : 0) << "type " << c.cadType;
  }
}

}  // namespace
