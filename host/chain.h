// A typed C++ face over value chains: read values by code, walk the nodes,
// build chains and own them, so that no other code walks nodes by hand.
#pragma once
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "host/chain_codes.h"
#include "host/text.h"
#include "host/value_chain.h"

namespace vd {

struct ChainPoint {
  double x = 0, y = 0, z = 0;
  bool operator==(const ChainPoint&) const = default;
};

// One node seen through its code's kind: a read of the wrong kind gives nothing.
class ChainItem {
 public:
  explicit ChainItem(const ValueNode* node) : node_(node) {}
  int code() const { return node_->code; }
  ValueKind kind() const { return kindOf(groupCodeKind(node_->code)); }
  const ValueNode* node() const { return node_; }

  // String kinds (texts, handles, object ids); a null text reads as empty.
  std::optional<vstring_view> text() const;
  // Doubles and angles.
  std::optional<double> real() const;
  // 16-bit, boolean, 32-bit and 64-bit integers.
  std::optional<int64_t> integer() const;
  std::optional<ChainPoint> point() const;

 private:
  const ValueNode* node_;
};

// A read-only view of a chain someone else owns (the host, or an OwnedChain).
class ChainView {
 public:
  class iterator {
   public:
    using value_type = ChainItem;
    using difference_type = std::ptrdiff_t;
    iterator() = default;
    explicit iterator(const ValueNode* n) : n_(n) {}
    ChainItem operator*() const { return ChainItem(n_); }
    iterator& operator++() {
      n_ = n_->next;
      return *this;
    }
    iterator operator++(int) {
      iterator old = *this;
      n_ = n_->next;
      return old;
    }
    bool operator==(const iterator& o) const { return n_ == o.n_; }

   private:
    const ValueNode* n_ = nullptr;
  };

  ChainView() = default;
  ChainView(const ValueNode* head) : head_(head) {}  // NOLINT: views convert freely

  const ValueNode* head() const { return head_; }
  bool empty() const { return head_ == nullptr; }
  explicit operator bool() const { return head_ != nullptr; }
  iterator begin() const { return iterator(head_); }
  iterator end() const { return iterator(); }
  int size() const { return chainLength(head_); }

  const ValueNode* find(int code) const { return findNode(head_, code); }
  bool has(int code) const { return find(code) != nullptr; }
  // How many nodes carry the code.
  int count(int code) const;

  // The first node with the code, read by kind; nothing when absent or of another kind.
  std::optional<vstring_view> text(int code) const;
  std::optional<double> real(int code) const;
  std::optional<int64_t> integer(int code) const;
  std::optional<ChainPoint> point(int code) const;

  vstring_view type() const { return text(gc::kType).value_or(vstring_view()); }
  bool isType(const vchar* name) const;
  vstring_view handle() const { return text(gc::kHandle).value_or(vstring_view()); }
  vstring_view layer() const { return text(gc::kLayer).value_or(vstring_view()); }

  // The view from the 1001 node naming the application (case-insensitive) to
  // the chain's end; empty when the chain has no extended data of it.
  ChainView extendedData(vstring_view application) const;

 private:
  const ValueNode* head_ = nullptr;
};

// A chain the module owns; releases itself. Move-only.
class OwnedChain {
 public:
  OwnedChain() = default;
  // Takes over a chain built or copied by the module. `sharedObjectIds` says
  // the chain is a sharing copy whose object-id strings belong to another.
  explicit OwnedChain(ValueNode* adopt, bool sharedObjectIds = false) : head_(adopt), shared_(sharedObjectIds) {}
  OwnedChain(OwnedChain&& o) noexcept : head_(o.head_), shared_(o.shared_) { o.head_ = nullptr; }
  OwnedChain& operator=(OwnedChain&& o) noexcept;
  OwnedChain(const OwnedChain&) = delete;
  OwnedChain& operator=(const OwnedChain&) = delete;
  ~OwnedChain() { reset(); }

  // A deep copy that owns all of its strings.
  static OwnedChain copyOf(ChainView chain);

  ValueNode* get() const { return head_; }
  ChainView view() const { return ChainView(head_); }
  operator ChainView() const { return view(); }  // NOLINT: an owner is readable as a view
  bool empty() const { return head_ == nullptr; }
  explicit operator bool() const { return head_ != nullptr; }
  // Gives the chain up to the caller, who releases it.
  [[nodiscard]] ValueNode* release();
  void reset(ValueNode* adopt = nullptr);

  // Writes replace the value of the first node with the code; when there is
  // none a node is added in front of the extended data (at the end when there
  // is none). False when the code's kind does not take that value, and for
  // object-id texts of a sharing copy, which does not own them.
  bool setText(int code, vstring_view text);
  bool setReal(int code, double value);
  bool setInteger(int code, int64_t value);
  bool setPoint(int code, ChainPoint value);
  // Removes the nodes with the code, the first `most` of them (every one by
  // default); returns how many went.
  int remove(int code, int most = std::numeric_limits<int>::max());
  // Splices a whole chain in after the first node with the code (at the end
  // when there is none).
  void insertAfter(int code, OwnedChain&& part);
  void append(OwnedChain&& part);
  // Removes the extended-data groups of an application (its 1001 node and
  // the items up to the next 1001), compared without regard to case; the -3
  // marker stays. Returns how many groups went.
  int removeExtendedData(vstring_view application);
  // Puts a group (beginning with its 1001 node, with no -3 marker) in the
  // place of the application's first group, removing any others of it; when
  // the chain has none, appends it, after a -3 marker when the chain has no
  // extended data yet. False, with the chain as it was, when `group` does
  // not begin with 1001 or a marker is wanted and memory runs out.
  bool replaceExtendedData(vstring_view application, OwnedChain&& group);

 private:
  ValueNode* slotFor(int code, ValueKind wanted);
  ValueNode* head_ = nullptr;
  bool shared_ = false;
};

// Builds a chain node by node; a value of the wrong kind for its code, or a
// code without a kind, spoils the build and build() then gives an empty chain
// with the reason in error().
class ChainBuilder {
 public:
  ChainBuilder() = default;
  ChainBuilder(const ChainBuilder&) = delete;
  ChainBuilder& operator=(const ChainBuilder&) = delete;

  ChainBuilder& text(int code, vstring_view value);
  ChainBuilder& real(int code, double value);
  ChainBuilder& integer(int code, int64_t value);
  ChainBuilder& point(int code, ChainPoint value);
  ChainBuilder& point(int code, double x, double y, double z = 0) { return point(code, ChainPoint{x, y, z}); }
  ChainBuilder& entityName(int code, const uint64_t name[2]);
  ChainBuilder& chunk(int code, const unsigned char* bytes, int16_t size);
  // Codes that carry no value: -3 and the list markers 5016-5018.
  ChainBuilder& marker(int code);
  // Starts the extended data of an application (-3 once, then 1001).
  ChainBuilder& extendedData(vstring_view application);
  // Appends every node of `part`, which becomes part of this chain.
  ChainBuilder& splice(OwnedChain&& part);

  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }
  [[nodiscard]] OwnedChain build();

 private:
  ValueNode* add(int code, ValueKind wanted);
  OwnedChain chain_;
  ValueNode* tail_ = nullptr;
  bool sawExtendedData_ = false;
  std::string error_;
};

// A text in the C heap, as nodes own their strings; null when memory runs out.
vchar* allocNodeText(vstring_view text);

}  // namespace vd
