// The value formatters on values and dimension settings taken from the input:
// - a dimension value (formatDimValue, after readDimStyle has read DIMDEC,
//   DIMRND, DIMZIN and DIMDSEP as the host gives them) reads back as the
//   scaled value within its rounding step and its last decimal;
// - roundNearest gives an integer no more than a half away, ties down;
// - a height-dimension level (formatHNoteValue) reads back with
//   hnoteTextValue, as a mark's text is read, within its step and its third
//   decimal.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "dimtools/kota.h"
#include "heightdim/bases.h"
#include "heightdim/value_format.h"
#include "host/host_api.h"
#include "hostsim/host.h"
#include "tests/fuzz/fuzz_chain.h"

using namespace vd;

namespace {

// A digit, sign, exponent or blank as the decimal separator makes the text
// ambiguous to read back; such a setting is formatted but not read back.
bool plainSeparator(char16_t c) {
  return !(c >= u'0' && c <= u'9') && c != u'-' && c != u'+' && c != u'e' && c != u'E' && c != u' ' &&
         c != u'\t' && c != u'x' && c != u'X' && c != u'p' && c != u'P';
}

void checkDimValue(FuzzedDataProvider& in, double value) {
  hostsim::Host& host = hostsim::Host::instance();
  // The host records every call it serves: a fresh host for each input keeps
  // the run's memory flat.
  host.reset();
  host.units = in.ConsumeBool() ? 1.0 : 1000.0;
  for (const char16_t* name : {u"DIMDEC", u"DIMRND", u"DIMZIN", u"DIMDSEP"})
    host.environment[name] = cp1250ToUtf16(in.ConsumeRandomLengthString(12));

  dim::CKota kota;
  FUZZ_CHECK(dim::readDimStyle(kota) == 0);
  const vstring text = dim::formatDimValue(kota, value);
  FUZZ_CHECK(!text.empty());

  const double scaled = value * kota.lengthFactor;
  const double step = kota.roundOff;
  if (!std::isfinite(scaled) || std::fabs(scaled) > 1e12 || kota.decimals < 0 || kota.decimals > 12) return;
  if (!std::isfinite(step) || step < 0 || step > 1e6 || (step != 0 && step < 1e-9)) return;
  if (!plainSeparator(kota.decimalSeparator)) return;
  std::string narrow;
  for (char16_t c : text) narrow.push_back(c == kota.decimalSeparator ? '.' : static_cast<char>(c));
  char* end = nullptr;
  const double back = std::strtod(narrow.c_str(), &end);
  FUZZ_CHECK(end && *end == 0);
  const double tolerance = step / 2 + 0.5 * std::pow(10.0, -kota.decimals) + std::fabs(scaled) * 1e-12 + 1e-12;
  if (!(std::fabs(back - scaled) <= tolerance))
    std::fprintf(stderr, "value %.17g shown %s (decimals %d, step %g)\n", scaled, narrow.c_str(), kota.decimals, step);
  FUZZ_CHECK(std::fabs(back - scaled) <= tolerance);
}

void checkRoundNearest(double x) {
  const double r = dim::roundNearest(x);
  if (!std::isfinite(x)) return;
  FUZZ_CHECK(r == std::floor(r));
  FUZZ_CHECK(std::fabs(r - x) <= 0.5);
  if (x - std::floor(x) == 0.5) FUZZ_CHECK(r == std::floor(x));
}

void checkLevel(FuzzedDataProvider& in, double value) {
  static const char16_t* const kSeparators[] = {u".", u",", u"", u"\u00b7", u"::", u" "};
  const vstring_view separator = kSeparators[in.ConsumeIntegralInRange<size_t>(0, std::size(kSeparators) - 1)];
  const double step = fuzzchain::consumeReal(in);
  const bool plus = in.ConsumeBool();
  const bool plusMinus = in.ConsumeBool();
  const FormattedValue shown = formatHNoteValue(value, step, plus, plusMinus, separator);
  FUZZ_CHECK(!shown.text.empty());
  if (!std::isfinite(value) || std::fabs(value) > 1e9 || separator == u" ") return;
  const bool rounds = step > 0 && std::isfinite(step);
  if (rounds && (step > 1e6 || step < 1e-6)) return;
  const double back = hnoteTextValue(shown.text, separator);
  // Three decimals, values below a thousandth shown as zero, and the step.
  const double tolerance = (rounds ? step / 2 : 0) + 0.001 + std::fabs(value) * 1e-12;
  FUZZ_CHECK(std::fabs(back - value) <= tolerance);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  hostsim::Host::instance().reset();
  if (!bindHost(nullptr, hostsim::resolveExport, nullptr)) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const double value = fuzzchain::consumeReal(in);
  checkRoundNearest(value);
  checkRoundNearest(value * 1000.0);
  checkLevel(in, value);
  checkDimValue(in, value);
  return 0;
}
