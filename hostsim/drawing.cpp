#include "hostsim/drawing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "host/names.h"
#include "hostsim/dimension_graphics.h"
#include "hostsim/dxf_schema.h"
#include "hostsim/number_text.h"

namespace hostsim {

using vd::ChainItem;
using vd::ChainView;
using vd::OwnedChain;
using vd::ValueNode;
using vd::vstring_view;

const char* journalKindName(JournalEntry::Kind kind) {
  switch (kind) {
    case JournalEntry::Kind::EntityAdded: return "entity added";
    case JournalEntry::Kind::EntityErased: return "entity erased";
    case JournalEntry::Kind::EntityChanged: return "entity changed";
    case JournalEntry::Kind::BlockDefined: return "block defined";
    case JournalEntry::Kind::BlockRemoved: return "block removed";
    case JournalEntry::Kind::DictionaryCreated: return "dictionary created";
    case JournalEntry::Kind::DictionaryWritten: return "dictionary written";
    case JournalEntry::Kind::DictionaryRemoved: return "dictionary entry removed";
  }
  return "?";
}

vstring Entity::type() const { return vstring(chain.view().type()); }

bool isFollowerType(vstring_view t) {
  return vd::equalsNoCaseAscii(t, u"ATTRIB") || vd::equalsNoCaseAscii(t, u"VERTEX") ||
         vd::equalsNoCaseAscii(t, u"SEQEND");
}

bool opensComplex(ChainView e) {
  if (e.isType(vd::names::kPolyline)) return true;
  return e.isType(vd::names::kInsert) && e.integer(vd::gc::kEntitiesFollow).value_or(0) == 1;
}

bool takesFollower(ChainView main, vstring_view followerType) {
  if (vd::equalsNoCaseAscii(followerType, u"SEQEND")) return true;
  if (main.isType(vd::names::kPolyline)) return vd::equalsNoCaseAscii(followerType, u"VERTEX");
  return vd::equalsNoCaseAscii(followerType, u"ATTRIB");
}

namespace {

std::string utf8(vstring_view s) { return vd::utf16ToUtf8(s); }

}  // namespace

std::optional<uint64_t> handleValue(vstring_view text) {
  // Leading zeros do not make another handle.
  size_t nz = text.find_first_not_of(u'0');
  if (text.empty()) return std::nullopt;
  if (nz == vstring_view::npos) return 0;
  if (text.size() - nz > 16) return std::nullopt;
  uint64_t v = 0;
  for (vchar c : text.substr(nz)) {
    int d = (c >= u'0' && c <= u'9')   ? c - u'0'
            : (c >= u'A' && c <= u'F') ? c - u'A' + 10
            : (c >= u'a' && c <= u'f') ? c - u'a' + 10
                                       : -1;
    if (d < 0) return std::nullopt;
    v = v << 4 | static_cast<uint64_t>(d);
  }
  return v;
}

vstring handleText(uint64_t value) {
  static const char16_t digits[] = u"0123456789ABCDEF";
  vchar buf[16];
  int n = 0;
  do {
    buf[n++] = digits[value & 15];
    value >>= 4;
  } while (value);
  vstring out;
  while (n > 0) out.push_back(buf[--n]);
  return out;
}

vstring normalHandle(vstring_view text) {
  std::optional<uint64_t> v = handleValue(text);
  return v ? handleText(*v) : vstring();
}

const vstring* keptValue(const KeptRecord& record, int code) {
  for (const KeptGroup& g : record) {
    if (g.code == code) return &g.value;
  }
  return nullptr;
}

void FlatPoints::add(int position) {
  auto at = std::lower_bound(positions_.begin(), positions_.end(), position);
  if (at == positions_.end() || *at != position) positions_.insert(at, position);
}

void FlatPoints::shift(int by) {
  for (int& p : positions_) p += by;
}

void FlatPoints::insertAt(int position) {
  for (int& p : positions_) p += p >= position ? 1 : 0;
}

bool FlatPoints::has(int position) const { return std::binary_search(positions_.begin(), positions_.end(), position); }

bool isKnownEntityType(vstring_view type) {
  static const vchar* const known[] = {u"LINE",     u"ELLIPSE",  u"SOLID",   u"ARC",      u"CIRCLE",    u"LWPOLYLINE",
                                       u"INSERT",   u"HATCH",    u"RAY",     u"XLINE",    u"POINT",     u"IMAGE",
                                       u"WIPEOUT",  u"DIMENSION", u"TEXT",   u"ATTRIB",   u"MTEXT",     u"SEQEND",
                                       u"VERTEX",   u"LEADER",   u"ATTDEF",  u"POLYLINE", u"TOLERANCE", u"3DFACE",
                                       u"SPLINE",   u"TRACE"};
  for (const vchar* k : known) {
    if (vd::equalsNoCaseAscii(type, k)) return true;
  }
  return false;
}

std::optional<std::string> nonFiniteGroup(ChainView chain) {
  for (ChainItem item : chain) {
    if (auto r = item.real(); r && !std::isfinite(*r))
      return "group " + std::to_string(item.code()) + " is not a finite number (" + formatNumber(*r) + ")";
    if (auto p = item.point(); p && !(std::isfinite(p->x) && std::isfinite(p->y) && std::isfinite(p->z))) {
      const double xyz[3] = {p->x, p->y, p->z};
      return "group " + std::to_string(item.code()) + " is not a finite point (" + formatPoint(xyz) + ")";
    }
  }
  return std::nullopt;
}

struct Drawing::PendingBlock {
  vstring name;
  int flags = 0;
  double base[3] = {0, 0, 0};
  std::vector<std::unique_ptr<Entity>> entities;
  Entity* openComplex = nullptr;
  bool ended = false;
  std::string rejected;  // why the definition was rejected; empty while it stands
};

struct Drawing::Pending {
  std::vector<std::unique_ptr<Entity>> entities;
  std::vector<std::unique_ptr<PendingBlock>> blocks;
  std::unordered_set<vstring> ended;  // folded names of the definitions ended so far
  PendingBlock* openBlock = nullptr;
  Entity* openComplex = nullptr;
};

Drawing::Drawing() = default;
Drawing::~Drawing() = default;

void Drawing::clear() {
  nextHandle_ = 0x100;
  nextEntityName_ = 1;
  usedHandles_.clear();
  entities_.clear();
  blocks_.clear();
  blockPositions_.clear();
  dictionaries_.clear();
  tableRecords_.clear();
  header_.clear();
  structure_ = StructureHandles();
  kept_ = KeptData();
  batch_.reset();
  lastError_.clear();
  open_.clear();
  selection_.clear();
  selectionCursor_ = 0;
  followerCursor_ = 0;
  followedHandle_.clear();
  positions_.clear();
  lastMade_.clear();
  walkBlock_ = walkEntity_ = 0;
  walkStarted_ = false;
  journal_.clear();
  importOpen_ = nullptr;
  retired_.clear();
  retiredEntityChains_.clear();
  retiredBlocks_.clear();
}

vstring Drawing::newHandle() {
  for (;;) {
    const uint64_t h = nextHandle_ < kHandleCeiling ? nextHandle_++ : firstGap(lowHandle_);
    if (usedHandles_.insert(h).second) return handleText(h);
  }
}

uint64_t Drawing::firstGap(uint64_t& cursor) const {
  for (;;) {
    // The gaps below the ceiling are more than memory can hold entities;
    // running out would take billions of them.
    if (cursor >= kHandleCeiling) std::abort();
    const uint64_t h = cursor++;
    if (!usedHandles_.count(h) && !fileHandles_.count(h)) return h;
  }
}

void Drawing::reserveHandlesBelow(uint64_t seed) {
  nextHandle_ = std::max(nextHandle_, std::min(seed, kHandleCeiling));
}

bool Drawing::claimHandle(vstring_view handle) {
  std::optional<uint64_t> value = handleValue(handle);
  if (!value || *value == 0 || *value >= kHandleCeiling || !usedHandles_.insert(*value).second) return false;
  if (*value >= nextHandle_) nextHandle_ = *value + 1;
  return true;
}

void Drawing::record(JournalEntry entry) {
  journal_.push_back(entry);
  if (onJournal) onJournal(journal_.back());
}

bool Drawing::refuse(const std::string& why) {
  lastError_ = why;
  return false;
}

int Drawing::refused(const std::string& why) {
  lastError_ = why;
  return kRtError;
}

std::vector<const Entity*> Drawing::entities() const {
  std::vector<const Entity*> out;
  for (const auto& e : entities_) {
    if (!e->erased && e->owner.empty()) out.push_back(e.get());
  }
  return out;
}

std::optional<size_t> Drawing::positionOf(vstring_view handle) const {
  vstring h = normalHandle(handle);
  if (h.empty()) return std::nullopt;
  auto it = positions_.find(h);
  if (it == positions_.end() || entities_[it->second]->erased) return std::nullopt;
  return it->second;
}

const Entity* Drawing::findEntity(vstring_view handle) const {
  std::optional<size_t> at = positionOf(handle);
  return at ? entities_[*at].get() : nullptr;
}

std::vector<const Entity*> Drawing::followersOf(const Entity& main) const {
  std::vector<const Entity*> out;
  std::optional<size_t> at = positionOf(main.handle);
  if (!at) return out;
  // Followers are kept right behind their entity.
  for (size_t i = *at + 1; i < entities_.size() && entities_[i]->owner == main.handle; ++i) {
    if (!entities_[i]->erased) out.push_back(entities_[i].get());
  }
  return out;
}

void Drawing::keep(std::unique_ptr<Entity> e) {
  positions_[e->handle] = entities_.size();
  entities_.push_back(std::move(e));
}

vstring foldedName(vstring_view name) {
  vstring folded(name);
  for (vchar& c : folded) {
    if (c >= u'a' && c <= u'z') c = static_cast<vchar>(c - u'a' + u'A');
  }
  return folded;
}

const Block* Drawing::findBlock(vstring_view name) const {
  auto it = blockPositions_.find(foldedName(name));
  return it == blockPositions_.end() ? nullptr : blocks_[it->second].get();
}

bool Drawing::purgeBlock(vstring_view name) {
  auto it = blockPositions_.find(foldedName(name));
  if (it == blockPositions_.end()) return refuse("no block " + vd::utf16ToUtf8(name));
  auto uses = [&](const Entity& e) {
    const ChainView v = e.view();
    return !e.erased && (v.isType(u"INSERT") || v.isType(u"DIMENSION")) &&
           vd::equalsNoCaseAscii(v.text(vd::gc::kName).value_or(vstring_view()), name);
  };
  for (const auto& e : entities_) {
    if (uses(*e)) return refuse("block " + vd::utf16ToUtf8(name) + " is used by " + vd::utf16ToUtf8(e->handle));
  }
  for (const auto& b : blocks_) {
    for (const auto& e : b->entities) {
      if (uses(*e)) return refuse("block " + vd::utf16ToUtf8(name) + " is used in block " + vd::utf16ToUtf8(b->name));
    }
  }
  const size_t at = it->second;
  JournalEntry j{JournalEntry::Kind::BlockRemoved, blocks_[at]->handle, blocks_[at]->name, {}};
  retiredBlocks_.push_back(std::move(blocks_[at]));
  blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(at));
  blockPositions_.clear();
  for (size_t i = 0; i < blocks_.size(); ++i) blockPositions_.emplace(foldedName(blocks_[i]->name), i);
  // A walk past the removed block goes on with the block that followed it.
  if (walkStarted_ && walkBlock_ > at) --walkBlock_;
  record(std::move(j));
  return true;
}

