// Bytes into value chains for the fuzz targets that read chains: each node
// takes a selector byte (which kind of node), a code (one a chain of that
// kind holds, or with `anyCode` sometimes a raw 16-bit code) and a value.
// Texts are taken from the names the module's readers look for or made of
// the input's bytes, so that the fuzzer reaches the extended-data groups the
// readers walk.
#pragma once
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/chain.h"
#include "tests/fuzz/fuzz_check.h"
#include "host/value_chain.h"

namespace fuzzchain {

// One decoded node as the decoder meant it, so targets can check what a
// build gave back.
struct Node {
  enum class Kind { Text, Real, Integer, Point, Marker, Chunk } kind;
  int code = 0;
  vd::vstring text;
  double real = 0;
  int64_t integer = 0;
  vd::ChainPoint point;
  std::vector<unsigned char> bytes;
};

// Texts the readers compare against: application names, the override list's
// braces, style and layer names.
inline const char16_t* const kTexts[] = {
    u"ACAD",         u"DSTYLE",  u"{",          u"}",           u"VDHNOTEDATA", u"VD_ASSOCDESC1", u"VDHEIGHTDIM",
    u"VD_LT_ELEM6",  u"BYLAYER", u"ByLayer",    u"DIMENSION",   u"AcDbEntity",  u"AcDbDimension", u"Embedded Object",
    u"0",            u"",        u"INSERT",     u"VD2D_HEIGHTDIM_01234567-89AB-CDEF-0123-456789ABCDEF",
    u"01234567-89AB-CDEF-0123-456789ABCDEF",    u"\u017dlu\u0165ou\u010dk\u00fd k\u016f\u0148"};

inline const int kTextCodes[] = {0, 1, 2, 3, 5, 6, 7, 8, 100, 101, 102, 105, 300, 330, 340, 360, 1000, 1001, 1002, 1003, 1005};
inline const int kRealCodes[] = {38, 39, 40, 41, 42, 50, 51, 53, 140, 1040, 1041, 1042};
inline const int kIntCodes[] = {60, 62, 70, 71, 72, 90, 91, 160, 170, 271, 280, 290, 370, 420, 1070, 1071};
inline const int kPointCodes[] = {10, 11, 12, 13, 14, 15, 16, 210, 1010, 1011, 1012, 1013};
inline const int kChunkCodes[] = {310, 1004};
inline const int kMarkerCodes[] = {-3, 5016, 5017, 5018};

template <size_t N>
int pickCode(FuzzedDataProvider& in, const int (&codes)[N], bool anyCode) {
  if (anyCode && in.ConsumeIntegralInRange<int>(0, 15) == 0) return in.ConsumeIntegral<int16_t>();
  return codes[in.ConsumeIntegralInRange<size_t>(0, N - 1)];
}

inline vd::vstring consumeText(FuzzedDataProvider& in) {
  if (in.ConsumeBool()) return kTexts[in.ConsumeIntegralInRange<size_t>(0, std::size(kTexts) - 1)];
  // Up to 40 UTF-16 units straight from the input; no terminator inside,
  // since a node's text ends at its first zero.
  size_t n = in.ConsumeIntegralInRange<size_t>(0, 40);
  vd::vstring s;
  for (size_t i = 0; i < n && in.remaining_bytes() >= 2; ++i) {
    char16_t c = in.ConsumeIntegral<uint16_t>();
    if (c == 0) c = u'0';
    s.push_back(c);
  }
  return s;
}

inline double consumeReal(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: return in.ConsumeIntegralInRange<int>(-1000, 1000);
    case 1: return in.ConsumeIntegralInRange<int>(-100000, 100000) / 1000.0;
    default: {
      double d = 0;
      uint64_t bits = in.ConsumeIntegral<uint64_t>();
      std::memcpy(&d, &bits, sizeof d);
      return d;
    }
  }
}

// Decodes up to `maxNodes` nodes.
inline std::vector<Node> decodeNodes(FuzzedDataProvider& in, bool anyCode, size_t maxNodes = 64) {
  std::vector<Node> nodes;
  while (in.remaining_bytes() > 0 && nodes.size() < maxNodes) {
    Node n{};
    switch (in.ConsumeIntegralInRange<int>(0, 7)) {
      case 0:
      case 1:
        n.kind = Node::Kind::Text;
        n.code = pickCode(in, kTextCodes, anyCode);
        n.text = consumeText(in);
        break;
      case 2:
        n.kind = Node::Kind::Real;
        n.code = pickCode(in, kRealCodes, anyCode);
        n.real = consumeReal(in);
        break;
      case 3:
      case 4:
        n.kind = Node::Kind::Integer;
        n.code = pickCode(in, kIntCodes, anyCode);
        n.integer = in.ConsumeBool() ? in.ConsumeIntegralInRange<int64_t>(-2, 600) : in.ConsumeIntegral<int64_t>();
        break;
      case 5:
        n.kind = Node::Kind::Point;
        n.code = pickCode(in, kPointCodes, anyCode);
        n.point = {consumeReal(in), consumeReal(in), consumeReal(in)};
        break;
      case 6:
        n.kind = Node::Kind::Marker;
        n.code = pickCode(in, kMarkerCodes, anyCode);
        break;
      default:
        n.kind = Node::Kind::Chunk;
        n.code = pickCode(in, kChunkCodes, anyCode);
        n.bytes = in.ConsumeBytes<unsigned char>(in.ConsumeIntegralInRange<size_t>(0, 16));
        break;
    }
    nodes.push_back(std::move(n));
  }
  return nodes;
}

