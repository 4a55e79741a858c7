// The INI reader on any file bytes, with a section, a key and a value taken
// from the input's front:
// - a parsed file written out parses back to the same lines and encoding;
// - a value set is found again, before and after writing the file out;
// - the height-dimension settings load from the file through the profile
//   store, as the module reads hnoteData.ini (one input in 32);
// - the values the store finds read as numbers, lists and hexadecimal blocks,
//   and numbers written back read as the same numbers.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "heightdim/settings.h"
#include "host/text.h"
#include "store/ini_file.h"
#include "store/value_text.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/memory_profile.h"

namespace {

using vd::IniDocument;
using vd::vstring;
using vd::vstring_view;

using fuzztest::MemoryBackend;

// A name or value as a profile line holds it whole: no control characters,
// none of the characters that would make it a header, a comment, a key's end
// or a quoted value, and no blanks around it.
vstring lineSafe(const std::string& raw, const char* refused) {
  vstring out;
  for (char16_t c : vd::cp1250ToUtf16(raw)) {
    if (c < 0x20 || (c < 0x80 && std::strchr(refused, static_cast<char>(c)))) continue;
    out.push_back(c);
  }
  while (!out.empty() && out.front() == u' ') out.erase(out.begin());
  while (!out.empty() && out.back() == u' ') out.pop_back();
  return out;
}

void checkValueTexts(vstring_view text) {
  namespace st = vd::storetext;
  if (std::optional<int32_t> i = st::parseInt(text)) FUZZ_CHECK(st::parseInt(st::formatInt(*i)) == *i);
  if (std::optional<double> d = st::parseDouble(text)) {
    FUZZ_CHECK(std::isfinite(*d));
    std::optional<double> back = st::parseDouble(st::formatDouble(*d));
    // "%g" keeps six significant digits.
    FUZZ_CHECK(back && std::fabs(*back - *d) <= std::fabs(*d) * 1e-5);
  }
  std::vector<int32_t> ints;
  if (st::parseIntList(text, ints)) {
    std::vector<int32_t> again;
    FUZZ_CHECK(st::parseIntList(st::joinInts(ints), again) && again == ints);
  }
  std::vector<double> doubles;
  if (st::parseDoubleList(text, doubles)) FUZZ_CHECK(st::parseDoubleList(st::joinDoubles(doubles), doubles));
  if (text.size() >= st::kCountDigits) {
    std::optional<uint32_t> count = st::decodeHexCount(text.substr(0, st::kCountDigits));
    std::vector<uint8_t> bytes;
    if (count && st::decodeHexBytes(text.substr(st::kCountDigits), bytes) && bytes.size() == *count)
      FUZZ_CHECK(st::encodeHex(bytes).size() == text.size());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const vstring section = lineSafe(in.ConsumeRandomLengthString(24), "[];=\"'");
  const vstring key = lineSafe(in.ConsumeRandomLengthString(24), "[];=\"'");
  const vstring value = lineSafe(in.ConsumeRandomLengthString(24), "\"'");
  // Loading the settings reads some hundred keys, each by a walk of the whole
  // file: one load costs as much as twenty runs of the rest. One input in 32
  // does it (two fifths of the time go to loads), so the reader itself gets
  // most of the time; ten million runs still load some 300,000 files.
  const bool loadSettings = in.ConsumeIntegralInRange<int>(0, 31) == 0;
  const std::string file = in.ConsumeRemainingBytesAsString();

  IniDocument doc = IniDocument::parse(file);
  const std::string written = doc.serialize();
  IniDocument again = IniDocument::parse(written);
  FUZZ_CHECK(again.encoding() == doc.encoding());
  FUZZ_CHECK(again.lines() == doc.lines());
  std::optional<vstring> found = doc.find(section, key);
  FUZZ_CHECK(again.find(section, key) == found);
  if (found) checkValueTexts(*found);

  if (loadSettings) {
    MemoryBackend backend(doc);
    vd::HNoteDataSet settings;
    FUZZ_CHECK(settings.load(u"C:\\Dat\\hnoteData.ini", backend));
  }

  doc.set(section, key, value);
  FUZZ_CHECK(doc.find(section, key) == value);
  FUZZ_CHECK(IniDocument::parse(doc.serialize()).find(section, key) == value);
  return 0;
}
