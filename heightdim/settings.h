// The style settings of the four height-dimension types, one record per type,
// and how they are kept in hnoteData.ini (one section per type).
#pragma once
#include <array>
#include <cstdint>
#include <optional>

#include "host/text.h"
#include "store/profile_backend.h"

namespace vd {

// The type of a height dimension; also the index of its record and section.
enum class HNoteType : int32_t {
  Csn = 0,     // ČSN mark, section view
  DinOpen = 1, // DIN open mark, section view
  DinRough = 2,// DIN rough mark, section view
  Plan = 3,    // framed plan-view mark
};
constexpr int kHNoteTypeCount = 4;

// The INI section of a type; null outside 0..3.
const vchar* hnoteSection(int type);

struct HNotePoint {
  double x = 0;
  double y = 0;
  bool operator==(const HNotePoint&) const = default;
};

// The entity properties a mark is drawn with.
struct HNoteProps {
  int32_t color = 256;  // by layer
  int32_t lineweight = -1;
  vstring linetype = u"BYLAYER";
  double linetypeScale = 1.0;
  bool operator==(const HNoteProps&) const = default;
};

// The two factors a caller of the defaults may scale the mark's lengths by.
struct HNoteScale {
  double sx = 1.0;
  double sy = 1.0;
};

// One record. Lengths in mm are paper millimetres.
struct HNoteData {
  // Style fields; the INI key of each is given where it differs from the name.
  int32_t type = 0;                 // TYPE
  vstring layer;                    // LAYER: graphics
  vstring layerText;                // LAYERTXT: value text
  vstring textStyle;                // TEXTSTYLE
  int32_t colorText = 0;            // COLORTEXT
  int32_t colorDim = 0;             // COLORDIM (type 3: frame colour)
  double textHeight = 0;            // TEXTHEIGHT, mm
  double textWidth = 0;             // TEXTWIDTH, width factor
  bool backgroundMask = false;      // BACKGROUND_MASK
  bool backgroundMaskDwg = false;   // BACKGROUND_MASK_DWG: the drawing's background colour
  int32_t backgroundMaskColor = 0;  // BACKGROUND_MASK_COLOR
  vstring delim;                    // DELIM: decimal separator
  double numAlign = 0;              // NUM_ALIGN: rounding step, metres
  int32_t positivePlus = 0;         // POSITIVE_PLUS
  int32_t plusMinusZero = 0;        // PLUS_MINUS_ZERO
  int32_t roundingMark = 0;         // ROUNDING_MARK
  double lvertLen = 0;              // LVERTLEN, mm
  double lhorzLen = 0;              // LHORZLEN, mm
  int32_t arrowIndex = 0;           // ARROWNAME in type 0: boundary-mark index
  double hxLen = 0;                 // HXLEN, mm
  double hyLen = 0;                 // HYLEN, mm
  double textDistX = 0;             // TEXTDISTX, mm
  double textDistY = 0;             // TEXTDISTY, mm
  bool underlineDraw = false;       // UNDERLINE_DRAW
  double underlineLength = 0;       // UNDERLINE_LENGTH, mm
  double cxSize = 0;                // CXSIZE: minimum frame width, mm
  double cySize = 0;                // CYSIZE: minimum frame height, mm
  double hSize = 0;                 // HSIZE: boundary-mark size of type 3, mm
  vstring arrowName;                // ARROWNAME in type 3: glyph name
  int32_t insPt = -1;               // INSPT: text position of type 3; -1 not set

  // Instance fields: filled per dimension, never in the INI file.
  HNotePoint insertPoint;
  HNotePoint direction;
  double angle = 0;      // radians, relative to `rotation`
  bool flipped = false;  // the direction was turned by pi
  vstring valueText;
  vstring valueText2;    // only for a two-level base
  HNoteProps props;
  vstring blockName;
  vstring id;
  vstring baseId;
  int32_t baseKind = 0;  // bit 0: two-level base
  double rotation = 0;   // radians
  int32_t hnoteOptions = 0;
  HNotePoint leaderStart;
  HNotePoint leaderEnd;
  // The underline keeps the direction from `leaderStart` to `leaderEnd`
  // instead of the UCS X axis: an underline drawn earlier, rebuilt in
  // whatever UCS is current now.
  bool underlineAsGiven = false;
  bool rounded = false;

  bool operator==(const HNoteData&) const = default;
};

// Resets the instance fields and sets every style field to the default of
// `type`, lengths scaled by `scale` where the default is a scaled one. Outside
// 0..3 only the fields whose default is the same for every type are reset
// (the type stays) and the result is false.
bool hnoteDefaults(HNoteData& record, int type, std::optional<HNoteScale> scale = std::nullopt);

// Minus the angle of the world X direction seen in the current UCS: the
// rotation a mark needs to sit level in that UCS. 0 without a host.
double currentUcsRotation();

// The host's user data directory followed by "\Dat\hnoteData.ini".
vstring hnoteDataPath();

class HNoteDataSet {
 public:
  static constexpr size_t kMaxPathChars = 520;

  // Four records, slot i defaulted as type i; every slot present.
  HNoteDataSet();

  // Reads each section into its slot. A path that cannot be used (empty, or
  // too long for a buffer of kMaxPathChars with its terminator) leaves every
  // slot as it was and gives false.
  bool load(vstring_view path, ProfileBackend& backend = defaultProfileBackend());
  // Writes each present slot to its section, creating the file's folder when
  // it is missing. False when any value could not be written; what was
  // written stays.
  bool save(ProfileBackend& backend = defaultProfileBackend()) const;

  HNoteData& operator[](HNoteType type) { return records[static_cast<size_t>(type)]; }
  const HNoteData& operator[](HNoteType type) const { return records[static_cast<size_t>(type)]; }

  vstring path;
  double ucsRotation = 0;
  std::array<HNoteData, kHNoteTypeCount> records;
  std::array<bool, kHNoteTypeCount> present{};
};

}  // namespace vd
