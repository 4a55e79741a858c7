// The drawing's layers and layer keys as the module's layer operations
// answer them: `layer` lines, Vd2dKeyLayerMappedA, Vd2dLayerDev2LangW,
// FindLayerInfoA, and the list the layer-settings extension reads.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>

#include "host_fixture.h"
#include "hostsim/layers.h"

extern "C" int Vd2dLayerEntryW(int index, vd::vchar* name, int nameCapacity, vd::vchar* key, int keyCapacity);

namespace {

using namespace vd;

class LayersTest : public hosttest::ScriptHostTest<> {
 protected:
  // Vd2dKeyLayerMappedA's answer for a key in UTF-8; "-" when it fails.
  std::string mapped(const std::string& key) {
    char buffer[64] = "stale";
    const std::string narrow = utf16ToCp1250(utf8ToUtf16(key));
    if (!api().Vd2dKeyLayerMappedA(narrow.c_str(), buffer, sizeof buffer, 0)) return std::string("-") + buffer;
    return utf16ToUtf8(cp1250ToUtf16(buffer));
  }
  std::string converted(const std::u16string& text, int direction, int capacity = 64) {
    vchar buffer[64] = {};
    copyToBuffer(text, buffer, 64);
    const int r = api().Vd2dLayerDev2LangW(buffer, capacity, direction);
    return std::to_string(r) + " " + utf16ToUtf8(buffer);
  }
  // FindLayerInfoA's colour for a layer; 0 when it fails.
  int colour(const std::string& name, int size = sizeof(HostLayerRecord)) {
    HostLayerRecord r{size, 0};
    const std::string narrow = utf16ToCp1250(utf8ToUtf16(name));
    return api().FindLayerInfoA(narrow.c_str(), &r) ? r.colour : 0;
  }
};

const char kLayers[] =
    "layer K\xc3\xb3ty 3 Koty\n"             // Kóty, key Koty
    "layer Zdi 1\n"
    "layer Okna -5 OKNO\n"                   // off
    "layer zdi 2 Z\n";                       // the same layer, a new colour and a key

TEST_F(LayersTest, KeysTravelBetweenDeviceAndLanguageForms) {
  ASSERT_TRUE(run(kLayers)) << host().error();
  const std::tuple<std::u16string, int, std::string> rows[] = {  // text, direction, answer
      {u"KOTY", 0, "1 Koty"}, {u"koty", 0, "1 Koty"}, {u"Koty", 1, "1 KOTY"},  {u"okno", 1, "1 OKNO"},
      {u"Zdi", 0, "0 Zdi"},   {u"Zdi", 1, "0 Zdi"},   {u"Koty", 2, "0 Koty"},  {u"", 0, "0 "},
  };
  for (const auto& [text, direction, expected] : rows) EXPECT_EQ(converted(text, direction), expected) << utf16ToUtf8(text);
  EXPECT_EQ(converted(u"koty", 0, 3), "1 Ko") << "a short buffer takes what fits";
}

TEST_F(LayersTest, LayerInfoComesFromTheDrawingsLayers) {
  ASSERT_TRUE(run(kLayers)) << host().error();
  ASSERT_TRUE(host().addLayer(u"Nová"));
  const int whole = sizeof(HostLayerRecord);
  const std::tuple<const char*, int, int> rows[] = {  // name, record size, colour
      {"K\xc3\xb3ty", whole, 3}, {"ZDI", whole, 2},  {"Okna", whole, -5}, {"0", whole, 7},
      {"Nov\xc3\xa1", whole, 7}, {"Koty", whole, 0}, {"Zdi", 4, 0},
  };
  for (const auto& [name, size, expected] : rows) EXPECT_EQ(colour(name, size), expected) << name;
  HostLayerRecord record{sizeof record, 0};
  EXPECT_EQ(api().FindLayerInfoA(nullptr, &record), 0);
  EXPECT_EQ(api().FindLayerInfoA("Zdi", nullptr), 0);
}

TEST_F(LayersTest, LayersLoadedFromAFileCount) {
  ASSERT_TRUE(run("layer Strop 4 STR\nlayer 0 6\n")) << host().error();
  const std::string path = testing::TempDir() + "layers_test.dxf";
  std::string error;
  ASSERT_TRUE(host().saveDrawing(path, error)) << error;
  host().reset();
  EXPECT_EQ(colour("Strop"), 0) << "a new drawing has no such layer";
  ASSERT_TRUE(host().loadDrawing(path, error)) << error;
  std::remove(path.c_str());
  EXPECT_EQ(colour("Strop"), 4);
  EXPECT_EQ(colour("0"), 6);
  EXPECT_EQ(mapped("STR"), "-") << "keys belong to the host, not to the file";
  ASSERT_TRUE(run("layer strop 4 STR\n")) << host().error();
  EXPECT_EQ(mapped("str"), "Strop") << "a key given to a loaded layer names it as the file does";
  EXPECT_EQ(host().layerNames().size(), 2u) << "no second record for the loaded layer";
}

TEST_F(LayersTest, BadLayerLinesChangeNothing) {
  const std::pair<std::string, const char*> cases[] = {
      {"layer Zdi\n", "line 1: layer wants a name, a colour and maybe a key"},
      {"layer Zdi x\n", "line 1: layer wants a name, a colour and maybe a key"},
      {"layer Zdi 1 A B\n", "line 1: layer wants a name, a colour and maybe a key"},
      {"layer Zdi 0\n", "line 1: a layer's colour is 1 to 255, negative for a layer that is off, not 0"},
      {"layer Zdi 256\n", "not 256"},
      {"layer Zdi -256\n", "not -256"},
      {"layer \"\" 1\n", "line 1: a layer needs a name"},
      {"layer Zdi 1 K\nlayer Okna 2 k\n", "line 2: the layer key k already stands for the layer Zdi"},
  };
  for (const auto& [text, expected] : cases) {
    expectScriptError(text, expected);
    EXPECT_EQ(mapped("k"), text.find("K\n") != std::string::npos ? "Zdi" : "-");
    EXPECT_EQ(colour("Okna"), 0) << text;
  }
}

TEST_F(LayersTest, TheExtensionListsEveryLayerWithItsKey) {
  ASSERT_TRUE(run(kLayers)) << host().error();
  std::string listed;
  vchar name[8], key[8];
  for (int i = 0; Vd2dLayerEntryW(i, name, 8, key, 8); ++i) listed += utf16ToUtf8(name) + "=" + utf16ToUtf8(key) + ";";
  EXPECT_EQ(listed, "0=;K\xc3\xb3ty=Koty;Zdi=Z;Okna=OKNO;");
  EXPECT_EQ(Vd2dLayerEntryW(-1, name, 8, key, 8), 0);
  ASSERT_TRUE(run("layer Dlouh\xc3\xa1hladina 9 DLOUHYKLIC\n"));
  ASSERT_EQ(Vd2dLayerEntryW(4, name, 8, key, 8), 1);
  EXPECT_EQ(utf16ToUtf8(name), "Dlouh\xc3\xa1h") << "cut to the buffer, terminated";
  EXPECT_EQ(utf16ToUtf8(key), "DLOUHYK");
}

}  // namespace
