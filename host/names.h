// Names shared by every part that reads or writes entity chains: entity types,
// section and subclass markers, default table names.
#pragma once
#include "host/text.h"

namespace vd::names {

// Entity and object types, compared case-insensitively with group 0.
inline constexpr const vchar* kLine = u"LINE";
inline constexpr const vchar* kEllipse = u"ELLIPSE";
inline constexpr const vchar* kSolid = u"SOLID";
inline constexpr const vchar* kArc = u"ARC";
inline constexpr const vchar* kCircle = u"CIRCLE";
inline constexpr const vchar* kLwPolyline = u"LWPOLYLINE";
inline constexpr const vchar* kInsert = u"INSERT";
inline constexpr const vchar* kHatch = u"HATCH";
inline constexpr const vchar* kRay = u"RAY";
inline constexpr const vchar* kXline = u"XLINE";
inline constexpr const vchar* kPoint = u"POINT";
inline constexpr const vchar* kBlock = u"BLOCK";
inline constexpr const vchar* kEndBlk = u"ENDBLK";
inline constexpr const vchar* kImage = u"IMAGE";
inline constexpr const vchar* kWipeout = u"WIPEOUT";
inline constexpr const vchar* kDimension = u"DIMENSION";
inline constexpr const vchar* kText = u"TEXT";
inline constexpr const vchar* kAttrib = u"ATTRIB";
inline constexpr const vchar* kMText = u"MTEXT";
inline constexpr const vchar* kSeqEnd = u"SEQEND";
inline constexpr const vchar* kVertex = u"VERTEX";
inline constexpr const vchar* kLeader = u"LEADER";
inline constexpr const vchar* kAttDef = u"ATTDEF";
inline constexpr const vchar* kPolyline = u"POLYLINE";
inline constexpr const vchar* kTolerance = u"TOLERANCE";
inline constexpr const vchar* k3dFace = u"3DFACE";
inline constexpr const vchar* kSpline = u"SPLINE";
inline constexpr const vchar* kAcadTable = u"ACAD_TABLE";
inline constexpr const vchar* kXrecord = u"XRECORD";
inline constexpr const vchar* kDictionary = u"DICTIONARY";

inline constexpr const vchar* kEmbeddedObject = u"Embedded Object";
inline constexpr const vchar* kReactorsOpen = u"{ACAD_REACTORS";
inline constexpr const vchar* kXdictionaryOpen = u"{ACAD_XDICTIONARY";
inline constexpr const vchar* kGroupClose = u"}";

// DXF sections.
inline constexpr const vchar* kSectionHeader = u"HEADER";
inline constexpr const vchar* kSectionClasses = u"CLASSES";
inline constexpr const vchar* kSectionTables = u"TABLES";
inline constexpr const vchar* kSectionBlocks = u"BLOCKS";
inline constexpr const vchar* kSectionEntities = u"ENTITIES";
inline constexpr const vchar* kSectionObjects = u"OBJECTS";
inline constexpr const vchar* kBlockRecord = u"BLOCK_RECORD";

inline constexpr const vchar* kTransform = u"TRANSFORM";
inline constexpr const vchar* kWcs = u"WCS";
inline constexpr const vchar* kUcs = u"UCS";

// Subclass markers (group 100).
inline constexpr const vchar* kAcDbEntity = u"AcDbEntity";
inline constexpr const vchar* kAcDbLine = u"AcDbLine";
inline constexpr const vchar* kAcDbEllipse = u"AcDbEllipse";
inline constexpr const vchar* kAcDbTrace = u"AcDbTrace";
inline constexpr const vchar* kAcDbArc = u"AcDbArc";
inline constexpr const vchar* kAcDbCircle = u"AcDbCircle";
inline constexpr const vchar* kAcDbPolyline = u"AcDbPolyline";
inline constexpr const vchar* kAcDbBlockReference = u"AcDbBlockReference";
inline constexpr const vchar* kAcDbHatch = u"AcDbHatch";
inline constexpr const vchar* kAcDbRay = u"AcDbRay";
inline constexpr const vchar* kAcDbXline = u"AcDbXline";
inline constexpr const vchar* kAcDbPoint = u"AcDbPoint";
inline constexpr const vchar* kAcDbRasterImage = u"AcDbRasterImage";
inline constexpr const vchar* kAcDbWipeout = u"AcDbWipeout";
inline constexpr const vchar* kAcDbDimension = u"AcDbDimension";
inline constexpr const vchar* kAcDbAlignedDimension = u"AcDbAlignedDimension";
inline constexpr const vchar* kAcDbRotatedDimension = u"AcDbRotatedDimension";
inline constexpr const vchar* kAcDbText = u"AcDbText";
inline constexpr const vchar* kAcDbAttribute = u"AcDbAttribute";
inline constexpr const vchar* kAcDbMText = u"AcDbMText";
inline constexpr const vchar* kAcDbLeader = u"AcDbLeader";
inline constexpr const vchar* kAcDb2dPolyline = u"AcDb2dPolyline";
inline constexpr const vchar* kAcDbVertex = u"AcDbVertex";
inline constexpr const vchar* kAcDb2dVertex = u"AcDb2dVertex";
inline constexpr const vchar* kAcDbAttributeDefinition = u"AcDbAttributeDefinition";
inline constexpr const vchar* kAcDbFcf = u"AcDbFcf";
inline constexpr const vchar* kAcDbSymbolTableRecord = u"AcDbSymbolTableRecord";
inline constexpr const vchar* kAcDbBlockTableRecord = u"AcDbBlockTableRecord";
inline constexpr const vchar* kAcDbXrecord = u"AcDbXrecord";
inline constexpr const vchar* kAcDbDictionary = u"AcDbDictionary";

// Default table names.
inline constexpr const vchar* kContinuous = u"CONTINUOUS";
inline constexpr const vchar* kStandard = u"STANDARD";
inline constexpr const vchar* kLayerZero = u"0";
inline constexpr const vchar* kDefpoints = u"DEFPOINTS";
inline constexpr const vchar* kByBlock = u"BYBLOCK";
inline constexpr const vchar* kByLayer = u"BYLAYER";

// The whole set in one table, in the order the module has always kept it;
// readers that look a name up by position use this.
extern const vchar* const kAll[];
extern const int kAllCount;

// True when the group 0 text of a chain names `type` (case-insensitive).
bool isType(const vchar* groupZero, const vchar* type);

}  // namespace vd::names
