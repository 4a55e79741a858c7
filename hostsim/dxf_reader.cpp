#include "hostsim/dxf_reader.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "host/names.h"
#include "hostsim/dxf_schema.h"
#include "hostsim/host.h"

namespace hostsim::dxf {

using vd::ChainBuilder;
using vd::OwnedChain;
using vd::vstring_view;

vstring decodeText(std::string_view raw, bool utf8) {
  vstring base = utf8 ? vd::utf8ToUtf16(raw) : vd::cp1250ToUtf16(raw);
  vstring out;
  for (size_t i = 0; i < base.size(); ++i) {
    if (base[i] == u'\\' && i + 7 <= base.size() && base.compare(i, 3, u"\\U+") == 0) {
      unsigned v = 0;
      bool ok = true;
      for (size_t k = i + 3; k < i + 7; ++k) {
        vchar c = base[k];
        v <<= 4;
        if (c >= u'0' && c <= u'9') v |= c - u'0';
        else if (c >= u'A' && c <= u'F') v |= c - u'A' + 10;
        else if (c >= u'a' && c <= u'f') v |= c - u'a' + 10;
        else ok = false;
      }
      if (ok) {
        out.push_back(static_cast<vchar>(v));
        i += 6;
        continue;
      }
    }
    out.push_back(base[i]);
  }
  return out;
}

namespace {

struct Tag {
  int code;
  std::string value;
  int line;
};

std::string trim(std::string s) {
  while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t')) s.pop_back();
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  return s.substr(i);
}

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  ReadResult run() {
    ReadResult r;
    if (!tokenize(r.error)) return r;
    detectEncoding();
    auto drawing = std::make_unique<Drawing>();
    d_ = drawing.get();
    // Handles the host makes while reading must not take one the file uses later on.
    for (const Tag& t : tags_) {
      if (t.code != 5 && t.code != 105) continue;
      vstring h = normalHandle(vd::utf8ToUtf16(trim(t.value)));
      if (!h.empty()) d_->reserveHandlesBelow(std::strtoull(vd::utf16ToUtf8(h).c_str(), nullptr, 16) + 1);
    }
    result_ = &r;
    if (!parse()) {
      r.error = error_;
      return r;
    }
    r.drawing = std::move(drawing);
    return r;
  }

 private:
  bool tokenize(std::string& error) {
    std::istringstream in{std::string(text_)};
    std::string codeLine, valueLine;
    int line = 0;
    while (std::getline(in, codeLine)) {
      ++line;
      std::string c = trim(codeLine);
      if (c.empty() && in.peek() == EOF) break;
      if (!std::getline(in, valueLine)) {
        error = "line " + std::to_string(line) + ": group code without value";
        return false;
      }
      ++line;
      char* end = nullptr;
      errno = 0;
      long code = std::strtol(c.c_str(), &end, 10);
      if (c.empty() || *end != 0 || errno != 0 || code < -32768 || code > 32767) {
        error = "line " + std::to_string(line - 1) + ": \"" + c + "\" is not a group code";
        return false;
      }
      if (!valueLine.empty() && valueLine.back() == '\r') valueLine.pop_back();
      tags_.push_back({static_cast<int>(code), valueLine, line});
      if (code == 0 && trim(valueLine) == "EOF") break;
    }
    if (tags_.empty()) {
      error = "the file holds no DXF data";
      return false;
    }
    return true;
  }

  void detectEncoding() {
    for (size_t i = 0; i + 1 < tags_.size(); ++i) {
      if (tags_[i].code != 9) continue;
      std::string name = trim(tags_[i].value);
      std::string value = trim(tags_[i + 1].value);
      if (name == "$ACADVER") utf8_ = value >= "AC1021";
      if (name == "$DWGCODEPAGE" && value == "ANSI_1252") cp1252_ = true;
      if (name == "$ENDSEC" || (tags_[i].code == 0 && tags_[i].value == "ENDSEC")) break;
    }
  }

