// The profile stores against every profile backend of the build: each test
// runs once on the portable INI backend and, in the Windows build, once on
// the Windows profile functions, and both must give the same results.
#include <gtest/gtest.h>

#include "store/prf_store.h"
#include "store_test_support.h"

using namespace vd;
using vdtest::ScratchDir;
using vdtest::got;

namespace {

// Counts the reads that pass through to the backend under test.
class CountingBackend : public vdtest::PassThroughBackend {
 public:
  using PassThroughBackend::PassThroughBackend;
  size_t read(vstring_view file, vstring_view section, vstring_view key, vstring_view fallback,
              vchar* buffer, size_t capacity) override {
    ++reads;
    return PassThroughBackend::read(file, section, key, fallback, buffer, capacity);
  }
  int reads = 0;
};

class PrfStore : public testing::TestWithParam<vdtest::BackendCase> {
 protected:
  ProfileBackend& backend() { return *GetParam().backend; }

  // A file of the given lines (CR LF) and a store opened on its section S.
  prf_store& storeOn(const std::string& content) {
    vdtest::writeBytes(dir.file("t.ini"), content);
    EXPECT_TRUE(store.open(dir.host("t.ini"), u"S"));
    return store;
  }
  vstring raw(vstring_view section, vstring_view key) {
    vchar buffer[256];
    size_t n = backend().read(dir.host("t.ini"), section, key, u"$EMPTY$", buffer, 256);
    return vstring(buffer, n);
  }

