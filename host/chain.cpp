#include "host/chain.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "host/names.h"

namespace vd {

vchar* allocNodeText(vstring_view text) {
  auto* out = static_cast<vchar*>(std::malloc((text.size() + 1) * sizeof(vchar)));
  if (!out) return nullptr;
  if (!text.empty()) std::memcpy(out, text.data(), text.size() * sizeof(vchar));
  out[text.size()] = 0;
  return out;
}

namespace {
bool isIntegerKind(ValueKind k) {
  return k == kKindInt16 || k == kKindInt16b || k == kKindBool16 || k == kKindInt32 || k == kKindInt64;
}
bool isWriteCompatible(ValueKind have, ValueKind wanted) {
  if (have == wanted) return true;
  return isIntegerKind(have) && isIntegerKind(wanted);
}
// Stores an integer in the width its code's kind gives; false when it does not fit.
bool storeInteger(ValueNode& n, int64_t value) {
  switch (kindOf(groupCodeKind(n.code))) {
    case kKindInt64:
      n.v.i64 = value;
      return true;
    case kKindInt32:
      if (value < INT32_MIN || value > INT32_MAX) return false;
      n.v.i32 = static_cast<int32_t>(value);
      return true;
    case kKindInt16:
    case kKindInt16b:
    case kKindBool16:
      if (value < INT16_MIN || value > INT16_MAX) return false;
      n.v.i16 = static_cast<int16_t>(value);
      return true;
    default:
      return false;
  }
}
}  // namespace

std::optional<vstring_view> ChainItem::text() const {
  if (kind() != kKindString) return std::nullopt;
  return node_->v.str ? vstring_view(node_->v.str) : vstring_view();
}

std::optional<double> ChainItem::real() const {
  if (kind() != kKindReal) return std::nullopt;
  return node_->v.real;
}

std::optional<int64_t> ChainItem::integer() const {
  switch (kind()) {
    case kKindInt16:
    case kKindInt16b:
    case kKindBool16:
      return node_->v.i16;
    case kKindInt32:
      return node_->v.i32;
    case kKindInt64:
      return node_->v.i64;
    default:
      return std::nullopt;
  }
}

std::optional<ChainPoint> ChainItem::point() const {
  uint32_t d = groupCodeKind(node_->code);
  if (kindOf(d) != kKindPoint || !hasDefinedKind(d)) return std::nullopt;
  return ChainPoint{node_->v.point[0], node_->v.point[1], node_->v.point[2]};
}

int ChainView::count(int code) const {
  int n = 0;
  for (ChainItem item : *this) n += item.code() == code;
  return n;
}

std::optional<vstring_view> ChainView::text(int code) const {
  const ValueNode* n = find(code);
  return n ? ChainItem(n).text() : std::nullopt;
}
std::optional<double> ChainView::real(int code) const {
  const ValueNode* n = find(code);
  return n ? ChainItem(n).real() : std::nullopt;
}
std::optional<int64_t> ChainView::integer(int code) const {
  const ValueNode* n = find(code);
  return n ? ChainItem(n).integer() : std::nullopt;
}
std::optional<ChainPoint> ChainView::point(int code) const {
  const ValueNode* n = find(code);
  return n ? ChainItem(n).point() : std::nullopt;
}

bool ChainView::isType(const vchar* name) const {
  const ValueNode* n = find(gc::kType);
  return n && names::isType(n->v.str, name);
}

ChainView ChainView::extendedData(vstring_view application) const {
  bool inExtendedData = false;
  for (const ValueNode* n = head_; n; n = n->next) {
    if (n->code == gc::kExtendedData) inExtendedData = true;
    if (inExtendedData && n->code == gc::kXdApp && n->v.str && equalsNoCaseAscii(vstring_view(n->v.str), application))
      return ChainView(n);
  }
  return ChainView();
}

OwnedChain& OwnedChain::operator=(OwnedChain&& o) noexcept {
  if (this != &o) {
    reset();
    head_ = o.head_;
    shared_ = o.shared_;
    o.head_ = nullptr;
  }
  return *this;
}

OwnedChain OwnedChain::copyOf(ChainView chain) { return OwnedChain(copyValueChain(chain.head(), false)); }

ValueNode* OwnedChain::release() {
  ValueNode* h = head_;
  head_ = nullptr;
  return h;
}

void OwnedChain::reset(ValueNode* adopt) {
  if (head_) releaseValueChain(head_, shared_);
  head_ = adopt;
  shared_ = false;
}

ValueNode* OwnedChain::slotFor(int code, ValueKind wanted) {
  uint32_t d = groupCodeKind(code);
  if (!hasDefinedKind(d) || !isWriteCompatible(kindOf(d), wanted)) return nullptr;
  if (ValueNode* n = findNode(head_, code)) return n;
  ValueNode* n = newValueNode(code);
  if (!n) return nullptr;
  // In front of the extended data, which must stay last.
  ValueNode** link = &head_;
  while (*link && (*link)->code != gc::kExtendedData) link = &(*link)->next;
  n->next = *link;
  *link = n;
  return n;
}

bool OwnedChain::setText(int code, vstring_view text) {
  // A sharing copy neither owns nor frees its object-id texts, so it cannot take a new one.
  if (shared_ && (groupCodeKind(code) & kKindFlagObjectId)) return false;
  ValueNode* n = slotFor(code, kKindString);
  if (!n) return false;
  vchar* copy = allocNodeText(text);
  if (!copy) return false;
  std::free(n->v.str);
  n->v.str = copy;
  return true;
}

bool OwnedChain::setReal(int code, double value) {
  ValueNode* n = slotFor(code, kKindReal);
  if (!n) return false;
  n->v.real = value;
  return true;
}

bool OwnedChain::setInteger(int code, int64_t value) {
  uint32_t d = groupCodeKind(code);
  if (!isIntegerKind(kindOf(d))) return false;
  ValueNode probe{};
  probe.code = static_cast<int16_t>(code);
  if (!storeInteger(probe, value)) return false;  // check the range before touching the chain
  ValueNode* n = slotFor(code, kindOf(d));
  if (!n) return false;
  std::memset(n->v.raw, 0, sizeof n->v.raw);
  return storeInteger(*n, value);
}

bool OwnedChain::setPoint(int code, ChainPoint value) {
  ValueNode* n = slotFor(code, kKindPoint);
  if (!n) return false;
  n->v.point[0] = value.x;
  n->v.point[1] = value.y;
  n->v.point[2] = value.z;
  return true;
}

int OwnedChain::remove(int code, int most) {
  int removed = 0;
  ValueNode** link = &head_;
  while (*link && removed < most) {
    ValueNode* n = *link;
    if (n->code != code) {
      link = &n->next;
      continue;
    }
    *link = n->next;
    n->next = nullptr;
    releaseValueChain(n, shared_);
    ++removed;
  }
  return removed;
}

void OwnedChain::insertAfter(int code, OwnedChain&& part) {
  ValueNode* at = findNode(head_, code);
  if (!at) {
    append(std::move(part));
    return;
  }
  spliceChainAfter(at, part.release());
}

void OwnedChain::append(OwnedChain&& part) {
  ValueNode* p = part.release();
  if (!p) return;
  if (!head_) {
    head_ = p;
    return;
  }
  ValueNode* last = head_;
  while (last->next) last = last->next;
  last->next = p;
}

namespace {
bool opensGroupOf(const ValueNode* n, vstring_view application) {
  return n->code == gc::kXdApp && n->v.str && equalsNoCaseAscii(vstring_view(n->v.str), application);
}
// Unlinks the group that begins at *link (its 1001 node up to the next 1001)
// and returns it as a chain of its own.
ValueNode* unlinkGroup(ValueNode** link) {
  ValueNode* first = *link;
  ValueNode* last = first;
  while (last->next && last->next->code != gc::kXdApp) last = last->next;
  *link = last->next;
  last->next = nullptr;
  return first;
}
}  // namespace

int OwnedChain::removeExtendedData(vstring_view application) {
  int removed = 0;
  bool inExtendedData = false;
  ValueNode** link = &head_;
  while (*link) {
    if ((*link)->code == gc::kExtendedData) inExtendedData = true;
    if (inExtendedData && opensGroupOf(*link, application)) {
      releaseValueChain(unlinkGroup(link), shared_);
      ++removed;
      continue;
    }
    link = &(*link)->next;
  }
  return removed;
}

bool OwnedChain::replaceExtendedData(vstring_view application, OwnedChain&& group) {
  if (!group.head_ || group.head_->code != gc::kXdApp) return false;
  bool inExtendedData = false;
  ValueNode** link = &head_;
  for (; *link; link = &(*link)->next) {
    if ((*link)->code == gc::kExtendedData) inExtendedData = true;
    if (inExtendedData && opensGroupOf(*link, application)) break;
  }
  if (!*link) {
    if (!inExtendedData) {
      ValueNode* marker = newValueNode(gc::kExtendedData);
      if (!marker) return false;
      marker->next = group.release();
      append(OwnedChain(marker));
      return true;
    }
    append(std::move(group));
    return true;
  }
  ValueNode* old = unlinkGroup(link);
  ValueNode* part = group.release();
  ValueNode* tail = part;
  while (tail->next) tail = tail->next;
  tail->next = *link;
  *link = part;
  releaseValueChain(old, shared_);
  // Later groups of the same application would contradict the new one.
  for (link = &tail->next; *link;) {
    if (opensGroupOf(*link, application)) {
      releaseValueChain(unlinkGroup(link), shared_);
      continue;
    }
    link = &(*link)->next;
  }
  return true;
}

ValueNode* ChainBuilder::add(int code, ValueKind wanted) {
  if (!ok()) return nullptr;
  uint32_t d = groupCodeKind(code);
  if (!hasDefinedKind(d)) {
    error_ = "group code " + std::to_string(code) + " has no value kind";
    return nullptr;
  }
  if (!isWriteCompatible(kindOf(d), wanted)) {
    error_ = "group code " + std::to_string(code) + " does not take this kind of value";
    return nullptr;
  }
  ValueNode* n = newValueNode(code);
  if (!n) {
    error_ = "out of memory";
    return nullptr;
  }
  if (tail_) {
    tail_->next = n;
  } else {
    chain_.reset(n);
  }
  tail_ = n;
  return n;
}

ChainBuilder& ChainBuilder::text(int code, vstring_view value) {
  if (ValueNode* n = add(code, kKindString)) {
    n->v.str = allocNodeText(value);
    if (!n->v.str) error_ = "out of memory";
  }
  return *this;
}

ChainBuilder& ChainBuilder::real(int code, double value) {
  if (ValueNode* n = add(code, kKindReal)) n->v.real = value;
  return *this;
}

ChainBuilder& ChainBuilder::integer(int code, int64_t value) {
  if (ValueNode* n = add(code, kKindInt32)) {
    if (!storeInteger(*n, value)) error_ = "value " + std::to_string(value) + " does not fit group code " + std::to_string(code);
  }
  return *this;
}

ChainBuilder& ChainBuilder::point(int code, ChainPoint value) {
  if (ValueNode* n = add(code, kKindPoint)) {
    n->v.point[0] = value.x;
    n->v.point[1] = value.y;
    n->v.point[2] = value.z;
  }
  return *this;
}

ChainBuilder& ChainBuilder::entityName(int code, const uint64_t name[2]) {
  if (ValueNode* n = add(code, kKindEntityName)) std::memcpy(n->v.name, name, sizeof n->v.name);
  return *this;
}

ChainBuilder& ChainBuilder::chunk(int code, const unsigned char* bytes, int16_t size) {
  if (size < 0 || (size > 0 && !bytes)) {
    error_ = "a chunk wants its bytes";
    return *this;
  }
  if (ValueNode* n = add(code, kKindBinary)) {
    n->v.bin.size = size;
    if (size > 0) {
      n->v.bin.bytes = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(size)));
      if (!n->v.bin.bytes) {
        error_ = "out of memory";
        return *this;
      }
      std::memcpy(n->v.bin.bytes, bytes, static_cast<size_t>(size));
    }
  }
  return *this;
}

