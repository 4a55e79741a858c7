// Rebuilding height dimensions that are already in the drawing: the block
// references of a selection are read back into records (current marks from
// their stored descriptor, the older blocks from the defaults of their type),
// changed as the command asks, built anew into one batch, and the old
// entities erased after it.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_set>
#include <vector>

#include "heightdim/bases.h"
#include "heightdim/builder.h"
#include "heightdim/mark_look.h"
#include "heightdim/settings.h"
#include "host/chain.h"
#include "host/handle_erase_list.h"

namespace vd {

// What a regeneration does besides reading a mark back.
enum HNoteRegenOption : int32_t {
  kRegenValues = 0x01,     // new value texts from the mark's base
  kRegenSettings = 0x02,   // the current settings of the type replace the style fields
  kRegenMove = 0x04,       // move the marks: the first one to the chosen place, the rest alike
  kRegenOntoLine = 0x08,   // ... projected onto the leader line first
  kRegenUnderline = 0x10,  // an underline along the leader line
  kRegenMirror = 0x20,     // mirror ČSN marks about their vertical axis
  kRegenNewLevels = 0x40,  // the base `levelsOf` takes `level1` and `level2`
};

// The regeneration context of one command.
class HNoteRegen {
 public:
  int32_t options = kRegenValues;
  HNoteDataSet settings;
  HNoteBases bases;
  // The leader line (first and second point) and the place chosen on it, in the UCS.
  HNotePoint leaderFirst, leaderSecond, place;
  // The new levels of the base `levelsOf` (with kRegenNewLevels), drawing units.
  vstring levelsOf;
  double level1 = 0;
  double level2 = 0;
  // The handles of the entities rebuilt, erased after the batch was written.
  HandleEraseList eraseList;

  // A base that is not in `bases` yet (one a command is making), looked up
  // before them.
  std::optional<HNoteBase> newBase;

  // Reads `bases` with `settings`. False when the read may have missed
  // entries of the dictionary: it would take a base whose entry it missed
  // from its own mark, which shows the levels rounded, or take its
  // identifier for a free one, so nothing is to be rebuilt or written from it.
  bool loadBases();
  // Copies the block references of the host's current selection (each with
  // the attributes that follow it in the walk); with `only`, those whose
  // handles it holds. A plan-view mark takes the leader tied to it (its 340
  // names the mark; an untied leader whose tag names the mark's identifier
  // counts too) and a section-view mark the LINEs tagged with its identifier
  // (its underlines), from the selection, or when the selection lacks them and
  // `wholeDrawing` does not say the selection is every entity, from a walk
  // of the whole drawing. False, with nothing collected, when a walk
  // stopped short: a mark rebuilt without the leader or underline that the
  // rest of the walk held would leave them behind, naming an erased mark.
  bool collect(const std::unordered_set<vstring>* only = nullptr, bool wholeDrawing = false);
  // Changes the stored descriptor of a collected current mark before it is
  // rebuilt. False when no collected mark has that handle or the change
  // could not be written into the copy.
  bool changeRef(vstring_view handle, const std::function<void(HNoteRef&)>& change);
  // Base marks that share an identifier, as after a base was copied in the
  // drawing: the first of them in drawing order (the one copied from) keeps
  // it; each other one gets a new identifier and becomes a dependant of the
  // kept one, in the collected copy, so that the run rebuilds it as such.
  // Returns how many were given new identifiers, or -1 when no identifier
  // could be made (nothing is then changed).
  int repairSharedIds();
  // Collected references still to regenerate.
  size_t remaining() const { return items_.size() - next_; }
  // Regenerates the next reference into the open batch: true when it was a
  // height dimension and was built, false when it was skipped or the builder
  // or host refused it (`failed` then set).
  bool step(bool& failed);
  // The whole run: one batch with every collected reference rebuilt (a
  // plan-view mark's leader after it), the new leaders tied to their new
  // marks, then one erase of the old entities. On a failure the batch is
  // dropped and nothing is erased, so the drawing stays as it was. A tie the
  // host refuses leaves that leader untied in the drawing, as HeightDim
  // does. The count of rebuilt marks, or -1 on a failure.
  int run();

 private:
  // A current mark met in a walk: its identifier, its point and the index
  // of its collected item (kNotCollected for a mark not collected).
  static constexpr size_t kNotCollected = static_cast<size_t>(-1);
  struct SeenMark {
    vstring id;
    HNotePoint at;
    size_t item;
  };
  static SeenMark seenMark(const ChainView& v, size_t item);

  void attachLeaders(std::vector<OwnedChain>& leaders);
  // Gives each of `lines` (LINEs tagged with a mark's identifier) to the mark
  // of its identifier among `seen` that it fits best: the mark on the line
  // through it, and of those the nearest. A line that fits a mark not
  // collected best stays where it is.
  void attachUnderlines(std::vector<OwnedChain>& lines, const std::vector<SeenMark>& seen);
  void tieLeaders();

  std::vector<HNoteRegenItem> items_;
  size_t next_ = 0;
  // The block names of the rebuilt marks whose leader was rebuilt with them.
  std::unordered_set<vstring> leaderBlocks_;
  // With a move: how far the first mark moved, which every other one moves too.
  std::optional<GcGeVector2d> moveBy_;
  // The host's answers the builder needs, read at the first mark of a run.
  std::optional<HNoteHostTexts> hostTexts_;
};

// HeightDimUpdate: every mark of the drawing rebuilt from its stored data and
// its base (after the repair of shared identifiers), the settings read from
// `settingsPath`. Writes "%d objektů bylo změněno." with the count. The count,
// or -1 when the host refused the rebuild (the drawing then stays as it was).
int updateHeightDims(const vstring& settingsPath);

// HeightDimSetBase: new levels for a picked base, its up-to-date marks
// rebuilt; or, after Enter, a picked mark made a base and the selected marks
// moved onto it. The count of marks rebuilt; 0 when the command ended
// without a change, -1 when the host refused the rebuild.
int setHeightDimBase(const vstring& settingsPath);

// The line that says how many marks a command rebuilt.
void reportHeightDimsChanged(int count);

}  // namespace vd