  ScratchDir dir;
  prf_store store{backend()};
};

TEST_P(PrfStore, RealsRoundTripAtSixDigitsAndRefuseNonNumbers) {
  prf_store& s = storeOn("[S]\r\nn=nan\r\nbig=1e999\r\ninf=inf\r\nok=.5\r\n");
  ASSERT_TRUE(s.setDouble(u"r", 0.1234567));
  EXPECT_EQ(raw(u"S", u"r"), u"0.123457");
  double v = 0;
  EXPECT_EQ(got(s, &ini_store::getDouble, u"r"), 0.123457);
  for (const char16_t* key : {u"n", u"big", u"inf"}) {
    v = 99;
    EXPECT_FALSE(s.getDouble(key, v)) << utf16ToUtf8(key);
    EXPECT_EQ(v, 0);
  }
  EXPECT_EQ(got(s, &ini_store::getDouble, u"ok"), 0.5);
  // A value whose text would not read back is not written.
  EXPECT_FALSE(s.setDouble(u"r", std::numeric_limits<double>::quiet_NaN()));
  EXPECT_EQ(raw(u"S", u"r"), u"0.123457");

  const double list[] = {1.5, 1e20, -0.1234567};
  ASSERT_TRUE(s.setDoubleList(u"l", list));
  EXPECT_EQ(raw(u"S", u"l"), u"1.5;1e+20;-0.123457");
  EXPECT_EQ(got(s, &ini_store::getDoubleList, u"l"), (std::vector<double>{1.5, 1e20, -0.123457}));
}

TEST_P(PrfStore, BinaryBlocksAreHexText) {
  prf_store& s = storeOn("[S]\r\n");
  const uint8_t bytes[] = {0x01, 0x2C, 0xFF};
  ASSERT_TRUE(s.setBinary(u"bin", bytes));
  EXPECT_EQ(raw(u"S", u"bin"), u"00000003012CFF");
  EXPECT_EQ(got(s, &ini_store::getBinary, u"bin"), (std::vector<uint8_t>{0x01, 0x2C, 0xFF}));

  std::vector<uint8_t> tooLarge(32768, 0xAB);
  EXPECT_FALSE(s.setBinary(u"bin", tooLarge));
  EXPECT_EQ(raw(u"S", u"bin"), u"00000003012CFF");
}

TEST_P(PrfStore, StoredHexTextIsCheckedBeforeUse) {
  prf_store& s = storeOn(
      "[S]\r\nlow=00000003012cff\r\nlowcount=0000000a00112233445566778899\r\n"
      "short=00000003012CF\r\nlong=00000003012CFF00\r\nempty=00000000\r\n"
      "huge=00008000\r\nbad=00000002zz00\r\ntext=hello\r\n");
  struct Case {
    const char16_t* key;
    bool ok;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {u"low", true, {0x01, 0x2C, 0xFF}},  // byte digits may be lower case
      {u"lowcount", false, {}},            // the count may not
      {u"short", false, {}},
      {u"long", false, {}},
      {u"empty", true, {}},
      {u"huge", false, {}},
      {u"bad", false, {}},
      {u"text", false, {}},
      {u"missing", false, {}},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> out = {1};
    EXPECT_EQ(s.getBinary(c.key, out), c.ok) << utf16ToUtf8(c.key);
    EXPECT_EQ(out, c.bytes) << utf16ToUtf8(c.key);
  }
}

TEST_P(PrfStore, MissingKeyIsAbsentThoughTheBackendGaveTheDefault) {
  prf_store& s = storeOn("[S]\r\nthere=1\r\nliteral=$EMPTY$\r\n");
  vchar buffer[16];
  ASSERT_EQ(backend().read(dir.host("t.ini"), u"S", u"gone", kAbsentValue, buffer, 16), 7u);
  EXPECT_EQ(vstring(buffer), u"$EMPTY$");
  vstring out = u"x";
  EXPECT_FALSE(s.getString(u"gone", out));
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(s.getString(u"literal", out));  // indistinguishable from a missing key
  EXPECT_EQ(got(s, &ini_store::getString, u"there"), u"1");

  prf_store other(backend());
  ASSERT_TRUE(other.open(dir.host("t.ini"), u"NoSuchSection"));
  EXPECT_FALSE(other.getString(u"there", out));
  ASSERT_TRUE(other.open(dir.host("nofile.ini"), u"S"));
  int32_t v = 5;
  EXPECT_FALSE(other.getInt(u"there", v));
  EXPECT_EQ(v, 0);
}

TEST_P(PrfStore, LongStringsAreReadWhole) {
  CountingBackend counting(backend());
  prf_store s(counting);
  vdtest::writeBytes(dir.file("t.ini"), "[S]\r\n");
  ASSERT_TRUE(s.open(dir.host("t.ini"), u"S"));
  struct Case {
    size_t length;
    int reads;  // the buffer starts at 1024 and doubles while the value fills it
  } cases[] = {{0, 1}, {1022, 1}, {1023, 2}, {1024, 2}, {2047, 3}, {5000, 4}, {size_t{1} << 20, 12}};
  for (const Case& c : cases) {
    vstring value(c.length, u'v');
    if (c.length) value[c.length - 1] = u'e';
    ASSERT_TRUE(s.setString(u"k", value));
    counting.reads = 0;
    vstring out;
    ASSERT_TRUE(s.getString(u"k", out)) << c.length;
    EXPECT_EQ(out.size(), c.length);
    EXPECT_TRUE(out == value) << c.length;
    EXPECT_EQ(counting.reads, c.reads) << c.length;
  }
}

TEST_P(PrfStore, StringListsAreBinaryUnderTheUnicodeKey) {
  prf_store& s = storeOn("[S]\r\n");
  const vstring two[] = {u"ab", u"c"};
  ASSERT_TRUE(s.setStringList(u"hist", two));
  EXPECT_EQ(raw(u"S", u"hist_UNICODE"), u"0000000A61006200000063000000");
  EXPECT_EQ(raw(u"S", u"hist"), u"$EMPTY$");

  const vstring czech[] = {u"Kóty", u"", u"řez č. 2"};
  ASSERT_TRUE(s.setStringList(u"hist", czech));
  std::vector<vstring> back;
  EXPECT_EQ(got(s, &ini_store::getStringList, u"hist"), (std::vector<vstring>{u"Kóty", u"", u"řez č. 2"}));

  EXPECT_FALSE(s.setStringList(u"hist", std::span<const vstring>{}));
  const vstring withZero[] = {vstring(u"a\0b", 3)};
  EXPECT_FALSE(s.setStringList(u"hist", withZero));
  ASSERT_TRUE(s.getStringList(u"hist", back));
  EXPECT_EQ(back.size(), 3u);

  // A block that does not end with a 0 character, or has an odd size, is no list.
  ASSERT_TRUE(s.setString(u"open_UNICODE", u"000000026100"));
  ASSERT_TRUE(s.setString(u"odd_UNICODE", u"00000003610000"));
  EXPECT_FALSE(s.getStringList(u"open", back));
  EXPECT_FALSE(s.getStringList(u"odd", back));
  EXPECT_TRUE(back.empty());
}

TEST_P(PrfStore, BinaryModeWritesBlocksAndReadsBlocksFirst) {
  prf_store& s = storeOn("[S]\r\ntext=12\r\n");
  s.setTextMode(false);
  ASSERT_TRUE(s.setInt(u"i", 5));
  EXPECT_EQ(raw(u"S", u"i"), u"0000000405000000");
  const int32_t list[] = {1, -1};
  ASSERT_TRUE(s.setIntList(u"l", list));
  EXPECT_EQ(raw(u"S", u"l"), u"0000000801000000FFFFFFFF");
  ASSERT_TRUE(s.setDouble(u"d", 0.5));
  EXPECT_EQ(raw(u"S", u"d"), u"00000008000000000000E03F");

  EXPECT_EQ(got(s, &ini_store::getInt, u"i"), 5);
  EXPECT_EQ(got(s, &ini_store::getInt, u"text"), 12) << "no block: the text form is tried next";
  EXPECT_EQ(got(s, &ini_store::getIntList, u"l"), (std::vector<int32_t>{1, -1}));
  EXPECT_EQ(got(s, &ini_store::getDouble, u"d"), 0.5);

  // In text mode the text is tried first, and these digits are a decimal number.
  s.setTextMode(true);
  EXPECT_EQ(got(s, &ini_store::getInt, u"i"), 405000000);
}

TEST_P(PrfStore, BinaryIntoTheCallersBufferNeverOverruns) {
  prf_store& s = storeOn("[S]\r\n");
  const uint8_t bytes[] = {1, 2, 3, 4, 5};
  ASSERT_TRUE(s.setBinary(u"b", bytes));

  uint8_t buffer[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  size_t size = 4;
  EXPECT_FALSE(s.getBinaryInto(u"b", buffer, size));
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(buffer[0], 9);  // nothing copied
  size = 5;
  EXPECT_TRUE(s.getBinaryInto(u"b", buffer, size));
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 6), (std::vector<uint8_t>{1, 2, 3, 4, 5, 9}));
  size = 8;
  EXPECT_FALSE(s.getBinaryInto(u"b", nullptr, size));
  size = 0;
  EXPECT_FALSE(s.getBinaryInto(u"b", buffer, size));
  size = 8;
  EXPECT_FALSE(s.getBinaryInto(u"missing", buffer, size));
  EXPECT_EQ(size, 0u);
}

