// Group codes the module reads and writes, by meaning. Entity, subclass and
// table names live beside them in host/names.h.
#pragma once
#include <cstdint>

namespace vd::gc {

// Structure.
inline constexpr int kEntityName = -1;    // the host's name of the entity (16 bytes)
inline constexpr int kOwnerName = -2;
inline constexpr int kExtendedData = -3;  // start of extended data, no value
inline constexpr int kType = 0;           // entity or object type
inline constexpr int kText = 1;           // primary text (TEXT, ATTRIB, MTEXT, dimension override)
inline constexpr int kName = 2;           // block, attribute tag or table record name
inline constexpr int kText2 = 3;          // secondary text (MTEXT chunks, ATTDEF prompt, dimension style)
inline constexpr int kHandle = 5;         // handle as upper-case hexadecimal text
inline constexpr int kLineType = 6;
inline constexpr int kTextStyle = 7;
inline constexpr int kLayer = 8;
inline constexpr int kSubclass = 100;
inline constexpr int kControl = 102;      // "{APP" ... "}" groups
inline constexpr int kOwner = 330;        // soft owner handle

// Points (one node holds x, y and z).
inline constexpr int kPoint0 = 10;
inline constexpr int kPoint1 = 11;
inline constexpr int kPoint2 = 12;
inline constexpr int kPoint3 = 13;
inline constexpr int kPoint4 = 14;
inline constexpr int kPoint5 = 15;
inline constexpr int kPoint6 = 16;
inline constexpr int kExtrusion = 210;

// Reals.
inline constexpr int kElevation = 38;
inline constexpr int kThickness = 39;
inline constexpr int kReal0 = 40;  // radius, text height, start width...
inline constexpr int kReal1 = 41;  // width factor, end width, scale x...
inline constexpr int kReal2 = 42;  // bulge, measurement, scale y...
inline constexpr int kReal3 = 43;
inline constexpr int kAngle0 = 50;  // rotation, start angle
inline constexpr int kAngle1 = 51;  // end angle, oblique angle
inline constexpr int kAngle2 = 52;
inline constexpr int kAngle3 = 53;

// Integers.
inline constexpr int kColor = 62;
inline constexpr int kEntitiesFollow = 66;
inline constexpr int kPaperSpace = 67;
inline constexpr int kFlags = 70;
inline constexpr int kFlags1 = 71;
inline constexpr int kFlags2 = 72;
inline constexpr int kFlags3 = 73;
inline constexpr int kCount = 90;
inline constexpr int kLineWeight = 370;
inline constexpr int kTrueColor = 420;

// Extended data.
inline constexpr int kXdString = 1000;
inline constexpr int kXdApp = 1001;
inline constexpr int kXdControl = 1002;  // "{" and "}"
inline constexpr int kXdLayer = 1003;
inline constexpr int kXdBinary = 1004;
inline constexpr int kXdHandle = 1005;
inline constexpr int kXdPoint = 1010;
inline constexpr int kXdReal = 1040;
inline constexpr int kXdDistance = 1041;
inline constexpr int kXdScale = 1042;
inline constexpr int kXdShort = 1070;
inline constexpr int kXdLong = 1071;

}  // namespace vd::gc
