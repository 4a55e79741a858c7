// The descriptor a height-dimension mark keeps in the extended data of its
// block reference, and the base entries of the dictionary, read from decoded
// chains:
// - a full read, a read with the probe and the probe alone agree;
// - a descriptor read is taken by a record when its type is one of 0..3;
// - a descriptor written over the chain's own (replaceHNoteRef) reads back
//   as written, and a new identifier (reassociateHNote) reads back too;
// - a base entry written reads back as the base;
// - the look kept with a mark reads from any chain without harm, and written
//   over the chain's own it reads back whole.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "heightdim/bases.h"
#include "heightdim/records.h"
#include "tests/fuzz/fuzz_chain.h"

using namespace vd;

namespace {

double finiteReal(FuzzedDataProvider& in) {
  double d = fuzzchain::consumeReal(in);
  return std::isfinite(d) ? d : 0.5;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool sameRef(const HNoteRef& a, const HNoteRef& b) {
  return a.type == b.type && a.baseKind == b.baseKind && sameBits(a.numAlign, b.numAlign) &&
         a.positivePlus == b.positivePlus && a.plusMinusZero == b.plusMinusZero && a.roundingMark == b.roundingMark &&
         sameBits(a.rotation, b.rotation) && a.id == b.id && a.baseId == b.baseId;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  HNoteRef wanted;
  wanted.type = in.ConsumeIntegralInRange<int32_t>(0, 3);
  wanted.baseKind = in.ConsumeIntegralInRange<int32_t>(0, 1);
  wanted.numAlign = finiteReal(in);
  wanted.positivePlus = in.ConsumeBool();
  wanted.plusMinusZero = in.ConsumeBool();
  wanted.roundingMark = in.ConsumeBool();
  wanted.rotation = finiteReal(in);
  wanted.id = fuzzchain::consumeText(in);
  wanted.baseId = fuzzchain::consumeText(in);
  HNoteBase base;
  base.type = in.ConsumeIntegralInRange<int32_t>(-1, 4);
  base.baseKind = in.ConsumeIntegralInRange<int32_t>(0, 3);
  base.point = {finiteReal(in), finiteReal(in)};
  base.angle = finiteReal(in);
  base.level1 = finiteReal(in);
  base.level2 = finiteReal(in);
  base.id = fuzzchain::consumeText(in);
  OwnedChain chain = fuzzchain::decodeChain(in, 48);

  HNoteRef full, probed;
  const bool has = readHNoteRef(chain, nullptr, true);
  const bool read = readHNoteRef(chain, &full, false);
  const bool readProbe = readHNoteRef(chain, &probed, true);
  FUZZ_CHECK(has || (!read && !readProbe));
  FUZZ_CHECK(!read || readProbe);
  // Compared field by field so that a NaN read twice counts as the same.
  if (has) FUZZ_CHECK(sameRef(full, probed));
  if (has) {
    HNoteData record;
    FUZZ_CHECK(applyHNoteRef(record, full) == (full.type >= 0 && full.type <= 3));
  }
  (void)readHNoteBaseEntry(chain, wanted.id);
  // The look and the separators read from any chain: counts in range, and a
  // separator the look stores is the one the record took.
  HNoteData look;
  const int styled = readHNoteStyle(chain, look);
  FUZZ_CHECK(styled >= 0 && styled <= kHNoteStyleFields);
  const std::optional<vstring> stored = hnoteStoredSeparator(chain);
  FUZZ_CHECK(stored.has_value() == (styled >= 1));
  if (stored) FUZZ_CHECK(*stored == look.delim);
  const int element = readHNoteElementLook(chain, look);
  FUZZ_CHECK(element >= 0 && element <= 7);
  for (ChainItem item : ChainView(chain)) {
    if (std::optional<vstring_view> text = item.text()) {
      // A separator a text shows leaves the text's decimals and its sign behind it.
      if (std::optional<vstring> shown = hnoteShownSeparator(*text)) FUZZ_CHECK(shown->size() + 4 <= text->size());
    }
  }

  FUZZ_CHECK(replaceHNoteRef(chain, wanted));
  HNoteRef back;
  // A plan-view mark (type 3) keeps no base: only a probe finds it.
  FUZZ_CHECK(readHNoteRef(chain, &back, wanted.type == 3));
  HNoteRef expected = wanted;
  if (wanted.type == 3) {
    // Only the type and the identifier are kept for a plan-view mark.
    expected = HNoteRef{};
    expected.type = 3;
    expected.id = wanted.id;
  }
  FUZZ_CHECK(back == expected);

  const vstring newId = fuzzchain::consumeText(in);
  FUZZ_CHECK(reassociateHNote(chain, newId));
  FUZZ_CHECK(readHNoteRef(chain, &back, true));
  FUZZ_CHECK(back.id == newId);

  // A look written over the chain's reads back whole.
  HNoteData wantedLook;
  wantedLook.delim = fuzzchain::consumeText(in);
  wantedLook.lhorzLen = finiteReal(in);
  wantedLook.arrowIndex = in.ConsumeIntegral<int32_t>();
  wantedLook.arrowName = fuzzchain::consumeText(in);
  wantedLook.insPt = in.ConsumeIntegral<int32_t>();
  wantedLook.flipped = in.ConsumeBool();
  chain.removeExtendedData(kAppHNoteStyle);
  ChainBuilder withLook;
  withLook.splice(std::move(chain));
  addHNoteStyle(withLook, wantedLook);
  OwnedChain looked = withLook.build();
  if (looked) {
    HNoteData lookBack;
    FUZZ_CHECK(readHNoteStyle(looked, lookBack) == kHNoteStyleFields);
    FUZZ_CHECK(lookBack.delim == wantedLook.delim && lookBack.arrowName == wantedLook.arrowName);
    FUZZ_CHECK(sameBits(lookBack.lhorzLen, wantedLook.lhorzLen) && lookBack.arrowIndex == wantedLook.arrowIndex);
    FUZZ_CHECK(lookBack.insPt == wantedLook.insPt && lookBack.flipped == wantedLook.flipped);
  }

  std::optional<HNoteBase> entry = readHNoteBaseEntry(hnoteBaseEntry(base), base.id);
  FUZZ_CHECK(entry);
  FUZZ_CHECK(entry->type == base.type && entry->baseKind == base.baseKind && entry->point == base.point);
  FUZZ_CHECK(entry->angle == base.angle && entry->level1 == base.level1 && entry->level2 == base.level2);
  FUZZ_CHECK(entry->id == base.id);
  return 0;
}
