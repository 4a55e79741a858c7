// The bases of the height dimensions: the levels section-view marks measure
// from, kept in the drawing's dictionary "TR2D_HEIGHTDIM" (one XRECORD per
// base, keyed by its identifier, and "Current" naming the base new marks
// use), and the marks of the drawing that depend on each.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "heightdim/records.h"
#include "heightdim/settings.h"
#include "host/chain.h"

namespace vd {

inline constexpr const vchar* kHNoteDictionary = u"TR2D_HEIGHTDIM";
inline constexpr const vchar* kHNoteCurrentKey = u"Current";
// The record format written as the first item (91) of every entry.
inline constexpr int32_t kHNoteEntryFormat = 1;

// One height dimension found in the drawing.
struct HNoteNode {
  HNoteRef ref;               // type, base kind, identifiers, number options, rotation
  HNotePoint insertPoint;     // of the block reference (group 10)
  double angle = 0;           // the reference's rotation (group 50)
  vstring handle;
  uint64_t entity[2] = {0, 0};  // the host's entity name
  vstring valueText;          // the first attribute's text
  vstring valueText2;         // the second attribute's text
  // The separator its values are written with: the one its look stores, else
  // the one its first value text shows; nothing when neither tells.
  std::optional<vstring> delim;
  double level1 = 0;          // the value texts read as numbers, times the drawing units
  double level2 = 0;
  // Its rotation is the current UCS rotation and its first value text is
  // what its base gives it now, written in its own format.
  bool upToDate = false;
};

// One base, as its dictionary entry keeps it, and the marks measured from it.
struct HNoteBase {
  int32_t type = 0;
  int32_t baseKind = 0;       // bit 0: two levels
  vstring id;
  vstring baseId;
  double level1 = 0;          // drawing units (metres times the host's GetUnits)
  double level2 = 0;          // used only with baseKind bit 0
  HNotePoint point;
  double angle = 0;
  std::vector<HNoteNode> dimensions;
};

// The value in metres that a mark at `point` shows when it measures from a
// base point at `level` (drawing units): the offset from the base point,
// turned back by `rotation`, is added to the level along the mark's
// direction class (Y when near horizontal, minus X when near vertical), and
// the sum divided by `units`. 0 for a type without a class (plan view).
double hnoteMarkValue(double level, HNotePoint basePoint, HNotePoint point, int type, double angle, double rotation,
                      double units);

// A value text read as a number: the sign prefixes "+" and "±" and the
// decimal separator (`separator`, "." and ",") are taken; with an empty
// separator and neither "." nor ",", the last three digits are the
// decimals. 0 when the text holds no number.
double hnoteTextValue(vstring_view text, vstring_view separator = u".");

// A node of a block reference that carries a section-view mark's descriptor
// (false for any other entity): the descriptor, insertion point, rotation,
// handle, entity name and the separator its look stores. Its value texts
// follow with setHNoteNodeTexts.
bool readHNoteNode(ChainView reference, HNoteNode& out);
// The value texts of the reference's first two attributes; the separator the
// first one shows when the look stores none.
void setHNoteNodeTexts(HNoteNode& node, vstring text1, vstring text2);

// The levels a mark shows: its value texts read as numbers with its own
// separator (that of its type in `settings` when it tells none), times
// `units`.
void readHNoteLevels(HNoteNode& node, const HNoteDataSet& settings, double units);
// A mark of a type the bases take; the walks of the bases skip any other.
inline bool hnoteMarkTyped(const HNoteRef& ref) { return ref.type >= 0 && ref.type < kHNoteTypeCount; }
// A base's own mark: of such a type, without a base identifier, with an
// identifier of its own (the base's).
inline bool isHNoteOwnMark(const HNoteRef& ref) {
  return hnoteMarkTyped(ref) && ref.baseId.empty() && !ref.id.empty();
}

// A base made of a mark: its type, base kind, identifier, insertion point,
// rotation and the levels it shows (read first).
HNoteBase hnoteBaseOf(const HNoteNode& node);

// The chains of the dictionary entries: a base, and "Current" naming one.
OwnedChain hnoteBaseEntry(const HNoteBase& base);
OwnedChain hnoteCurrentEntry(vstring_view id);
// A base from its entry: items from the first 91 must be 71 type, 71 kind,
// 10 point, 41 angle, 41 first level, 41 second level; nothing otherwise.
std::optional<HNoteBase> readHNoteBaseEntry(ChainView entry, vstring_view key);

// What Load found besides the list.
struct HNoteLoadReport {
  bool dictionary = false;    // the dictionary exists
  int entriesSkipped = 0;     // entries whose items are out of order
  int basesFromMarks = 0;     // marks that are their own base, stored anew
  int purged = 0;             // entries removed as unused
  bool currentMoved = false;  // "Current" was rewritten by the purge
};

// The bases of the drawing, looked up by identifier through a hash index.
class HNoteBases {
 public:
  // Reads the dictionary (a second walk of it must go as far) and then, when
  // it names a current base, the marks of the drawing (SSGetW mode 15,
  // EntnextW): each mark joins the base its base identifier names, or the
  // base of its own identifier; a mark that is its own base and has no entry
  // becomes one and is stored, unless the dictionary's walk may have missed
  // entries. Marks are up to date against the UCS rotation and the
  // separators of `settings`. A second walk confirms that the first went
  // through every entity; bases that no mark uses any longer by both walks
  // are then purged. False when a current base is named but the drawing gave
  // no marks to walk (the host made no selection: it failed, or the drawing
  // is empty); the list then holds the dictionary's bases without marks, and
  // nothing is purged.
  bool load(const HNoteDataSet& settings, HNoteLoadReport* report = nullptr);

