#include "hostsim/dxf_schema.h"

#include <charconv>
#include <cmath>
#include <iterator>
#include <string>

#include "host/value_chain.h"

namespace hostsim::dxf {

namespace {

const std::vector<int> kTextCodes = {39, 10, 40, 1, 50, 41, 51, 7, 71, 72, 11, 210};

const std::vector<EntityRecord>& records() {
  static const std::vector<EntityRecord> all = {
      {u"LINE", {10, 11}, {{u"AcDbLine", {39, 10, 11, 210}}}, {}},
      {u"CIRCLE", {10, 40}, {{u"AcDbCircle", {39, 10, 40, 210}}}, {}},
      {u"ARC", {10, 40, 50, 51}, {{u"AcDbCircle", {39, 10, 40, 210}}, {u"AcDbArc", {50, 51}}}, {}},
      {u"POINT", {10}, {{u"AcDbPoint", {10, 39, 210, 50}}}, {}},
      {u"TEXT", {10, 40, 1}, {{u"AcDbText", kTextCodes}, {u"AcDbText", {73}}}, {}},
      {u"ATTRIB", {10, 40, 1, 2}, {{u"AcDbText", kTextCodes}, {u"AcDbAttribute", {2, 70, 73, 74, 280}}}, {}},
      {u"ATTDEF",
       {10, 40, 1, 2, 3},
       {{u"AcDbText", kTextCodes}, {u"AcDbAttributeDefinition", {3, 2, 70, 73, 74, 280}}},
       {}},
      {u"MTEXT",
       {10},
       {{u"AcDbMText", {10, 40, 41, 71, 72, 3, 1, 7, 210, 11, 42, 43, 50, 73, 44, 90, 63, 45, 441}}},
       {},
       true},
      {u"INSERT", {2, 10}, {{u"AcDbBlockReference", {66, 2, 10, 41, 42, 43, 50, 70, 71, 44, 45, 39, 210}}}, {}},
      {u"LWPOLYLINE", {10}, {{u"AcDbPolyline", {90, 70, 43, 38, 39, 10, 40, 41, 42, 91, 210}}}, {10}},
      {u"POLYLINE", {}, {{u"AcDb2dPolyline", {66, 10, 39, 70, 40, 41, 71, 72, 73, 74, 75, 210}}}, {}},
      {u"VERTEX", {10}, {{u"AcDbVertex", {}}, {u"AcDb2dVertex", {10, 40, 41, 42, 70, 50}}}, {}},
      {u"SEQEND", {}, {}, {}},
      {u"SOLID", {10, 11, 12}, {{u"AcDbTrace", {10, 11, 12, 13, 39, 210}}}, {}},
      {u"TRACE", {10, 11, 12}, {{u"AcDbTrace", {10, 11, 12, 13, 39, 210}}}, {}},
      {u"3DFACE", {10, 11, 12}, {{u"AcDbFace", {10, 11, 12, 13, 70}}}, {}},
      {u"ELLIPSE", {10, 11, 40}, {{u"AcDbEllipse", {10, 11, 210, 40, 41, 42}}}, {}},
      {u"RAY", {10, 11}, {{u"AcDbRay", {10, 11}}}, {}},
      {u"XLINE", {10, 11}, {{u"AcDbXline", {10, 11}}}, {}},
      {u"LEADER",
       {10},
       {{u"AcDbLeader", {3, 71, 72, 73, 74, 75, 40, 41, 76, 10, 77, 340, 210, 211, 212, 213}}},
       {}},
      {u"TOLERANCE", {10}, {{u"AcDbFcf", {3, 10, 1, 210, 11}}}, {}},
      {u"SPLINE",
       {70},
       {{u"AcDbSpline", {210, 70, 71, 72, 73, 74, 42, 43, 44, 12, 13, 40, 41, 10, 11}}},
       {}},
      {u"HATCH", {10}, {{u"AcDbHatch", {}}}, {}, true},
  };
  return all;
}

const std::vector<int> kDimensionCommon = {280, 2, 3, 10, 11, 12, 70, 71, 72, 41, 42, 73, 74, 75, 1, 52, 53, 51, 210};

const std::vector<EntityRecord>& dimensionRecords() {
  static const std::vector<EntityRecord> all = {
      {u"DIMENSION", {10}, {{u"AcDbDimension", kDimensionCommon}, {u"AcDbAlignedDimension", {13, 14, 50}}, {u"AcDbRotatedDimension", {}}}, {}},
      {u"DIMENSION", {10}, {{u"AcDbDimension", kDimensionCommon}, {u"AcDbAlignedDimension", {13, 14, 50}}}, {}},
      {u"DIMENSION", {10}, {{u"AcDbDimension", kDimensionCommon}, {u"AcDb2LineAngularDimension", {13, 14, 15, 16}}}, {}},
      {u"DIMENSION", {10}, {{u"AcDbDimension", kDimensionCommon}, {u"AcDbDiametricDimension", {15, 40}}}, {}},
      {u"DIMENSION", {10}, {{u"AcDbDimension", kDimensionCommon}, {u"AcDbRadialDimension", {15, 40}}}, {}},
      {u"DIMENSION", {10}, {{u"AcDbDimension", kDimensionCommon}, {u"AcDb3PointAngularDimension", {13, 14, 15, 16}}}, {}},
      {u"DIMENSION", {10}, {{u"AcDbDimension", kDimensionCommon}, {u"AcDbOrdinateDimension", {13, 14}}}, {}},
  };
  return all;
}

}  // namespace

const std::vector<int>& entityCommonCodes() {
  static const std::vector<int> codes = {67, 8, 6, 62, 370, 48, 60, 420, 430, 440, 347, 390, 284};
  return codes;
}

const EntityRecord* entityRecord(vd::vstring_view type, int dimensionType) {
  if (vd::equalsNoCaseAscii(type, u"DIMENSION")) {
    int t = dimensionType & 15;
    return (t >= 0 && t <= 6) ? &dimensionRecords()[static_cast<size_t>(t)] : nullptr;
  }
  for (const EntityRecord& r : records()) {
    if (vd::equalsNoCaseAscii(type, r.type)) return &r;
  }
  return nullptr;
}

bool isConvertedAngle(vd::vstring_view type, int code) {
  // The descriptor also marks 5004, a result-type code no file holds.
  if (code < 50 || code > 58 || !(vd::groupCodeKind(code) & vd::kKindFlagAngle)) return false;
  const EntityRecord* rec = entityRecord(type);
  return !(rec && rec->anglesUnconverted);
}

const TableRecordDef* tableRecordDef(vd::vstring_view table) {
  static const std::vector<TableRecordDef> defs = {
      {u"LTYPE",
       u"AcDbLinetypeTableRecord",
       nullptr,
       5,
       {{2, ""}, {70, "0"}, {3, ""}, {72, "65"}, {73, "0"}, {40, "0.0"}, {49, nullptr, true}}},
      {u"LAYER",
       u"AcDbLayerTableRecord",
       nullptr,
       5,
       {{2, ""}, {70, "0"}, {62, "7"}, {420, nullptr}, {430, nullptr}, {6, "Continuous"}, {290, nullptr}, {370, nullptr}}},
      {u"STYLE",
       u"AcDbTextStyleTableRecord",
       nullptr,
       5,
       {{2, ""}, {70, "0"}, {40, "0.0"}, {41, "1.0"}, {50, "0.0"}, {71, "0"}, {42, "2.5"}, {3, "txt"}, {4, ""}}},
      {u"APPID", u"AcDbRegAppTableRecord", nullptr, 5, {{2, ""}, {70, "0"}}},
      {u"DIMSTYLE",
       u"AcDbDimStyleTableRecord",
       u"AcDbDimStyleTable",
       105,
       {{2, ""}, {70, "0"}}},
      {u"BLOCK_RECORD", u"AcDbBlockTableRecord", nullptr, 5, {{2, ""}}},
  };
  for (const TableRecordDef& d : defs) {
    if (vd::equalsNoCaseAscii(table, d.table)) return &d;
  }
  return nullptr;
}

const std::vector<const char16_t*>& tableOrder() {
  static const std::vector<const char16_t*> order = {u"VPORT", u"LTYPE", u"LAYER", u"STYLE", u"VIEW",
                                                     u"UCS", u"APPID", u"DIMSTYLE", u"BLOCK_RECORD"};
  return order;
}

const std::vector<HeaderVariable>& headerVariables() {
  static const std::vector<HeaderVariable> vars = {
      {"$CLAYER", 8, u"CLAYER"},
      {"$TEXTSTYLE", 7, u"TEXTSTYLE"},
      {"$DIMSTYLE", 2, u"DIMSTYLE"},
      {"$DIMSCALE", 40, u"DIMSCALE", false, 40},
      {"$DIMEXO", 40, u"DIMEXO", false, 42},
      {"$LUPREC", 70, u"LUPREC"},
      {"$DIMDEC", 70, u"DIMDEC", true, 271},
      {"$DIMRND", 40, u"DIMRND", true, 45},
      {"$DIMZIN", 70, u"DIMZIN", true, 78},
      {"$DIMDSEP", 70, u"DIMDSEP", true, 278, true},
      {"$UCSORG", 10, u"UCSORG"},
      {"$UCSXDIR", 10, u"UCSXDIR"},
      {"$UCSYDIR", 10, u"UCSYDIR"},
  };
  return vars;
}

bool isWriterHeaderVariable(std::string_view dxfName) {
  // The version and code page are those the writer writes in; the handle seed is its own.
  for (const char* name : {"$ACADVER", "$ACADMAINTVER", "$DWGCODEPAGE", "$HANDSEED"}) {
    if (vd::equalsNoCaseAscii(dxfName, name)) return true;
  }
  return false;
}

bool isNonEntityType(std::string_view type) {
  static const char* const types[] = {
      // the file's structure and symbol tables
      "SECTION", "ENDSEC", "EOF", "TABLE", "ENDTAB", "BLOCK", "ENDBLK", "CLASS", "VPORT", "LTYPE", "LAYER", "STYLE",
      "VIEW", "UCS", "APPID", "DIMSTYLE", "BLOCK_RECORD",
      // objects
      "DICTIONARY", "DICTIONARYVAR", "ACDBDICTIONARYWDFLT", "ACDBPLACEHOLDER", "XRECORD", "LAYOUT", "PLOTSETTINGS",
      "GROUP", "MLINESTYLE", "MLEADERSTYLE", "TABLESTYLE", "VISUALSTYLE", "MATERIAL", "SCALE", "SORTENTSTABLE",
      "IMAGEDEF", "IMAGEDEF_REACTOR", "RASTERVARIABLES", "WIPEOUTVARIABLES", "SPATIAL_FILTER", "SPATIAL_INDEX",
      "LAYER_FILTER", "LAYER_INDEX", "IDBUFFER", "FIELD", "FIELDLIST", "GEODATA", "SUN", "DIMASSOC", "DBCOLOR",
      "DATATABLE", "CELLSTYLEMAP", "ACAD_PROXY_OBJECT", "PDFDEFINITION", "DWFDEFINITION", "DGNDEFINITION",
      "OBJECT_PTR"};
  for (const char* t : types) {
    if (vd::equalsNoCaseAscii(type, t)) return true;
  }
  return false;
}

// An angle turned back from radians into degrees: 15 significant digits, so
// that the ulp or two the conversion costs does not show and a file's 90
// goes out as 90.0 again; but more when those would read back as another
// angle (53.13010235415598 is not 53.130102354156). Not every angle in
// radians is a number of degrees times the factor: for one that is not, the
// text is the nearest there is.
std::string formatAngle(double radians) {
  const double v = radiansToDegrees(radians);
  char buf[64];
  std::string s;
  // The degrees at 15, 16 and 17 digits, then their neighbours at 17.
  const double tries[] = {v, v, v, std::nextafter(v, -INFINITY), std::nextafter(v, INFINITY)};
  const int digits[] = {15, 16, 17, 17, 17};
  for (size_t i = 0; i < std::size(tries); ++i) {
    auto r = std::to_chars(buf, buf + sizeof buf, tries[i], std::chars_format::general, digits[i]);
    double back = 0;
    std::from_chars(buf, r.ptr, back);
    if (i == 0 || degreesToRadians(back) == radians) s.assign(buf, r.ptr);
    if (degreesToRadians(back) == radians) break;
  }
  if (s.find_first_of(".eEn") == std::string::npos) s += ".0";
  return s;
}

double angleAsRead(double radians) {
  const std::string text = formatAngle(radians);
  double degrees = 0;
  std::from_chars(text.data(), text.data() + text.size(), degrees);
  return degreesToRadians(degrees);
}

}  // namespace hostsim::dxf
