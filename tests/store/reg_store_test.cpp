// reg_store on the in-memory registry and, in the Windows build, on a scratch
// key of the real registry.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "store/reg_store.h"
#include "store_test_support.h"
#ifdef _WIN32
#include "store/win/registry_win32.h"
#endif

using namespace vd;
using vdtest::got;

namespace {

// One registry to test on: opens the scratch key, and puts a raw value there.
class Registry {
 public:
  virtual ~Registry() = default;
  virtual std::unique_ptr<RegistryKey> open() = 0;
  void put(vstring_view name, RegType type, const std::vector<uint8_t>& data) {
    ASSERT_TRUE(open()->set(name, type, data.data(), static_cast<uint32_t>(data.size())));
  }
  // The type and size of a raw value.
  std::pair<RegType, uint32_t> typeAndSize(vstring_view name) {
    RegType type = RegType::None;
    uint8_t data[64];
    uint32_t size = sizeof data;
    EXPECT_EQ(open()->query(name, type, data, size), RegResult::Ok) << utf16ToUtf8(name);
    return {type, size};
  }
};

class InMemory : public Registry {
 public:
  std::unique_ptr<RegistryKey> open() override { return registry.open(u"Software\\VdTest", true); }
  MemoryRegistry registry;
};

#ifdef _WIN32
class Win32 : public Registry {
 public:
  Win32() {
    path_ = u"Software\\VdSharedTests\\" +
            utf8ToUtf16(std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  }
  ~Win32() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(path_.c_str()));
  }
  std::unique_ptr<RegistryKey> open() override { return openWin32RegistryKey(HKEY_CURRENT_USER, path_, true); }

 private:
  vstring path_;
};
#endif

struct RegistryCase {
  const char* name;
  std::function<std::unique_ptr<Registry>()> make;
};

std::vector<RegistryCase> registries() {
  std::vector<RegistryCase> cases = {{"memory", [] { return std::make_unique<InMemory>(); }}};
#ifdef _WIN32
  cases.push_back({"win32", [] { return std::make_unique<Win32>(); }});
#endif
  return cases;
}

class RegStore : public testing::TestWithParam<RegistryCase> {
 protected:
  std::unique_ptr<Registry> registry = GetParam().make();
};

std::vector<uint8_t> utf16Bytes(vstring_view text) {
  std::vector<uint8_t> out;
  for (vchar c : text) {
    out.push_back(static_cast<uint8_t>(c & 0xFF));
    out.push_back(static_cast<uint8_t>(c >> 8));
  }
  return out;
}

TEST_P(RegStore, IntegersAreDoubleWordsInBinaryModeAndTextOtherwise) {
  reg_store s(registry->open());
  s.setTextMode(false);
  ASSERT_TRUE(s.setInt(u"i", -3));
  EXPECT_EQ(registry->typeAndSize(u"i"), std::make_pair(RegType::Dword, 4u));
  int32_t v = 0;
  EXPECT_EQ(got(s, &ini_store::getInt, u"i"), -3);

  s.setTextMode(true);
  ASSERT_TRUE(s.setInt(u"t", 12));
  EXPECT_EQ(got(s, &ini_store::getString, u"t"), u"12");
  EXPECT_EQ(got(s, &ini_store::getInt, u"i"), -3) << "a double word also reads in text mode";

  registry->put(u"bad", RegType::String, utf16Bytes(vstring(u"12x\0", 4)));
  EXPECT_FALSE(s.getInt(u"bad", v));
  EXPECT_EQ(v, 0);
}

