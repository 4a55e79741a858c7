#include "hostsim/dxf_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <ostream>
#include <set>
#include <unordered_set>

#include "host/names.h"
#include "hostsim/dimension_blocks.h"
#include "hostsim/dxf_reader.h"
#include "hostsim/dxf_schema.h"
#include "hostsim/host.h"
#include "hostsim/number_text.h"

namespace hostsim::dxf {

using vd::ChainItem;
using vd::ChainView;
using vd::vstring_view;

// A text goes out as the reader takes it back: one line without NUL bytes, in
// code page 1250, every other character as a "\U+" escape. What the reader
// would not give back as it stands is escaped too: a line end (it would split
// the value, and a CR at the end is dropped), a NUL (refused) and a backslash
// in front of "U+", which would read as the start of an escape. Other control
// characters stay as they are: a tab around a subclass marker is read past.
std::string encodeText(vstring_view text) {
  std::string out;
  out.reserve(text.size());
  char buf[16];
  for (size_t i = 0; i < text.size(); ++i) {
    vchar c = text[i];
    const bool mustEscape = c == u'\n' || c == u'\r' || c == 0 || (c == u'\\' && text.substr(i + 1, 2) == u"U+");
    if (c < 0x80 && !mustEscape) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    if (c >= 0x80) {
      std::string mapped = vd::utf16ToCp1250(vstring_view(&c, 1));
      if (mapped != "?") {
        out += mapped;
        continue;
      }
    }
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      // A surrogate pair is one character: one escape of eight digits.
      unsigned cp = 0x10000 + ((static_cast<unsigned>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      std::snprintf(buf, sizeof buf, "\\U+%08X", cp);
      ++i;
      out += buf;
      continue;
    }
    std::snprintf(buf, sizeof buf, "\\U+%04X", static_cast<unsigned>(c));
    out += buf;
    // "\U+0001" to "\U+0010" and four hex digits behind would read as one
    // escape of eight digits (a character beyond U+FFFF): the digit goes out
    // as an escape of its own.
    if (c >= 0x01 && c <= 0x10 && i + 1 < text.size() && hexDigit(text[i + 1]) >= 0) {
      std::snprintf(buf, sizeof buf, "\\U+%04X", static_cast<unsigned>(text[++i]));
      out += buf;
    }
  }
  return out;
}

namespace {

constexpr int kXrecordCloning = 280;  // an XRECORD's cloning flag, after its subclass marker

// Reals are finite here: a drawing holding another is refused before writing.
std::string formatReal(double v) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  std::string s(buf, r.ptr);
  // A real keeps a decimal point so that readers do not take it for an integer.
  if (s.find_first_of(".eEn") == std::string::npos) s += ".0";
  return s;
}


std::string hex(uint64_t v) { return vd::utf16ToUtf8(handleText(v)); }


// --- Numbers that cannot be written ------------------------------------------------

std::string utf8(vstring_view s) { return vd::utf16ToUtf8(s); }

// A setting of the host as the value of its header variable; false when the
// host does not hold it or holds something the variable cannot take (the
// reason, for a value that is there but does not convert, in `why`).
bool settingNode(const HeaderVariable& hv, const std::map<vstring, Variable>& variables,
                 const std::map<vstring, vstring>& environment, vd::ChainBuilder& b, std::string& why) {
  if (hv.environment) {
    auto it = environment.find(hv.hostName);
    if (it == environment.end()) return false;
    std::string text = utf8(it->second);
    if (hv.character) {
      if (it->second.empty()) return false;
      b.integer(hv.code, it->second.front());
      return true;
    }
    std::string_view trimmed = text;
    while (!trimmed.empty() && (trimmed.front() == ' ' || trimmed.front() == '\t')) trimmed.remove_prefix(1);
    while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t')) trimmed.remove_suffix(1);
    if (hv.code == 40) {
      if (std::optional<double> v = parseFiniteReal(trimmed)) {
        b.real(hv.code, *v);
        return true;
      }
      why = "environment setting " + utf8(hv.hostName) + " is not a finite number: \"" + text + "\"";
      return false;
    }
    int16_t v = 0;
    auto r = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), v);
    if (trimmed.empty() || r.ec != std::errc() || r.ptr != trimmed.data() + trimmed.size()) {
      why = "environment setting " + utf8(hv.hostName) + " is not a 16-bit integer: \"" + text + "\"";
      return false;
    }
    b.integer(hv.code, v);
    return true;
  }
  auto it = variables.find(hv.hostName);
  if (it == variables.end()) return false;
  const Variable& v = it->second;
  bool finite = std::isfinite(v.value[0]) && std::isfinite(v.value[1]) && std::isfinite(v.value[2]);
  switch (hv.code) {
    case 10:
      if (v.kind != Variable::Kind::Point) return false;
      if (!finite) break;
      b.point(10, v.value[0], v.value[1], v.value[2]);
      return true;
    case 40:
      if (v.kind != Variable::Kind::Real && v.kind != Variable::Kind::Short) return false;
      if (!finite) break;
      b.real(40, v.kind == Variable::Kind::Short ? v.shortValue : v.value[0]);
      return true;
    case 70:
      if (v.kind != Variable::Kind::Short) return false;
      b.integer(70, v.shortValue);
      return true;
    default:
      if (v.kind != Variable::Kind::String || v.text.empty()) return false;
      b.text(hv.code, v.text);
      return true;
  }
  why = "variable " + utf8(hv.hostName) + " is not a finite number";
  return false;
}