const NamedDictionary* Drawing::findDictionary(vstring_view name) const {
  for (const auto& d : dictionaries_) {
    if (vd::equalsNoCaseAscii(d->name, name)) return d.get();
  }
  return nullptr;
}

const ValueNode* Drawing::nextInBlockWalk(bool restart) {
  if (restart || !walkStarted_) {
    walkBlock_ = 0;
    walkEntity_ = 0;
    walkStarted_ = true;
  }
  if (walkBlock_ >= blocks_.size()) return nullptr;
  const Block& b = *blocks_[walkBlock_];
  if (walkEntity_ == 0) {
    walkEntity_ = 1;
    return b.header.get();
  }
  size_t i = walkEntity_ - 1;
  if (i < b.entities.size()) {
    ++walkEntity_;
    return b.entities[i]->chain.get();
  }
  // Each block ends with a null; the call after it goes on with the next block's header.
  ++walkBlock_;
  walkEntity_ = 0;
  return nullptr;
}

// --- Writing ---------------------------------------------------------------

int Drawing::beginBatch() {
  // A new header drops a batch that was never flushed, as a host does.
  batch_ = std::make_unique<Pending>();
  return vd::kRtNorm;
}

bool Drawing::checkEntity(const ValueNode* chain, std::string& why) const {
  if (!chain) {
    why = "no chain";
    return false;
  }
  for (ChainItem item : ChainView(chain)) {
    uint32_t d = vd::groupCodeKind(item.code());
    if (item.code() == vd::gc::kExtendedData) continue;
    if (!vd::hasDefinedKind(d)) {
      why = "group code " + std::to_string(item.code()) + " has no value kind";
      return false;
    }
    if (vd::kindOf(d) == vd::kKindString && !item.node()->v.str) {
      why = "group " + std::to_string(item.code()) + " has no text";
      return false;
    }
  }
  if (std::optional<std::string> bad = nonFiniteGroup(chain)) {
    why = *bad;
    return false;
  }
  ChainView v(chain);
  auto type = v.text(vd::gc::kType);
  if (!type) {
    why = "the chain has no group 0";
    return false;
  }
  // A new entity gets its handle from the host. A chain that brings one is
  // a copy that kept the handle of what it was copied from: the host would
  // have two entities of one handle, and erasing the old one by its handle
  // could take the new one.
  if (v.has(vd::gc::kHandle)) {
    why = utf8(*type) + " with a handle of its own (group 5)";
    return false;
  }
  if (!isKnownEntityType(*type)) {
    why = "unknown entity type \"" + utf8(*type) + "\"";
    return false;
  }
  const dxf::EntityRecord* rec = dxf::entityRecord(*type, static_cast<int>(v.integer(70).value_or(0)));
  if (rec) {
    for (int code : rec->required) {
      if (!v.has(code)) {
        why = utf8(*type) + " without group " + std::to_string(code);
        return false;
      }
    }
  }
  return true;
}

