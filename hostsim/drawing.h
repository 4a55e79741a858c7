// The headless host's drawing: entities as value chains with handles, block
// definitions, the named-object dictionary with named dictionaries of
// XRECORDs, the write batch, selection sets and the journal of changes.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "host/chain.h"
#include "hostsim/packed_chain.h"

namespace hostsim {

using vd::vchar;
using vd::vstring;

// Result of an operation the host refuses: what a real host answers on error.
constexpr int kRtError = -5001;

// Characters DictionaryNextW writes at most into the module's key buffer, with the terminator.
constexpr int kDictionaryKeyChars = 256;

// Handles at or above this one that a file uses are not kept (the object gets
// a new handle): what lies above is the room for the handles the host makes,
// more than a drawing in memory can use, so the counter never wraps.
constexpr uint64_t kHandleCeiling = 0xFFFFFFFF00000000ull;

// Sorted positions of the point nodes of a chain that were read without z
// (and are written back without it).
class FlatPoints {
 public:
  void add(int position);
  bool has(int position) const;
  // Moves every position by `by` (nodes put in front of the chain).
  void shift(int by);
  // Moves the positions from `position` on by one (a node put in there).
  void insertAt(int position);
  void clear() { positions_.clear(); }
  bool empty() const { return positions_.empty(); }

 private:
  std::vector<int> positions_;
};

// One entity of the drawing (model or paper space, or inside a block). Its
// chain begins with -1 (entity name), 0 (type) and 5 (handle) and is owned by
// the host; EntnextW and BlknextW hand it out as it is.
struct Entity {
  vstring handle;
  PackedChain chain;
  vstring owner;              // main entity of an ATTRIB, VERTEX or SEQEND; empty otherwise
  FlatPoints flatPoints;
  bool erased = false;
  // Made by the host's own interaction to show the user something (the
  // arc entry's dimension and limit points), not the drawing's data: the
  // host removes it again, in a later command when a failure left it.
  bool hostTemporary = false;
  vd::ChainView view() const { return chain.view(); }
  vstring type() const;
};

struct Block {
  vstring name;
  int flags = 0;
  double base[3] = {0, 0, 0};
  vstring handle;             // of its BLOCK_RECORD
  vstring beginHandle, endHandle;  // of its BLOCK and ENDBLK in a file it was read from; empty: new
  vd::OwnedChain header;      // 0 BLOCK, 2 name, 70 flags, 10 base point: what BlknextW hands out first
  std::vector<std::unique_ptr<Entity>> entities;
};

struct DictionaryEntry {
  vstring key;
  vstring handle;             // of the XRECORD
  vd::OwnedChain chain;       // the record's data as the module gave it
  FlatPoints flatPoints;
};

struct NamedDictionary {
  vstring name;
  vstring handle;
  std::vector<DictionaryEntry> entries;
};

// A record of a symbol table read from a file (LAYER, LTYPE, STYLE, DIMSTYLE,
// APPID), kept so that a saved drawing carries it again.
struct TableRecord {
  vstring table;
  vd::OwnedChain chain;
  vstring handle;             // the file's, kept when saved
};

// A header variable of a file the host writes again: its groups (a point is one node).
struct HeaderEntry {
  std::string name;           // "$INSUNITS"
  vd::OwnedChain value;
  FlatPoints flatPoints;
  // It names an object by handle ($CMATERIAL): written only while the saved
  // file holds that object.
  bool reference = false;
};

// What a file held that the host does not model, kept to be written back as
// it was read: groups in their order, each value as the file's text (a
// string decoded from the file's code page), handles and the handles they
// point to as they were.
struct KeptGroup {
  int code = 0;
  vstring value;
};
using KeptRecord = std::vector<KeptGroup>;  // its group 0 (the type) first

// The block of a layout other than the current one (*Paper_Space0, ...):
// its frame and entities, which no command is offered.
struct KeptLayoutBlock {
  vstring name;
  vstring record;         // its BLOCK_RECORD's handle, claimed by the reader; empty: the writer gives one
  KeptRecord begin, end;  // BLOCK and ENDBLK
  std::vector<KeptRecord> entities;
};

// An entry of the named-object dictionary as the file gave it.
struct KeptRootEntry {
  vstring key;
  int code = 350;  // 350 (soft owner) or 360 (hard owner)
  vstring handle;
};

struct KeptData {
  std::vector<KeptRecord> classes;
  // Records of the tables the host does not model (VPORT, VIEW, UCS), by
  // upper-case table name.
  std::map<vstring, std::vector<KeptRecord>> tableRecords;
  // The BLOCK_RECORD, BLOCK and ENDBLK a block had in the file (its layout
  // link, preview, description), by upper-case block name.
  std::map<vstring, KeptRecord> blockRecords;
  std::map<vstring, std::pair<KeptRecord, KeptRecord>> blockFrames;
  std::vector<KeptLayoutBlock> layouts;
  // The 102 groups of an entity (reactors, its extension dictionary), by handle.
  std::unordered_map<vstring, std::vector<KeptGroup>> entityControl;
  // The named-object dictionary's entries in the file's order, and the
  // objects the host does not model (all but its named dictionaries of
  // XRECORDs), in the file's order.
  std::vector<KeptRootEntry> rootEntries;
  std::vector<KeptRecord> objects;
  // Sections the host does not read (THUMBNAILIMAGE, ACDSDATA): each its
  // SECTION record, then its records.
  std::vector<std::vector<KeptRecord>> sections;
};

// The value of a group of a kept record; null when it has none.
const vstring* keptValue(const KeptRecord& record, int code);

// Handles a file gave to the parts of its structure the host writes again
// (table heads, the model and paper space records and blocks, the
// named-object dictionary and its group dictionary),
// so that saving a loaded drawing names them as the file did. Empty: the
// writer makes one.
struct StructureHandles {
  std::map<vstring, vstring> tables;  // TABLE handle by table name (upper case)
  vstring modelRecord, modelBegin, modelEnd;
  vstring paperRecord, paperBegin, paperEnd;
  vstring rootDictionary, groupDictionary;
};

struct JournalEntry {
  enum class Kind {
    EntityAdded,
    EntityErased,
    EntityChanged,  // the same entity, handle and all, with other data (moved, tied to another)
    BlockDefined,
    BlockRemoved,   // an unused block definition purged
    DictionaryCreated,
    DictionaryWritten,
    DictionaryRemoved
  };
  Kind kind;
  vstring handle;  // entity or XRECORD handle
  vstring name;    // entity type, block name or dictionary name
  vstring key;     // dictionary key
};
const char* journalKindName(JournalEntry::Kind kind);

class Drawing {
 public:
  Drawing();
  ~Drawing();
  Drawing(const Drawing&) = delete;
  Drawing& operator=(const Drawing&) = delete;