// The reason the drawing cannot be written, or empty: a number that is not
// finite has no DXF text that any reader takes back.
std::string unwritable(const Drawing& d, const std::map<vstring, Variable>& variables,
                       const std::map<vstring, vstring>& environment) {
  auto entityReason = [](const Entity& e) -> std::string {
    std::optional<std::string> bad = nonFiniteGroup(e.view());
    if (!bad) return {};
    return "entity " + utf8(e.handle) + " (" + utf8(e.view().type()) + "): " + *bad;
  };
  for (const auto& e : d.allEntities()) {
    if (e->erased) continue;
    if (std::string why = entityReason(*e); !why.empty()) return why;
  }
  for (const auto& b : d.blocks()) {
    if (!std::isfinite(b->base[0]) || !std::isfinite(b->base[1]) || !std::isfinite(b->base[2]))
      return "block " + utf8(b->name) + ": the base point is not finite";
    for (const auto& e : b->entities) {
      if (std::string why = entityReason(*e); !why.empty()) return "block " + utf8(b->name) + ": " + why;
    }
  }
  for (const auto& dict : d.dictionaries()) {
    for (const DictionaryEntry& entry : dict->entries) {
      if (std::optional<std::string> bad = nonFiniteGroup(entry.chain.view()))
        return "dictionary " + utf8(dict->name) + ", entry " + utf8(entry.key) + ": " + *bad;
    }
  }
  for (const TableRecord& r : d.tableRecords()) {
    if (std::optional<std::string> bad = nonFiniteGroup(r.chain.view()))
      return utf8(r.table) + " " + utf8(r.chain.view().text(2).value_or(u"")) + ": " + *bad;
  }
  for (const HeaderEntry& h : d.header()) {
    if (std::optional<std::string> bad = nonFiniteGroup(h.value.view())) return "header variable " + h.name + ": " + *bad;
  }
  for (const HeaderVariable& hv : headerVariables()) {
    vd::ChainBuilder b;
    std::string why;
    settingNode(hv, variables, environment, b, why);
    if (!why.empty()) return why;
  }
  return {};
}

class Writer {
 public:
  Writer(const Drawing& d, const std::map<vstring, Variable>& vars, const std::map<vstring, vstring>& env,
         std::ostream* file)
      : d_(d), vars_(vars), env_(env), file_(file), next_(d.handleSeed()), dimensionBlocks_(d, vars, env) {}

  // Writes the file; the text stays in text() when no file was given. False when the file fails.
  bool run() {
    collectNames();
    plan();
    writeHeader();
    tag(0, "SECTION");
    tag(2, "CLASSES");
    for (const KeptRecord& r : d_.kept().classes) keptRecord(r);
    tag(0, "ENDSEC");
    writeTables();
    writeBlocks();
    writeEntities();
    writeObjects();
    for (const std::vector<KeptRecord>& section : d_.kept().sections) {
      for (const KeptRecord& r : section) keptRecord(r);
      tag(0, "ENDSEC");
    }
    tag(0, "EOF");
    return flush();
  }
  std::string& text() { return out_; }

 private:
  static constexpr size_t kFlushBytes = 1 << 20;

  // A handle of the writer's own: above the drawing's while there is room
  // below the ceiling, else a gap from the bottom, as the drawing takes them.
  std::string take() {
    return hex(next_ < kHandleCeiling ? next_++ : d_.firstGap(low_));
  }
  // A handle the file gave, or a new one.
  std::string keptOrNew(const vstring& kept) { return kept.empty() ? take() : utf8(kept); }

