// What a height dimension leaves in the drawing: its identifier and block
// name, the three groups of extended data on its block reference, and the
// tags on its member entities and leader lines.
#pragma once
#include <cstdint>
#include <optional>

#include "heightdim/settings.h"
#include "host/chain.h"
#include "host/text.h"

namespace vd {

// Every block of a height dimension is named with this prefix and its identifier.
inline constexpr vstring_view kHNoteBlockPrefix = u"VD2D_HEIGHTDIM_";
static_assert(kHNoteBlockPrefix.size() == 15, "the block-name test compares 15 characters");

// Application names of the extended data.
inline constexpr const vchar* kAppHNoteData = u"VDHNOTEDATA";   // type and number options
inline constexpr const vchar* kAppAssocDesc = u"VD_ASSOCDESC1"; // the dimension's identifier
inline constexpr const vchar* kAppHeightDim = u"VDHEIGHTDIM";   // base identifier and kind
inline constexpr const vchar* kAppElement = u"VD_LT_ELEM6";     // member tag
inline constexpr const vchar* kAppLeaderFree = u"VD_LT_ELEM";   // leader line without an owner
inline constexpr const vchar* kAppHNoteStyle = u"VDHNOTESTYLE"; // the look its entities do not show
inline constexpr const vchar* kMemberTagText = u"100";
inline constexpr const vchar* kLeaderFreeText = u"DIM_DUCK";

// An identifier is a GUID written 8-4-4-4-12 in upper-case hexadecimal.
constexpr size_t kHNoteIdChars = 36;

// Sixteen bytes from the system's GUID generator (a random version-4 GUID
// where there is none); false when the generator failed.
struct HNoteGuid {
  uint32_t data1 = 0;
  uint16_t data2 = 0;
  uint16_t data3 = 0;
  uint8_t data4[8] = {};
};
bool newGuid(HNoteGuid& out);
// The 36-character text of a GUID: 8 hex digits, 4, 4, then the last eight
// bytes with one "-" after the second.
vstring guidText(const HNoteGuid& guid);
// A new identifier; empty when the generator failed.
vstring newHNoteId();

// "VD2D_HEIGHTDIM_" followed by the identifier.
vstring hnoteBlockName(vstring_view id);
// True when the name begins with the 15 characters of the prefix.
bool isHNoteBlockName(vstring_view name);

// Gives a record without an identifier a new one, and names its block after
// the identifier (so a rebuilt dimension keeps its block). False when a new
// identifier was wanted and none could be made; the record is then unchanged.
bool assignHNoteId(HNoteData& record);

// The descriptor kept in the extended data of a dimension's block reference.
struct HNoteRef {
  int32_t type = 0;
  int32_t baseKind = 0;       // bit 0: two-level base
  double numAlign = 0.001;    // rounding step, metres
  int32_t positivePlus = 1;
  int32_t plusMinusZero = 1;
  int32_t roundingMark = 0;
  double rotation = 0;        // radians
  vstring id;                 // the dimension's identifier
  vstring baseId;             // the identifier of its base; empty for a base
  bool operator==(const HNoteRef&) const = default;
};

// The base a mark measures from: its base identifier, or, for a mark that is
// itself a base (no base identifier), its own identifier.
const vstring& hnoteBaseIdOf(const HNoteRef& ref);

// The descriptor of a record, as the builder writes it.
HNoteRef hnoteRefOf(const HNoteData& record);

// Adds the three groups to a chain being built: "VDHNOTEDATA" (type, and for
// types 0-2 the step, the three flags as 0/1 and the rotation),
// "VD_ASSOCDESC1" (identifier) and, for types 0-2, "VDHEIGHTDIM" (base
// identifier and kind). The -3 marker goes in front of the first group when
// the chain has none yet. A type outside 0..3 adds nothing and gives false.
bool addHNoteRef(ChainBuilder& chain, const HNoteRef& ref);
// The three groups on their own, beginning with the -3 marker; empty for a
// type outside 0..3.
OwnedChain hnoteRefChain(const HNoteRef& ref);

// Reads a descriptor from an entity chain.
//
// No "VDHNOTEDATA" gives false. With `probe` and no `out`, true as soon as it
// is there. Otherwise the type is read, and for types 0-2 the step, the three
// flags and the rotation, each only when the next item carries its code
// (1040, 1070, 1070, 1070, 1040); then the identifier from "VD_ASSOCDESC1"
// and the base identifier and kind (an optional 1070) from "VDHEIGHTDIM".
// The result is true when "VDHEIGHTDIM" was found, or, with `probe`, when
// "VD_ASSOCDESC1" was: a plan-view mark, which has no base, is found only
// by a probe. `out` receives what was read, the rest left at the defaults.
bool readHNoteRef(ChainView chain, HNoteRef* out, bool probe);

// Replaces the stored options of an existing reference: removes the three
// groups wherever they stand and appends them anew. False, with the chain as
// it was, for a type outside 0..3 or when memory runs out.
bool replaceHNoteRef(OwnedChain& entity, const HNoteRef& ref);
// Gives the reference a new identifier: only "VD_ASSOCDESC1" is replaced (in
// its place; appended when missing). False, with the chain as it was, when
// memory runs out.
bool reassociateHNote(OwnedChain& entity, vstring_view id);

// Copies a descriptor into a record: the defaults of its type first (with the
// caller's scale pair), then its type, base kind, identifiers, number options
// and rotation. A type outside 0..3 fails and leaves the record as it was.
bool applyHNoteRef(HNoteData& record, const HNoteRef& ref, std::optional<HNoteScale> scale = std::nullopt);

// The look of a mark that its entities do not show plainly: the geometry of
// its block (line lengths, boundary mark, text offsets, frame), its
// separator, underline, leader arrowhead, text position, frame end and side.
// A rebuild reads it back so that the mark keeps what the user chose when it
// was placed; layers, colours and the text's style and size it reads from
// the reference and the attributes themselves, where the user may have
// changed them since. The group "VDHNOTESTYLE" follows the three groups of
// the descriptor: 1070 the format (1), then one item per field, in the
// order of the table in records.cpp.
inline constexpr int kHNoteStyleFormat = 1;
// How many fields the group holds after its format item.
inline constexpr int kHNoteStyleFields = 17;
// Adds the group to a chain being built (the -3 marker first when the chain
// has none yet).
ChainBuilder& addHNoteStyle(ChainBuilder& chain, const HNoteData& record);
// Reads the group into the record, field by field while each item carries
// the code of its field; the fields after a missing or foreign item keep
// their values. The count of fields read: 0 without the group or with a
// format of another kind, kHNoteStyleFields when the group is whole.
int readHNoteStyle(ChainView entity, HNoteData& record);

// The element-tagged variant of a section-view mark keeps part of its look
// in one long "VDHNOTEDATA" group instead of the descriptor's: the type, the
// step and the three flags (0/1), then LVERTLEN, the absolute LHORZLEN,
// arrowIndex, HXLEN, HYLEN, DELIM and TEXTDISTX.
ChainBuilder& addHNoteElementData(ChainBuilder& chain, const HNoteData& record);
// Reads the fields after the flags back, while each item carries its code:
// the count of them read (0 when the group is not that long one).
int readHNoteElementLook(ChainView entity, HNoteData& record);

// The decimal separator a value text shows when it has the form the value
// formatting gives it: a "+", "±" or "-" in front or none, digits, the
// separator (any text, also none), and three decimals at the end. Nothing
// for any other text.
std::optional<vstring> hnoteShownSeparator(vstring_view text);
// The separator stored in a mark's look; nothing when it has none.
std::optional<vstring> hnoteStoredSeparator(ChainView reference);

// Tag of an entity inside a mark's block in the element-tagged variant:
// "VD_LT_ELEM6" with 1000 "100" and 1011 the element position.
ChainBuilder& addMemberTag(ChainBuilder& chain, ChainPoint position);
// Tag of a leader line: "VD_ASSOCDESC1" with the owning dimension's
// identifier; without an owner "VD_LT_ELEM" with "DIM_DUCK".
ChainBuilder& addLeaderTag(ChainBuilder& chain, vstring_view ownerId);

}  // namespace vd