ChainBuilder& ChainBuilder::marker(int code) {
  if (!ok()) return *this;
  if (code != gc::kExtendedData && (code < kRtListBegin || code > kRtDottedPair)) {
    error_ = "group code " + std::to_string(code) + " is not a marker";
    return *this;
  }
  ValueNode* n = newValueNode(code);
  if (!n) {
    error_ = "out of memory";
    return *this;
  }
  if (code != gc::kExtendedData) n->v.i16 = static_cast<int16_t>(0xFFFF);
  if (code == gc::kExtendedData) sawExtendedData_ = true;
  if (tail_) {
    tail_->next = n;
  } else {
    chain_.reset(n);
  }
  tail_ = n;
  return *this;
}

ChainBuilder& ChainBuilder::extendedData(vstring_view application) {
  if (!sawExtendedData_) marker(gc::kExtendedData);
  return text(gc::kXdApp, application);
}

ChainBuilder& ChainBuilder::splice(OwnedChain&& part) {
  if (!ok()) return *this;  // `part` releases itself
  ValueNode* p = part.release();
  if (!p) return *this;
  if (tail_) {
    tail_->next = p;
  } else {
    chain_.reset(p);
  }
  tail_ = p;
  while (tail_->next) tail_ = tail_->next;
  if (chainHasCode(p, gc::kExtendedData)) sawExtendedData_ = true;
  return *this;
}

OwnedChain ChainBuilder::build() {
  tail_ = nullptr;
  sawExtendedData_ = false;
  if (!ok()) {
    chain_.reset();
    return OwnedChain();
  }
  return std::move(chain_);
}

}  // namespace vd