  bool flush() {
    if (!file_) return true;
    file_->write(out_.data(), static_cast<std::streamsize>(out_.size()));
    out_.clear();
    return static_cast<bool>(*file_);
  }

  void tag(int code, std::string_view value) {
    char buf[16];
    int n = std::snprintf(buf, sizeof buf, "%3d\n", code);
    out_.append(buf, static_cast<size_t>(n));
    out_.append(value.data(), value.size());
    out_ += '\n';
    if (file_ && out_.size() >= kFlushBytes) flush();
  }
  void tagText(int code, vstring_view text) { tag(code, encodeText(text)); }
  void keptGroups(const std::vector<KeptGroup>& groups) {
    for (const KeptGroup& g : groups) tagText(g.code, g.value);
  }
  // A record kept as it was read. A non-empty `handle` or `owner` takes the
  // place of its handle (5, right after its type) or of its owner (330 before
  // its first subclass marker, where one was missing): the host's structure
  // around it may have other handles now.
  void keptRecord(const KeptRecord& r, const std::string& handle = {}, const std::string& owner = {}) {
    bool sawSubclass = false, ownerDone = owner.empty();
    // A record without subclass markers (R12) gets its owner after its head
    // and handle, ahead of its data and extended data.
    bool markers = false;
    for (const KeptGroup& g : r) markers = markers || g.code == vd::gc::kSubclass;
    for (size_t k = 0; k < r.size(); ++k) {
      const KeptGroup& g = r[k];
      if (!handle.empty() && g.code == vd::gc::kHandle) continue;
      const bool head = k == 0 || (k == 1 && g.code == vd::gc::kHandle);
      if (!ownerDone && !sawSubclass && (g.code == vd::gc::kSubclass || (!markers && !head))) {
        tag(vd::gc::kOwner, owner);
        ownerDone = true;
      }
      sawSubclass = sawSubclass || g.code == vd::gc::kSubclass;
      if (!sawSubclass && g.code == vd::gc::kOwner && !owner.empty()) {
        if (!ownerDone) tag(g.code, owner);
        ownerDone = true;
        continue;
      }
      tagText(g.code, g.value);
      if (k == 0 && !handle.empty()) tag(vd::gc::kHandle, handle);
    }
    if (!ownerDone) tag(vd::gc::kOwner, owner);
  }
  template <typename Map>
  static const typename Map::mapped_type* keptFor(const Map& map, vstring_view name) {
    auto at = map.find(foldedName(name));
    return at == map.end() ? nullptr : &at->second;
  }
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
      case vd::kKindString: {
        const vstring_view text = n->v.str ? vstring_view(n->v.str) : vstring_view();
        // A handle in extended data goes out as a CAD program writes handles,
        // in upper case: readers look a "1000e2" up as a different handle.
        if (code == 1005) {
          const vstring handle = normalHandle(text);
          tagText(code, handle.empty() ? text : vstring_view(handle));
          return;
        }
        tagText(code, text);
        return;
      }
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
  void nodes(vd::ChainView chain, const FlatPoints& flat) {
    int pos = 0;
    for (ChainItem item : chain) node(item, flat.has(pos++));
  }

  // --- Names in use --------------------------------------------------------
  static void addName(std::vector<vstring>& list, vstring_view name) {
    if (name.empty()) return;
    for (const vstring& n : list) {
      if (vd::equalsNoCaseAscii(n, name)) return;
    }
    list.emplace_back(name);
  }
  static bool isByName(vstring_view lineType) {
    return vd::equalsNoCaseAscii(lineType, u"BYLAYER") || vd::equalsNoCaseAscii(lineType, u"BYBLOCK");
  }

  void collectFrom(ChainView e) {
    addName(layers_, e.text(vd::gc::kLayer).value_or(u"0"));
    if (auto lt = e.text(vd::gc::kLineType)) {
      if (!isByName(*lt)) addName(lineTypes_, *lt);
    }
    if (e.isType(vd::names::kText) || e.isType(vd::names::kMText) || e.isType(vd::names::kAttrib) ||
        e.isType(vd::names::kAttDef)) {
      if (auto st = e.text(vd::gc::kTextStyle)) addName(styles_, *st);
    }
    if (e.isType(vd::names::kDimension) || e.isType(vd::names::kLeader) || e.isType(vd::names::kTolerance)) {
      if (auto ds = e.text(vd::gc::kText2)) addName(dimStyles_, *ds);
    }
    for (ChainItem item : e) {
      if (item.code() == vd::gc::kXdApp) addName(apps_, item.text().value_or(vstring_view()));
    }
  }