TEST_P(PrfStore, OpenNeedsFileAndSectionAndCloseForgetsThem) {
  vdtest::writeBytes(dir.file("t.ini"), "[S]\r\nk=1\r\n");
  prf_store s(backend());
  EXPECT_FALSE(s.open(u"", u"S"));
  EXPECT_FALSE(s.open(dir.host("t.ini"), u""));
  EXPECT_FALSE(s.open(dir.host("t.ini"), u"a]b"));
  EXPECT_FALSE(s.setString(u"k", u"2"));  // nothing open
  ASSERT_TRUE(s.open(dir.host("t.ini"), u"S"));
  vstring out;
  EXPECT_TRUE(s.getString(u"k", out));
  EXPECT_FALSE(s.open(dir.host("t.ini"), u""));  // a failed open leaves the store closed
  EXPECT_FALSE(s.isOpen());
  EXPECT_FALSE(s.getString(u"k", out));
  ASSERT_TRUE(s.open(dir.host("t.ini"), u"S"));
  s.close();
  EXPECT_FALSE(s.getString(u"k", out));
}

TEST_P(PrfStore, NamesIgnoreCaseAndBlanksAndValuesLoseBlanksAndQuotes) {
  prf_store& s = storeOn(
      "; a comment\r\n[S]\r\n  KeyA  =  value a  \r\nq=\"quoted\"\r\nq1='single'\r\n"
      "half=\"open\r\nnoequals\r\n;c=commented\r\n[Other]\r\nx=1\r\n[s]\r\ndup=2\r\n");
  struct Case {
    const char16_t* key;
    const char16_t* value;  // null: absent
  } cases[] = {{u"keya", u"value a"}, {u" KEYA ", u"value a"}, {u"Q", u"quoted"},
               {u"q1", u"single"},    {u"half", u"\"open"},    {u"noequals", nullptr},
               {u";c", nullptr},      {u"x", nullptr},         {u"dup", nullptr}};
  for (const Case& c : cases) {
    vstring out;
    EXPECT_EQ(s.getString(c.key, out), c.value != nullptr) << utf16ToUtf8(c.key);
    if (c.value) {
      EXPECT_EQ(out, c.value) << utf16ToUtf8(c.key);
    }
  }
  prf_store upper(backend());
  ASSERT_TRUE(upper.open(dir.host("t.ini"), u"OTHER"));
  EXPECT_EQ(got(upper, &ini_store::getString, u"X"), u"1");

  ASSERT_TRUE(s.setString(u"blanks", u"  a b  "));
  EXPECT_EQ(got(s, &ini_store::getString, u"blanks"), u"a b");
}

