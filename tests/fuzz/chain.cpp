// Value chains built, read, copied, changed and merged from decoded nodes:
// - a build takes a list only when it takes each node on its own, and then
//   reads back every code and value it was given;
// - a copy (owning, or sharing the object-id texts) equals its source, and a
//   copy of a chain holding codes a build refuses ends in front of the first;
// - the C build over the argument list gives what the builder gives;
// - a write through the typed face reads back, a removed code is gone;
// - a merge hands back a chain of codes the host takes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "tests/fuzz/fuzz_chain.h"

using namespace vd;
using fuzzchain::Node;

namespace {

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The value of a node as the typed face reads it equals what was asked for.
bool readsBack(ChainItem item, const Node& n) {
  if (item.code() != n.code) return false;
  switch (n.kind) {
    case Node::Kind::Text: return item.text() == vstring_view(n.text);
    case Node::Kind::Real: return item.real() && sameBits(*item.real(), n.real);
    case Node::Kind::Integer: return item.integer() == n.integer;
    case Node::Kind::Point: {
      std::optional<ChainPoint> p = item.point();
      return p && sameBits(p->x, n.point.x) && sameBits(p->y, n.point.y) && sameBits(p->z, n.point.z);
    }
    case Node::Kind::Marker: return true;
    case Node::Kind::Chunk:
      return item.node()->v.bin.size == static_cast<int16_t>(n.bytes.size()) &&
             (n.bytes.empty() || std::memcmp(item.node()->v.bin.bytes, n.bytes.data(), n.bytes.size()) == 0);
  }
  return false;
}

// A chain of raw nodes of any code, valued by kind as the host would value
// them: texts and chunks in the C heap, numbers from the node.
ValueNode* rawChain(const std::vector<Node>& nodes) {
  ValueNode* head = nullptr;
  ValueNode** tail = &head;
  for (const Node& n : nodes) {
    ValueNode* v = newValueNode(n.code);
    FUZZ_CHECK(v);
    const uint32_t d = groupCodeKind(n.code);
    switch (kindOf(d)) {
      case kKindString: v->v.str = allocNodeText(n.text); break;
      case kKindBinary:
        v->v.bin.size = static_cast<int16_t>(n.bytes.size());
        v->v.bin.bytes = static_cast<unsigned char*>(std::malloc(n.bytes.size() + 1));
        if (!n.bytes.empty()) std::memcpy(v->v.bin.bytes, n.bytes.data(), n.bytes.size());
        break;
      case kKindReal: v->v.real = n.real; break;
      case kKindPoint:
        if (hasDefinedKind(d)) std::memcpy(v->v.point, &n.point, sizeof v->v.point);
        break;
      case kKindInt64: v->v.i64 = n.integer; break;
      case kKindInt32: v->v.i32 = static_cast<int32_t>(n.integer); break;
      case kKindInt16:
      case kKindInt16b:
      case kKindBool16: v->v.i16 = static_cast<int16_t>(n.integer); break;
      default: break;
    }
    *tail = v;
    tail = &v->next;
  }
  return head;
}

// The first node of each kind, when there is one, through the C build.
void checkCBuild(const std::vector<Node>& nodes) {
  const Node* text = nullptr;
  const Node* real = nullptr;
  const Node* integer = nullptr;
  const Node* point = nullptr;
  // The C build reads each value as its code's kind says: only nodes whose
  // code is of their own kind can go through it. 16-bit kinds stay out: the
  // C build truncates a value the builder refuses.
  auto kindIs = [](const Node& n, ValueKind k) {
    const uint32_t d = groupCodeKind(n.code);
    return hasDefinedKind(d) && kindOf(d) == k;
  };
  for (const Node& n : nodes) {
    if (n.kind == Node::Kind::Text && !text && kindIs(n, kKindString)) text = &n;
    if (n.kind == Node::Kind::Real && !real && kindIs(n, kKindReal)) real = &n;
    if (n.kind == Node::Kind::Integer && !integer && (kindIs(n, kKindInt32) || kindIs(n, kKindInt64))) integer = &n;
    if (n.kind == Node::Kind::Point && !point && kindIs(n, kKindPoint)) point = &n;
  }
  if (!text || !real || !integer || !point) return;
  // 64-bit kinds take an int64_t, 32-bit ones an int.
  const bool wide = kindOf(groupCodeKind(integer->code)) == kKindInt64;
  const int narrow = static_cast<int>(integer->integer);
  const double xyz[3] = {point->point.x, point->point.y, point->point.z};
  ValueNode* built = wide ? buildValueChain(0, text->code, text->text.c_str(), real->code, real->real, integer->code,
                                            integer->integer, point->code, xyz, kBuildEndGroupCodes)
                          : buildValueChain(0, text->code, text->text.c_str(), real->code, real->real, integer->code,
                                            narrow, point->code, xyz, kBuildEndGroupCodes);
  ChainBuilder b;
  b.text(text->code, text->text).real(real->code, real->real);
  b.integer(integer->code, wide ? integer->integer : narrow).point(point->code, point->point);
  OwnedChain expected = b.build();
  if (expected) FUZZ_CHECK(fuzzchain::sameChain(built, expected));
  if (!built) FUZZ_CHECK(!expected);
  releaseValueChain(built, false);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const std::vector<Node> nodes = fuzzchain::decodeNodes(in, true, 48);
  const std::vector<Node> changes = fuzzchain::decodeNodes(in, true, 16);

  // A list is taken whole exactly when each node is taken alone.
  bool each = true;
  ChainBuilder strict;
  for (const Node& n : nodes) {
    fuzzchain::add(strict, n);
    ChainBuilder one;
    fuzzchain::add(one, n);
    each = each && one.ok();
  }
  OwnedChain whole = strict.build();
  FUZZ_CHECK(strict.ok() == each);
  if (each) {
    FUZZ_CHECK(whole.view().size() == static_cast<int>(nodes.size()));
    size_t i = 0;
    for (ChainItem item : whole.view()) FUZZ_CHECK(readsBack(item, nodes[i++]));
  }

  OwnedChain chain = fuzzchain::buildLenient(nodes);
  FUZZ_CHECK(fuzzchain::sameChain(OwnedChain::copyOf(chain), chain));
  ValueNode* sharing = copyValueChain(chain.get(), true);
  FUZZ_CHECK(fuzzchain::sameChain(sharing, chain));
  releaseValueChain(sharing, true);

  // A copy of raw nodes ends in front of the first code a chain cannot hold.
  ValueNode* raw = rawChain(nodes);
  ValueNode* copied = copyValueChain(raw, false);
  const ValueNode* r = raw;
  const ValueNode* c = copied;
  for (; r && isChainCode(r->code); r = r->next, c = c->next) FUZZ_CHECK(c && fuzzchain::sameNode(*r, *c));
  FUZZ_CHECK(c == nullptr);
  releaseValueChain(copied, false);
  releaseValueChain(raw, false);

  checkCBuild(nodes);

  // Writes read back as the first node of their code; a removed code is gone.
  OwnedChain edited = OwnedChain::copyOf(chain);
  for (const Node& n : changes) {
    bool wrote = false;
    switch (n.kind) {
      case Node::Kind::Text: wrote = edited.setText(n.code, n.text); break;
      case Node::Kind::Real: wrote = edited.setReal(n.code, n.real); break;
      case Node::Kind::Integer: wrote = edited.setInteger(n.code, n.integer); break;
      case Node::Kind::Point: wrote = edited.setPoint(n.code, n.point); break;
      case Node::Kind::Marker:
        edited.remove(n.code);
        FUZZ_CHECK(!edited.view().has(n.code));
        break;
      case Node::Kind::Chunk: edited.removeExtendedData(u"ACAD"); break;
    }
    if (wrote) FUZZ_CHECK(readsBack(ChainItem(edited.view().find(n.code)), n));
  }

  OwnedChain replacements = fuzzchain::buildLenient(changes);
  for (int mode : {0, kMergeDropsName, kMergeEmbeddedObject}) {
    ValueNode* merged = nullptr;
    if (!mergeValueChain(chain.get(), replacements.get(), mode, &merged)) {
      FUZZ_CHECK(chain.empty());
      continue;
    }
    for (const ValueNode* m = merged; m; m = m->next) FUZZ_CHECK(isChainCode(m->code) && m->code != -1);
    releaseValueChain(merged, false);
  }
  return 0;
}