std::unique_ptr<Entity> Drawing::makeEntity(const ValueNode* chain) {
  auto e = std::make_unique<Entity>();
  e->handle = newHandle();
  OwnedChain rest(vd::copyValueChain(chain, false));
  for (int code : {vd::gc::kEntityName, vd::gc::kType, vd::gc::kHandle, vd::gc::kOwner}) rest.remove(code);
  const uint64_t name[2] = {nextEntityName_++, 0x5644484F5354ull};
  vd::ChainBuilder b;
  b.entityName(vd::gc::kEntityName, name).text(vd::gc::kType, ChainView(chain).type()).text(vd::gc::kHandle, e->handle);
  b.splice(std::move(rest));
  OwnedChain built = b.build();
  // The host regenerates a dimension it makes, which puts the point on its
  // dimension line where a read of the saved drawing puts it again.
  if (built && ChainView(chain).isType(u"DIMENSION")) placeDefinitionPoint(built);
  e->chain = PackedChain(built);
  return e;
}

int Drawing::addEntity(const ValueNode* chain) {
  if (!batch_) return refused("Entmake_binW without Header_bin");
  PendingBlock* block = batch_->openBlock;
  if (block && !block->rejected.empty())
    return refused("block " + utf8(block->name) + " is rejected already (" + block->rejected + ")");
  std::string why;
  if (!checkEntity(chain, why)) return rejectEntity(why);
  ChainView given(chain);
  vstring type(given.type());
  std::vector<std::unique_ptr<Entity>>& target = block ? block->entities : batch_->entities;
  Entity*& open = block ? block->openComplex : batch_->openComplex;
  if (isFollowerType(type)) {
    if (!open || !takesFollower(open->view(), type))
      return rejectEntity(utf8(type) + " without an INSERT or POLYLINE that takes it");
  } else if (open) {
    return rejectEntity(utf8(type) + " while " + utf8(open->type()) + " " + utf8(open->handle) +
                        " waits for its SEQEND");
  }
  if (given.isType(vd::names::kInsert)) {
    vstring_view name = given.text(vd::gc::kName).value_or(vstring_view());
    if (!blockAvailable(name)) return rejectEntity("INSERT of block \"" + utf8(name) + "\", which the drawing lacks");
  }
  std::unique_ptr<Entity> e = makeEntity(chain);
  if (!e->chain) return rejectEntity("out of memory");
  if (isFollowerType(type)) {
    e->owner = open->handle;
    if (vd::equalsNoCaseAscii(type, u"SEQEND")) open = nullptr;
  } else if (opensComplex(e->view())) {
    open = e.get();
  }
  target.push_back(std::move(e));
  return vd::kRtNorm;
}

