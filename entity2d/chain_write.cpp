#include "entity2d/chain_write.h"

#include "host/names.h"

namespace vd::ent {

bool copyItem(ChainBuilder& b, ChainItem item) {
  const int code = item.code();
  switch (item.kind()) {
    case kKindString:
      b.text(code, item.text().value_or(vstring_view()));
      return true;
    case kKindReal:
      b.real(code, item.real().value_or(0.0));
      return true;
    case kKindInt16:
    case kKindInt16b:
    case kKindBool16:
    case kKindInt32:
    case kKindInt64:
      b.integer(code, item.integer().value_or(0));
      return true;
    case kKindPoint:
      if (auto p = item.point()) {
        b.point(code, *p);
        return true;
      }
      return false;
    case kKindEntityName:
      b.entityName(code, item.node()->v.name);
      return true;
    case kKindBinary:
      b.chunk(code, item.node()->v.bin.bytes, item.node()->v.bin.size);
      return true;
    default:
      if (code == gc::kExtendedData || (code >= kRtListBegin && code <= kRtDottedPair)) {
        b.marker(code);
        return true;
      }
      return false;
  }
}

bool copyCode(ChainBuilder& b, ChainView prev, int code) {
  for (ChainItem item : prev) {
    if (item.code() >= 1000 || item.code() == gc::kExtendedData) break;
    if (item.code() == code) return copyItem(b, item);
  }
  return false;
}

void copyRange(ChainBuilder& b, const ValueNode* from, const ValueNode* to) {
  for (const ValueNode* n = from; n && n != to; n = n->next) {
    if (!to && (n->code >= 1000 || n->code == gc::kExtendedData)) break;
    copyItem(b, ChainItem(n));
  }
}

void writeHeader(ChainBuilder& b, const vchar* typeName, const EntityProps& props) {
  b.text(gc::kType, typeName);
  if (props.handle && props.handle[0]) b.text(gc::kHandle, props.handle);
  if (props.hasReactors()) {
    b.text(gc::kControl, names::kReactorsOpen);
    if (props.reactors) copyRange(b, props.reactors, props.reactorsEnd);
    b.text(gc::kControl, names::kGroupClose);
  }
  b.text(gc::kSubclass, names::kAcDbEntity);
  if (props.space != 0) {
    b.integer(gc::kPaperSpace, props.space);
    if (props.layoutName) b.text(410, props.layoutName);
  }
  // A layer without a name (the host failed to give the one asked for) is
  // no layer: such an entity goes on layer 0, which every drawing has.
  b.text(gc::kLayer, props.layer && props.layer[0] ? props.layer : names::kLayerZero);
  b.text(gc::kLineType, props.linetype ? props.linetype : names::kByLayer);
  b.integer(gc::kColor, static_cast<int16_t>(props.colour & 0xFFFF));
  if (props.trueColour != 0) b.integer(gc::kTrueColor, static_cast<int32_t>(props.trueColour));
  if (props.transparencyMode != kTransparencyByLayer) b.integer(440, props.transparencyValue());
  if (props.visibility != 0) b.integer(60, props.visibility);
  b.integer(gc::kLineWeight, props.lineweight);
  b.real(48, props.linetypeScale);
}

void writeExtendedData(ChainBuilder& b, const EntityProps& props) {
  if (!props.extendedData) return;
  OwnedChain copy(copyValueChain(props.extendedData, false));
  if (!copy) return;
  b.marker(gc::kExtendedData);
  b.splice(std::move(copy));
}

bool ChainCursor::seek(int code) {
  while (!atEnd() && node_->code != code) next();
  return !atEnd();
}

bool ChainCursor::take(int code, double& out) {
  if (atEnd() || node_->code != code) return false;
  auto v = item().real();
  if (!v) return false;
  out = *v;
  next();
  return true;
}

bool ChainCursor::take(int code, int64_t& out) {
  if (atEnd() || node_->code != code) return false;
  auto v = item().integer();
  if (!v) return false;
  out = *v;
  next();
  return true;
}

bool ChainCursor::take(int code, ChainPoint& out) {
  if (atEnd() || node_->code != code) return false;
  auto v = item().point();
  if (!v) return false;
  out = *v;
  next();
  return true;
}

}  // namespace vd::ent