inline void add(vd::ChainBuilder& b, const Node& n) {
  switch (n.kind) {
    case Node::Kind::Text: b.text(n.code, n.text); break;
    case Node::Kind::Real: b.real(n.code, n.real); break;
    case Node::Kind::Integer: b.integer(n.code, n.integer); break;
    case Node::Kind::Point: b.point(n.code, n.point); break;
    case Node::Kind::Marker: b.marker(n.code); break;
    case Node::Kind::Chunk: b.chunk(n.code, n.bytes.data(), static_cast<int16_t>(n.bytes.size())); break;
  }
}

// A chain of the nodes the builder takes: a node it refuses is left out, so
// the readers always get a chain (the chain target checks refusals itself).
inline vd::OwnedChain buildLenient(const std::vector<Node>& nodes) {
  vd::ChainBuilder all;
  for (const Node& n : nodes) {
    vd::ChainBuilder one;
    add(one, n);
    vd::OwnedChain part = one.build();
    if (part) all.splice(std::move(part));
  }
  return all.build();
}

// An entity chain in the shape the host hands out: the entity's groups
// (codes below 1000) first, then, when there are any, the -3 marker and the
// extended data (codes from 1000), which begins with a 1001 application name
// ("ACAD" when the input's first extended item is not one). The entity's
// type (group 0) comes first when the input has one; a further group 0 would
// begin the next entity, and list markers and -3 markers are no part of an
// entity's groups: those are left out.
inline vd::OwnedChain decodeChain(FuzzedDataProvider& in, size_t maxNodes = 64) {
  std::vector<Node> entity, extended;
  bool typed = false;
  for (Node& n : decodeNodes(in, true, maxNodes)) {
    if (n.kind == Node::Kind::Marker || n.code == -3 || vd::isListMarker(n.code)) continue;
    if (n.code == 0) {
      if (!typed) entity.insert(entity.begin(), std::move(n));
      typed = true;
      continue;
    }
    (n.code >= 1000 ? extended : entity).push_back(std::move(n));
  }
  if (!extended.empty()) {
    if (extended.front().code != 1001) {
      Node app{Node::Kind::Text, 1001};
      app.text = u"ACAD";
      extended.insert(extended.begin(), std::move(app));
    }
    entity.push_back(Node{Node::Kind::Marker, -3});
    for (Node& n : extended) entity.push_back(std::move(n));
  }
  return buildLenient(entity);
}

// Same code and value, node by node: texts by content (null reads as
// empty), chunks by their bytes, numbers and points bit for bit.
inline bool sameNode(const vd::ValueNode& a, const vd::ValueNode& b) {
  if (a.code != b.code) return false;
  uint32_t d = vd::groupCodeKind(a.code);
  switch (vd::kindOf(d)) {
    case vd::kKindString:
      return vd::vstring_view(a.v.str ? a.v.str : u"") == vd::vstring_view(b.v.str ? b.v.str : u"");
    case vd::kKindBinary:
      return a.v.bin.size == b.v.bin.size &&
             (a.v.bin.size <= 0 || std::memcmp(a.v.bin.bytes, b.v.bin.bytes, static_cast<size_t>(a.v.bin.size)) == 0);
    case vd::kKindPoint: return std::memcmp(a.v.raw, b.v.raw, 24) == 0;
    default: return std::memcmp(a.v.raw, b.v.raw, vd::kindSize(d)) == 0;
  }
}

// The chain on stderr, one node a line, for the report of a failed check.
inline void dumpChain(const char* title, vd::ChainView chain) {
  std::fprintf(stderr, "%s:\n", title);
  for (vd::ChainItem item : chain) {
    std::fprintf(stderr, "  %d", item.code());
    if (auto t = item.text()) std::fprintf(stderr, " \"%s\"", vd::utf16ToUtf8(*t).c_str());
    if (auto r = item.real()) std::fprintf(stderr, " %.17g", *r);
    if (auto i = item.integer()) std::fprintf(stderr, " %lld", static_cast<long long>(*i));
    if (auto p = item.point()) std::fprintf(stderr, " (%g, %g, %g)", p->x, p->y, p->z);
    std::fprintf(stderr, "\n");
  }
}

inline bool sameChain(vd::ChainView a, vd::ChainView b) {
  const vd::ValueNode* x = a.head();
  const vd::ValueNode* y = b.head();
  for (; x && y; x = x->next, y = y->next)
    if (!sameNode(*x, *y)) return false;
  return !x && !y;
}

}  // namespace fuzzchain