int Drawing::rejectEntity(const std::string& why) {
  if (PendingBlock* block = batch_->openBlock) {
    block->entities.clear();
    block->openComplex = nullptr;
    block->rejected = why;
    return refused(why + "; block " + utf8(block->name) + " is rejected with it");
  }
  if (Entity* open = batch_->openComplex) {
    vstring main = open->handle;
    std::string what = utf8(open->type()) + " " + utf8(main);
    batch_->openComplex = nullptr;
    std::erase_if(batch_->entities,
                  [&](const std::unique_ptr<Entity>& e) { return e->handle == main || e->owner == main; });
    return refused(why + "; " + what + " and its followers are rejected with it");
  }
  return refused(why);
}

bool Drawing::blockAvailable(vstring_view name) const {
  if (findBlock(name)) return true;
  // A block the batch has defined before is there when the batch is flushed, since blocks come first.
  return batch_ && batch_->ended.count(foldedName(name)) > 0;
}

int Drawing::beginBlock(vstring_view name, int flags, const double base[3]) {
  if (!batch_) return refused("BlkmakeHead_binW without Header_bin");
  if (batch_->openBlock) return refused("block " + utf8(batch_->openBlock->name) + " is still open");
  if (batch_->openComplex) return refused("a complex entity is not ended with SEQEND");
  if (name.empty()) return refused("a block needs a name");
  if (base && !(std::isfinite(base[0]) && std::isfinite(base[1]) && std::isfinite(base[2])))
    return refused("the base point of block " + utf8(name) + " is not finite (" + formatPoint(base) + ")");
  auto b = std::make_unique<PendingBlock>();
  b->name = vstring(name);
  b->flags = flags;
  if (base) std::copy(base, base + 3, b->base);
  batch_->openBlock = b.get();
  batch_->blocks.push_back(std::move(b));
  return vd::kRtNorm;
}