TEST_P(PrfStore, WritingKeepsEverythingElse) {
  prf_store& s = storeOn(
      "; head comment\r\n[Other]\r\nx=1\r\n[S]\r\nKeyA=old\r\nkeep=yes\r\n;note\r\n[Last]\r\ny=2\r\n");
  ASSERT_TRUE(s.setString(u"keya", u"new"));
  ASSERT_TRUE(s.setString(u"added", u"3"));
  prf_store fresh(backend());
  ASSERT_TRUE(fresh.open(dir.host("t.ini"), u"NewSection"));
  ASSERT_TRUE(fresh.setString(u"z", u"4"));

  EXPECT_EQ(raw(u"Other", u"x"), u"1");
  EXPECT_EQ(raw(u"S", u"KeyA"), u"new");
  EXPECT_EQ(raw(u"S", u"keep"), u"yes");
  EXPECT_EQ(raw(u"S", u"added"), u"3");
  EXPECT_EQ(raw(u"Last", u"y"), u"2");
  EXPECT_EQ(raw(u"NewSection", u"z"), u"4");
  EXPECT_EQ(vdtest::readBytes(dir.file("t.ini")),
            "; head comment\r\n[Other]\r\nx=1\r\n[S]\r\nKeyA=new\r\nkeep=yes\r\n;note\r\nadded=3\r\n"
            "[Last]\r\ny=2\r\n[NewSection]\r\nz=4\r\n");
}

TEST_P(PrfStore, ValuesAndKeysThatWouldBreakTheFileAreRefused) {
  prf_store& s = storeOn("[S]\r\nk=1\r\n");
  const std::string before = vdtest::readBytes(dir.file("t.ini"));
  EXPECT_FALSE(s.setString(u"k", u"a\r\nb=c"));
  EXPECT_FALSE(s.setString(u"k", u"a\nb"));
  EXPECT_FALSE(s.setString(u"a=b", u"1"));
  EXPECT_FALSE(s.setString(u"[x]", u"1"));
  EXPECT_FALSE(s.setString(u";x", u"1"));
  EXPECT_FALSE(s.setString(u"", u"1"));
  EXPECT_EQ(vdtest::readBytes(dir.file("t.ini")), before);
}

