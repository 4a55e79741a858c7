// Random code sequences through the argument-list build (both modes, left-out
// pairs, spliced chains, either terminator) and release, checked against what
// the generator meant to build. Under the sanitizer build every leak, double
// free and stray read is a finding; the checks below catch values that arrive
// wrong. Copies and merges of any chain are the fuzz targets' (tests/fuzz:
// chain, merge_dim_changes).
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <random>

#include "host/chain.h"

using namespace vd;

namespace {

constexpr int kIterations = 1000000;

const int kStringCodes[] = {0,   1,   2,   3,   4,   5,   6,   7,   8,   9,   100, 102,  105,  300,  305, 320,
                            330, 340, 360, 390, 410, 430, 470, 999, 1000, 1001, 1002, 1003, 1005, 1006, -4, -5};
const int kPointCodes[] = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 110, 210, 1010, 1011, 1012, 1013, -1, -2};
const int kRealCodes[] = {20, 30, 38, 39, 40, 41, 42, 43, 48, 49, 50, 51, 52, 53, 58, 59, 120, 140, 220, 460, 1040, 1041, 1042};
const int kIntCodes[] = {60, 62, 66, 67, 70, 71, 72, 78, 79, 170, 270, 280, 289, 290, 299, 370, 380, 400,
                         1060, 1070, 90, 91, 95, 99, 420, 440, 450, 1071};
const int kLongCodes[] = {160, 161, 165, 169};
const int kFailCodes[] = {310, 315, 319, 1004, 80, 150, 250, 6000, -7, -6, 32000};
const int kMarkerCodes[] = {-3, 5016, 5017, 5018};

const vchar* const kTexts[] = {u"", u"0", u"BYLAYER", u"ByLayer", u"Continuous", u"\u017dlu\u0165ou\u010dk\u00fd k\u016f\u0148",
                               u"x", u"A somewhat longer text that needs more than one small allocation to hold it"};

struct Expected {
  int code;
  bool spliced = false;
  const vchar* text = nullptr;
  double point[3] = {0, 0, 0};
  double real = 0;
  int64_t integer = 0;
};

class Generator {
 public:
  explicit Generator(uint32_t seed) : rng_(seed) {}
  uint32_t below(uint32_t n) { return static_cast<uint32_t>(rng_() % n); }
  template <size_t N>
  int pick(const int (&codes)[N]) {
    return codes[below(N)];
  }
  double real() { return static_cast<double>(static_cast<int32_t>(rng_())) / 1024.0; }

 private:
  std::mt19937 rng_;
};

// One slot of the fixed call shape. Pointer slots carry texts, points and
// splices; the others a value of one C type.
enum class Slot { Pointer, Real, Int, Long, Marker };
constexpr Slot kShape[] = {Slot::Pointer, Slot::Pointer, Slot::Real, Slot::Int, Slot::Marker, Slot::Pointer,
                           Slot::Long,    Slot::Pointer, Slot::Int,  Slot::Real, Slot::Pointer, Slot::Int};
constexpr int kSlots = sizeof kShape / sizeof kShape[0];

struct Call {
  int mode = 0;
  int code[kSlots] = {};
  const void* ptr[kSlots] = {};
  double real[kSlots] = {};
  int integer[kSlots] = {};
  int64_t longValue[kSlots] = {};
  double points[kSlots][3] = {};
  bool fails = false;
  std::vector<Expected> expected;
  ValueNode* spliced[kSlots] = {};  // chains handed over to the build
};

int terminator(const Call& c, Generator& g) { return c.mode == 0 ? -9 : (g.below(2) ? 0 : 5000); }

int16_t as16(int v) { return static_cast<int16_t>(v); }

// Chains in the pool are spliced into new builds, merged and copied.
struct Pool {
  std::vector<ValueNode*> chains;
  ~Pool() {
    for (ValueNode* c : chains) releaseValueChain(c, false);
  }
};

void appendExpectedOf(std::vector<Expected>& out, const ValueNode* chain) {
  for (const ValueNode* n = chain; n; n = n->next) {
    Expected e{n->code};
    e.spliced = true;  // spliced nodes keep whatever value they had
    out.push_back(e);
  }
}