  // The records the header names must exist in the tables.
  void collectHeaderNames() {
    auto hostText = [&](const char16_t* name) -> vstring_view {
      auto it = vars_.find(name);
      return it != vars_.end() && it->second.kind == Variable::Kind::String ? vstring_view(it->second.text)
                                                                            : vstring_view();
    };
    addName(layers_, hostText(u"CLAYER"));
    addName(styles_, hostText(u"TEXTSTYLE"));
    addName(dimStyles_, hostText(u"DIMSTYLE"));
    for (const HeaderEntry& h : d_.header()) {
      vstring_view value = h.value.view().text(h.name == "$CELTYPE" ? 6 : 7).value_or(u"");
      if (h.name == "$CELTYPE" && !isByName(value)) addName(lineTypes_, value);
      if (h.name == "$DIMTXSTY") addName(styles_, value);
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
    collectHeaderNames();
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

  // --- Handles ---------------------------------------------------------------
  // Every handle of the file's structure, before anything is written: the
  // header names the seed above them. What was read keeps its handle.
  void plan() {
    const StructureHandles& s = d_.structureHandles();
    for (const char16_t* table : tableOrder()) {
      auto kept = s.tables.find(table);
      tableHandles_[table] = keptOrNew(kept != s.tables.end() ? kept->second : vstring());
      if (!tableRecordDef(table) || vd::equalsNoCaseAscii(table, u"BLOCK_RECORD")) continue;
      for (const vstring& name : namesOf(table)) {
        const TableRecord* imported = importedRecord(table, name);
        std::string h = keptOrNew(imported ? imported->handle : vstring());
        recordHandles_[table].push_back(h);
        written_.insert(h);
      }
    }
    // The file's own viewports go out as read; the host's only where it had none.
    if (!keptFor(d_.kept().tableRecords, u"VPORT")) viewport_ = take();
    model_ = {keptOrNew(s.modelRecord), keptOrNew(s.modelBegin), keptOrNew(s.modelEnd)};
    paper_ = {keptOrNew(s.paperRecord), keptOrNew(s.paperBegin), keptOrNew(s.paperEnd)};
    written_.insert(model_.record);
    written_.insert(paper_.record);
    planBlocks();
    rootDictionary_ = keptOrNew(s.rootDictionary);
    // Handles of what goes out as it was read, for the references to it.
    const KeptData& k = d_.kept();
    auto hold = [&](const KeptRecord& r) {
      const vstring* h = keptValue(r, vd::gc::kHandle);
      if (h && !normalHandle(*h).empty()) keptHandles_.insert(normalHandle(*h));
    };
    for (const KeptRecord& r : k.objects) hold(r);
    for (const auto& [table, records] : k.tableRecords)
      for (const KeptRecord& r : records) hold(r);
    for (const KeptLayoutBlock& l : k.layouts) {
      for (const KeptRecord& r : l.entities) hold(r);
      // The record the reader claimed for the layout, else a new one.
      layoutRecords_.push_back(l.record.empty() ? take() : utf8(l.record));
      written_.insert(layoutRecords_.back());
    }
    // The group dictionary the file had is kept as read; the host makes one only where it had none.
    for (const KeptRootEntry& e : k.rootEntries)
      groupKept_ = groupKept_ || (e.key == u"ACAD_GROUP" && keptHandles_.count(e.handle));
    if (!groupKept_) groupDictionary_ = keptOrNew(s.groupDictionary);
    for (const auto& dict : d_.dictionaries()) {
      dictionaryHandles_.insert(dict->handle);
      for (const DictionaryEntry& e : dict->entries) dictionaryHandles_.insert(e.handle);
    }
  }

  // True when the file holds an object of this handle.
  bool holds(vstring_view handle) const {
    vstring h = normalHandle(handle);
    if (h.empty()) return false;
    return keptHandles_.count(h) || dictionaryHandles_.count(h) || written_.count(utf8(h)) || d_.findEntity(h);
  }

  // The blocks in file order: the drawing's (a dimension's block with its
  // pieces regenerated, keeping its handles and those of its members in
  // turn; an orphaned dimension block left out), then the new blocks of
  // dimensions.
  void planBlocks() {
    auto regenerated = [&](const DimensionBlock& plan, const std::vector<std::unique_ptr<Entity>>* old) {
      std::vector<std::unique_ptr<Entity>> out;
      size_t kept = 0;
      for (const vd::OwnedChain& member : plan.members) {
        auto e = std::make_unique<Entity>();
        while (old && kept < old->size() && (*old)[kept]->erased) ++kept;
        e->handle = old && kept < old->size() ? (*old)[kept++]->handle : vd::utf8ToUtf16(take());
        e->chain = PackedChain(member.view());
        out.push_back(std::move(e));
      }
      return out;
    };
    for (const auto& b : d_.blocks()) {
      if (dimensionBlocks_.orphaned(*b)) continue;
      OutBlock o{b.get(), b->name, b->flags, {b->base[0], b->base[1], b->base[2]},
                 {utf8(b->handle), keptOrNew(b->beginHandle), keptOrNew(b->endHandle)}, false, {}};
      if (const DimensionBlock* plan = dimensionBlocks_.replacing(*b)) {
        o.dimension = true;
        o.flags |= 1;  // anonymous, as a dimension's block is
        o.regenerated = regenerated(*plan, &b->entities);
      }
      written_.insert(o.handles.record);
      blocks_.push_back(std::move(o));
    }
    for (const DimensionBlock& plan : dimensionBlocks_.blocks()) {
      if (plan.replaces) continue;
      OutBlock o{nullptr, plan.name, 1, {0, 0, 0}, {take(), take(), take()}, true, {}};
      o.regenerated = regenerated(plan, nullptr);
      written_.insert(o.handles.record);
      blocks_.push_back(std::move(o));
    }
  }

  // --- Header -----------------------------------------------------------------
  // The host's value of a variable it holds; false when it holds none.
  bool writeSetting(const HeaderVariable& hv) {
    vd::ChainBuilder b;
    std::string why;
    if (!settingNode(hv, vars_, env_, b, why)) return false;
    tag(9, hv.dxfName);
    node(ChainItem(b.build().get()), false);
    return true;
  }

  void writeHeader() {
    tag(0, "SECTION");
    tag(2, "HEADER");
    tag(9, "$ACADVER");
    tag(1, "AC1015");
    tag(9, "$DWGCODEPAGE");
    tag(3, "ANSI_1250");
    tag(9, "$HANDSEED");
    tag(5, hex(next_));
    // The file's variables in its order, the host's settings in their place.
    std::set<std::string> done;
    bool insertionBase = false;
    for (const HeaderEntry& h : d_.header()) {
      done.insert(h.name);
      const HeaderVariable* hv = nullptr;
      for (const HeaderVariable& v : headerVariables()) {
        if (h.name == v.dxfName) hv = &v;
      }
      if (hv && writeSetting(*hv)) continue;
      if (h.reference) {
        bool named = true;
        for (ChainItem item : h.value.view()) {
          if (auto t = item.text()) named = named && holds(*t);
        }
        if (!named) continue;
      }
      insertionBase = insertionBase || h.name == "$INSBASE";
      tag(9, h.name);
      nodes(h.value.view(), h.flatPoints);
    }
    if (!insertionBase) {
      tag(9, "$INSBASE");
      const double origin[3] = {0, 0, 0};
      tagPoint(10, origin);
    }
    for (const HeaderVariable& hv : headerVariables()) {
      if (!done.count(hv.dxfName)) writeSetting(hv);
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

  // A group of a record as read; a reference to an object the file does not
  // hold is left out.
  void recordNode(ChainItem item) {
    if (isHandleReference(item.code()) && !holds(item.text().value_or(u""))) return;
    node(item, false);
  }

  static bool isDashGroup(int code) {
    return code == 74 || code == 75 || code == 340 || code == 46 || code == 50 || code == 44 || code == 45 ||
           code == 9;
  }

  void writeRecord(const TableRecordDef& def, vstring_view name, const TableRecord* imported, const std::string& owner,
                   const std::string& handle) {
    tagText(0, def.table);
    tag(def.handleCode, handle);
    if (imported) {
      auto control = d_.kept().entityControl.find(imported->handle);
      if (control != d_.kept().entityControl.end()) keptGroups(control->second);
    }
    tag(330, owner);
    tag(100, "AcDbSymbolTableRecord");
    tagText(100, def.subclass);
    ChainView rec = imported ? imported->chain.view() : ChainView();
    bool lineType = vd::equalsNoCaseAscii(def.table, u"LTYPE");
    std::set<int> consumed;  // positions in the chain written with the fields
    for (const TableField& f : def.fields) {
      if (f.code == 2) {
        tagText(2, name);
        continue;
      }
      if (f.repeated) {
        // Each dash of a line type with the groups that follow it (its
        // shape or text: 74, 75, 340, 46, 50, 44, 45, 9); a dash without
        // them is a plain one (74 0).
        int pos = 0;
        bool inDash = false, shaped = false;
        for (ChainItem item : rec) {
          const int p = pos++;
          if (item.code() == f.code) {
            if (lineType && inDash && !shaped) tag(74, "0");
            node(item, false);
            inDash = true;
            shaped = false;
            consumed.insert(p);
          } else if (lineType && inDash && isDashGroup(item.code())) {
            recordNode(item);
            shaped = shaped || item.code() == 74;
            consumed.insert(p);
          } else {
            if (lineType && inDash && !shaped) tag(74, "0");
            inDash = false;
          }
        }
        if (lineType && inDash && !shaped) tag(74, "0");
        continue;
      }
      if (lineType && f.code == 73) {
        tag(73, std::to_string(rec.count(49)));
        continue;
      }
      if (const vd::ValueNode* n = rec.find(f.code)) {
        recordNode(ChainItem(n));
      } else if (f.defaultText) {
        tag(f.code, f.defaultText);
      }
    }
    // The rest in the record's order. A listed code went out with the fields
    // the first time it occurs; a record may hold it again with another
    // meaning (a dimension style's 70 is also its text-fill colour).
    std::set<int> written;
    int pos = 0;
    for (ChainItem item : rec) {
      const int p = pos++;
      if (item.code() == vd::gc::kType || consumed.count(p)) continue;
      const TableField* field = nullptr;
      for (const TableField& f : def.fields) {
        if (f.code == item.code()) field = &f;
      }
      if (field && (field->repeated || written.insert(item.code()).second)) continue;
      recordNode(item);
    }
  }

  void writeTable(const char16_t* table) {
    std::string name = utf8(table);
    const std::string& handle = tableHandles_[table];
    if (const auto* kept = keptFor(d_.kept().tableRecords, table)) {
      // Viewports, views and coordinate systems as the file had them.
      tableHead(name, handle, kept->size(), nullptr);
      for (const KeptRecord& r : *kept) keptRecord(r, {}, handle);
      tag(0, "ENDTAB");
      return;
    }
    if (vd::equalsNoCaseAscii(table, u"VPORT")) {
      tableHead(name, handle, 1, nullptr);
      tag(0, "VPORT");
      tag(5, viewport_);
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
      const KeptData& k = d_.kept();
      tableHead(name, handle, 2 + k.layouts.size() + blocks_.size(), nullptr);
      const TableRecordDef& def = *tableRecordDef(table);
      // A block's record as the file had it (a layout's names its LAYOUT).
      auto record = [&](vstring_view blockName, const std::string& recordHandle) {
        if (const KeptRecord* kept = keptFor(k.blockRecords, blockName)) {
          keptRecord(*kept, recordHandle, handle);
        } else {
          writeRecord(def, blockName, nullptr, handle, recordHandle);
        }
      };
      record(u"*Model_Space", model_.record);
      record(u"*Paper_Space", paper_.record);
      for (size_t i = 0; i < k.layouts.size(); ++i) record(k.layouts[i].name, layoutRecords_[i]);
      for (const OutBlock& b : blocks_) record(b.name, b.handles.record);
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
    for (size_t i = 0; i < names.size(); ++i)
      writeRecord(*def, names[i], importedRecord(table, names[i]), handle, recordHandles_[table][i]);
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
    // A dimension the host draws names the block its pieces are saved in.
    if (const vstring* block = dimensionBlocks_.nameFor(e)) {
      Entity named;
      named.handle = e.handle;
      named.flatPoints = e.flatPoints;
      named.chain = PackedChain(withBlockName(e.view(), *block, named.flatPoints));
      writeEntityAsIs(named, owner);
      return;
    }
    writeEntityAsIs(e, owner);
  }

  void writeEntityAsIs(const Entity& e, const std::string& owner) {
    ChainView v = e.view();
    tagText(0, v.type());
    tagText(5, e.handle);
    auto control = d_.kept().entityControl.find(e.handle);
    if (control != d_.kept().entityControl.end()) keptGroups(control->second);
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
      if (code == vd::gc::kControl && !inXdata) {
        auto t = item.text().value_or(vstring_view());
        controlDepth += (!t.empty() && t.front() == u'{') ? 1 : (t == u"}" ? -1 : 0);
        continue;
      }
      if (controlDepth > 0) continue;
      node(item, e.flatPoints.has(p), !inXdata && isConvertedAngle(type, code));
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
      // The vertex counts a reader needs, where the chain leaves them out.
      if (vd::equalsNoCaseAscii(v.type(), u"LWPOLYLINE") && !v.has(90)) tag(90, std::to_string(v.count(10)));
      if (vd::equalsNoCaseAscii(v.type(), u"LEADER") && !v.has(76)) tag(76, std::to_string(v.count(10)));
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
  void writeSequence(const std::vector<std::unique_ptr<Entity>>& list, const std::string& spaceOwner, bool paperAware) {
    std::string open;
    for (const auto& e : list) {
      if (e->erased) continue;
      ChainView v = e->view();
      bool follower = v.isType(vd::names::kAttrib) || v.isType(vd::names::kVertex) || v.isType(vd::names::kSeqEnd);
      std::string owner = spaceOwner;
      if (paperAware && v.integer(vd::gc::kPaperSpace).value_or(0) == 1) owner = paper_.record;
      if (follower && !open.empty()) owner = open;
      writeEntity(*e, owner);
      if (v.isType(vd::names::kSeqEnd)) open.clear();
      if (v.isType(vd::names::kPolyline) ||
          (v.isType(vd::names::kInsert) && v.integer(vd::gc::kEntitiesFollow).value_or(0) == 1))
        open = utf8(e->handle);
    }
  }

  struct BlockHandles {
    std::string record, begin, end;
  };
  // A block as the file holds it: the drawing's, or a dimension's with its
  // pieces regenerated.
  struct OutBlock {
    const Block* block;  // the drawing's block; null for a new dimension block
    vstring name;
    int flags;
    double base[3];
    BlockHandles handles;
    bool dimension;      // its members are the regenerated pieces of a dimension
    std::vector<std::unique_ptr<Entity>> regenerated;
  };

  // `asRead`: the block is the one the file defined, and its frame as the file had it goes out.
  void blockFrame(vstring_view name, int flags, const double base[3], const BlockHandles& h, bool asRead = true) {
    if (const auto* kept = asRead ? keptFor(d_.kept().blockFrames, name) : nullptr) {
      keptRecord(kept->first, h.begin, h.record);
      return;
    }
    tag(0, "BLOCK");
    tag(5, h.begin);
    tag(330, h.record);
    tag(100, "AcDbEntity");
    tag(8, "0");
    tag(100, "AcDbBlockBegin");
    tagText(2, name);
    tag(70, std::to_string(flags));
    tagPoint(10, base);
    tagText(3, name);
    tag(1, "");
  }
  void blockEnd(vstring_view name, const BlockHandles& h, bool asRead = true) {
    if (const auto* kept = asRead ? keptFor(d_.kept().blockFrames, name) : nullptr) {
      keptRecord(kept->second, h.end, h.record);
      return;
    }
    tag(0, "ENDBLK");
    tag(5, h.end);
    tag(330, h.record);
    tag(100, "AcDbEntity");
    tag(8, "0");
    tag(100, "AcDbBlockEnd");
  }

  void writeBlocks() {
    tag(0, "SECTION");
    tag(2, "BLOCKS");
    const double origin[3] = {0, 0, 0};
    blockFrame(u"*Model_Space", 0, origin, model_);
    blockEnd(u"*Model_Space", model_);
    blockFrame(u"*Paper_Space", 0, origin, paper_);
    blockEnd(u"*Paper_Space", paper_);
    // A layout's block, its entities and its end name the layout's record as owner.
    const std::vector<KeptLayoutBlock>& layouts = d_.kept().layouts;
    for (size_t i = 0; i < layouts.size(); ++i) {
      keptRecord(layouts[i].begin, {}, layoutRecords_[i]);
      for (const KeptRecord& r : layouts[i].entities) keptRecord(r, {}, layoutRecords_[i]);
      keptRecord(layouts[i].end, {}, layoutRecords_[i]);
    }
    for (const OutBlock& b : blocks_) {
      // A block the module defined anew has a frame of its own.
      const bool asRead = b.block && !b.block->beginHandle.empty();
      blockFrame(b.name, b.flags, b.base, b.handles, asRead);
      writeSequence(b.dimension ? b.regenerated : b.block->entities, b.handles.record, false);
      blockEnd(b.name, b.handles, asRead);
    }
    tag(0, "ENDSEC");
  }

  void writeEntities() {
    tag(0, "SECTION");
    tag(2, "ENTITIES");
    writeSequence(d_.allEntities(), model_.record, true);
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
    const KeptData& k = d_.kept();
    dictionaryHead(rootDictionary_, "0");
    // The file's entries in its order: a named dictionary of the drawing
    // where it had one (one the module removed is gone), the rest as read.
    // The named dictionaries' records follow in the order the root lists
    // them, so that reading the file back finds them in that order.
    std::vector<const NamedDictionary*> listed;
    auto isListed = [&](const NamedDictionary* dict) {
      return std::find(listed.begin(), listed.end(), dict) != listed.end();
    };
    for (const KeptRootEntry& e : k.rootEntries) {
      const NamedDictionary* dict = d_.findDictionary(e.key);
      if (dict && !isListed(dict)) {
        listed.push_back(dict);
        tagText(3, dict->name);
        tagText(350, dict->handle);
      } else if (keptHandles_.count(e.handle)) {
        tagText(3, e.key);
        tagText(e.code, e.handle);
      }
    }
    if (!groupKept_) {
      tag(3, "ACAD_GROUP");
      tag(350, groupDictionary_);
    }
    for (const auto& dict : d_.dictionaries()) {
      if (isListed(dict.get())) continue;
      listed.push_back(dict.get());
      tagText(3, dict->name);
      tagText(350, dict->handle);
    }
    // The objects kept as read come where the host's own group dictionary
    // stands in a file it made: a saved file read and saved again keeps its order.
    if (!groupKept_) dictionaryHead(groupDictionary_, rootDictionary_);
    for (const KeptRecord& r : k.objects) keptRecord(r);
    for (const NamedDictionary* dict : listed) {
      std::string handle = utf8(dict->handle);
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
        bool afterSubclass = false;
        for (ChainItem item : e.chain.view()) {
          int p = pos++;
          int code = item.code();
          // The record's framing is the host's: only the data groups are
          // written. That takes the cloning flag (280) the module puts after
          // its subclass marker, which the frame above has written already.
          bool framing = code == vd::gc::kType || code == vd::gc::kHandle || code == vd::gc::kSubclass ||
                         code == vd::gc::kOwner || (code == kXrecordCloning && afterSubclass);
          afterSubclass = code == vd::gc::kSubclass || (afterSubclass && code != kXrecordCloning && framing);
          if (framing) continue;
          node(item, e.flatPoints.has(p));
        }
      }
    }
    tag(0, "ENDSEC");
  }

  const Drawing& d_;
  const std::map<vstring, Variable>& vars_;
  const std::map<vstring, vstring>& env_;
  std::ostream* file_;
  uint64_t next_;
  uint64_t low_ = 1;  // the next gap to try once next_ is at the ceiling
  std::string out_;
  std::map<vstring, std::string> tableHandles_;
  std::map<vstring, std::vector<std::string>> recordHandles_;  // by table, in the order of namesOf
  std::set<std::string> written_;  // handles of the records the file holds
  std::unordered_set<vstring> keptHandles_;  // handles of what goes out as it was read
  std::unordered_set<vstring> dictionaryHandles_;  // of the named dictionaries and their records
  std::vector<std::string> layoutRecords_;   // BLOCK_RECORD handles of the kept layouts' blocks
  bool groupKept_ = false;                   // the file's ACAD_GROUP entry and dictionary go out as read
  std::string viewport_, rootDictionary_, groupDictionary_;
  BlockHandles model_, paper_;
  DimensionBlocks dimensionBlocks_;
  std::vector<OutBlock> blocks_;
  std::vector<vstring> layers_, lineTypes_, styles_, dimStyles_, apps_, scratch_;
};

}  // namespace

std::string writeDxf(const Drawing& drawing, const std::map<vstring, Variable>& variables,
                     const std::map<vstring, vstring>& environment, std::string* error) {
  std::string why = unwritable(drawing, variables, environment);
  if (error) *error = why;
  if (!why.empty()) return {};
  Writer w(drawing, variables, environment, nullptr);
  w.run();
  return std::move(w.text());
}

bool saveDxf(const Drawing& drawing, const std::map<vstring, Variable>& variables,
             const std::map<vstring, vstring>& environment, const std::string& path, std::string& error) {
  error = unwritable(drawing, variables, environment);
  if (!error.empty()) {
    error = "cannot save " + path + ": " + error;
    return false;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) {
    error = "cannot write " + path;
    return false;
  }
  bool ok = Writer(drawing, variables, environment, &out).run();
  out.close();
  if (!ok || !out) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace hostsim::dxf
