// Helpers shared by the writers of entity chains: the entity header, values
// carried over from a previous chain, and the extended data copy.
#pragma once
#include "entity2d/entity_props.h"
#include "geom/point2d.h"
#include "geom/vector2d.h"
#include "host/chain.h"

namespace vd::ent {

// Appends a copy of one node, whatever its kind; false when its kind cannot
// be written (a code without a defined kind).
bool copyItem(ChainBuilder& b, ChainItem item);
// Copies the first node with the code from `prev` when it has one; true when copied.
bool copyCode(ChainBuilder& b, ChainView prev, int code);
// Nodes of `from` up to, not including, `to` (the end of the entity's own data
// when `to` is null: the first extended data node).
void copyRange(ChainBuilder& b, const ValueNode* from, const ValueNode* to);

// 0 type name, 5 handle, reactors, 100 AcDbEntity, 67/410, 8, 6, 62, 420,
// 440, 60, 370, 48: the start of every chain the module writes.
void writeHeader(ChainBuilder& b, const vchar* typeName, const EntityProps& props);
// -3 and a copy of the extended data the properties point at, if any.
void writeExtendedData(ChainBuilder& b, const EntityProps& props);

inline ChainPoint point3(const GcGePoint2d& p) { return ChainPoint{p.x, p.y, 0.0}; }
inline ChainPoint point3(const GcGeVector2d& v) { return ChainPoint{v.x, v.y, 0.0}; }
inline GcGePoint2d point2(const ChainPoint& p) { return GcGePoint2d(p.x, p.y); }
inline GcGeVector2d vector2(const ChainPoint& p) { return GcGeVector2d(p.x, p.y); }

// Walks the entity's own data (up to the extended data) node by node, for the
// kinds whose codes repeat (vertices, boundary loops).
class ChainCursor {
 public:
  explicit ChainCursor(const ValueNode* at) : node_(at) {}
  bool atEnd() const { return node_ == nullptr || node_->code >= 1000 || node_->code == gc::kExtendedData; }
  int code() const { return atEnd() ? -9999 : node_->code; }
  ChainItem item() const { return ChainItem(node_); }
  const ValueNode* node() const { return node_; }
  void next() {
    if (node_) node_ = node_->next;
  }
  // Moves to the next node with the code; false (at the end) when none.
  bool seek(int code);
  // Reads the current node when it has the code, then moves on.
  bool take(int code, double& out);
  bool take(int code, int64_t& out);
  bool take(int code, ChainPoint& out);

 private:
  const ValueNode* node_;
};

}  // namespace vd::ent