  vstring text(const Tag& t) const {
    if (cp1252_ && !utf8_) {
      // Code page 1252 is Latin-1 but for 0x80-0x9F.
      static const char16_t high[32] = {0x20AC, 0x81, 0x201A, 0x192, 0x201E, 0x2026, 0x2020, 0x2021,
                                        0x2C6, 0x2030, 0x160, 0x2039, 0x152, 0x8D, 0x17D, 0x8F,
                                        0x90, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                        0x2DC, 0x2122, 0x161, 0x203A, 0x153, 0x9D, 0x17E, 0x178};
      vstring base;
      for (unsigned char c : t.value) base.push_back(c >= 0x80 && c < 0xA0 ? high[c - 0x80] : static_cast<vchar>(c));
      return decodeText(vd::utf16ToUtf8(base), true);
    }
    return decodeText(t.value, utf8_);
  }

  bool fail(const Tag& t, const std::string& why) {
    error_ = "line " + std::to_string(t.line) + ": " + why;
    return false;
  }

  bool parseReal(const Tag& t, double& out) {
    std::string s = trim(t.value);
    char* end = nullptr;
    errno = 0;
    out = std::strtod(s.c_str(), &end);
    if (s.empty() || *end != 0) return fail(t, "group " + std::to_string(t.code) + " wants a number, not \"" + s + "\"");
    return true;
  }
  bool parseInt(const Tag& t, int64_t& out) {
    std::string s = trim(t.value);
    char* end = nullptr;
    errno = 0;
    out = std::strtoll(s.c_str(), &end, 10);
    if (s.empty() || *end != 0 || errno != 0)
      return fail(t, "group " + std::to_string(t.code) + " wants an integer, not \"" + s + "\"");
    return true;
  }

  // Reads one group (a point takes its y and z groups too) into the builder.
  // `i` is advanced past what was used; `flat` tells a point without z.
  // `angle`: the real is an angle in degrees that the chain holds in radians.
  bool readGroup(size_t& i, ChainBuilder& b, bool& flat, bool angle = false) {
    const Tag& t = tags_[i++];
    flat = false;
    uint32_t d = vd::groupCodeKind(t.code);
    if (!vd::hasDefinedKind(d)) return fail(t, "group code " + std::to_string(t.code) + " has no value kind");
    switch (vd::kindOf(d)) {
      case vd::kKindString:
        b.text(t.code, text(t));
        break;
      case vd::kKindPoint: {
        double p[3] = {0, 0, 0};
        if (!parseReal(t, p[0])) return false;
        if (i < tags_.size() && tags_[i].code == t.code + 10) {
          if (!parseReal(tags_[i++], p[1])) return false;
        } else {
          return fail(t, "point " + std::to_string(t.code) + " without its y group");
        }
        if (i < tags_.size() && tags_[i].code == t.code + 20) {
          if (!parseReal(tags_[i++], p[2])) return false;
        } else {
          flat = true;
        }
        b.point(t.code, p[0], p[1], p[2]);
        break;
      }
      case vd::kKindReal: {
        double v = 0;
        if (!parseReal(t, v)) return false;
        b.real(t.code, angle ? degreesToRadians(v) : v);
        break;
      }
      case vd::kKindBinary: {
        std::string s = trim(t.value);
        if (s.size() % 2 != 0 || s.size() / 2 > 32767) return fail(t, "binary group with a broken hex text");
        std::vector<unsigned char> bytes;
        for (size_t k = 0; k < s.size(); k += 2) {
          char* end = nullptr;
          std::string pair = s.substr(k, 2);
          long v = std::strtol(pair.c_str(), &end, 16);
          if (*end != 0) return fail(t, "binary group with a broken hex text");
          bytes.push_back(static_cast<unsigned char>(v));
        }
        b.chunk(t.code, bytes.data(), static_cast<int16_t>(bytes.size()));
        break;
      }
      default: {
        int64_t v = 0;
        if (!parseInt(t, v)) return false;
        // Booleans and short integers written wider by some programs are clamped, never wrapped.
        if (vd::kindOf(d) != vd::kKindInt64 && vd::kindOf(d) != vd::kKindInt32) {
          if (v < -32768 || v > 32767) return fail(t, "group " + std::to_string(t.code) + " value out of range");
        } else if (vd::kindOf(d) == vd::kKindInt32 && (v < INT32_MIN || v > INT32_MAX)) {
          return fail(t, "group " + std::to_string(t.code) + " value out of range");
        }
        b.integer(t.code, v);
        break;
      }
    }
    if (!b.ok()) return fail(t, b.error());
    return true;
  }