  // An empty drawing: no entities, blocks, dictionaries, batch, selection or journal.
  void clear();

  // Handles: upper-case hexadecimal, never reused, never at or above the
  // ceiling (a read would not keep them). They go up from above every handle
  // of the file; when the file leaves no room below the ceiling, its gaps are
  // taken from the bottom.
  vstring newHandle();
  uint64_t handleSeed() const { return nextHandle_; }
  // New handles start at `seed` or above (a seed above the ceiling counts as the ceiling).
  void reserveHandlesBelow(uint64_t seed);
  // A handle the file holds, in a record the drawing keeps or models: a gap
  // taken from the bottom passes over it.
  void noteFileHandle(uint64_t handle) { fileHandles_.insert(handle); }
  // The first handle from `cursor` on that neither the drawing nor the file
  // takes, below the ceiling; `cursor` moves past it. The gaps the drawing
  // and the writer fill once the counter stands at the ceiling.
  uint64_t firstGap(uint64_t& cursor) const;
  // Takes a handle read from a file; false when it is not hexadecimal, 0,
  // at or above the ceiling, or already used.
  bool claimHandle(vd::vstring_view handle);

  // --- Reading -------------------------------------------------------------
  // Top-level entities that are not erased, in drawing order.
  std::vector<const Entity*> entities() const;
  // Any live entity (also a follower) by handle, case-insensitive.
  const Entity* findEntity(vd::vstring_view handle) const;
  // The live followers of an entity (ATTRIBs, VERTEXes, SEQEND), in order.
  std::vector<const Entity*> followersOf(const Entity& main) const;
  const std::vector<std::unique_ptr<Entity>>& allEntities() const { return entities_; }
  const std::vector<std::unique_ptr<Block>>& blocks() const { return blocks_; }
  const Block* findBlock(vd::vstring_view name) const;
  const std::vector<std::unique_ptr<NamedDictionary>>& dictionaries() const { return dictionaries_; }
  const NamedDictionary* findDictionary(vd::vstring_view name) const;
  std::vector<TableRecord>& tableRecords() { return tableRecords_; }
  const std::vector<TableRecord>& tableRecords() const { return tableRecords_; }
  // Header variables of the file the drawing was read from, in file order.
  std::vector<HeaderEntry>& header() { return header_; }
  const std::vector<HeaderEntry>& header() const { return header_; }
  StructureHandles& structureHandles() { return structure_; }
  const StructureHandles& structureHandles() const { return structure_; }
  KeptData& kept() { return kept_; }
  const KeptData& kept() const { return kept_; }