int Drawing::addBlockEntity(const ValueNode* chain) {
  if (!batch_ || !batch_->openBlock) return refused("BlkmakeEnt_binW outside a block definition");
  return addEntity(chain);
}

int Drawing::endBlock(vstring_view name) {
  if (!batch_ || !batch_->openBlock) return refused("BlkmakeEnd_binW without an open block");
  PendingBlock* b = batch_->openBlock;
  if (!vd::equalsNoCaseAscii(b->name, name))
    return refused("BlkmakeEnd_binW for " + utf8(name) + " while " + utf8(b->name) + " is open");
  batch_->openBlock = nullptr;
  std::string why = b->rejected;
  if (why.empty() && b->openComplex)
    why = utf8(b->openComplex->type()) + " " + utf8(b->openComplex->handle) + " is not ended with SEQEND";
  if (!why.empty()) {
    // A rejected definition ends here and defines nothing.
    std::erase_if(batch_->blocks, [&](const std::unique_ptr<PendingBlock>& x) { return x.get() == b; });
    return refused("block " + utf8(name) + " is not defined: " + why);
  }
  b->ended = true;
  batch_->ended.insert(foldedName(b->name));
  return vd::kRtNorm;
}

int Drawing::flush() {
  if (!batch_) return refused("Flush_bin without Header_bin");
  std::unique_ptr<Pending> batch = std::move(batch_);
  std::string dropped;
  // An unfinished complex entity is not made; neither is an unfinished block.
  if (batch->openComplex) {
    dropped = "complex entity " + utf8(batch->openComplex->type()) + " without SEQEND dropped";
    vstring main = batch->openComplex->handle;
    std::erase_if(batch->entities, [&](const std::unique_ptr<Entity>& e) { return e->handle == main || e->owner == main; });
  }
  for (auto& pb : batch->blocks) {
    if (!pb->ended) {
      dropped += (dropped.empty() ? "" : "; ") + std::string("block ") + utf8(pb->name) + " without end dropped";
      continue;
    }
    auto b = std::make_unique<Block>();
    b->name = pb->name;
    b->flags = pb->flags;
    std::copy(pb->base, pb->base + 3, b->base);
    b->handle = newHandle();
    vd::ChainBuilder hb;
    hb.text(vd::gc::kType, vd::names::kBlock).text(vd::gc::kName, b->name).integer(vd::gc::kFlags, b->flags);
    hb.point(vd::gc::kPoint0, b->base[0], b->base[1], b->base[2]);
    b->header = hb.build();
    b->entities = std::move(pb->entities);
    JournalEntry j{JournalEntry::Kind::BlockDefined, b->handle, b->name, {}};
    // Redefining a block replaces it; chains of the old one stay readable until the drawing is cleared.
    auto same = blockPositions_.find(foldedName(b->name));
    if (same != blockPositions_.end()) {
      retiredBlocks_.push_back(std::move(blocks_[same->second]));
      blocks_[same->second] = std::move(b);
    } else {
      blockPositions_.emplace(foldedName(b->name), blocks_.size());
      blocks_.push_back(std::move(b));
    }
    record(j);
  }
  std::vector<vstring> made;
  for (auto& e : batch->entities) {
    if (e->owner.empty()) made.push_back(e->handle);
    record({JournalEntry::Kind::EntityAdded, e->handle, e->type(), {}});
    keep(std::move(e));
  }
  if (!made.empty()) lastMade_ = made;
  lastError_ = dropped;
  return vd::kRtNorm;
}