  // One entity or object from its 0 group to the next; the chain begins with
  // 0 (type) and 5 (handle). Owner, reactor and extension-dictionary groups
  // are the host's and are left out; extended data gets its -3 marker. Angle
  // groups of an entity turn from the file's degrees into radians.
  struct Record {
    OwnedChain chain;
    vstring handle;
    std::set<int> flat;
    vstring type;
  };
  bool readRecord(size_t& i, Record& r, int handleCode = 5) {
    const Tag& head = tags_[i++];
    r.type = text(head);
    vstring fileHandle;
    size_t end = i;
    while (end < tags_.size() && tags_[end].code != 0) ++end;
    for (size_t k = i; k < end; ++k) {
      if (tags_[k].code == handleCode) {
        fileHandle = text(tags_[k]);
        break;
      }
    }
    if (!d_->claimHandle(fileHandle)) {
      r.handle = d_->newHandle();
      if (!fileHandle.empty()) result_->notes.push_back("line " + std::to_string(head.line) + ": handle " +
                                                        vd::utf16ToUtf8(fileHandle) + " replaced by " +
                                                        vd::utf16ToUtf8(r.handle));
    } else {
      r.handle = normalHandle(fileHandle);
    }
    ChainBuilder b;
    b.text(vd::gc::kType, r.type).text(vd::gc::kHandle, r.handle);
    int pos = 2;
    bool sawSubclass = false, inXdata = false, handleTaken = false;
    int control = 0;
    while (i < end) {
      const Tag& t = tags_[i];
      if (t.code == handleCode && !handleTaken) {
        handleTaken = true;
        ++i;
        continue;
      }
      if (t.code == vd::gc::kSubclass) sawSubclass = true;
      if (t.code == vd::gc::kControl && !inXdata) {
        std::string v = trim(t.value);
        control += (!v.empty() && v[0] == '{') ? 1 : (v == "}" ? -1 : 0);
        ++i;
        continue;
      }
      if (control > 0 || (t.code == vd::gc::kOwner && !sawSubclass && !inXdata)) {
        ++i;
        continue;
      }
      if (t.code == vd::gc::kXdApp && !inXdata) {
        inXdata = true;
        b.marker(vd::gc::kExtendedData);
        ++pos;
      }
      bool flat = false;
      if (!readGroup(i, b, flat, !inXdata && isConvertedAngle(r.type, t.code))) return false;
      if (flat) r.flat.insert(pos);
      ++pos;
    }
    r.chain = b.build();
    if (!r.chain) return fail(head, "the record cannot be kept");
    return true;
  }

  bool isSection(size_t i, const char* name) const {
    return tags_[i].code == 0 && trim(tags_[i].value) == "SECTION" && i + 1 < tags_.size() && tags_[i + 1].code == 2 &&
           trim(tags_[i + 1].value) == name;
  }
  bool isZero(size_t i, const char* value) const { return tags_[i].code == 0 && trim(tags_[i].value) == value; }

  bool parse() {
    size_t i = 0;
    while (i < tags_.size()) {
      if (isZero(i, "EOF")) break;
      if (!isZero(i, "SECTION") || i + 1 >= tags_.size() || tags_[i + 1].code != 2)
        return fail(tags_[i], "a SECTION was expected");
      std::string name = trim(tags_[i + 1].value);
      i += 2;
      bool ok = true;
      if (name == "HEADER") ok = readHeader(i);
      else if (name == "TABLES") ok = readTables(i);
      else if (name == "BLOCKS") ok = readBlocks(i);
      else if (name == "ENTITIES") ok = readEntities(i);
      else if (name == "OBJECTS") ok = readObjects(i);
      else skipSection(i);
      if (!ok) return false;
      if (i >= tags_.size()) return fail(tags_.back(), "section " + name + " has no ENDSEC");
      ++i;  // ENDSEC
    }
    return true;
  }

  void skipSection(size_t& i) {
    while (i < tags_.size() && !isZero(i, "ENDSEC")) ++i;
  }