Call makeCall(Generator& g, Pool& pool) {
  Call c;
  c.mode = g.below(4) == 0 ? 1 : 0;
  bool ended = false;
  for (int i = 0; i < kSlots; ++i) {
    if (ended) {
      c.code[i] = terminator(c, g);
      continue;
    }
    uint32_t roll = g.below(100);
    if (roll < 4) {
      c.code[i] = terminator(c, g);
      ended = true;
      continue;
    }
    if (roll < 6) {
      c.code[i] = c.mode == 0 ? (g.below(3) == 0 ? 5020 : g.pick(kFailCodes)) : (g.below(3) == 0 ? -9 : g.pick(kFailCodes));
      c.fails = true;
      ended = true;
      continue;
    }
    Expected e{0};
    switch (kShape[i]) {
      case Slot::Marker:
        c.code[i] = e.code = g.pick(kMarkerCodes);
        break;
      case Slot::Real:
        c.code[i] = e.code = (c.mode && g.below(5) == 0) ? (g.below(2) ? 5001 : 5004) : g.pick(kRealCodes);
        c.real[i] = e.real = g.real();
        break;
      case Slot::Int: {
        c.code[i] = e.code = (c.mode && g.below(5) == 0) ? (g.below(2) ? 5003 : 5010) : g.pick(kIntCodes);
        c.integer[i] = static_cast<int>(g.below(200000)) - 100000;
        uint32_t d = groupCodeKind(e.code);
        e.integer = kindOf(d) == kKindInt32 ? c.integer[i] : as16(c.integer[i]);
        break;
      }
      case Slot::Long:
        c.code[i] = e.code = g.pick(kLongCodes);
        c.longValue[i] = e.integer = (static_cast<int64_t>(g.below(1u << 31)) << 20) - (int64_t{1} << 40);
        break;
      case Slot::Pointer: {
        uint32_t what = g.below(10);
        if (what < 5) {
          int code = (c.mode && g.below(4) == 0) ? (g.below(2) ? 5005 : 5020) : g.pick(kStringCodes);
          if (c.mode && code == 0) code = 1;  // 0 would end a result-type list
          c.code[i] = code;
          if (g.below(8) == 0) {
            c.ptr[i] = kOmitString;
            continue;  // the pair is left out
          }
          e.code = code == 5020 ? 0 : code;
          e.text = kTexts[g.below(sizeof kTexts / sizeof kTexts[0])];
          c.ptr[i] = e.text;
        } else if (what < 9) {
          c.code[i] = e.code = (c.mode && g.below(4) == 0) ? (g.below(2) ? 5002 : 5009) : g.pick(kPointCodes);
          for (double& v : c.points[i]) v = g.real();
          std::memcpy(e.point, c.points[i], sizeof e.point);
          c.ptr[i] = c.points[i];
        } else {
          c.code[i] = kBuildSplice;
          ValueNode* part = nullptr;
          if (!pool.chains.empty() && g.below(4) != 0) {
            size_t k = g.below(static_cast<uint32_t>(pool.chains.size()));
            if (chainLength(pool.chains[k]) < 24) {
              part = pool.chains[k];
              pool.chains.erase(pool.chains.begin() + static_cast<long>(k));
            }
          }
          c.ptr[i] = part;
          c.spliced[i] = part;
          appendExpectedOf(c.expected, part);
          continue;
        }
        break;
      }
    }
    c.expected.push_back(e);
  }
  return c;
}

ValueNode* runCall(const Call& c) {
  // Every slot passes its code and, unless it is a marker slot, one value of
  // the slot's C type; after the terminator the rest is never read.
  auto v = [&](int i) -> const void* { return c.ptr[i]; };
  int end = c.mode == 0 ? -9 : 5000;
  return buildValueChain(c.mode, c.code[0], v(0), c.code[1], v(1), c.code[2], c.real[2], c.code[3], c.integer[3],
                         c.code[4], c.code[5], v(5), c.code[6], c.longValue[6], c.code[7], v(7), c.code[8],
                         c.integer[8], c.code[9], c.real[9], c.code[10], v(10), c.code[11], c.integer[11], end);
}

// Compares a built chain with what the generator meant; returns a reason or "".
std::string checkBuilt(const ValueNode* chain, const std::vector<Expected>& expected) {
  size_t i = 0;
  for (const ValueNode* n = chain; n; n = n->next, ++i) {
    if (i >= expected.size()) return "more nodes than pairs";
    const Expected& e = expected[i];
    if (n->code != e.code) return "node " + std::to_string(i) + " has code " + std::to_string(n->code);
    if (e.spliced) continue;
    uint32_t d = groupCodeKind(n->code);
    bool ok = true;
    if (n->code == -3) {
      for (unsigned char byte : n->v.raw) ok = ok && byte == 0;
    } else if (n->code >= 5016 && n->code <= 5018) {
      ok = n->v.i16 == -1;
    } else {
      switch (kindOf(d)) {
        case kKindString: ok = n->v.str && n->v.str != e.text && vstring_view(n->v.str) == vstring_view(e.text); break;
        case kKindPoint: ok = std::memcmp(n->v.point, e.point, sizeof e.point) == 0; break;
        case kKindEntityName: ok = std::memcmp(n->v.name, e.point, 16) == 0; break;
        case kKindReal: ok = std::memcmp(&n->v.real, &e.real, 8) == 0; break;
        default: ok = ChainItem(n).integer() == e.integer; break;
      }
    }
    if (!ok) return "node " + std::to_string(i) + " (code " + std::to_string(n->code) + ") has a wrong value";
  }
  return i == expected.size() ? "" : "fewer nodes than pairs";
}

TEST(ChainFuzz, BuildAndReleaseOverRandomSequences) {
  Generator g(0x5EED2026u);
  Pool pool;
  long built = 0, failed = 0, empty = 0;
  auto started = std::chrono::steady_clock::now();
  for (int it = 0; it < kIterations; ++it) {
    Call c = makeCall(g, pool);
    ValueNode* chain = runCall(c);
    if (c.fails || c.expected.empty()) {
      ASSERT_EQ(chain, nullptr) << "iteration " << it << ": the build should have given nothing";
      ++(c.fails ? failed : empty);
      continue;
    }
    ASSERT_NE(chain, nullptr) << "iteration " << it;
    ++built;
    const std::string why = checkBuilt(chain, c.expected);
    if (!why.empty()) {
      releaseValueChain(chain, false);
      FAIL() << "iteration " << it << ": " << why;
    }
    if (pool.chains.size() >= 6) {
      size_t k = g.below(static_cast<uint32_t>(pool.chains.size()));
      releaseValueChain(pool.chains[k], false);
      pool.chains[k] = chain;
    } else {
      pool.chains.push_back(chain);
    }
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("%d iterations in %.1f s: %ld built, %ld refused, %ld empty\n", kIterations, seconds, built, failed,
              empty);
  // Every branch of the generator must have been taken often, or the run proves little.
  EXPECT_GT(built, kIterations / 2);
  EXPECT_GT(failed, kIterations / 20);
  EXPECT_GT(empty, 100);
}

}  // namespace
