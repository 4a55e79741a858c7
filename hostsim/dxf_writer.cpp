#include "hostsim/dxf_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "host/names.h"
#include "hostsim/dxf_schema.h"
#include "hostsim/host.h"

namespace hostsim::dxf {

using vd::ChainItem;
using vd::ChainView;
using vd::vstring_view;

std::string encodeText(vstring_view text) {
  std::string out;
  for (vchar c : text) {
    if (c == u'\n' || c == u'\r') {
      out.push_back(' ');
      continue;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    std::string mapped = vd::utf16ToCp1250(vstring(1, c));
    if (mapped != "?") {
      out += mapped;
      continue;
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "\\U+%04X", static_cast<unsigned>(c));
    out += buf;
  }
  return out;
}

namespace {

std::string formatReal(double v) {
  if (!std::isfinite(v)) return "0";
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  std::string s(buf, r.ptr);
  // A real keeps a decimal point so that readers do not take it for an integer.
  if (s.find_first_of(".eEn") == std::string::npos) s += ".0";
  return s;
}

// An angle turned back from radians into degrees: 15 significant digits, so
// that the ulp or two the conversion costs does not show and a file's 90
// goes out as 90.0 again.
std::string formatAngle(double radians) {
  double v = radiansToDegrees(radians);
  if (!std::isfinite(v)) return "0";
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
  std::string s(buf, r.ptr);
  if (s.find_first_of(".eEn") == std::string::npos) s += ".0";
  return s;
}

std::string hex(uint64_t v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(v));
  return buf;
}


class Writer {
 public:
  Writer(const Drawing& d, const std::map<vstring, Variable>& vars) : d_(d), vars_(vars), next_(d.handleSeed()) {}

  std::string run() {
    collectNames();
    // Structural handles come first so that the header can name the seed after them.
    modelRecord_ = take();
    paperRecord_ = take();
    for (size_t i = 0; i < d_.blocks().size(); ++i) blockRecords_.push_back(take());
    rootDictionary_ = take();
    groupDictionary_ = take();
    std::string body;
    std::swap(out_, body);
    writeTables();
    writeBlocks();
    writeEntities();
    writeObjects();
    std::string rest;
    std::swap(out_, rest);
    writeHeader();
    out_ += "  0\nSECTION\n  2\nCLASSES\n  0\nENDSEC\n";
    out_ += rest;
    tag(0, "EOF");
    return out_;
  }

 private:
  std::string take() { return hex(next_++); }

  void tag(int code, std::string_view value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%3d\n", code);
    out_ += buf;
    out_.append(value.data(), value.size());
    out_ += '\n';
  }
  void tagText(int code, vstring_view text) { tag(code, encodeText(text)); }
  void tagPoint(int code, const double p[3], bool flat = false) {
    tag(code, formatReal(p[0]));
    tag(code + 10, formatReal(p[1]));
    if (!flat) tag(code + 20, formatReal(p[2]));
  }

  // One node as DXF tags, by the kind of its code. `angle`: a real in
  // radians that the file holds in degrees.
  void node(ChainItem item, bool flat, bool angle = false) {
    const vd::ValueNode* n = item.node();
    int code = item.code();
    uint32_t desc = vd::groupCodeKind(code);
    if (code < 0 || !vd::hasDefinedKind(desc)) return;  // entity names and markers have no DXF form
    switch (vd::kindOf(desc)) {
      case vd::kKindString:
        tagText(code, n->v.str ? vstring_view(n->v.str) : vstring_view());
        return;
      case vd::kKindPoint:
        tagPoint(code, n->v.point, flat);
        return;
      case vd::kKindReal:
        tag(code, angle ? formatAngle(n->v.real) : formatReal(n->v.real));
        return;
      case vd::kKindBinary: {
        std::string h;
        static const char* digits = "0123456789ABCDEF";
        for (int i = 0; i < n->v.bin.size && n->v.bin.bytes; ++i) {
          h.push_back(digits[n->v.bin.bytes[i] >> 4]);
          h.push_back(digits[n->v.bin.bytes[i] & 15]);
        }
        tag(code, h);
        return;
      }
      default:
        tag(code, std::to_string(item.integer().value_or(0)));
        return;
    }
  }

  // --- Names in use --------------------------------------------------------
  static void addName(std::vector<vstring>& list, vstring_view name) {
    if (name.empty()) return;
    for (const vstring& n : list) {
      if (vd::equalsNoCaseAscii(n, name)) return;
    }
    list.emplace_back(name);
  }

  void collectFrom(ChainView e) {
    addName(layers_, e.text(vd::gc::kLayer).value_or(u"0"));
    if (auto lt = e.text(vd::gc::kLineType)) {
      if (!vd::equalsNoCaseAscii(*lt, u"BYLAYER") && !vd::equalsNoCaseAscii(*lt, u"BYBLOCK")) addName(lineTypes_, *lt);
    }
    if (e.isType(vd::names::kText) || e.isType(vd::names::kMText) || e.isType(vd::names::kAttrib) ||
        e.isType(vd::names::kAttDef)) {
      if (auto st = e.text(vd::gc::kTextStyle)) addName(styles_, *st);
    }
    if (e.isType(vd::names::kDimension) || e.isType(vd::names::kLeader) || e.isType(vd::names::kTolerance)) {
      if (auto ds = e.text(vd::gc::kText2)) addName(dimStyles_, *ds);
    }
    bool inXdata = false;
    for (ChainItem item : e) {
      if (item.code() == vd::gc::kExtendedData) inXdata = true;
      if (item.code() == vd::gc::kXdApp) {
        inXdata = true;  // a file's chain may lack the marker
        addName(apps_, item.text().value_or(vstring_view()));
      }
      (void)inXdata;
    }
  }

  void collectNames() {
    layers_ = {u"0"};
    lineTypes_ = {u"ByBlock", u"ByLayer", u"Continuous"};
    styles_ = {u"Standard"};
    dimStyles_ = {u"Standard"};
    apps_ = {u"ACAD"};
    for (const TableRecord& r : d_.tableRecords()) {
      if (auto name = r.chain.view().text(2)) addName(namesOf(r.table), *name);
    }
    for (const auto& e : d_.allEntities()) {
      if (!e->erased) collectFrom(e->view());
    }
    for (const auto& b : d_.blocks()) {
      for (const auto& e : b->entities) collectFrom(e->view());
    }
    for (const auto& dict : d_.dictionaries()) {
      for (const DictionaryEntry& entry : dict->entries) {
        for (ChainItem item : entry.chain.view()) {
          if (item.code() == vd::gc::kXdApp) addName(apps_, item.text().value_or(vstring_view()));
        }
      }
    }
  }

  std::vector<vstring>& namesOf(vstring_view table) {
    if (vd::equalsNoCaseAscii(table, u"LAYER")) return layers_;
    if (vd::equalsNoCaseAscii(table, u"LTYPE")) return lineTypes_;
    if (vd::equalsNoCaseAscii(table, u"STYLE")) return styles_;
    if (vd::equalsNoCaseAscii(table, u"DIMSTYLE")) return dimStyles_;
    if (vd::equalsNoCaseAscii(table, u"APPID")) return apps_;
    return scratch_;
  }

  // --- Header -----------------------------------------------------------------
  void writeHeader() {
    tag(0, "SECTION");
    tag(2, "HEADER");
    tag(9, "$ACADVER");
    tag(1, "AC1015");
    tag(9, "$DWGCODEPAGE");
    tag(3, "ANSI_1250");
    tag(9, "$INSBASE");
    const double origin[3] = {0, 0, 0};
    tagPoint(10, origin);
    tag(9, "$HANDSEED");
    tag(5, hex(next_));
    for (const HeaderVariable& hv : headerVariables()) {
      auto it = vars_.find(hv.hostName);
      if (it == vars_.end()) continue;
      const Variable& v = it->second;
      switch (hv.code) {
        case 10:
          if (v.kind != Variable::Kind::Point) continue;
          tag(9, hv.dxfName);
          tagPoint(10, v.value);
          break;
        case 40:
          if (v.kind != Variable::Kind::Real) continue;
          tag(9, hv.dxfName);
          tag(40, formatReal(v.value[0]));
          break;
        case 70:
          if (v.kind != Variable::Kind::Short) continue;
          tag(9, hv.dxfName);
          tag(70, std::to_string(v.shortValue));
          break;
        default:
          if (v.kind != Variable::Kind::String || v.text.empty()) continue;
          tag(9, hv.dxfName);
          tagText(hv.code, v.text);
          break;
      }
    }
    tag(0, "ENDSEC");
  }

  // --- Tables -----------------------------------------------------------------
  const TableRecord* importedRecord(vstring_view table, vstring_view name) const {
    for (const TableRecord& r : d_.tableRecords()) {
      if (vd::equalsNoCaseAscii(r.table, table) && vd::equalsNoCaseAscii(r.chain.view().text(2).value_or(u""), name))
        return &r;
    }
    return nullptr;
  }

  void tableHead(std::string_view name, const std::string& handle, size_t count, const char16_t* extraSubclass) {
    tag(0, "TABLE");
    tag(2, name);
    tag(5, handle);
    tag(330, "0");
    tag(100, "AcDbSymbolTable");
    tag(70, std::to_string(count));
    if (extraSubclass) tagText(100, extraSubclass);
  }

  void writeRecord(const TableRecordDef& def, vstring_view name, const TableRecord* imported, const std::string& owner,
                   const std::string& handle) {
    tagText(0, def.table);
    tag(def.handleCode, handle);
    tag(330, owner);
    tag(100, "AcDbSymbolTableRecord");
    tagText(100, def.subclass);
    ChainView rec = imported ? imported->chain.view() : ChainView();
    bool lineType = vd::equalsNoCaseAscii(def.table, u"LTYPE");
    for (const TableField& f : def.fields) {
      if (f.code == 2) {
        tagText(2, name);
        continue;
      }
      if (f.repeated) {
        for (ChainItem item : rec) {
          if (item.code() != f.code) continue;
          node(item, false);
          if (lineType) tag(74, "0");  // plain dashes: no shapes or texts in the pattern
        }
        continue;
      }
      if (lineType && f.code == 73) {
        tag(73, std::to_string(rec.count(49)));
        continue;
      }
      if (const vd::ValueNode* n = rec.find(f.code)) {
        node(ChainItem(n), false);
      } else if (f.defaultText) {
        tag(f.code, f.defaultText);
      }
    }
    for (ChainItem item : rec) {
      bool listed = false;
      for (const TableField& f : def.fields) listed = listed || f.code == item.code();
      if (!listed && tableKeepsCode(def, item.code())) node(item, false);
    }
  }

  void writeTable(const char16_t* table) {
    std::string name = vd::utf16ToUtf8(table);
    std::string handle = take();
    if (vd::equalsNoCaseAscii(table, u"VPORT")) {
      tableHead(name, handle, 1, nullptr);
      tag(0, "VPORT");
      tag(5, take());
      tag(330, handle);
      tag(100, "AcDbSymbolTableRecord");
      tag(100, "AcDbViewportTableRecord");
      tag(2, "*Active");
      tag(70, "0");
      const double zero[3] = {0, 0, 0}, one[3] = {1, 1, 0}, ten[3] = {10, 10, 0}, z[3] = {0, 0, 1};
      tagPoint(10, zero, true);
      tagPoint(11, one, true);
      tagPoint(12, zero, true);
      tagPoint(13, zero, true);
      tagPoint(14, ten, true);
      tagPoint(15, ten, true);
      tagPoint(16, z);
      tagPoint(17, zero);
      tag(40, "1000.0");
      tag(41, "1.34");
      tag(42, "50.0");
      tag(0, "ENDTAB");
      return;
    }
    if (vd::equalsNoCaseAscii(table, u"BLOCK_RECORD")) {
      tableHead(name, handle, 2 + d_.blocks().size(), nullptr);
      const TableRecordDef& def = *tableRecordDef(table);
      writeRecord(def, u"*Model_Space", nullptr, handle, modelRecord_);
      writeRecord(def, u"*Paper_Space", nullptr, handle, paperRecord_);
      for (size_t i = 0; i < d_.blocks().size(); ++i) writeRecord(def, d_.blocks()[i]->name, nullptr, handle, blockRecords_[i]);
      tag(0, "ENDTAB");
      return;
    }
    const TableRecordDef* def = tableRecordDef(table);
    if (!def) {  // VIEW and UCS: present and empty
      tableHead(name, handle, 0, nullptr);
      tag(0, "ENDTAB");
      return;
    }
    std::vector<vstring>& names = namesOf(table);
    tableHead(name, handle, names.size(), def->tableSubclass);
    for (const vstring& n : names) writeRecord(*def, n, importedRecord(table, n), handle, take());
    tag(0, "ENDTAB");
  }

  void writeTables() {
    tag(0, "SECTION");
    tag(2, "TABLES");
    for (const char16_t* t : tableOrder()) writeTable(t);
    tag(0, "ENDSEC");
  }

  // --- Entities -------------------------------------------------------------
  void writeEntity(const Entity& e, const std::string& owner) {
    ChainView v = e.view();
    tagText(0, v.type());
    tagText(5, e.handle);
    tag(330, owner);
    if (v.has(vd::gc::kSubclass)) {
      writeAsRead(e);
    } else {
      writeBySchema(e);
    }
  }

  // A chain that carries its subclass markers (read from a file) goes out in its own order.
  void writeAsRead(const Entity& e) {
    int pos = 0;
    bool sawSubclass = false, inXdata = false;
    int controlDepth = 0;
    vstring_view type = e.view().type();
    for (ChainItem item : e.view()) {
      int p = pos++;
      int code = item.code();
      if (code == vd::gc::kExtendedData || code == vd::gc::kXdApp) inXdata = true;
      if (code == vd::gc::kEntityName || code == vd::gc::kType || code == vd::gc::kHandle) continue;
      if (code == vd::gc::kSubclass) sawSubclass = true;
      if (code == vd::gc::kOwner && !sawSubclass) continue;
      if (code == vd::gc::kControl) {
        auto t = item.text().value_or(vstring_view());
        controlDepth += (!t.empty() && t.front() == u'{') ? 1 : (t == u"}" ? -1 : 0);
        continue;
      }
      if (controlDepth > 0) continue;
      node(item, e.flatPoints.count(p) > 0, !inXdata && isConvertedAngle(type, code));
    }
  }

  // A chain the module made has no markers: the record table puts each code
  // into its subclass, keeping the chain's order inside each.
  void writeBySchema(const Entity& e) {
    ChainView v = e.view();
    const EntityRecord* rec = entityRecord(v.type(), static_cast<int>(v.integer(70).value_or(0)));
    std::vector<ChainItem> common, xdata, loose;
    std::vector<std::vector<ChainItem>> parts(rec ? rec->subclasses.size() : 0);
    bool inXdata = false;
    for (ChainItem item : v) {
      int code = item.code();
      if (code == vd::gc::kExtendedData || code == vd::gc::kXdApp) inXdata = true;
      if (code == vd::gc::kEntityName || code == vd::gc::kType || code == vd::gc::kHandle || code == vd::gc::kOwner ||
          code == vd::gc::kExtendedData)
        continue;
      if (inXdata) {
        xdata.push_back(item);
        continue;
      }
      if (std::find(entityCommonCodes().begin(), entityCommonCodes().end(), code) != entityCommonCodes().end()) {
        common.push_back(item);
        continue;
      }
      bool placed = false;
      for (size_t i = 0; rec && i < rec->subclasses.size() && !placed; ++i) {
        const std::vector<int>& codes = rec->subclasses[i].codes;
        if (std::find(codes.begin(), codes.end(), code) != codes.end()) {
          parts[i].push_back(item);
          placed = true;
        }
      }
      if (!placed) loose.push_back(item);
    }
    auto angle = [&](ChainItem item) { return isConvertedAngle(v.type(), item.code()); };
    tag(100, "AcDbEntity");
    if (!v.has(vd::gc::kLayer)) tag(8, "0");
    for (ChainItem item : common) node(item, false);
    for (size_t i = 0; rec && i < rec->subclasses.size(); ++i) {
      tagText(100, rec->subclasses[i].marker);
      if (vd::equalsNoCaseAscii(v.type(), u"LWPOLYLINE") && !v.has(90)) tag(90, std::to_string(v.count(10)));
      for (ChainItem item : parts[i]) {
        bool flat = std::find(rec->flatPoints.begin(), rec->flatPoints.end(), item.code()) != rec->flatPoints.end();
        node(item, flat, angle(item));
      }
      if (i + 1 == rec->subclasses.size()) {
        for (ChainItem item : loose) node(item, false, angle(item));
        loose.clear();
      }
    }
    for (ChainItem item : loose) node(item, false, angle(item));
    for (ChainItem item : xdata) node(item, false);
  }

  // Owners: followers belong to their main entity, the rest to model or paper space.
  void writeSequence(const std::vector<const Entity*>& list, const std::string& spaceOwner, bool paperAware) {
    std::string open;
    for (const Entity* e : list) {
      ChainView v = e->view();
      bool follower = v.isType(vd::names::kAttrib) || v.isType(vd::names::kVertex) || v.isType(vd::names::kSeqEnd);
      std::string owner = spaceOwner;
      if (paperAware && v.integer(vd::gc::kPaperSpace).value_or(0) == 1) owner = paperRecord_;
      if (follower && !open.empty()) owner = open;
      writeEntity(*e, owner);
      if (v.isType(vd::names::kSeqEnd)) open.clear();
      if (v.isType(vd::names::kPolyline) ||
          (v.isType(vd::names::kInsert) && v.integer(vd::gc::kEntitiesFollow).value_or(0) == 1))
        open = vd::utf16ToUtf8(e->handle);
    }
  }

  void blockFrame(vstring_view name, int flags, const double base[3], const std::string& record) {
    tag(0, "BLOCK");
    tag(5, take());
    tag(330, record);
    tag(100, "AcDbEntity");
    tag(8, "0");
    tag(100, "AcDbBlockBegin");
    tagText(2, name);
    tag(70, std::to_string(flags));
    tagPoint(10, base);
    tagText(3, name);
    tag(1, "");
  }
  void blockEnd(const std::string& record) {
    tag(0, "ENDBLK");
    tag(5, take());
    tag(330, record);
    tag(100, "AcDbEntity");
    tag(8, "0");
    tag(100, "AcDbBlockEnd");
  }

  void writeBlocks() {
    tag(0, "SECTION");
    tag(2, "BLOCKS");
    const double origin[3] = {0, 0, 0};
    blockFrame(u"*Model_Space", 0, origin, modelRecord_);
    blockEnd(modelRecord_);
    blockFrame(u"*Paper_Space", 0, origin, paperRecord_);
    blockEnd(paperRecord_);
    for (size_t i = 0; i < d_.blocks().size(); ++i) {
      const Block& b = *d_.blocks()[i];
      blockFrame(b.name, b.flags, b.base, blockRecords_[i]);
      std::vector<const Entity*> list;
      for (const auto& e : b.entities) list.push_back(e.get());
      writeSequence(list, blockRecords_[i], false);
      blockEnd(blockRecords_[i]);
    }
    tag(0, "ENDSEC");
  }

  void writeEntities() {
    tag(0, "SECTION");
    tag(2, "ENTITIES");
    std::vector<const Entity*> list;
    for (const auto& e : d_.allEntities()) {
      if (!e->erased) list.push_back(e.get());
    }
    writeSequence(list, modelRecord_, true);
    tag(0, "ENDSEC");
  }

  // --- Objects ---------------------------------------------------------------
  void dictionaryHead(const std::string& handle, const std::string& owner) {
    tag(0, "DICTIONARY");
    tag(5, handle);
    tag(330, owner);
    tag(100, "AcDbDictionary");
    tag(281, "1");
  }

  void writeObjects() {
    tag(0, "SECTION");
    tag(2, "OBJECTS");
    dictionaryHead(rootDictionary_, "0");
    tag(3, "ACAD_GROUP");
    tag(350, groupDictionary_);
    for (const auto& dict : d_.dictionaries()) {
      tagText(3, dict->name);
      tagText(350, dict->handle);
    }
    dictionaryHead(groupDictionary_, rootDictionary_);
    for (const auto& dict : d_.dictionaries()) {
      std::string handle = vd::utf16ToUtf8(dict->handle);
      dictionaryHead(handle, rootDictionary_);
      for (const DictionaryEntry& e : dict->entries) {
        tagText(3, e.key);
        tagText(350, e.handle);
      }
      for (const DictionaryEntry& e : dict->entries) {
        tag(0, "XRECORD");
        tagText(5, e.handle);
        tag(330, handle);
        tag(100, "AcDbXrecord");
        tag(280, "1");
        int pos = 0;
        for (ChainItem item : e.chain.view()) {
          int p = pos++;
          int code = item.code();
          // The record's framing is the host's: only the data groups are written.
          if (code == vd::gc::kType || code == vd::gc::kHandle || code == vd::gc::kSubclass || code == vd::gc::kOwner)
            continue;
          node(item, e.flatPoints.count(p) > 0);
        }
      }
    }
    tag(0, "ENDSEC");
  }

  const Drawing& d_;
  const std::map<vstring, Variable>& vars_;
  uint64_t next_;
  std::string out_;
  std::string modelRecord_, paperRecord_, rootDictionary_, groupDictionary_;
  std::vector<std::string> blockRecords_;
  std::vector<vstring> layers_, lineTypes_, styles_, dimStyles_, apps_, scratch_;
};

}  // namespace

std::string writeDxf(const Drawing& drawing, const std::map<vstring, Variable>& variables) {
  return Writer(drawing, variables).run();
}

bool saveDxf(const Drawing& drawing, const std::map<vstring, Variable>& variables, const std::string& path,
             std::string& error) {
  std::string text = writeDxf(drawing, variables);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) {
    error = "cannot write " + path;
    return false;
  }
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  if (!out) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace hostsim::dxf