bool Drawing::changeEntity(vd::vstring_view handle, OwnedChain chain, FlatPoints flatPoints) {
  const vstring h = normalHandle(handle);
  for (auto& e : entities_) {
    if (e->erased || e->handle != h) continue;
    if (normalHandle(chain.view().handle()) != h) return false;
    retiredEntityChains_.push_back(std::move(e->chain));
    e->chain = PackedChain(chain.view());
    e->flatPoints = std::move(flatPoints);
    record({JournalEntry::Kind::EntityChanged, e->handle, e->type(), {}});
    return true;
  }
  return false;
}

const Block& Drawing::defineHostBlock(const vstring& name, std::vector<OwnedChain> members) {
  const double origin[3] = {0, 0, 0};
  Block& b = importBlock(name, 0, origin, newHandle());
  for (OwnedChain& m : members) importBlockEntity(b, std::move(m), newHandle(), FlatPoints());
  record({JournalEntry::Kind::BlockDefined, b.handle, b.name, {}});
  return b;
}

const Entity& Drawing::makeHostEntity(OwnedChain chain, bool temporary) {
  Entity& e = importEntity(std::move(chain), newHandle(), FlatPoints());
  e.hostTemporary = temporary;
  record({JournalEntry::Kind::EntityAdded, e.handle, e.type(), {}});
  return e;
}

const Entity* Drawing::lastEntity() const {
  for (auto it = entities_.rbegin(); it != entities_.rend(); ++it) {
    if (!(*it)->erased && (*it)->owner.empty()) return it->get();
  }
  return nullptr;
}

int Drawing::erase(const std::vector<vstring>& handles, std::vector<vstring>& missing) {
  int found = 0;
  for (const vstring& text : handles) {
    std::optional<size_t> at = positionOf(text);
    if (!at || !entities_[*at]->owner.empty()) {
      missing.push_back(text);
      continue;
    }
    ++found;
    Entity* main = entities_[*at].get();
    main->erased = true;
    record({JournalEntry::Kind::EntityErased, main->handle, main->type(), {}});
    for (size_t i = *at + 1; i < entities_.size() && entities_[i]->owner == main->handle; ++i) {
      Entity& e = *entities_[i];
      if (e.erased) continue;
      e.erased = true;
      record({JournalEntry::Kind::EntityErased, e.handle, e.type(), {}});
    }
  }
  return found;
}

// --- Loading -------------------------------------------------------------------

namespace {
PackedChain withEntityName(OwnedChain chain, const vstring& handle, uint64_t serial) {
  chain.remove(vd::gc::kEntityName);
  chain.setText(vd::gc::kHandle, handle);
  const uint64_t name[2] = {serial, 0x5644484F5354ull};
  vd::ChainBuilder b;
  b.entityName(vd::gc::kEntityName, name).splice(std::move(chain));
  OwnedChain built = b.build();
  return PackedChain(built);
}
}  // namespace

Entity& Drawing::importEntity(OwnedChain chain, const vstring& handle, const FlatPoints& flatPoints) {
  auto e = std::make_unique<Entity>();
  e->handle = handle;
  e->chain = withEntityName(std::move(chain), handle, nextEntityName_++);
  e->flatPoints = flatPoints;
  e->flatPoints.shift(1);  // the entity name went in front
  vstring type = e->type();
  if (isFollowerType(type) && importOpen_ && takesFollower(importOpen_->view(), type)) {
    e->owner = importOpen_->handle;
    if (vd::equalsNoCaseAscii(type, u"SEQEND")) importOpen_ = nullptr;
  } else if (opensComplex(e->view())) {
    importOpen_ = e.get();
  }
  keep(std::move(e));
  return *entities_.back();
}