  // The list and the current base are what a load would read now, as long as
  // the drawing changed only through this object and by marks measured from
  // its bases: the last load read every entry of the dictionary (no host
  // failure cut its walk short) and walked the marks, each mark that is its
  // own base has its entry, nothing unused was left behind, and no write was
  // refused since. A command that places marks one after another keeps the
  // list for its next pass then instead of reading the drawing again.
  bool whole() const { return whole_; }
  // The last load's walk of the dictionary may have missed entries (the
  // host failed to hand one out): a base that it knows only from its own
  // marks may still have an entry, which a base made of a mark would
  // overwrite with the rounded levels the mark shows.
  bool entriesMissed() const { return entriesMissed_; }
  // Forgets the marks found for each base; the bases stay. A list kept from
  // one pass to the next holds none: marks placed since are not in it.
  void forgetMarks();

  // Writes a base's entry under its identifier, making the dictionary when
  // it is missing, and puts the base into the list (replacing one of the same
  // identifier). False when the host refused the entry.
  bool store(const HNoteBase& base);
  // Makes the base of that identifier current and writes "Current". False,
  // with nothing written, when the list has no such base or the host refused.
  bool setCurrent(vstring_view id);

  // True when the base of that identifier is in the list and the drawing
  // holds its entry: false for one the last load knows only from its own
  // mark because the host refused to store it.
  bool hasEntry(vstring_view id) const;

  // The base of an identifier (exact comparison); null when there is none.
  HNoteBase* find(vstring_view id);
  const HNoteBase* find(vstring_view id) const;
  HNoteBase* current() { return find(currentId_); }
  const vstring& currentId() const { return currentId_; }
  const std::vector<HNoteBase>& list() const { return bases_; }
  void clear();
  // The marks of `base` in the drawing, with their up-to-date flags, by a
  // walk of its own: a load without a current base walks no marks. Nothing
  // when the walk did not go through the whole drawing (a second walk must
  // go as far).
  std::optional<std::vector<HNoteNode>> walkMarksOf(const HNoteBase& base, const HNoteDataSet& settings) const;

 private:
  HNoteBase& put(HNoteBase base);
  void markUpToDate(HNoteNode& node, const HNoteBase& base, const HNoteDataSet& settings) const;
  // Removes the entries of the bases no mark uses; `used` and `usedAgain`
  // hold the identifiers the marks use by the load's walk and by the second
  // walk that confirmed it. True when every unused entry is gone.
  bool purge(const std::unordered_set<vstring>& used, const std::unordered_set<vstring>& usedAgain,
             HNoteLoadReport& report);

  std::vector<HNoteBase> bases_;
  std::unordered_map<vstring, size_t> index_;
  std::unordered_set<vstring> withoutEntry_;  // bases in the list whose entry the host refused
  vstring currentId_;
  bool whole_ = false;
  bool entriesMissed_ = false;
};

// Walks the marks of the drawing (SSGetW mode 15, EntnextW) and calls `visit`
// for each block reference that carries the descriptor of a section-view mark,
// with its value texts from its attributes (levels not yet read). False when
// the host gave no selection, or when the walk stopped short: asked once more
// after its null, the host handed out an entity. `entities`, when given,
// takes how many entities the walk went through.
bool walkHNoteMarks(const std::function<void(HNoteNode&)>& visit, size_t* entities = nullptr);

}  // namespace vd