  bool readHeader(size_t& i) {
    while (i < tags_.size() && !isZero(i, "ENDSEC")) {
      const Tag& t = tags_[i++];
      if (t.code != 9) continue;
      std::string name = trim(t.value);
      for (const HeaderVariable& hv : headerVariables()) {
        if (name != hv.dxfName || i >= tags_.size() || tags_[i].code != hv.code) continue;
        Variable v;
        if (hv.code == 10) {
          ChainBuilder b;
          bool flat = false;
          if (!readGroup(i, b, flat)) return false;
          auto p = b.build().view().point(10);
          v.kind = Variable::Kind::Point;
          v.value[0] = p->x;
          v.value[1] = p->y;
          v.value[2] = p->z;
        } else if (hv.code == 40) {
          v.kind = Variable::Kind::Real;
          if (!parseReal(tags_[i++], v.value[0])) return false;
        } else if (hv.code == 70) {
          int64_t n = 0;
          if (!parseInt(tags_[i++], n)) return false;
          v.kind = Variable::Kind::Short;
          v.shortValue = static_cast<int16_t>(n);
        } else {
          v.kind = Variable::Kind::String;
          v.text = text(tags_[i++]);
        }
        result_->variables[hv.hostName] = v;
      }
    }
    return true;
  }

  bool readTables(size_t& i) {
    while (i < tags_.size() && !isZero(i, "ENDSEC")) {
      if (!isZero(i, "TABLE")) {
        ++i;
        continue;
      }
      ++i;
      vstring table = (i < tags_.size() && tags_[i].code == 2) ? text(tags_[i]) : vstring();
      while (i < tags_.size() && tags_[i].code != 0) ++i;  // the table head
      const TableRecordDef* def = tableRecordDef(table);
      bool keep = def && !vd::equalsNoCaseAscii(table, u"BLOCK_RECORD");
      while (i < tags_.size() && !isZero(i, "ENDTAB") && !isZero(i, "ENDSEC")) {
        if (!keep) {
          ++i;
          while (i < tags_.size() && tags_[i].code != 0) ++i;
          continue;
        }
        // A record keeps the codes its table lists; handles and owners are the host's.
        size_t start = i++;
        ChainBuilder b;
        b.text(vd::gc::kType, text(tags_[start]));
        while (i < tags_.size() && tags_[i].code != 0) {
          if (!tableKeepsCode(*def, tags_[i].code)) {
            ++i;
            continue;
          }
          bool flat = false;
          if (!readGroup(i, b, flat)) return false;
        }
        OwnedChain rec = b.build();
        if (!rec.view().text(2)) continue;
        d_->tableRecords().push_back({table, std::move(rec)});
      }
      if (i < tags_.size() && isZero(i, "ENDTAB")) ++i;
    }
    return true;
  }

  static bool isLayoutBlock(vstring_view name) {
    return vd::equalsNoCaseAscii(name.substr(0, 12), u"*Model_Space") ||
           vd::equalsNoCaseAscii(name.substr(0, 12), u"*Paper_Space");
  }

  bool readBlocks(size_t& i) {
    while (i < tags_.size() && !isZero(i, "ENDSEC")) {
      if (!isZero(i, "BLOCK")) return fail(tags_[i], "a BLOCK was expected");
      size_t head = i++;
      vstring name;
      int64_t flags = 0;
      double base[3] = {0, 0, 0};
      while (i < tags_.size() && tags_[i].code != 0) {
        const Tag& t = tags_[i];
        if (t.code == 2) name = text(t);
        if (t.code == 70 && !parseInt(t, flags)) return false;
        if (t.code == 10 && !parseReal(t, base[0])) return false;
        if (t.code == 20 && !parseReal(t, base[1])) return false;
        if (t.code == 30 && !parseReal(t, base[2])) return false;
        ++i;
      }
      if (name.empty()) return fail(tags_[head], "a block without name");
      bool layout = isLayoutBlock(name);
      Block* block = layout ? nullptr : &d_->importBlock(name, static_cast<int>(flags), base, d_->newHandle());
      while (i < tags_.size() && !isZero(i, "ENDBLK") && !isZero(i, "ENDSEC")) {
        Record r;
        if (!readRecord(i, r)) return false;
        if (block) {
          d_->importBlockEntity(*block, std::move(r.chain), r.handle, r.flat);
        } else {
          // Entities of a layout block are drawing entities (paper space keeps its 67).
          d_->importEntity(std::move(r.chain), r.handle, r.flat);
        }
      }
      if (i >= tags_.size() || !isZero(i, "ENDBLK")) return fail(tags_[head], "block without ENDBLK");
      ++i;
      while (i < tags_.size() && tags_[i].code != 0) ++i;
    }
    return true;
  }

  bool readEntities(size_t& i) {
    while (i < tags_.size() && !isZero(i, "ENDSEC")) {
      Record r;
      if (!readRecord(i, r)) return false;
      d_->importEntity(std::move(r.chain), r.handle, r.flat);
    }
    return true;
  }

