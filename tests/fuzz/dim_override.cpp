// Dimension-variable overrides on a decoded entity chain: an override set is
// found again with its value, and the other overrides the chain held read as
// before; a refused value leaves the chain as it was.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "dimtools/dim_access.h"
#include "tests/fuzz/fuzz_chain.h"

using namespace vd;

namespace {

// Variables the module overrides (DIMSE1, DIMSE2, DIMSCALE, DIMTAD,
// DIMDEC, DIMPOST...) and some it does not.
constexpr int kVariables[] = {3, 40, 41, 42, 44, 75, 76, 77, 140, 144, 147, 171, 271, 278, 280, 0, -1, 1070};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const int variable = in.ConsumeBool() ? kVariables[in.ConsumeIntegralInRange<size_t>(0, std::size(kVariables) - 1)]
                                        : in.ConsumeIntegral<int16_t>();
  const int valueKind = in.ConsumeIntegralInRange<int>(0, 3);
  const double real = fuzzchain::consumeReal(in);
  const int16_t shortValue = in.ConsumeIntegral<int16_t>();
  const vstring text = fuzzchain::consumeText(in);
  OwnedChain entity = fuzzchain::decodeChain(in, 48);

  // What the chain held before, variable by variable.
  std::vector<std::pair<int, OwnedChain>> before;
  for (int v : kVariables)
    if (v != variable) before.emplace_back(v, dim::findDimOverride(entity, v));
  (void)dim::findDimOverride(entity, variable);

  const OwnedChain unchanged = OwnedChain::copyOf(entity);
  bool set = false;
  OwnedChain expected;
  switch (valueKind) {
    case 0:
      set = dim::setDimOverride(entity, variable, real);
      expected = ChainBuilder().real(1040, real).build();
      break;
    case 1:
      set = dim::setDimOverride(entity, variable, shortValue);
      expected = ChainBuilder().integer(1070, shortValue).build();
      break;
    case 2:
      set = dim::setDimOverride(entity, variable, vstring_view(text));
      expected = ChainBuilder().text(1000, text).build();
      break;
    default: {
      // A value of a kind overrides do not take.
      OwnedChain odd = ChainBuilder().point(1010, real, real, real).build();
      FUZZ_CHECK(!dim::setDimOverride(entity, variable, *odd.get()));
      FUZZ_CHECK(fuzzchain::sameChain(entity, unchanged));
      return 0;
    }
  }
  if (!set) {
    FUZZ_CHECK(fuzzchain::sameChain(entity, unchanged));
    return 0;
  }
  OwnedChain found = dim::findDimOverride(entity, variable);
  if (!found || !fuzzchain::sameChain(found, expected)) {
    std::fprintf(stderr, "variable %d\n", variable);
    fuzzchain::dumpChain("before", unchanged);
    fuzzchain::dumpChain("after", entity);
    fuzzchain::dumpChain("found", found);
  }
  FUZZ_CHECK(found && found.view().size() == 1 && fuzzchain::sameNode(*found.get(), *expected.get()));
  for (auto& [v, was] : before) {
    OwnedChain now = dim::findDimOverride(entity, v);
    if (!fuzzchain::sameChain(now, was)) {
      std::fprintf(stderr, "variable %d set, %d changed\n", variable, v);
      fuzzchain::dumpChain("before", unchanged);
      fuzzchain::dumpChain("after", entity);
    }
    FUZZ_CHECK(fuzzchain::sameChain(now, was));
  }
  return 0;
}