Block& Drawing::importBlock(const vstring& name, int flags, const double base[3], const vstring& handle) {
  auto b = std::make_unique<Block>();
  b->name = name;
  b->flags = flags;
  std::copy(base, base + 3, b->base);
  b->handle = handle;
  vd::ChainBuilder hb;
  hb.text(vd::gc::kType, vd::names::kBlock).text(vd::gc::kName, name).integer(vd::gc::kFlags, flags);
  hb.point(vd::gc::kPoint0, base[0], base[1], base[2]);
  b->header = hb.build();
  blockPositions_.emplace(foldedName(name), blocks_.size());
  blocks_.push_back(std::move(b));
  return *blocks_.back();
}

Entity& Drawing::importBlockEntity(Block& block, OwnedChain chain, const vstring& handle, const FlatPoints& flatPoints) {
  auto e = std::make_unique<Entity>();
  e->handle = handle;
  e->chain = withEntityName(std::move(chain), handle, nextEntityName_++);
  e->flatPoints = flatPoints;
  e->flatPoints.shift(1);  // the entity name went in front
  block.entities.push_back(std::move(e));
  return *block.entities.back();
}

NamedDictionary& Drawing::importDictionary(const vstring& name, const vstring& handle) {
  auto d = std::make_unique<NamedDictionary>();
  d->name = name;
  d->handle = handle;
  dictionaries_.push_back(std::move(d));
  return *dictionaries_.back();
}

// --- Dictionaries ---------------------------------------------------------------

intptr_t Drawing::openDictionary(vstring_view name, bool create) {
  if (name.empty()) return 0;
  if (!findDictionary(name)) {
    if (!create) return 0;
    auto d = std::make_unique<NamedDictionary>();
    d->name = vstring(name);
    d->handle = newHandle();
    record({JournalEntry::Kind::DictionaryCreated, d->handle, d->name, {}});
    dictionaries_.push_back(std::move(d));
  }
  intptr_t id = nextOpenId_++;
  open_[id] = {vstring(name), 0};
  return id;
}

const ValueNode* Drawing::nextDictionaryEntry(intptr_t id, vstring& key, bool first) {
  auto it = open_.find(id);
  if (it == open_.end()) return nullptr;
  const NamedDictionary* d = findDictionary(it->second.first);
  if (!d) return nullptr;
  size_t& pos = it->second.second;
  if (first) pos = 0;
  if (pos >= d->entries.size()) return nullptr;
  const DictionaryEntry& e = d->entries[pos++];
  key = e.key;
  return e.chain.get();
}

bool Drawing::writeDictionaryEntry(intptr_t id, vstring_view key, const ValueNode* chain) {
  auto it = open_.find(id);
  if (it == open_.end()) return refuse("the dictionary is not open");
  if (key.empty()) return refuse("a dictionary entry needs a key");
  auto* d = const_cast<NamedDictionary*>(findDictionary(it->second.first));
  if (!d) return refuse("the dictionary is gone");
  auto entry = std::find_if(d->entries.begin(), d->entries.end(),
                            [&](const DictionaryEntry& e) { return vd::equalsNoCaseAscii(e.key, key); });
  if (!chain) {
    if (entry == d->entries.end()) return true;
    record({JournalEntry::Kind::DictionaryRemoved, entry->handle, d->name, entry->key});
    retired_.push_back(std::move(entry->chain));
    d->entries.erase(entry);
    return true;
  }
  OwnedChain copy(vd::copyValueChain(chain, false));
  if (vd::chainLength(copy.get()) != vd::chainLength(chain))
    return refuse("the entry holds a group code without value kind");
  if (std::optional<std::string> bad = nonFiniteGroup(copy)) return refuse(*bad);
  if (entry == d->entries.end()) {
    DictionaryEntry e;
    e.key = vstring(key);
    e.handle = newHandle();
    d->entries.push_back(std::move(e));
    entry = d->entries.end() - 1;
  } else {
    // Chains handed out before stay readable until the drawing is cleared.
    retired_.push_back(std::move(entry->chain));
  }
  entry->chain = std::move(copy);
  entry->flatPoints.clear();
  record({JournalEntry::Kind::DictionaryWritten, entry->handle, d->name, entry->key});
  return true;
}