TEST_P(RegStore, StringsAndExpandableStringsRead) {
  reg_store s(registry->open());
  ASSERT_TRUE(s.setString(u"s", u"Kóty"));
  registry->put(u"x", RegType::ExpandString, utf16Bytes(vstring(u"%TEMP%\\a\0", 9)));
  registry->put(u"unterminated", RegType::String, utf16Bytes(u"abc"));
  registry->put(u"bin", RegType::Binary, {0x61, 0x00});
  struct Case {
    const char16_t* name;
    const char16_t* value;  // null: refused
  } cases[] = {{u"s", u"Kóty"}, {u"x", u"%TEMP%\\a"}, {u"unterminated", u"abc"}, {u"bin", nullptr},
               {u"missing", nullptr}};
  for (const Case& c : cases) {
    vstring out = u"junk";
    EXPECT_EQ(s.getString(c.name, out), c.value != nullptr) << utf16ToUtf8(c.name);
    EXPECT_EQ(out, c.value ? c.value : u"") << utf16ToUtf8(c.name);
  }
  EXPECT_FALSE(s.setString(u"s", vstring(u"a\0b", 3)));
}

TEST_P(RegStore, LongValuesAreReadAgainAtTheReportedSize) {
  reg_store s(registry->open());
  for (size_t length : {511u, 512u, 600u, 40000u}) {
    vstring value(length, u'r');
    value.back() = u'z';
    ASSERT_TRUE(s.setString(u"long", value));
    vstring out;
    ASSERT_TRUE(s.getString(u"long", out)) << length;
    EXPECT_TRUE(out == value) << length;

    std::vector<uint8_t> block(length * 3, 0x5A);
    block.back() = 1;
    ASSERT_TRUE(s.setBinary(u"blob", block));
    std::vector<uint8_t> back;
    EXPECT_EQ(got(s, &ini_store::getBinary, u"blob"), block) << length;
  }
}

TEST_P(RegStore, BlocksAreBinaryValuesOnly) {
  reg_store s(registry->open());
  const int32_t list[] = {4, 5, 6};
  s.setTextMode(false);
  ASSERT_TRUE(s.setIntList(u"l", list));
  EXPECT_EQ(got(s, &ini_store::getIntList, u"l"), (std::vector<int32_t>{4, 5, 6}));

  std::vector<uint8_t> block;
  registry->put(u"dw", RegType::Dword, {1, 0, 0, 0});
  EXPECT_FALSE(s.getBinary(u"dw", block));
  EXPECT_FALSE(s.getBinary(u"s", block));

  const vstring strings[] = {u"a", u"bc"};
  ASSERT_TRUE(s.setStringList(u"h", strings));
  EXPECT_EQ(registry->typeAndSize(u"h_UNICODE"), std::make_pair(RegType::Binary, 10u));
  EXPECT_EQ(got(s, &ini_store::getStringList, u"h"), (std::vector<vstring>{u"a", u"bc"}));

  uint8_t buffer[4];
  size_t bufferSize = sizeof buffer;
  EXPECT_FALSE(s.getBinaryInto(u"l", buffer, bufferSize));  // only the profile stores copy into a buffer
}

TEST_P(RegStore, ClosedStoreFailsEverything) {
  reg_store s(registry->open());
  ASSERT_TRUE(s.setString(u"k", u"v"));
  s.close();
  EXPECT_FALSE(s.isOpen());
  vstring out;
  EXPECT_FALSE(s.getString(u"k", out));
  EXPECT_FALSE(s.setString(u"k", u"w"));
  int32_t v = 1;
  EXPECT_FALSE(s.getInt(u"k", v));
  EXPECT_EQ(v, 0);

  reg_store none(nullptr);
  EXPECT_FALSE(none.setInt(u"k", 1));
}

INSTANTIATE_TEST_SUITE_P(Registries, RegStore, testing::ValuesIn(registries()),
                         [](const testing::TestParamInfo<RegistryCase>& info) { return info.param.name; });

TEST(MemoryRegistry, StoresCloseTheirKey) {
  MemoryRegistry registry;
  {
    reg_store s(registry.open(u"Software\\A", true));
    EXPECT_EQ(registry.openKeys(), 1);
    s.close();
    EXPECT_EQ(registry.openKeys(), 0);
    reg_store t(registry.open(u"SOFTWARE\\a", false));  // names compare without case
    EXPECT_TRUE(t.isOpen());
    EXPECT_EQ(registry.openKeys(), 1);
  }
  EXPECT_EQ(registry.openKeys(), 0);
  EXPECT_EQ(registry.open(u"Software\\Missing", false), nullptr);
}

}  // namespace