TEST_P(PrfStore, NewFilesAreWrittenTheSameByEveryBackend) {
  prf_store a(backend());
  ASSERT_TRUE(a.open(dir.host("new.ini"), u"A"));
  prf_store b(backend());
  ASSERT_TRUE(b.open(dir.host("new.ini"), u"B"));
  ASSERT_TRUE(a.setInt(u"k", 1));
  ASSERT_TRUE(b.setString(u"k", u"v"));
  ASSERT_TRUE(a.setDouble(u"k2", 2.5));
  ASSERT_TRUE(a.setString(u"empty", u""));
  EXPECT_EQ(vdtest::readBytes(dir.file("new.ini")),
            vdtest::utf16File(u"[A]\r\nk=1\r\nk2=2.5\r\nempty=\r\n[B]\r\nk=v\r\n"));
  EXPECT_EQ(got(a, &ini_store::getString, u"empty"), u"");
}

TEST_P(PrfStore, UnicodeFilesKeepCzechText) {
  // A file that starts with the UTF-16 mark stays UTF-16, whatever the code page.
  prf_store& s = storeOn(vdtest::utf16File(u"[S]\r\nk=Kóty\r\n"));
  EXPECT_EQ(got(s, &ini_store::getString, u"k"), u"Kóty");
  ASSERT_TRUE(s.setString(u"m", u"Řez č. 2"));
  EXPECT_EQ(got(s, &ini_store::getString, u"m"), u"Řez č. 2");
  EXPECT_EQ(vdtest::readBytes(dir.file("t.ini")).substr(0, 2), "\xFF\xFE");
}

// A file the store creates is UTF-16 with its byte-order mark, so that every
// Czech letter survives whatever ANSI code page the machine runs (under a
// code page without č, as 1252, an ANSI file turned "Výšky_č" into
// "Výšky_c"). A file that exists without the mark stays as it is.
TEST_P(PrfStore, NewFilesAreUnicodeAndExistingAnsiFilesStayAnsi) {
  const std::u16string czech = u"Výšky_č ŘEZ ůň ďť ě";
  prf_store fresh(backend());
  ASSERT_TRUE(fresh.open(dir.host("new.ini"), u"HNOTE_CSN"));
  vstring out;
  EXPECT_FALSE(fresh.getString(u"LAYER", out));
  EXPECT_FALSE(std::filesystem::exists(dir.file("new.ini"))) << "reading never creates the file";
  ASSERT_TRUE(fresh.setString(u"LAYER", czech));
  EXPECT_EQ(got(fresh, &ini_store::getString, u"LAYER"), czech);
  ASSERT_TRUE(fresh.setString(u"LAYERTXT", u"Kóty"));
  EXPECT_EQ(vdtest::readBytes(dir.file("new.ini")),
            vdtest::utf16File(u"[HNOTE_CSN]\r\nLAYER=" + czech + u"\r\nLAYERTXT=Kóty\r\n"));
  // The portable backend reads the same file to the same text.
  prf_store portable(portableProfileBackend());
  ASSERT_TRUE(portable.open(dir.host("new.ini"), u"HNOTE_CSN"));
  EXPECT_EQ(got(portable, &ini_store::getString, u"LAYER"), czech);

  // An ANSI file (no mark) is read and written as before, and keeps no mark.
  const std::string ansi = "[S]\r\nLAYER=KOTY\r\n";
  prf_store& s = storeOn(ansi);
  EXPECT_EQ(got(s, &ini_store::getString, u"LAYER"), u"KOTY");
  ASSERT_TRUE(s.setInt(u"COLORDIM", 3));
  EXPECT_EQ(vdtest::readBytes(dir.file("t.ini")), ansi + "COLORDIM=3\r\n");
  EXPECT_EQ(got(s, &ini_store::getInt, u"COLORDIM"), 3);
  // So does an empty file that exists.
  vdtest::writeBytes(dir.file("empty.ini"), "");
  prf_store empty(backend());
  ASSERT_TRUE(empty.open(dir.host("empty.ini"), u"S"));
  ASSERT_TRUE(empty.setString(u"k", u"v"));
  EXPECT_EQ(vdtest::readBytes(dir.file("empty.ini")), "[S]\r\nk=v\r\n");
}

