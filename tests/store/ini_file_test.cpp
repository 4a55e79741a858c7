// What only the portable INI backend decides: encodings, the layout it
// writes back, host paths with backslashes, and files that are no INI text.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "store/ini_file.h"
#include "store/prf_store.h"
#include "store_test_support.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

using namespace vd;
using vdtest::ScratchDir;

namespace {

vstring readValue(IniFileBackend& backend, const vstring& file, vstring_view section, vstring_view key,
                  size_t capacity = 256) {
  std::vector<vchar> buffer(capacity + 1, u'#');
  size_t n = backend.read(file, section, key, kAbsentValue, buffer.data(), capacity);
  EXPECT_EQ(buffer[n], 0) << "the result is terminated";
  return vstring(buffer.data(), n);
}

TEST(IniFile, ReadsAreCutAsTheWindowsFunctionsCutThem) {
  ScratchDir dir;
  vdtest::writeBytes(dir.file("t.ini"), "[S]\r\nk=value a\r\n");
  IniFileBackend backend;
  const vstring file = dir.host("t.ini");
  struct Case {
    size_t capacity;
    const char16_t* text;
  } cases[] = {{64, u"value a"}, {8, u"value a"}, {7, u"value "}, {5, u"valu"}, {2, u"v"}, {1, u""}};
  for (const Case& c : cases) EXPECT_EQ(readValue(backend, file, u"S", u"k", c.capacity), c.text) << c.capacity;
  EXPECT_EQ(readValue(backend, file, u"S", u"none", 4), u"$EM");
  vchar one = u'#';
  EXPECT_EQ(backend.read(file, u"S", u"k", kAbsentValue, &one, 0), 0u);
  EXPECT_EQ(one, u'#');  // a zero capacity writes nothing
}

TEST(IniFile, MarkedFilesKeepTheirEncoding) {
  ScratchDir dir;
  IniFileBackend backend;
  vdtest::writeBytes(dir.file("u8.ini"), "\xEF\xBB\xBF[S]\nk=\xC4\x8D\n");
  EXPECT_EQ(readValue(backend, dir.host("u8.ini"), u"S", u"k"), u"č");
  ASSERT_TRUE(backend.write(dir.host("u8.ini"), u"S", u"m", u"ř"));
  EXPECT_EQ(vdtest::readBytes(dir.file("u8.ini")), "\xEF\xBB\xBF[S]\r\nk=\xC4\x8D\r\nm=\xC5\x99\r\n");

  vdtest::writeBytes(dir.file("u16.ini"), std::string("\xFF\xFE[\0S\0]\0\n\0k\0=\0\x0D\x01", 16));
  EXPECT_EQ(readValue(backend, dir.host("u16.ini"), u"S", u"k"), u"č");
  ASSERT_TRUE(backend.write(dir.host("u16.ini"), u"S", u"m", u"ř"));
  EXPECT_EQ(vdtest::readBytes(dir.file("u16.ini")), vdtest::utf16File(u"[S]\r\nk=č\r\nm=ř\r\n"));
}

#ifndef _WIN32
// A write that cannot be finished (here the file size limit stands for a full
// disk) answers false and leaves every byte of the file and nothing beside it.
// Windows has no such limit to set; the backend is the same code there.
TEST(IniFile, AWriteThatFailsLeavesTheFileAsItWas) {
  ScratchDir dir;
  const std::string before = "[HNOTE_CSN]\r\nTYPE=0\r\n[Other]\r\nkept=yes\r\n";
  vdtest::writeBytes(dir.file("t.ini"), before);
  IniFileBackend backend;
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  rlimit limited = old;
  limited.rlim_cur = before.size() + 8;
  void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const bool written = backend.write(dir.host("t.ini"), u"HNOTE_CSN", u"TEXT_STYLE", vstring(64, u'x'));
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(written);
  EXPECT_EQ(vdtest::readBytes(dir.file("t.ini")), before);
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.file("t.ini").parent_path())) {
    ++files;
    EXPECT_EQ(entry.path().filename(), "t.ini");
  }
  EXPECT_EQ(files, 1u);
  // Within the limit the same write goes through.
  ASSERT_TRUE(backend.write(dir.host("t.ini"), u"HNOTE_CSN", u"TEXT_STYLE", u"x"));
  EXPECT_EQ(readValue(backend, dir.host("t.ini"), u"Other", u"kept"), u"yes");
}
#endif

}  // namespace