  struct ObjectTags {
    vstring type;
    size_t first, end;  // tags after the 0 group
  };

  bool readObjects(size_t& i) {
    std::vector<std::pair<vstring, ObjectTags>> objects;  // handle -> tags
    while (i < tags_.size() && !isZero(i, "ENDSEC")) {
      ObjectTags o{text(tags_[i]), i + 1, i + 1};
      size_t k = i + 1;
      while (k < tags_.size() && tags_[k].code != 0) ++k;
      o.end = k;
      vstring handle;
      for (size_t m = o.first; m < o.end; ++m) {
        if (tags_[m].code == 5 || tags_[m].code == 105) {
          handle = normalHandle(text(tags_[m]));
          break;
        }
      }
      objects.emplace_back(handle, o);
      i = k;
    }
    auto find = [&](const vstring& h) -> const ObjectTags* {
      for (auto& [handle, o] : objects) {
        if (handle == h) return &o;
      }
      return nullptr;
    };
    if (objects.empty() || !vd::equalsNoCaseAscii(objects.front().second.type, u"DICTIONARY")) return true;
    // The first object is the named-object dictionary.
    for (auto [key, target] : entries(objects.front().second)) {
      const ObjectTags* dict = find(target);
      if (key.rfind(u"ACAD_", 0) == 0 || key.rfind(u"AcDb", 0) == 0) continue;
      if (!dict || !vd::equalsNoCaseAscii(dict->type, u"DICTIONARY")) {
        result_->notes.push_back("named object " + vd::utf16ToUtf8(key) + " is not a dictionary: not kept");
        continue;
      }
      vstring handle = d_->claimHandle(target) ? target : d_->newHandle();
      NamedDictionary& nd = d_->importDictionary(key, handle);
      for (auto [entryKey, entryHandle] : entries(*dict)) {
        const ObjectTags* xr = find(entryHandle);
        if (!xr || !vd::equalsNoCaseAscii(xr->type, u"XRECORD")) {
          result_->notes.push_back("entry " + vd::utf16ToUtf8(entryKey) + " of " + vd::utf16ToUtf8(key) +
                                   " is not an XRECORD: not kept");
          continue;
        }
        DictionaryEntry e;
        e.key = entryKey;
        e.handle = d_->claimHandle(entryHandle) ? entryHandle : d_->newHandle();
        if (!readXrecord(*xr, e)) return false;
        nd.entries.push_back(std::move(e));
      }
    }
    return true;
  }

  std::vector<std::pair<vstring, vstring>> entries(const ObjectTags& o) const {
    std::vector<std::pair<vstring, vstring>> out;
    for (size_t m = o.first; m < o.end; ++m) {
      if (tags_[m].code == 3 && m + 1 < o.end && (tags_[m + 1].code == 350 || tags_[m + 1].code == 360)) {
        out.emplace_back(text(tags_[m]), normalHandle(text(tags_[m + 1])));
        ++m;
      }
    }
    return out;
  }

  // The data groups after the AcDbXrecord marker, without its cloning flag.
  bool readXrecord(const ObjectTags& o, DictionaryEntry& e) {
    size_t m = o.first;
    while (m < o.end && !(tags_[m].code == 100 && trim(tags_[m].value) == "AcDbXrecord")) ++m;
    if (m < o.end) ++m;
    if (m < o.end && tags_[m].code == 280) ++m;
    ChainBuilder b;
    int pos = 0;
    while (m < o.end) {
      bool flat = false;
      if (!readGroup(m, b, flat)) return false;
      if (flat) e.flatPoints.insert(pos);
      ++pos;
    }
    e.chain = b.build();
    return true;
  }

  std::string_view text_;
  std::vector<Tag> tags_;
  bool utf8_ = false, cp1252_ = false;
  Drawing* d_ = nullptr;
  ReadResult* result_ = nullptr;
  std::string error_;
};

}  // namespace

ReadResult readDxf(std::string_view text) { return Reader(text).run(); }

ReadResult loadDxf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    ReadResult r;
    r.error = "cannot read " + path;
    return r;
  }
  std::stringstream ss;
  ss << in.rdbuf();
  std::string text = ss.str();
  ReadResult r = readDxf(text);
  if (!r.drawing) r.error = path + ": " + r.error;
  return r;
}

}  // namespace hostsim::dxf
