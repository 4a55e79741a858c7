// mergeDimChanges on a decoded base and changes, in both forms: neither input
// changes, the result holds only codes the host takes back (no entity name
// -1, no group 6 "BYLAYER"), and every node of it carries a value of the base
// or of the changes under the same code: a merge makes nothing up.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>

#include "dimtools/dim_access.h"
#include "tests/fuzz/fuzz_chain.h"

using namespace vd;

namespace {

bool holds(ChainView chain, const ValueNode& node) {
  for (ChainItem item : chain)
    if (fuzzchain::sameNode(*item.node(), node)) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  OwnedChain base = fuzzchain::decodeChain(in, 40);
  OwnedChain changes = fuzzchain::decodeChain(in, 16);
  const OwnedChain baseBefore = OwnedChain::copyOf(base);
  const OwnedChain changesBefore = OwnedChain::copyOf(changes);

  for (dim::MergeForm form : {dim::MergeForm::Plain, dim::MergeForm::EmbeddedObject}) {
    OwnedChain merged = dim::mergeDimChanges(base, changes, form);
    FUZZ_CHECK(fuzzchain::sameChain(base, baseBefore));
    FUZZ_CHECK(fuzzchain::sameChain(changes, changesBefore));
    if (base.empty()) FUZZ_CHECK(merged.empty());
    for (ChainItem item : merged.view()) {
      FUZZ_CHECK(isChainCode(item.code()) && item.code() != -1);
      if (item.code() == 6) FUZZ_CHECK(!equalsNoCaseAscii(item.text().value_or(u""), u"BYLAYER"));
      FUZZ_CHECK(holds(base, *item.node()) || holds(changes, *item.node()));
    }
  }
  return 0;
}