  // BlknextW: a block's header, its entities, then null; the call after that
  // null gives the next block's header, or null after the last block.
  const vd::ValueNode* nextInBlockWalk(bool restart);

  // --- Writing -------------------------------------------------------------
  // Each call returns 5100 or kRtError, with the reason in lastError().
  int beginBatch();
  int addEntity(const vd::ValueNode* chain);
  int beginBlock(vd::vstring_view name, int flags, const double base[3]);
  int addBlockEntity(const vd::ValueNode* chain);
  int endBlock(vd::vstring_view name);
  int flush();
  bool batchOpen() const { return batch_ != nullptr; }
  // Changes a live entity in place, as the host's own operations do (a drag,
  // an association): `chain` is its whole new chain, -1, 0 and 5 as they
  // were. The old chain stays readable until the drawing is cleared. False
  // when there is no such entity or the chain names another.
  bool changeEntity(vd::vstring_view handle, vd::OwnedChain chain, FlatPoints flatPoints);
  // Defines a block the host makes itself (outside any batch): new handles
  // for it and its members, whose chains begin with 0 (type) and 5 (any
  // handle, replaced). The name must be new to the drawing.
  const Block& defineHostBlock(const vstring& name, std::vector<vd::OwnedChain> members);
  // Adds an entity the host makes itself (a command it runs), outside any
  // batch: a new handle, recorded in the journal. The chain begins with 0
  // (type); it is not checked. `temporary`: made to show the user something
  // during the host's own interaction, and removed by the host again.
  const Entity& makeHostEntity(vd::OwnedChain chain, bool temporary = false);
  // The live top-level entity made last (the host's "last" object); null in
  // an empty drawing.
  const Entity* lastEntity() const;
  // Removes the definition of a block that nothing of the drawing uses (no
  // live INSERT or DIMENSION names it, in a space or in another block), as a
  // CAD host's PURGE does. False, with the reason in lastError(), when there
  // is no such block or something uses it. Chains handed out of it stay
  // readable until the drawing is cleared.
  bool purgeBlock(vd::vstring_view name);
  // Erases top-level entities (with their followers); returns how many handles were found.
  int erase(const std::vector<vstring>& handles, std::vector<vstring>& missing);
  const std::string& lastError() const { return lastError_; }

  // Direct additions for loading a file: no batch, no check beyond the kinds.
  // The chain holds 0 (type) and 5 (handle) first; the entity name is put in
  // front, and `flatPoints` counts positions in the chain as given.
  Entity& importEntity(vd::OwnedChain chain, const vstring& handle, const FlatPoints& flatPoints);
  Block& importBlock(const vstring& name, int flags, const double base[3], const vstring& handle);
  Entity& importBlockEntity(Block& block, vd::OwnedChain chain, const vstring& handle, const FlatPoints& flatPoints);
  NamedDictionary& importDictionary(const vstring& name, const vstring& handle);

  // --- Dictionaries ----------------------------------------------------------
  // 0 when the dictionary is absent and not to be made.
  intptr_t openDictionary(vd::vstring_view name, bool create);
  const vd::ValueNode* nextDictionaryEntry(intptr_t id, vstring& key, bool first);
  // Stores a copy under the key, replacing; a null chain removes the key.
  bool writeDictionaryEntry(intptr_t id, vd::vstring_view key, const vd::ValueNode* chain);
  bool closeDictionary(intptr_t id);
  size_t openDictionaryCount() const { return open_.size(); }

  // --- Selection -------------------------------------------------------------
  // Sets the current selection to these handles (live top-level entities only).
  void setSelection(std::vector<vstring> handles);
  const std::vector<vstring>& selection() const { return selection_; }
  // The selection's entities in turn, each followed by its live followers
  // (the attributes and SEQEND of an INSERT, the vertices of a POLYLINE): a
  // set holds main entities only, and a reader of an INSERT needs its
  // attributes.
  const vd::ValueNode* nextSelected(bool first);
  // The top-level entities that match a filter chain (null matches all).
  std::vector<vstring> filter(const std::vector<const Entity*>& from, const vd::ValueNode* filterChain) const;
  // Entities made by the last flush (top-level, in order).
  const std::vector<vstring>& lastMade() const { return lastMade_; }

