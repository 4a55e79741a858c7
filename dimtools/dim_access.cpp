#include "dimtools/dim_access.h"

#include "dimtools/dim_codes.h"
#include "host/names.h"

namespace vd::dim {

namespace {

bool isOverrideApp(const ValueNode* n) {
  return n->code == gc::kXdApp && n->v.str && equalsNoCaseAscii(vstring_view(n->v.str), kOverrideApp);
}

bool isControl(const ValueNode* n, const vchar* text) {
  return n->code == gc::kXdControl && n->v.str && vstring_view(n->v.str) == text;
}

// Where the "ACAD" data of an entity lies: its 1001 node and the node in
// front of what follows it (the next 1001, the next entity's group 0, or the
// end), so that callers can insert at its end.
struct OverrideData {
  ValueNode* app = nullptr;
  ValueNode* last = nullptr;
};

OverrideData overrideData(ValueNode* head) {
  ValueNode* n = head;
  // A leading entity name (-1) and the entity's own group 0 open the chain.
  if (n && n->code == gc::kEntityName) n = n->next;
  if (n && n->code == gc::kType) n = n->next;
  OverrideData found;
  for (; n && n->code != gc::kType; n = n->next) {
    if (!found.app) {
      if (isOverrideApp(n)) found.app = found.last = n;
      continue;
    }
    if (n->code == gc::kXdApp) break;
    found.last = n;
  }
  return found;
}

// The override list inside the "ACAD" data: the 1002 "{" behind its 1000
// "DSTYLE" and its closing 1002 "}"; a list without its closing brace runs to
// the end of the data. Only the list holds overrides: other items of the
// "ACAD" data (other lists, notes) may hold a 1070 that looks like a
// variable's code.
struct OverrideList {
  ValueNode* open = nullptr;
  ValueNode* end = nullptr;  // the closing brace, or what follows the data
};

OverrideList overrideList(const OverrideData& data) {
  OverrideList list;
  if (!data.app) return list;
  ValueNode* stop = data.last->next;
  for (ValueNode* n = data.app->next; n != stop && n->next != stop; n = n->next) {
    if (n->code != gc::kXdString || !n->v.str || vstring_view(n->v.str) != kOverrideList || !isControl(n->next, kListOpen))
      continue;
    list.open = n->next;
    list.end = stop;
    for (ValueNode* m = list.open->next; m != stop; m = m->next) {
      if (isControl(m, kListClose)) {
        list.end = m;
        break;
      }
    }
    return list;
  }
  return list;
}

// The 1070 node naming `variable` inside the override list, walking the list
// pair by pair so that a value is never taken for a variable's code. Without
// one, `insertAfter` gets the last node of the list's last whole item (a pair,
// or an item that is no variable code): a new pair there keeps every pair of
// the list as it was read, also in front of a code left without its value.
ValueNode* overrideCodeNode(const OverrideList& list, int variable, ValueNode** insertAfter = nullptr) {
  if (!list.open) return nullptr;
  ValueNode* after = list.open;
  for (ValueNode* n = list.open->next; n && n != list.end; n = n->next) {
    if (n->code != gc::kXdShort) {
      after = n;
      continue;
    }
    if (!n->next || n->next == list.end) break;
    if (n->v.i16 == variable) return n;
    n = n->next;  // the value of another variable
    after = n;
  }
  if (insertAfter) *insertAfter = after;
  return nullptr;
}

bool isOverrideValueCode(int code) {
  return (code >= 1000 && code <= 1005) || (code >= 1010 && code <= 1013) || (code >= 1040 && code <= 1042) ||
         code == gc::kXdShort || code == gc::kXdLong;
}

// A one-node copy of `n`, deep like every copy the module makes.
ValueNode* copyOfNode(const ValueNode& n) {
  ValueNode single = n;
  single.next = nullptr;
  return copyValueChain(&single, false);
}

}  // namespace

OwnedChain findDimOverride(ChainView entity, int variable) {
  // The walk only reads; the search is shared with the writer.
  OverrideData data = overrideData(const_cast<ValueNode*>(entity.head()));
  const ValueNode* code = overrideCodeNode(overrideList(data), variable);
  if (!code || !isOverrideValueCode(code->next->code)) return OwnedChain();
  return OwnedChain(copyOfNode(*code->next));
}

bool setDimOverride(OwnedChain& entity, int variable, const ValueNode& value) {
  if (value.code != gc::kXdReal && value.code != gc::kXdShort && value.code != gc::kXdString) return false;
  OverrideData data = overrideData(entity.get());
  if (!data.app) {
    ChainBuilder list;
    list.text(gc::kXdApp, kOverrideApp).text(gc::kXdString, kOverrideList).text(gc::kXdControl, kListOpen);
    list.integer(gc::kXdShort, variable);
    OwnedChain v(copyOfNode(value));
    if (!v) return false;
    list.splice(std::move(v)).text(gc::kXdControl, kListClose);
    OwnedChain group = list.build();
    return group && entity.replaceExtendedData(kOverrideApp, std::move(group));
  }
  ValueNode* replacement = copyOfNode(value);
  if (!replacement) return false;
  const OverrideList list = overrideList(data);
  ValueNode* insertAfter = data.last;
  if (ValueNode* code = overrideCodeNode(list, variable, &insertAfter)) {
    // The value node is replaced as a whole: it may have held another kind.
    ValueNode* old = code->next;
    replacement->next = old->next;
    code->next = replacement;
    old->next = nullptr;
    releaseValueChain(old, false);
    return true;
  }
  ChainBuilder pair;
  if (!list.open) {
    // "ACAD" data without an override list: the list goes at its end.
    pair.text(gc::kXdString, kOverrideList).text(gc::kXdControl, kListOpen);
  }
  pair.integer(gc::kXdShort, variable).splice(OwnedChain(replacement));
  if (!list.open) pair.text(gc::kXdControl, kListClose);
  OwnedChain part = pair.build();
  if (!part) return false;
  spliceChainAfter(insertAfter, part.release());
  return true;
}

bool setDimOverride(OwnedChain& entity, int variable, double value) {
  ValueNode n{};
  n.code = gc::kXdReal;
  n.v.real = value;
  return setDimOverride(entity, variable, n);
}

bool setDimOverride(OwnedChain& entity, int variable, int16_t value) {
  ValueNode n{};
  n.code = gc::kXdShort;
  n.v.i16 = value;
  return setDimOverride(entity, variable, n);
}

bool setDimOverride(OwnedChain& entity, int variable, vstring_view value) {
  vstring text(value);
  ValueNode n{};
  n.code = gc::kXdString;
  n.v.str = text.data();  // copied by the node copy
  return setDimOverride(entity, variable, n);
}

OwnedChain mergeDimChanges(ChainView base, ChainView changes, MergeForm form) {
  ValueNode* merged = nullptr;
  int mode = form == MergeForm::EmbeddedObject ? kMergeEmbeddedObject : 0;
  if (!mergeValueChain(base.head(), changes.head(), mode, &merged)) return OwnedChain();
  return OwnedChain(merged);
}

bool placeDimensionText(OwnedChain& dimension, vstring_view text) {
  ValueNode* marker = nullptr;
  for (ValueNode* n = dimension.get(); n && !marker; n = n->next) {
    if (n->code == kSubclass && n->v.str && vstring_view(n->v.str) == names::kAcDbDimension) marker = n;
  }
  if (!marker) return false;
  if (marker->next && marker->next->code == kAfterDimensionMarker) marker = marker->next;
  OwnedChain node = ChainBuilder().text(kTextOverride, text).build();
  if (!node) return false;
  // The marker is no text node: removing the old text leaves it in place.
  // Only the dimension's own text goes; a later group 1 belongs to an
  // embedded object.
  dimension.remove(kTextOverride, 1);
  spliceChainAfter(marker, node.release());
  return true;
}

bool setEntityLayer(OwnedChain& entity, vstring_view layer) {
  if (entity.view().has(gc::kLayer)) return entity.setText(gc::kLayer, layer);
  for (ValueNode* n = entity.get(); n; n = n->next) {
    if (n->code != gc::kSubclass || !n->v.str || vstring_view(n->v.str) != names::kAcDbEntity) continue;
    OwnedChain node = ChainBuilder().text(gc::kLayer, layer).build();
    if (!node) return false;
    spliceChainAfter(n, node.release());
    return true;
  }
  return false;
}

GcGePoint3d pointOf(ChainView chain, int code) {
  const ChainPoint p = chain.point(code).value_or(ChainPoint{});
  return {p.x, p.y, p.z};
}

ChainPoint toChainPoint(const GcGePoint3d& p) { return {p.x, p.y, p.z}; }

bool hasSubclass(ChainView chain, const vchar* name) {
  for (ChainItem item : chain) {
    if (item.code() == gc::kSubclass && item.text() == vstring_view(name)) return true;
  }
  return false;
}

}  // namespace vd::dim