TEST_P(PrfStore, WritingFailsWithoutAFolderAndLeavesNothingBehind) {
  prf_store s(backend());
  ASSERT_TRUE(s.open((dir.file("missing") / "t.ini").u16string(), u"S"));
  EXPECT_FALSE(s.setString(u"k", u"1"));
  EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
  // A folder where the file should be is not a file to write.
  std::filesystem::create_directory(dir.file("folder.ini"));
  ASSERT_TRUE(s.open(dir.host("folder.ini"), u"S"));
  EXPECT_FALSE(s.setString(u"k", u"1"));
  vstring out;
  EXPECT_FALSE(s.getString(u"k", out));
}

TEST_P(PrfStore, DefStoreReadsItsPairsInTurn) {
  vdtest::writeBytes(dir.file("first.ini"), "[F]\r\ns=first\r\nb=0000000101\r\n");
  vdtest::writeBytes(dir.file("second.ini"), "[G]\r\ns=second\r\nonly2=2\r\nb2=0000000102\r\n");
  vdtest::writeBytes(dir.file("base.ini"), "[B]\r\nonlyBase=3\r\nb3=0000000103\r\n");
  def_store s(dir.host("first.ini"), u"F", dir.host("second.ini"), u"G", backend());
  ASSERT_TRUE(s.open(dir.host("base.ini"), u"B"));
  EXPECT_TRUE(s.first().isSet());
  EXPECT_TRUE(s.second().isSet());

  vstring out;
  EXPECT_EQ(got(s, &ini_store::getString, u"s"), u"first");
  EXPECT_EQ(got(s, &ini_store::getString, u"only2"), u"2");
  EXPECT_FALSE(s.getString(u"onlyBase", out));  // strings never come from the base pair

  std::vector<uint8_t> block;
  EXPECT_EQ(got(s, &ini_store::getBinary, u"b"), (std::vector<uint8_t>{1}));
  EXPECT_FALSE(s.getBinary(u"b2", block));  // blocks never come from the second pair
  EXPECT_EQ(got(s, &ini_store::getBinary, u"b3"), (std::vector<uint8_t>{3}));
  uint8_t byte = 0;
  size_t size = 1;
  EXPECT_TRUE(s.getBinaryInto(u"b3", &byte, size));
  EXPECT_EQ(byte, 3);

  // Writes go to the first pair.
  ASSERT_TRUE(s.setInt(u"w", 7));
  EXPECT_NE(vdtest::readBytes(dir.file("first.ini")).find("w=7"), std::string::npos);
  EXPECT_EQ(vdtest::readBytes(dir.file("base.ini")).find("w="), std::string::npos);

  s.close();
  EXPECT_FALSE(s.first().isSet());
  EXPECT_FALSE(s.getString(u"s", out));

  // Without a first pair, writes go to the base pair.
  def_store noFirst(u"", u"", dir.host("second.ini"), u"G", backend());
  ASSERT_TRUE(noFirst.open(dir.host("base.ini"), u"B"));
  ASSERT_TRUE(noFirst.setInt(u"w", 8));
  EXPECT_NE(vdtest::readBytes(dir.file("base.ini")).find("w=8"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Backends, PrfStore, testing::ValuesIn(vdtest::profileBackends()),
                         vdtest::backendName);

}  // namespace