bool Drawing::closeDictionary(intptr_t id) { return open_.erase(id) == 1; }

// --- Selection ------------------------------------------------------------------

void Drawing::setSelection(std::vector<vstring> handles) {
  selection_ = std::move(handles);
  selectionCursor_ = 0;
  followerCursor_ = 0;
}

const ValueNode* Drawing::nextSelected(bool first) {
  if (first) {
    selectionCursor_ = 0;
    followerCursor_ = 0;
  }
  // The followers of the entity handed out last come next, in order.
  while (followerCursor_ > 0 && followerCursor_ < entities_.size() &&
         entities_[followerCursor_]->owner == followedHandle_) {
    const Entity& f = *entities_[followerCursor_++];
    if (!f.erased) return f.chain.get();
  }
  followerCursor_ = 0;
  while (selectionCursor_ < selection_.size()) {
    std::optional<size_t> at = positionOf(selection_[selectionCursor_++]);
    if (!at || !entities_[*at]->owner.empty()) continue;
    followerCursor_ = *at + 1;
    followedHandle_ = entities_[*at]->handle;
    return entities_[*at]->chain.get();
  }
  return nullptr;
}

namespace {

// A value an entity has when its chain does not say otherwise.
std::optional<vstring> defaultText(int code) {
  if (code == vd::gc::kLayer) return vstring(u"0");
  if (code == vd::gc::kLineType) return vstring(u"BYLAYER");
  return std::nullopt;
}
std::optional<int64_t> defaultInteger(int code) {
  if (code == vd::gc::kColor) return 256;
  if (code == vd::gc::kPaperSpace) return 0;
  return std::nullopt;
}

bool sameValue(ChainItem want, ChainItem have) {
  if (auto t = want.text()) return have.text() && vd::equalsNoCaseAscii(*t, *have.text());
  if (auto r = want.real()) return have.real() && std::fabs(*r - *have.real()) <= 1e-9;
  if (auto i = want.integer()) return have.integer() && *i == *have.integer();
  if (auto p = want.point()) {
    auto q = have.point();
    return q && std::fabs(p->x - q->x) <= 1e-9 && std::fabs(p->y - q->y) <= 1e-9 && std::fabs(p->z - q->z) <= 1e-9;
  }
  return false;
}

bool typeInList(vstring_view list, vstring_view type) {
  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(u',', start);
    vstring_view part = list.substr(start, comma == vstring_view::npos ? vstring_view::npos : comma - start);
    while (!part.empty() && part.front() == u' ') part.remove_prefix(1);
    while (!part.empty() && part.back() == u' ') part.remove_suffix(1);
    if (vd::equalsNoCaseAscii(part, type)) return true;
    if (comma == vstring_view::npos) break;
    start = comma + 1;
  }
  return false;
}

bool matches(ChainView entity, ChainView filter) {
  bool inExtendedData = false;
  for (ChainItem want : filter) {
    int code = want.code();
    if (code == vd::gc::kExtendedData) {
      if (!entity.has(vd::gc::kExtendedData)) return false;
      inExtendedData = true;
      continue;
    }
    if (inExtendedData && code == vd::gc::kXdApp) {
      if (!entity.extendedData(want.text().value_or(vstring_view()))) return false;
      continue;
    }
    if (code == vd::gc::kType) {
      if (!typeInList(want.text().value_or(vstring_view()), entity.type())) return false;
      continue;
    }
    bool found = false, present = false;
    for (ChainItem have : entity) {
      if (have.code() != code) continue;
      present = true;
      if (sameValue(want, have)) {
        found = true;
        break;
      }
    }
    if (!present) {
      if (auto t = defaultText(code); t && want.text()) found = vd::equalsNoCaseAscii(*t, *want.text());
      if (auto i = defaultInteger(code); i && want.integer()) found = *i == *want.integer();
    }
    if (!found) return false;
  }
  return true;
}

}  // namespace

std::vector<vstring> Drawing::filter(const std::vector<const Entity*>& from, const ValueNode* filterChain) const {
  std::vector<vstring> out;
  for (const Entity* e : from) {
    if (!filterChain || matches(e->view(), ChainView(filterChain))) out.push_back(e->handle);
  }
  return out;
}

}  // namespace hostsim
