#include "hostsim/dxf_reader.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>

#include "host/names.h"
#include "hostsim/dimension_graphics.h"
#include "hostsim/dxf_schema.h"
#include "hostsim/host.h"
#include "hostsim/number_text.h"

namespace hostsim::dxf {

using vd::ChainBuilder;
using vd::OwnedChain;
using vd::vstring_view;

int hexDigit(vchar c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

namespace {

// The value of `count` hex digits at `at`; -1 when one is not a digit or the text ends.
long hexValue(vstring_view s, size_t at, size_t count) {
  if (at + count > s.size()) return -1;
  long v = 0;
  for (size_t k = at; k < at + count; ++k) {
    int d = hexDigit(s[k]);
    if (d < 0) return -1;
    v = v * 16 + d;
  }
  return v;
}

}  // namespace

vstring decodeText(std::string_view raw, bool utf8) {
  vstring base = utf8 ? vd::utf8ToUtf16(raw) : vd::cp1250ToUtf16(raw);
  vstring out;
  out.reserve(base.size());
  for (size_t i = 0; i < base.size(); ++i) {
    if (base[i] == u'\\' && base.compare(i, 3, u"\\U+") == 0) {
      // Eight digits name a character beyond the 16-bit plane; it becomes a surrogate pair.
      long wide = hexValue(base, i + 3, 8);
      if (wide >= 0x10000 && wide <= 0x10FFFF) {
        wide -= 0x10000;
        out.push_back(static_cast<vchar>(0xD800 + (wide >> 10)));
        out.push_back(static_cast<vchar>(0xDC00 + (wide & 0x3FF)));
        i += 10;
        continue;
      }
      long v = hexValue(base, i + 3, 4);
      if (v >= 0) {
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

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

// Text of the file in a message: at most kQuotedBytes of it, cut at a
// character boundary, with "..." where it was cut.
std::string clip(std::string_view raw) {
  if (raw.size() <= kQuotedBytes) return std::string(raw);
  size_t n = kQuotedBytes;
  while (n > 0 && (static_cast<unsigned char>(raw[n]) & 0xC0) == 0x80) --n;  // not inside a UTF-8 sequence
  return std::string(raw.substr(0, n)) + "...";
}
std::string clip(vstring_view text) { return clip(vd::utf16ToUtf8(text)); }
// A bad line in a message.
std::string quote(std::string_view raw) { return "\"" + clip(raw) + "\""; }

std::string lineText(int line) { return "line " + std::to_string(line); }

// One group of the file: its code, the line of its value, and the value
// without its line end.
struct Group {
  int code = 0;
  int line = 0;
  std::string_view value;
};

// Splits a DXF text into groups, from a text in memory or from a file read in
// pieces. Comments (999) are skipped; a UTF-8 byte-order mark before the
// first line is dropped. A group's value stays valid until the next call.
class GroupReader {
 public:
  explicit GroupReader(std::string_view text) : data_(text) {}
  explicit GroupReader(std::FILE* file) : file_(file) {}

  // The next group; false at the end of the text (error empty) or for a broken one (error set).
  bool next(Group& g, std::string& error) {
    for (;;) {
      std::string_view codeLine;
      if (!readLine(codeLine)) return false;
      int codeLineNumber = line_;
      // The code is read before the value line, which may move the buffer.
      std::string_view c = trim(codeLine);
      int code = 0;
      auto r = std::from_chars(c.data(), c.data() + c.size(), code);
      bool isCode = !c.empty() && r.ec == std::errc() && r.ptr == c.data() + c.size() && code >= -32768 && code <= 32767;
      std::string notCode = isCode ? std::string() : quote(c);
      bool blank = c.empty();
      std::string_view valueLine;
      if (!readLine(valueLine)) {
        if (blank) return false;  // a blank last line
        error = lineText(codeLineNumber) + ": group code without value";
        return false;
      }
      if (!isCode) {
        error = lineText(codeLineNumber) + ": " + notCode + " is not a group code";
        return false;
      }
      if (code < 0) {
        // Entity names (-1, -2) and the extended-data marker (-3) exist in
        // chains in memory; a file has neither.
        error = lineText(codeLineNumber) + ": group " + std::to_string(code) +
                (code == -1 || code == -2 ? " (an entity name)" : code == -3 ? " (the extended-data marker)" : "") +
                " has no place in a DXF file";
        return false;
      }
      if (valueLine.find('\0') != std::string_view::npos) {
        error = lineText(line_) + ": the value of group " + std::to_string(code) + " holds a NUL byte";
        return false;
      }
      if (code == 999) continue;  // a comment
      g.code = code;
      g.line = line_;  // messages about a group name the line of its value
      g.value = valueLine;
      return true;
    }
  }

  bool utf8Mark() const { return bom_; }

  void rewind() {
    line_ = 0;
    pos_ = 0;
    if (file_) {
      std::rewind(file_);
      storage_.clear();
      data_ = storage_;
      eof_ = false;
    }
  }

 private:
  // The next line without its end; false after the last.
  bool readLine(std::string_view& out) {
    for (;;) {
      size_t nl = data_.find('\n', pos_);
      if (nl != std::string_view::npos || !file_ || eof_) {
        if (pos_ >= data_.size() && nl == std::string_view::npos) return false;
        size_t end = nl == std::string_view::npos ? data_.size() : nl;
        out = data_.substr(pos_, end - pos_);
        pos_ = end == data_.size() ? end : end + 1;
        if (!out.empty() && out.back() == '\r') out.remove_suffix(1);
        if (++line_ == 1 && out.substr(0, 3) == "\xEF\xBB\xBF") {
          out.remove_prefix(3);
          bom_ = true;
        }
        return true;
      }
      refill();
    }
  }

  // Keeps the unread part and reads the next piece of the file after it.
  void refill() {
    storage_.erase(0, pos_);
    pos_ = 0;
    size_t had = storage_.size();
    storage_.resize(had + kPiece);
    size_t got = std::fread(storage_.data() + had, 1, kPiece, file_);
    storage_.resize(had + got);
    if (got == 0) eof_ = true;
    data_ = storage_;
  }

  static constexpr size_t kPiece = 1 << 20;
  std::string_view data_;
  std::FILE* file_ = nullptr;
  std::string storage_;
  size_t pos_ = 0;
  int line_ = 0;
  bool eof_ = false, bom_ = false;
};

// A record: a 0 group (its type) and the groups up to the next 0 group.
// The groups' values live in the record's own buffer.
class Record {
 public:
  Record() = default;
  // A short buffer keeps its bytes inside the string object, so moving it
  // moves them: the values are pointed into their new place.
  Record(Record&& o) noexcept
      : bytes_(std::move(o.bytes_)), groups_(std::move(o.groups_)), offsets_(std::move(o.offsets_)) {
    seal();
  }
  Record& operator=(Record&& o) noexcept {
    bytes_ = std::move(o.bytes_);
    groups_ = std::move(o.groups_);
    offsets_ = std::move(o.offsets_);
    seal();
    return *this;
  }
  Record(const Record&) = delete;
  Record& operator=(const Record&) = delete;

  const Group& head() const { return groups_.front(); }
  std::string_view type() const { return trim(head().value); }
  std::span<const Group> groups() const { return std::span<const Group>(groups_).subspan(1); }
  bool is(std::string_view type) const { return this->type() == type; }

  void clear() {
    bytes_.clear();
    groups_.clear();
    offsets_.clear();
  }
  void add(const Group& g) {
    offsets_.push_back(bytes_.size());
    bytes_.append(g.value);
    groups_.push_back({g.code, g.line, {}});
  }
  // Points the values into the buffer once it no longer grows.
  void seal() {
    for (size_t k = 0; k < groups_.size(); ++k) {
      size_t end = k + 1 < groups_.size() ? offsets_[k + 1] : bytes_.size();
      groups_[k].value = std::string_view(bytes_).substr(offsets_[k], end - offsets_[k]);
    }
  }
  Record copy() const {
    Record r;
    r.bytes_ = bytes_;
    r.groups_ = groups_;
    r.offsets_ = offsets_;
    r.seal();
    return r;
  }

 private:
  std::string bytes_;
  std::vector<Group> groups_;
  std::vector<size_t> offsets_;
};

class RecordReader {
 public:
  explicit RecordReader(GroupReader& groups) : groups_(groups) {}

  // The next record; false at the end of the file (error empty) or for a
  // broken one (error set).
  bool next(Record& r, std::string& error) {
    r.clear();
    if (!havePending_) {
      if (!groups_.next(pending_, error)) return false;
      pendingValue_ = std::string(pending_.value);
    }
    havePending_ = false;
    pending_.value = pendingValue_;
    if (pending_.code != 0) {
      error = lineText(pending_.line) + ": a record (group 0) was expected, not group " + std::to_string(pending_.code);
      return false;
    }
    r.add(pending_);
    Group g;
    while (groups_.next(g, error)) {
      if (g.code == 0) {
        pending_ = g;
        pendingValue_ = std::string(g.value);
        havePending_ = true;
        break;
      }
      r.add(g);
    }
    if (!error.empty()) return false;
    r.seal();
    lastLine_ = r.groups().empty() ? r.head().line : r.groups().back().line;
    return true;
  }
  int lastLine() const { return lastLine_; }

 private:
  GroupReader& groups_;
  Group pending_;
  std::string pendingValue_;
  bool havePending_ = false;
  int lastLine_ = 0;
};

bool isLayoutBlock(vstring_view name) {
  return vd::equalsNoCaseAscii(name.substr(0, 12), u"*Model_Space") ||
         vd::equalsNoCaseAscii(name.substr(0, 12), u"*Paper_Space") || vd::equalsNoCaseAscii(name, u"$MODEL_SPACE") ||
         vd::equalsNoCaseAscii(name, u"$PAPER_SPACE");
}
bool isModelSpace(vstring_view name) {
  return vd::equalsNoCaseAscii(name, u"*Model_Space") || vd::equalsNoCaseAscii(name, u"$MODEL_SPACE");
}
bool isPaperSpace(vstring_view name) {
  return vd::equalsNoCaseAscii(name, u"*Paper_Space") || vd::equalsNoCaseAscii(name, u"$PAPER_SPACE");
}

vstring upper(vstring_view s) {
  vstring out(s);
  for (vchar& c : out) {
    if (c >= u'a' && c <= u'z') c = static_cast<vchar>(c - 32);
  }
  return out;
}

// The text a real takes as an environment setting: as short as it reads back.
vstring realText(double v) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return vd::utf8ToUtf16(std::string_view(buf, static_cast<size_t>(r.ptr - buf)));
}

class Reader {
 public:
  explicit Reader(GroupReader& source) : source_(source), records_(source) {}

  ReadResult run() {
    ReadResult r;
    auto drawing = std::make_unique<Drawing>();
    d_ = drawing.get();
    result_ = &r;
    if (!prepare() || !parse()) {
      r.error = error_;
      return r;
    }
    finish();
    r.drawing = std::move(drawing);
    return r;
  }

 private:
  // --- Messages ---------------------------------------------------------------
  bool fail(int line, const std::string& why) {
    if (error_.empty()) error_ = (line > 0 ? lineText(line) + ": " : std::string()) + why;
    return false;
  }
  bool fail(const Group& g, const std::string& why) { return fail(g.line, why); }
  void note(int line, const std::string& what) { result_->notes.push_back(lineText(line) + ": " + what); }

  // --- A first pass --------------------------------------------------------------
  // Finds the code page and every handle of the file, so that handles the host
  // makes while reading never take one the file uses further on. Nothing is kept.
  bool prepare() {
    Group g;
    std::string lastVariable;
    // The version and code page count only as variables of the HEADER
    // section: a 9 group elsewhere (in an entity, an object) is data, and
    // the writer puts it out as such, in a file of its own version.
    bool inHeader = false, sectionName = false;
    while (source_.next(g, error_)) {
      std::string_view value = trim(g.value);
      if (sectionName && g.code == 2) inHeader = value == "HEADER";
      if (g.code == 0 && value == "ENDSEC") inHeader = false;
      sectionName = g.code == 0 && value == "SECTION";
      if (g.code == 9) {
        lastVariable = inHeader ? std::string(value) : std::string();
        continue;
      }
      if (lastVariable == "$ACADVER") utf8_ = utf8_ || value >= "AC1021";
      if (lastVariable == "$DWGCODEPAGE" && vd::equalsNoCaseAscii(value, "ANSI_1252")) cp1252_ = true;
      if (g.code == 5 || g.code == 105) {
        // The seed is the first handle the file leaves free; other handles are taken.
        bool seed = lastVariable == "$HANDSEED";
        if (auto h = handleValue(vd::utf8ToUtf16(value))) d_->reserveHandlesBelow(seed || *h == UINT64_MAX ? *h : *h + 1);
      }
      lastVariable.clear();
    }
    if (!error_.empty()) return false;
    if (source_.utf8Mark()) utf8_ = true;
    source_.rewind();
    return true;
  }

  // --- Values -----------------------------------------------------------------
  vstring text(const Group& g) const {
    if (cp1252_ && !utf8_) {
      // Code page 1252 is Latin-1 but for 0x80-0x9F.
      static const char16_t high[32] = {0x20AC, 0x81, 0x201A, 0x192, 0x201E, 0x2026, 0x2020, 0x2021,
                                        0x2C6, 0x2030, 0x160, 0x2039, 0x152, 0x8D, 0x17D, 0x8F,
                                        0x90, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                        0x2DC, 0x2122, 0x161, 0x203A, 0x153, 0x9D, 0x17E, 0x178};
      vstring base;
      for (unsigned char c : g.value) base.push_back(c >= 0x80 && c < 0xA0 ? high[c - 0x80] : static_cast<vchar>(c));
      return decodeText(vd::utf16ToUtf8(base), true);
    }
    return decodeText(g.value, utf8_);
  }

  // Decimal notation only: hexadecimal, NaN, infinities and values beyond a
  // double are refused; a denormal, or zero for a value too small, is a number.
  bool parseReal(const Group& g, double& out) {
    std::string_view s = trim(g.value);
    std::optional<double> v = parseFiniteReal(s);
    if (!v) return fail(g, "group " + std::to_string(g.code) + " wants a finite number, not " + quote(s));
    out = *v;
    return true;
  }
  bool parseInt(const Group& g, int64_t& out) {
    std::string_view s = trim(g.value);
    const char* first = s.data();
    const char* last = first + s.size();
    if (first != last && *first == '+') ++first;
    auto r = std::from_chars(first, last, out);
    if (s.empty() || first == last || r.ec != std::errc() || r.ptr != last)
      return fail(g, "group " + std::to_string(g.code) + " wants an integer, not " + quote(s));
    return true;
  }

  bool readBinary(const Group& g, ChainBuilder& b) {
    std::string_view s = trim(g.value);
    if (s.size() % 2 != 0)
      return fail(g, "binary group " + std::to_string(g.code) + " has an odd number of hex digits");
    if (s.size() / 2 > 32767)
      return fail(g, "binary group " + std::to_string(g.code) + " holds " + std::to_string(s.size() / 2) +
                         " bytes; a group holds at most 32767");
    std::vector<unsigned char> bytes;
    bytes.reserve(s.size() / 2);
    for (size_t k = 0; k < s.size(); k += 2) {
      int hi = hexDigit(static_cast<unsigned char>(s[k])), lo = hexDigit(static_cast<unsigned char>(s[k + 1]));
      if (hi < 0 || lo < 0)
        return fail(g, "binary group " + std::to_string(g.code) + " holds " + quote(s.substr(k, 2)) +
                           ", which is no hex byte");
      bytes.push_back(static_cast<unsigned char>(hi * 16 + lo));
    }
    b.chunk(g.code, bytes.data(), static_cast<int16_t>(bytes.size()));
    return true;
  }

  // Reads one group (a point takes its y and z groups too) into the builder.
  // `i` is advanced past what was used; `flat` tells a point without z.
  // `angle`: the real is an angle in degrees that the chain holds in radians.
  bool readGroup(std::span<const Group> gs, size_t& i, ChainBuilder& b, bool& flat, bool angle = false) {
    const Group& t = gs[i++];
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
        if (i < gs.size() && gs[i].code == t.code + 10) {
          if (!parseReal(gs[i++], p[1])) return false;
        } else {
          return fail(t, "point " + std::to_string(t.code) + " without its y group");
        }
        if (i < gs.size() && gs[i].code == t.code + 20) {
          if (!parseReal(gs[i++], p[2])) return false;
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
      case vd::kKindBinary:
        if (!readBinary(t, b)) return false;
        break;
      default: {
        int64_t v = 0;
        if (!parseInt(t, v)) return false;
        // Values too wide for the group are refused, never wrapped.
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

  // --- Handles --------------------------------------------------------------------
  // The handle an object read from the file keeps: its own when the file gave
  // one the drawing can take, a new one otherwise (with a note when the file's
  // could not be kept).
  vstring keepHandle(vstring_view fileHandle, int line) {
    if (d_->claimHandle(fileHandle)) return normalHandle(fileHandle);
    vstring h = d_->newHandle();
    if (!fileHandle.empty()) {
      std::optional<uint64_t> v = handleValue(fileHandle);
      note(line, "handle " + clip(fileHandle) + " replaced by " + vd::utf16ToUtf8(h) +
                     (v && *v >= kHandleCeiling ? " (it leaves no room for new handles)" : ""));
      // References to a handle the drawing cannot take follow it to the new one;
      // a handle used twice stays with its first holder.
      if (v && *v >= kHandleCeiling) replaced_[normalHandle(fileHandle)] = h;
    }
    return h;
  }
  // A structural handle: kept when the drawing can take it, otherwise left to the writer.
  vstring structureHandle(vstring_view fileHandle) {
    return d_->claimHandle(fileHandle) ? normalHandle(fileHandle) : vstring();
  }

  vstring groupText(const Record& r, int code) const {
    for (const Group& g : r.groups()) {
      if (g.code == code) return text(g);
    }
    return {};
  }
  vstring handleOf(const Record& r, int code) const { return vd::utf8ToUtf16(trim(find(r, code))); }
  static std::string_view find(const Record& r, int code) {
    for (const Group& g : r.groups()) {
      if (g.code == code) return g.value;
    }
    return {};
  }

  // --- Sections -----------------------------------------------------------------
  // Moves to the next record of a section. False at the section's ENDSEC, and
  // when the section is broken off (a SECTION or EOF before its ENDSEC, or the
  // end of the file), which fails the read.
  bool nextInSection(const std::string& section) {
    if (!records_.next(rec_, error_)) {
      if (error_.empty()) fail(records_.lastLine(), "section " + section + " has no ENDSEC");
      return false;
    }
    if (rec_.is("ENDSEC")) return false;
    if (rec_.is("SECTION") || rec_.is("EOF"))
      return fail(rec_.head(), std::string(rec_.type()) + " inside section " + section + ", which has no ENDSEC");
    return true;
  }

  bool parse() {
    bool any = false;
    while (records_.next(rec_, error_)) {
      any = true;
      if (rec_.is("EOF")) return true;
      if (!rec_.is("SECTION")) return fail(rec_.head(), "a SECTION was expected, not " + quote(rec_.type()));
      if (rec_.groups().empty() || rec_.groups()[0].code != 2)
        return fail(rec_.head(), "a SECTION without its name (group 2)");
      std::string name(trim(rec_.groups()[0].value));
      bool ok = true;
      if (name == "HEADER") {
        ok = readHeader(rec_.groups().subspan(1));
        if (ok && nextInSection(name)) return fail(rec_.head(), quote(rec_.type()) + " inside the HEADER section");
      } else if (name == "TABLES") {
        ok = readTables();
      } else if (name == "BLOCKS") {
        ok = readBlocks();
      } else if (name == "ENTITIES") {
        ok = readEntities();
      } else if (name == "OBJECTS") {
        ok = readObjects();
      } else {
        while (nextInSection(name)) {
        }
      }
      if (!ok || !error_.empty()) return false;
    }
    if (!error_.empty()) return false;
    return any || fail(0, "the file holds no DXF data");
  }

  // --- Header -------------------------------------------------------------------
  bool readHeader(std::span<const Group> gs) {
    size_t i = 0;
    while (i < gs.size()) {
      if (gs[i].code != 9) return fail(gs[i], "group " + std::to_string(gs[i].code) + " outside a header variable");
      std::string name(trim(gs[i].value));
      ++i;
      ChainBuilder b;
      FlatPoints flat;
      bool reference = false;
      int pos = 0;
      while (i < gs.size() && gs[i].code != 9) {
        uint32_t d = vd::groupCodeKind(gs[i].code);
        reference = reference || (d & (vd::kKindFlagHandle | vd::kKindFlagObjectId));
        bool isFlat = false;
        if (!readGroup(gs, i, b, isFlat)) return false;
        if (isFlat) flat.add(pos);
        ++pos;
      }
      // Handles name objects of the file that the host does not keep.
      if (reference || isWriterHeaderVariable(name)) continue;
      OwnedChain value = b.build();
      if (!value) continue;
      std::vector<HeaderEntry>& header = d_->header();
      auto same = std::find_if(header.begin(), header.end(), [&](const HeaderEntry& e) { return e.name == name; });
      if (same == header.end()) {
        header.push_back({name, std::move(value), flat});
      } else {
        same->value = std::move(value);
        same->flatPoints = flat;
      }
    }
    return true;
  }

  // --- Tables ---------------------------------------------------------------------
  bool readTables() {
    while (nextInSection("TABLES")) {
      if (!rec_.is("TABLE")) return fail(rec_.head(), "a TABLE was expected, not " + quote(rec_.type()));
      vstring table = upper(groupText(rec_, 2));
      vstring head = structureHandle(handleOf(rec_, 5));
      if (!head.empty()) d_->structureHandles().tables[table] = head;
      const TableRecordDef* def = tableRecordDef(table);
      bool keep = def && table != u"BLOCK_RECORD";
      for (;;) {
        if (!nextInSection("TABLES")) return error_.empty() ? fail(rec_.head(), "table " + clip(table) + " has no ENDTAB") : false;
        if (rec_.is("ENDTAB")) break;
        if (rec_.is("TABLE")) return fail(rec_.head(), "table " + clip(table) + " has no ENDTAB");
        vstring name = groupText(rec_, 2);
        if (table == u"BLOCK_RECORD") {
          if (!name.empty()) blockRecords_[upper(name)] = handleOf(rec_, 5);
          continue;
        }
        if (table == u"VPORT") {
          if (vd::equalsNoCaseAscii(name, u"*Active") && d_->structureHandles().activeViewport.empty())
            d_->structureHandles().activeViewport = structureHandle(handleOf(rec_, 5));
          continue;
        }
        if (!keep || name.empty()) continue;
        if (!readTableRecord(*def, table)) return false;
      }
    }
    return error_.empty();
  }

  // A record keeps the codes its table lists; its owner is the host's.
  bool readTableRecord(const TableRecordDef& def, const vstring& table) {
    ChainBuilder b;
    b.text(vd::gc::kType, text(rec_.head()));
    std::span<const Group> gs = rec_.groups();
    size_t i = 0;
    while (i < gs.size()) {
      if (!tableKeepsCode(def, gs[i].code)) {
        ++i;
        continue;
      }
      bool flat = false;
      if (!readGroup(gs, i, b, flat)) return false;
    }
    OwnedChain chain = b.build();
    vstring handle = keepHandle(handleOf(rec_, def.handleCode), rec_.head().line);
    d_->tableRecords().push_back({table, std::move(chain), handle});
    return true;
  }

  // --- Entities -----------------------------------------------------------------
  struct Entry {
    OwnedChain chain;
    vstring handle;
    FlatPoints flat;
  };

  // The entity of the current record; the chain begins with 0 (type) and 5
  // (handle). Owner, reactor and extension-dictionary groups are the host's
  // and are left out; extended data gets its -3 marker. Angle groups of an
  // entity turn from the file's degrees into radians. `where` names the
  // section or block for messages.
  bool readEntity(Entry& e, const std::string& where) {
    std::span<const Group> gs = rec_.groups();
    vstring type = text(rec_.head());
    bool markers = false, entityMarker = false;
    for (const Group& g : gs) {
      if (g.code != vd::gc::kSubclass) continue;
      markers = true;
      entityMarker = entityMarker || trim(g.value) == "AcDbEntity";
    }
    if (isNonEntityType(rec_.type()) || (markers && !entityMarker))
      return fail(rec_.head(), quote(rec_.type()) + " is no entity: " + where + " lacks its end before it");
    vstring fileHandle;
    for (const Group& g : gs) {
      if (g.code == vd::gc::kHandle) {
        fileHandle = vd::utf8ToUtf16(trim(g.value));
        break;
      }
    }
    e.handle = keepHandle(fileHandle, rec_.head().line);
    ChainBuilder b;
    b.text(vd::gc::kType, type).text(vd::gc::kHandle, e.handle);
    int pos = 2;
    bool sawSubclass = false, inXdata = false, handleTaken = false;
    int controlLine = 0;  // line of the open 102 group; 0 outside one
    size_t i = 0;
    while (i < gs.size()) {
      const Group& t = gs[i];
      if (t.code == vd::gc::kHandle && !handleTaken && !inXdata) {
        handleTaken = true;
        ++i;
        continue;
      }
      if (t.code == vd::gc::kSubclass) sawSubclass = true;
      if (t.code == vd::gc::kControl && !inXdata) {
        // {...} groups (reactors, extension dictionaries) belong to the drawing that wrote the file.
        std::string_view v = trim(t.value);
        bool opens = !v.empty() && v.front() == '{', closes = v == "}";
        if (opens && controlLine) return fail(t, "a 102 group opens inside the one of line " + std::to_string(controlLine));
        if (closes && !controlLine) return fail(t, "a 102 } closes no group");
        if (opens) controlLine = t.line;
        if (closes) controlLine = 0;
        ++i;
        continue;
      }
      if (controlLine || (t.code == vd::gc::kOwner && !sawSubclass && !inXdata)) {
        ++i;
        continue;
      }
      if (t.code == vd::gc::kXdApp && !inXdata) {
        inXdata = true;
        b.marker(vd::gc::kExtendedData);
        ++pos;
      }
      bool flat = false;
      if (!readGroup(gs, i, b, flat, !inXdata && isConvertedAngle(type, t.code))) return false;
      if (flat) e.flat.add(pos);
      ++pos;
    }
    if (controlLine) return fail(controlLine, "the 102 group is not closed before the " + clip(type) + " ends");
    e.chain = b.build();
    if (!e.chain) return fail(rec_.head(), "the record cannot be kept");
    // A dimension's point on the dimension line goes where the host and the
    // dimension tools expect it, whatever place the writing program chose.
    if (vd::equalsNoCaseAscii(type, u"DIMENSION")) placeDefinitionPoint(e.chain);
    return true;
  }

  bool readBlocks() {
    while (nextInSection("BLOCKS")) {
      if (!rec_.is("BLOCK")) return fail(rec_.head(), "a BLOCK was expected, not " + quote(rec_.type()));
      int headLine = rec_.head().line;
      vstring name;
      int64_t flags = 0;
      double base[3] = {0, 0, 0};
      for (const Group& t : rec_.groups()) {
        if (t.code == 2) name = text(t);
        if (t.code == 70 && !parseInt(t, flags)) return false;
        if (t.code == 10 && !parseReal(t, base[0])) return false;
        if (t.code == 20 && !parseReal(t, base[1])) return false;
        if (t.code == 30 && !parseReal(t, base[2])) return false;
      }
      if (name.empty()) return fail(headLine, "a block without name");
      if (flags < INT32_MIN || flags > INT32_MAX) return fail(headLine, "block flags out of range");
      vstring begin = handleOf(rec_, 5);
      auto record = blockRecords_.find(upper(name));
      vstring recordHandle = record != blockRecords_.end() ? record->second : handleOf(rec_, vd::gc::kOwner);
      StructureHandles& s = d_->structureHandles();
      Block* block = nullptr;
      if (isModelSpace(name)) {
        s.modelRecord = structureHandle(recordHandle);
        s.modelBegin = structureHandle(begin);
      } else if (isPaperSpace(name)) {
        s.paperRecord = structureHandle(recordHandle);
        s.paperBegin = structureHandle(begin);
      } else if (!isLayoutBlock(name)) {
        // A second definition could not be looked up by its name, and a
        // drawing written out again would hold two block records of one name.
        if (d_->findBlock(name)) return fail(headLine, "block " + clip(name) + " is defined twice");
        block = &d_->importBlock(name, static_cast<int>(flags), base, keepHandle(recordHandle, headLine));
        block->beginHandle = structureHandle(begin);
      }
      std::string where = "block " + clip(name);
      for (;;) {
        if (!nextInSection("BLOCKS")) return error_.empty() ? fail(headLine, where + " has no ENDBLK") : false;
        if (rec_.is("ENDBLK")) break;
        if (rec_.is("BLOCK")) return fail(rec_.head(), "BLOCK inside " + where + ", which has no ENDBLK");
        Entry e;
        if (!readEntity(e, where)) return false;
        if (block) {
          d_->importBlockEntity(*block, std::move(e.chain), e.handle, e.flat);
        } else {
          // Entities of a layout block are drawing entities (paper space keeps its 67).
          d_->importEntity(std::move(e.chain), e.handle, e.flat);
        }
      }
      vstring end = structureHandle(handleOf(rec_, 5));
      if (block) block->endHandle = end;
      if (isModelSpace(name)) s.modelEnd = end;
      if (isPaperSpace(name)) s.paperEnd = end;
    }
    return error_.empty();
  }

  bool readEntities() {
    while (nextInSection("ENTITIES")) {
      Entry e;
      if (!readEntity(e, "the ENTITIES section")) return false;
      d_->importEntity(std::move(e.chain), e.handle, e.flat);
    }
    return error_.empty();
  }

  // --- Objects ------------------------------------------------------------------
  bool readObjects() {
    std::vector<std::pair<vstring, Record>> objects;  // handle -> record
    while (nextInSection("OBJECTS")) {
      vstring handle;
      for (const Group& g : rec_.groups()) {
        if (g.code == 5 || g.code == 105) {
          handle = normalHandle(vd::utf8ToUtf16(trim(g.value)));
          break;
        }
      }
      objects.emplace_back(handle, rec_.copy());
    }
    if (!error_.empty()) return false;
    auto find = [&](const vstring& h) -> const Record* {
      for (auto& [handle, o] : objects) {
        if (handle == h) return &o;
      }
      return nullptr;
    };
    if (objects.empty() || !objects.front().second.is("DICTIONARY")) return true;
    // The first object is the named-object dictionary.
    StructureHandles& s = d_->structureHandles();
    s.rootDictionary = structureHandle(objects.front().first);
    for (auto [key, target] : entries(objects.front().second)) {
      const Record* dict = find(target);
      if (key == u"ACAD_GROUP" && dict && dict->is("DICTIONARY")) s.groupDictionary = structureHandle(target);
      if (key.rfind(u"ACAD_", 0) == 0 || key.rfind(u"AcDb", 0) == 0) continue;
      if (!dict || !dict->is("DICTIONARY")) {
        result_->notes.push_back("named object " + clip(key) + " is not a dictionary: not kept");
        continue;
      }
      NamedDictionary& nd = d_->importDictionary(key, keepHandle(target, dict->head().line));
      for (auto [entryKey, entryHandle] : entries(*dict)) {
        const Record* xr = find(entryHandle);
        if (!xr || !xr->is("XRECORD")) {
          result_->notes.push_back("entry " + clip(entryKey) + " of " + clip(key) +
                                   " is not an XRECORD: not kept");
          continue;
        }
        DictionaryEntry e;
        e.key = entryKey;
        e.handle = keepHandle(entryHandle, xr->head().line);
        if (!readXrecord(*xr, e)) return false;
        nd.entries.push_back(std::move(e));
      }
    }
    return true;
  }

  std::vector<std::pair<vstring, vstring>> entries(const Record& o) const {
    std::vector<std::pair<vstring, vstring>> out;
    std::span<const Group> gs = o.groups();
    for (size_t m = 0; m < gs.size(); ++m) {
      if (gs[m].code == 3 && m + 1 < gs.size() && (gs[m + 1].code == 350 || gs[m + 1].code == 360)) {
        out.emplace_back(text(gs[m]), normalHandle(text(gs[m + 1])));
        ++m;
      }
    }
    return out;
  }

  // The data groups after the AcDbXrecord marker, without its cloning flag.
  bool readXrecord(const Record& o, DictionaryEntry& e) {
    std::span<const Group> gs = o.groups();
    size_t m = 0;
    while (m < gs.size() && !(gs[m].code == 100 && trim(gs[m].value) == "AcDbXrecord")) ++m;
    if (m < gs.size()) ++m;
    if (m < gs.size() && gs[m].code == 280) ++m;
    ChainBuilder b;
    int pos = 0;
    while (m < gs.size()) {
      bool flat = false;
      if (!readGroup(gs, m, b, flat)) return false;
      if (flat) e.flatPoints.add(pos);
      ++pos;
    }
    e.chain = b.build();
    return true;
  }

  // --- What the host takes from the file -------------------------------------------
  void finish() {
    // Dimension styles name their text style, arrow blocks and line types by
    // handle; a handle the drawing could not keep follows its record.
    for (TableRecord& r : d_->tableRecords()) {
      if (r.table != u"DIMSTYLE" || replaced_.empty()) continue;
      for (int code = 340; code <= 347; ++code) {
        auto h = r.chain.view().text(code);
        if (!h) continue;
        auto to = replaced_.find(normalHandle(*h));
        if (to != replaced_.end()) r.chain.setText(code, to->second);
      }
    }
    // Settings of the host: from the header, else from the current dimension style.
    vstring styleName = u"Standard";
    for (const HeaderEntry& e : d_->header()) {
      if (e.name == "$DIMSTYLE") styleName = vstring(e.value.view().text(2).value_or(styleName));
    }
    vd::ChainView style;
    for (const TableRecord& r : d_->tableRecords()) {
      if (r.table == u"DIMSTYLE" && vd::equalsNoCaseAscii(r.chain.view().text(2).value_or(u""), styleName)) {
        style = r.chain.view();
        break;
      }
    }
    for (const HeaderVariable& hv : headerVariables()) {
      const vd::ValueNode* node = nullptr;
      for (const HeaderEntry& e : d_->header()) {
        if (e.name == hv.dxfName) node = e.value.view().find(hv.code);
      }
      if (!node && hv.styleCode) node = style.find(hv.styleCode);
      if (node) takeSetting(hv, vd::ChainItem(node));
    }
  }

  void takeSetting(const HeaderVariable& hv, vd::ChainItem item) {
    if (hv.environment) {
      vstring value;
      if (auto r = item.real()) value = realText(*r);
      if (auto n = item.integer()) {
        if (hv.character) {
          if (*n <= 0 || *n > 0xFFFF) return;
          value = vstring(1, static_cast<vchar>(*n));
        } else {
          value = vd::utf8ToUtf16(std::to_string(*n));
        }
      }
      if (auto t = item.text()) value = vstring(*t);
      if (!value.empty()) result_->environment[hv.hostName] = value;
      return;
    }
    Variable v;
    if (auto p = item.point()) {
      v.kind = Variable::Kind::Point;
      v.value[0] = p->x;
      v.value[1] = p->y;
      v.value[2] = p->z;
    } else if (auto r = item.real()) {
      v.kind = Variable::Kind::Real;
      v.value[0] = *r;
    } else if (auto n = item.integer()) {
      if (*n < -32768 || *n > 32767) return;
      v.kind = Variable::Kind::Short;
      v.shortValue = static_cast<int16_t>(*n);
    } else if (auto t = item.text()) {
      v.kind = Variable::Kind::String;
      v.text = vstring(*t);
    } else {
      return;
    }
    result_->variables[hv.hostName] = v;
  }

  GroupReader& source_;
  RecordReader records_;
  Record rec_;
  bool utf8_ = false, cp1252_ = false;
  Drawing* d_ = nullptr;
  ReadResult* result_ = nullptr;
  std::map<vstring, vstring> blockRecords_;  // BLOCK_RECORD handle by block name (upper case)
  std::map<vstring, vstring> replaced_;      // file handle -> the one the drawing gave instead
  std::string error_;
};

}  // namespace

ReadResult readDxf(std::string_view text) {
  GroupReader source(text);
  return Reader(source).run();
}

ReadResult loadDxf(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    ReadResult r;
    r.error = "cannot read " + path;
    return r;
  }
  GroupReader source(f);
  ReadResult r = Reader(source).run();
  bool readError = std::ferror(f) != 0;
  std::fclose(f);
  if (readError && r.error.empty()) {
    r.drawing.reset();
    r.error = "cannot read all of the file";
  }
  if (!r.drawing) r.error = path + ": " + r.error;
  return r;
}

}  // namespace hostsim::dxf