  // --- Journal ----------------------------------------------------------------
  const std::vector<JournalEntry>& journal() const { return journal_; }
  void clearJournal() { journal_.clear(); }
  // Called for every journal entry (the host writes it to its transcript).
  void (*onJournal)(const JournalEntry&) = nullptr;

 private:
  struct Pending;
  struct PendingBlock;
  bool refuse(const std::string& why);
  int refused(const std::string& why);
  bool checkEntity(const vd::ValueNode* chain, std::string& why) const;
  // Refuses an entity of the batch, and with it the complex entity or block
  // definition it was to be part of; the rest of the batch stays as it was.
  int rejectEntity(const std::string& why);
  // True when an INSERT may name the block: the drawing has it, or the batch defined it.
  bool blockAvailable(vd::vstring_view name) const;
  std::unique_ptr<Entity> makeEntity(const vd::ValueNode* chain);
  void record(JournalEntry entry);
  // Appends an entity to the drawing and indexes its handle.
  void keep(std::unique_ptr<Entity> e);
  // Position in entities_ of a live entity by handle (any case).
  std::optional<size_t> positionOf(vd::vstring_view handle) const;

  uint64_t nextHandle_ = 0x100;
  uint64_t lowHandle_ = 1;  // where the search for a gap goes on once nextHandle_ is at the ceiling
  uint64_t nextEntityName_ = 1;
  std::unordered_set<uint64_t> usedHandles_;
  std::unordered_set<uint64_t> fileHandles_;
  std::vector<std::unique_ptr<Entity>> entities_;  // followers right behind their entity
  std::unordered_map<vstring, size_t> positions_;  // handle -> position in entities_
  std::vector<std::unique_ptr<Block>> blocks_;
  std::unordered_map<vstring, size_t> blockPositions_;  // folded name -> position in blocks_
  std::vector<std::unique_ptr<NamedDictionary>> dictionaries_;
  std::vector<TableRecord> tableRecords_;
  std::vector<HeaderEntry> header_;
  StructureHandles structure_;
  KeptData kept_;
  std::unique_ptr<Pending> batch_;
  std::string lastError_;
  std::map<intptr_t, std::pair<vstring, size_t>> open_;  // id -> dictionary name, walk position
  intptr_t nextOpenId_ = 1;
  std::vector<vstring> selection_;
  size_t selectionCursor_ = 0;
  size_t followerCursor_ = 0;  // next possible follower of the entity handed out last; 0: none
  vstring followedHandle_;
  std::vector<vstring> lastMade_;
  size_t walkBlock_ = 0, walkEntity_ = 0;
  bool walkStarted_ = false;
  std::vector<JournalEntry> journal_;
  Entity* importOpen_ = nullptr;                       // complex entity a file is filling
  std::vector<vd::OwnedChain> retired_;                // replaced dictionary chains
  std::vector<PackedChain> retiredEntityChains_;       // chains of changed entities
  std::vector<std::unique_ptr<Block>> retiredBlocks_;  // redefined blocks
};

// The first group whose real or point is not finite (NaN or infinite), as a
// reason naming the group; nothing when every number is finite.
std::optional<std::string> nonFiniteGroup(vd::ChainView chain);

// ATTRIB, VERTEX and SEQEND: entities that belong to the INSERT or POLYLINE before them.
bool isFollowerType(vd::vstring_view type);
// True when an entity opens a sequence of followers that SEQEND closes (a
// POLYLINE, an INSERT with 66 = 1).
bool opensComplex(vd::ChainView entity);
// The follower types a complex entity takes.
bool takesFollower(vd::ChainView main, vd::vstring_view followerType);

// The entity types the host makes; others are refused by Entmake_binW (a file
// may still carry them).
bool isKnownEntityType(vd::vstring_view type);

// A name in upper case (ASCII letters), as block and table names compare.
vstring foldedName(vd::vstring_view name);

// Upper-case hexadecimal form of a handle text; empty when it is not hexadecimal.
vstring normalHandle(vd::vstring_view text);
// The value of a handle text; nothing when it is not hexadecimal.
std::optional<uint64_t> handleValue(vd::vstring_view text);
// Upper-case hexadecimal text of a handle value.
vstring handleText(uint64_t value);

}  // namespace hostsim
