// How drawing records look in a DXF R2000 file, as tables: which group codes
// belong to which subclass of an entity, what a symbol-table record holds and
// what it defaults to. The reader and the writer both follow these tables.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "host/text.h"

namespace hostsim::dxf {

struct Subclass {
  const char16_t* marker;
  std::vector<int> codes;  // group codes that belong to the subclass
};

struct EntityRecord {
  const char16_t* type;
  std::vector<int> required;        // codes the host needs before it makes the entity
  std::vector<Subclass> subclasses; // after AcDbEntity, in file order
  std::vector<int> flatPoints;      // point codes written with x and y only
  // Angles pass between file and chain unchanged: a hatch's boundary edges
  // and pattern lines are degrees in both, an MTEXT's rotation (50) radians
  // in both. Other entities hold radians in the chain and degrees in the file.
  bool anglesUnconverted = false;
};

// Codes of the AcDbEntity subclass shared by every entity.
const std::vector<int>& entityCommonCodes();

// The record of an entity type; DIMENSION depends on its type number (group 70
// & 15). Null for types the host does not describe (carried through as they are).
const EntityRecord* entityRecord(vd::vstring_view type, int dimensionType = 0);

// Angle groups of entities (50-58) are degrees in a file and radians in a
// chain. True when the group of an entity of the type is converted between
// the two: an angle code outside the types that keep degrees.
bool isConvertedAngle(vd::vstring_view type, int code);

inline constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;
inline double degreesToRadians(double degrees) { return degrees * kRadiansPerDegree; }
// Divides by the same factor the reader multiplied with, so that a file's
// value comes back within an ulp or two of what it was.
inline double radiansToDegrees(double radians) { return radians / kRadiansPerDegree; }
// Groups that point to another object by its handle (soft and hard pointers
// and owners, 320-369 and 390-399, the 480s, extended data's 1005); not an
// object's own handle (5, 105).
inline bool isHandleReference(int code) {
  return (code >= 320 && code <= 369) || (code >= 390 && code <= 399) || code == 480 || code == 481 ||
         code == 1005;
}

// The text of an angle in a file, in degrees, for an angle held in radians.
std::string formatAngle(double radians);
// The angle a file gives back, in radians, for one held: the same, or the
// nearest the file's text can give.
double angleAsRead(double radians);

// A field of a symbol-table record.
struct TableField {
  int code;
  const char* defaultText;  // written when the record lacks it; null: optional
  bool repeated = false;    // may occur any number of times (line-type dashes)
};

struct TableRecordDef {
  const char16_t* table;     // LAYER, LTYPE, STYLE, DIMSTYLE, APPID, BLOCK_RECORD
  const char16_t* subclass;  // record subclass marker
  const char16_t* tableSubclass;  // extra subclass of the TABLE head (DIMSTYLE), or null
  int handleCode;            // 105 for DIMSTYLE, 5 for the others
  // The fields written first, in this order; a record read from a file
  // keeps its other groups, written after them in the record's order.
  std::vector<TableField> fields;
};

const TableRecordDef* tableRecordDef(vd::vstring_view table);
// Every table the writer emits, in file order.
const std::vector<const char16_t*>& tableOrder();

// A header variable the host holds as a setting of its own: a system variable
// (GetVarW) or an environment setting (GetEnvStrW, as text). Loading sets it
// from the header or, when the header lacks it, from the file's current
// dimension style; saving writes the host's value.
struct HeaderVariable {
  const char* dxfName;       // "$CLAYER"
  int code;                  // its group in the header: 8, 7, 2, 40, 70 or 10
  const char16_t* hostName;  // "CLAYER"
  bool environment = false;  // an environment setting, not a system variable
  int styleCode = 0;         // the group of a DIMSTYLE record that holds it; 0: none
  bool character = false;    // the setting is one character, the file holds its code (DIMDSEP)
};
const std::vector<HeaderVariable>& headerVariables();

// Header variables the writer makes itself and never copies from a file.
bool isWriterHeaderVariable(std::string_view dxfName);

// Types of records that are not entities: objects, symbol-table records and
// the file's own structure. One of them among entities means a section or
// block was not ended.
bool isNonEntityType(std::string_view type);

}  // namespace hostsim::dxf
