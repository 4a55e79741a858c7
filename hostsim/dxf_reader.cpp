#include "hostsim/dxf_reader.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>
#include <unordered_map>

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

// What a binary DXF file starts with.
constexpr std::string_view kBinarySentinel("AutoCAD Binary DXF\r\n\x1a\0", 22);

// Splits a DXF text into groups, from a text in memory or from a file read in
// pieces. Comments (999) are skipped; a UTF-8 byte-order mark before the
// first line is dropped. A group's value stays valid until the next call.
//
// A binary DXF file (behind its sentinel, each group a code of two bytes, or
// of one in R12, and its value as the code's kind stores it) gives the same
// groups as its text form: numbers as text that reads back to the same
// value, binary chunks as hex digits. Its places are named by the lines the
// group would have in the text form (code on line 2k-1, value on 2k).
class GroupReader {
 public:
  explicit GroupReader(std::string_view text) : data_(text) { binary_ = text.starts_with(kBinarySentinel); }
  explicit GroupReader(std::FILE* file) : file_(file) {
    char head[kBinarySentinel.size()];
    size_t got = std::fread(head, 1, sizeof head, file_);
    if (got == sizeof head && std::string_view(head, got) == kBinarySentinel) {
      // Binary files are read whole: a group's end is known only from its kind.
      binary_ = true;
      storage_.assign(head, got);
      char piece[1 << 16];
      while ((got = std::fread(piece, 1, sizeof piece, file_)) > 0) storage_.append(piece, got);
      data_ = storage_;
      file_ = nullptr;
    } else {
      std::rewind(file_);
    }
  }

  // The next group; false at the end of the text (error empty) or for a broken one (error set).
  bool next(Group& g, std::string& error) {
    if (binary_) return nextBinary(g, error);
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

  // True when nothing but blank lines is left (after EOF: other programs'
  // files may carry anything there).
  bool restIsBlank() {
    if (binary_) return pos_ >= data_.size();
    std::string_view line;
    while (readLine(line)) {
      if (!trim(line).empty()) return false;
    }
    return true;
  }

  void rewind() {
    line_ = 0;
    pos_ = binary_ ? kBinarySentinel.size() : 0;
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

  bool nextBinary(Group& g, std::string& error) {
    if (pos_ == 0) {
      pos_ = kBinarySentinel.size();
      // R12 writes codes of one byte: its first group, 0 SECTION, has no
      // zero byte between the code and the text.
      shortCodes_ = data_.size() > pos_ + 1 && data_[pos_ + 1] != 0;
    }
    for (;;) {
      if (pos_ >= data_.size()) return false;
      line_ += 2;
      const int codeLine = line_ - 1;
      auto ends = [&](size_t bytes) {
        if (data_.size() - pos_ >= bytes) return false;
        error = lineText(codeLine) + ": the binary file ends inside a group";
        return true;
      };
      auto bytesAt = [&](size_t count) {
        uint64_t v = 0;
        for (size_t k = 0; k < count; ++k) v |= static_cast<uint64_t>(static_cast<unsigned char>(data_[pos_ + k])) << (8 * k);
        pos_ += count;
        return v;
      };
      int code = 0;
      if (shortCodes_) {
        if (ends(1)) return false;
        code = static_cast<int>(bytesAt(1));
        if (code == 255) {  // a code beyond one byte follows in two
          if (ends(2)) return false;
          code = static_cast<int16_t>(bytesAt(2));
        }
      } else {
        if (ends(2)) return false;
        code = static_cast<int16_t>(bytesAt(2));
      }
      if (code < 0) {
        error = lineText(codeLine) + ": group " + std::to_string(code) + " has no place in a DXF file";
        return false;
      }
      const uint32_t d = vd::groupCodeKind(code);
      value_.clear();
      char buf[32];
      if (code == 999 || vd::kindOf(d) == vd::kKindString || !vd::hasDefinedKind(d)) {
        size_t end = data_.find('\0', pos_);
        if (end == std::string_view::npos) {
          error = lineText(codeLine) + ": the binary file ends inside a group";
          return false;
        }
        value_.assign(data_.substr(pos_, end - pos_));
        pos_ = end + 1;
        // The text form has no place for a line end inside a value.
        if (value_.find_first_of("\r\n") != std::string::npos) {
          error = lineText(line_) + ": the value of group " + std::to_string(code) + " holds a line end";
          return false;
        }
      } else if (vd::kindOf(d) == vd::kKindBinary) {
        if (ends(1)) return false;
        size_t length = bytesAt(1);
        if (ends(length)) return false;
        for (size_t k = 0; k < length; ++k) {
          std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned>(bytesAt(1)));
          value_ += buf;
        }
      } else if (vd::kindOf(d) == vd::kKindPoint || vd::kindOf(d) == vd::kKindReal) {
        if (ends(8)) return false;
        uint64_t bits = bytesAt(8);
        double v = 0;
        std::memcpy(&v, &bits, sizeof v);
        std::snprintf(buf, sizeof buf, "%.17g", v);
        value_ = buf;
      } else {
        const size_t width = vd::kindOf(d) == vd::kKindBool16 ? 1
                             : vd::kindOf(d) == vd::kKindInt32 ? 4
                             : vd::kindOf(d) == vd::kKindInt64 ? 8
                                                               : 2;
        if (ends(width)) return false;
        uint64_t bits = bytesAt(width);
        int64_t v = width == 1 ? static_cast<int64_t>(bits)
                    : width == 2 ? static_cast<int16_t>(bits)
                    : width == 4 ? static_cast<int32_t>(bits)
                                 : static_cast<int64_t>(bits);
        value_ = std::to_string(v);
      }
      if (code == 999) continue;
      g.code = code;
      g.line = line_;
      g.value = value_;
      return true;
    }
  }

  static constexpr size_t kPiece = 1 << 20;
  bool binary_ = false, shortCodes_ = false;
  std::string value_;  // a binary group's value as text
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
    // Nothing after EOF belongs to the drawing.
    const bool end = trim(pending_.value) == "EOF";
    while (!end && groups_.next(g, error)) {
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
    if (!prepare() || !parse() || !finish()) {
      r.error = error_;
      return r;
    }
    if (afterEof_) note(afterEof_, "what follows EOF is not read");
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
      if (g.code == 0 && value == "EOF") {
        if (!source_.restIsBlank()) afterEof_ = g.line;
        break;
      }
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
        if (auto h = handleValue(vd::utf8ToUtf16(value))) {
          d_->reserveHandlesBelow(seed || *h == UINT64_MAX ? *h : *h + 1);
          if (!seed) d_->noteFileHandle(*h);
        }
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

  // The record as it was read, for the host to write back unchanged.
  KeptRecord keptRecord(const Record& r) const {
    KeptRecord out;
    out.reserve(r.groups().size() + 1);
    Group type = r.head();
    type.value = r.type();
    out.push_back({0, text(type)});
    for (const Group& g : r.groups()) out.push_back({g.code, text(g)});
    return out;
  }
  // The same for a record that must have a handle in the file the host
  // writes: one read without (R12 has none) is given a new one.
  KeptRecord keptWithHandle(const Record& r) {
    KeptRecord out = keptRecord(r);
    if (!keptValue(out, vd::gc::kHandle)) out.insert(out.begin() + 1, {vd::gc::kHandle, d_->newHandle()});
    return out;
  }
  // The records of a section up to its ENDSEC, kept.
  bool keepSection(const std::string& name, std::vector<KeptRecord>& into) {
    while (nextInSection(name)) into.push_back(keptRecord(rec_));
    return error_.empty();
  }
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
        // Its first object is the named-object dictionary: a file has one.
        if (objectsRead_) return fail(rec_.head(), "a second OBJECTS section");
        objectsRead_ = true;
        ok = readObjects();
      } else if (name == "CLASSES") {
        ok = keepSection(name, d_->kept().classes);
      } else {
        // A section the host does not read (THUMBNAILIMAGE, ACDSDATA) goes back as it came.
        std::vector<KeptRecord>& section = d_->kept().sections.emplace_back();
        section.push_back(keptRecord(rec_));
        ok = keepSection(name, section);
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
        reference = reference || isHandleReference(gs[i].code);
        bool isFlat = false;
        if (!readGroup(gs, i, b, isFlat)) return false;
        if (isFlat) flat.add(pos);
        ++pos;
      }
      if (isWriterHeaderVariable(name)) continue;
      OwnedChain value = b.build();
      if (!value) continue;
      std::vector<HeaderEntry>& header = d_->header();
      auto same = std::find_if(header.begin(), header.end(), [&](const HeaderEntry& e) { return e.name == name; });
      if (same == header.end()) {
        header.push_back({name, std::move(value), flat, reference});
      } else {
        same->value = std::move(value);
        same->flatPoints = flat;
        same->reference = reference;
      }
    }
    return true;
  }

  // --- Tables ---------------------------------------------------------------------
  bool readTables() {
    while (nextInSection("TABLES")) {
      if (!rec_.is("TABLE")) return fail(rec_.head(), "a TABLE was expected, not " + quote(rec_.type()));
      vstring table = foldedName(groupText(rec_, 2));
      vstring head = structureHandle(handleOf(rec_, 5));
      if (!head.empty()) d_->structureHandles().tables[table] = head;
      const TableRecordDef* def = tableRecordDef(table);
      bool modelled = def && table != u"BLOCK_RECORD" && table != u"VPORT";
      for (;;) {
        if (!nextInSection("TABLES")) return error_.empty() ? fail(rec_.head(), "table " + clip(table) + " has no ENDTAB") : false;
        if (rec_.is("ENDTAB")) break;
        if (rec_.is("TABLE")) return fail(rec_.head(), "table " + clip(table) + " has no ENDTAB");
        vstring name = groupText(rec_, 2);
        if (table == u"BLOCK_RECORD") {
          if (!name.empty()) {
            blockRecords_[foldedName(name)] = handleOf(rec_, 5);
            if (rec_.is("BLOCK_RECORD")) d_->kept().blockRecords[foldedName(name)] = keptRecord(rec_);
          }
          continue;
        }
        if (!modelled) {
          // Viewports, views, coordinate systems: kept as they were.
          d_->kept().tableRecords[table].push_back(keptWithHandle(rec_));
          continue;
        }
        if (name.empty()) continue;
        if (!readTableRecord(*def, table)) return false;
      }
    }
    return error_.empty();
  }

  // A record keeps its groups in their order but for its framing: handle,
  // owner and subclass markers are the host's, its {...} groups (reactors,
  // extension dictionary) are kept beside the chain.
  bool readTableRecord(const TableRecordDef& def, const vstring& table) {
    ChainBuilder b;
    b.text(vd::gc::kType, text(rec_.head()));
    std::span<const Group> gs = rec_.groups();
    std::vector<KeptGroup> control;
    bool sawSubclass = false, handleTaken = false;
    const Group* open = nullptr;  // the 102 group that opened the one read now
    size_t i = 0;
    while (i < gs.size()) {
      const Group& t = gs[i];
      sawSubclass = sawSubclass || t.code == vd::gc::kSubclass;
      if (t.code == vd::gc::kControl || open) {
        std::string_view v = trim(t.value);
        if (t.code == vd::gc::kControl) open = !v.empty() && v.front() == '{' ? &t : nullptr;
        control.push_back({t.code, text(t)});
        ++i;
        continue;
      }
      const bool framing = (t.code == def.handleCode && !handleTaken) || t.code == vd::gc::kSubclass ||
                           (t.code == vd::gc::kOwner && !sawSubclass);
      handleTaken = handleTaken || t.code == def.handleCode;
      if (framing) {
        ++i;
        continue;
      }
      bool flat = false;
      if (!readGroup(gs, i, b, flat)) return false;
    }
    // Written back, it would take in the record's own groups.
    if (open) return fail(*open, "the 102 group is not closed before the " + clip(table) + " record ends");
    OwnedChain chain = b.build();
    vstring handle = keepHandle(handleOf(rec_, def.handleCode), rec_.head().line);
    if (!control.empty()) d_->kept().entityControl[handle] = std::move(control);
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
  // (handle). The owner is the host's and left out; the {...} groups
  // (reactors, extension dictionary) are kept beside the chain, which the
  // module sees without them. Extended data gets its -3 marker. Angle groups
  // of an entity turn from the file's degrees into radians. `where` names the
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
    std::vector<KeptGroup> control;
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
        std::string_view v = trim(t.value);
        bool opens = !v.empty() && v.front() == '{', closes = v == "}";
        if (opens && controlLine) return fail(t, "a 102 group opens inside the one of line " + std::to_string(controlLine));
        if (closes && !controlLine) return fail(t, "a 102 } closes no group");
        if (opens) controlLine = t.line;
        if (closes) controlLine = 0;
        control.push_back({t.code, text(t)});
        ++i;
        continue;
      }
      if (controlLine) {
        control.push_back({t.code, text(t)});
        ++i;
        continue;
      }
      if (t.code == vd::gc::kOwner && !sawSubclass && !inXdata) {
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
    if (!control.empty()) d_->kept().entityControl[e.handle] = std::move(control);
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
      auto record = blockRecords_.find(foldedName(name));
      vstring recordHandle = record != blockRecords_.end() ? record->second : handleOf(rec_, vd::gc::kOwner);
      StructureHandles& s = d_->structureHandles();
      Block* block = nullptr;
      KeptRecord frame = keptWithHandle(rec_);
      if (isLayoutBlock(name) && !isModelSpace(name) && !isPaperSpace(name)) {
        // Another layout's block: kept with its entities as they were. Its
        // record is found by its name, as for any block.
        for (const KeptLayoutBlock& l : d_->kept().layouts) {
          if (foldedName(l.name) == foldedName(name)) return fail(headLine, "block " + clip(name) + " is defined twice");
        }
        KeptLayoutBlock& layout = d_->kept().layouts.emplace_back();
        layout.name = name;
        // Its record: the one the BLOCK names as owner, else the one the file
        // has for its name. Claimed here, so that no object read later and no
        // new handle takes it, and the next free handle lies above it; with
        // neither free, the writer gives the layout a new one.
        for (const vstring& candidate : {handleOf(rec_, vd::gc::kOwner), recordHandle}) {
          layout.record = structureHandle(candidate);
          if (!layout.record.empty()) break;
        }
        layout.begin = std::move(frame);
        for (;;) {
          if (!nextInSection("BLOCKS")) return error_.empty() ? fail(headLine, "block " + clip(name) + " has no ENDBLK") : false;
          if (rec_.is("ENDBLK")) break;
          if (rec_.is("BLOCK")) return fail(rec_.head(), "BLOCK inside block " + clip(name) + ", which has no ENDBLK");
          layout.entities.push_back(keptWithHandle(rec_));
        }
        layout.end = keptWithHandle(rec_);
        continue;
      }
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
      d_->kept().blockFrames[foldedName(name)] = {std::move(frame), keptWithHandle(rec_)};
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
  // The named-object dictionary's dictionaries that hold only XRECORDs (not
  // those of the CAD program, ACAD_ and AcDb) become the drawing's named
  // dictionaries, which the module reads and writes. Every other object is
  // kept as it was read, and so are the dictionary's entries and their order.
  bool readObjects() {
    std::vector<std::pair<vstring, Record>> objects;  // handle -> record
    std::unordered_map<vstring, size_t> byHandle;
    std::map<size_t, vstring> renamed;  // an object whose handle an earlier one has: its new handle
    while (nextInSection("OBJECTS")) {
      // An object's handle is its group 5 (105 is a dimension style's).
      const vstring handle = normalHandle(handleOf(rec_, vd::gc::kHandle));
      if (!handle.empty() && !byHandle.emplace(handle, objects.size()).second) {
        // References name the first holder; this one gets a handle of its own.
        const vstring fresh = d_->newHandle();
        note(rec_.head().line, "handle " + clip(handle) + " replaced by " + vd::utf16ToUtf8(fresh));
        renamed[objects.size()] = fresh;
      }
      objects.emplace_back(handle, rec_.copy());
    }
    if (!error_.empty()) return false;
    auto find = [&](const vstring& h) -> const Record* {
      auto at = byHandle.find(h);
      return at == byHandle.end() ? nullptr : &objects[at->second].second;
    };
    std::vector<bool> modelled(objects.size(), false);
    auto take = [&](const vstring& h) {
      auto at = byHandle.find(h);
      if (at != byHandle.end()) modelled[at->second] = true;
    };
    KeptData& kept = d_->kept();
    if (!objects.empty() && objects.front().second.is("DICTIONARY")) {
      // The first object is the named-object dictionary.
      modelled[0] = true;
      StructureHandles& s = d_->structureHandles();
      s.rootDictionary = structureHandle(objects.front().first);
      for (const Listed& entry : entries(objects.front().second)) {
        kept.rootEntries.push_back({entry.key, entry.code, entry.handle});
        const Record* dict = find(entry.handle);
        // Claimed: a named dictionary giving the same handle takes another.
        if (entry.key == u"ACAD_GROUP" && dict && dict->is("DICTIONARY") && s.groupDictionary.empty())
          s.groupDictionary = structureHandle(entry.handle);
        // A second entry of a name the drawing has is kept as read: the module finds dictionaries by name.
        if (!dict || !dict->is("DICTIONARY") || entry.key.rfind(u"ACAD_", 0) == 0 || entry.key.rfind(u"AcDb", 0) == 0 ||
            d_->findDictionary(entry.key))
          continue;
        std::vector<Listed> records = entries(*dict);
        const bool onlyXrecords = std::all_of(records.begin(), records.end(), [&](const Listed& e) {
          const Record* xr = find(e.handle);
          return xr && xr->is("XRECORD");
        });
        if (!onlyXrecords) continue;
        NamedDictionary& nd = d_->importDictionary(entry.key, keepHandle(entry.handle, dict->head().line));
        take(entry.handle);
        for (const Listed& record : records) {
          const Record* xr = find(record.handle);
          DictionaryEntry e;
          e.key = record.key;
          e.handle = keepHandle(record.handle, xr->head().line);
          if (!readXrecord(*xr, e)) return false;
          nd.entries.push_back(std::move(e));
          take(record.handle);
        }
      }
    }
    for (size_t k = 0; k < objects.size(); ++k) {
      if (modelled[k]) continue;
      KeptRecord r = keptRecord(objects[k].second);
      auto fresh = renamed.find(k);
      if (fresh != renamed.end()) {
        for (KeptGroup& g : r) {
          if (g.code == vd::gc::kHandle) {
            g.value = fresh->second;
            break;
          }
        }
      }
      kept.objects.push_back(std::move(r));
    }
    return true;
  }

  // An entry of a dictionary: its key, 350 or 360, the handle it names.
  struct Listed {
    vstring key;
    int code;
    vstring handle;
  };
  std::vector<Listed> entries(const Record& o) const {
    std::vector<Listed> out;
    std::span<const Group> gs = o.groups();
    for (size_t m = 0; m < gs.size(); ++m) {
      if (gs[m].code == 3 && m + 1 < gs.size() && (gs[m + 1].code == 350 || gs[m + 1].code == 360)) {
        out.push_back({text(gs[m]), gs[m + 1].code, normalHandle(text(gs[m + 1]))});
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
  // References follow a handle the drawing could not keep to the one it
  // gave instead: in what the host keeps as it was read, and in the table
  // records it models (a layer's plot style, a dimension style's text style
  // and arrow blocks).
  const vstring* replacement(vstring_view handle) const {
    auto to = replaced_.find(normalHandle(handle));
    return to == replaced_.end() ? nullptr : &to->second;
  }
  void followReplaced(std::vector<KeptGroup>& groups) const {
    for (KeptGroup& g : groups) {
      if (!isHandleReference(g.code)) continue;
      if (const vstring* to = replacement(g.value)) g.value = *to;
    }
  }
  bool followReplaced(OwnedChain& chain) const {
    for (vd::ValueNode* n = chain.get(); n; n = n->next) {
      if (!isHandleReference(n->code)) continue;
      std::optional<vstring_view> text = vd::ChainItem(n).text();
      const vstring* to = text ? replacement(*text) : nullptr;
      if (!to) continue;
      vchar* copy = vd::allocNodeText(*to);
      if (!copy) return false;
      std::free(n->v.str);
      n->v.str = copy;
    }
    return true;
  }
  void followReplacedInKept() {
    KeptData& k = d_->kept();
    for (auto& [table, records] : k.tableRecords)
      for (KeptRecord& r : records) followReplaced(r);
    for (auto& [name, r] : k.blockRecords) followReplaced(r);
    for (auto& [name, frames] : k.blockFrames) {
      followReplaced(frames.first);
      followReplaced(frames.second);
    }
    for (KeptLayoutBlock& l : k.layouts) {
      followReplaced(l.begin);
      followReplaced(l.end);
      for (KeptRecord& r : l.entities) followReplaced(r);
    }
    for (auto& [handle, groups] : k.entityControl) followReplaced(groups);
    for (KeptRootEntry& e : k.rootEntries) {
      if (const vstring* to = replacement(e.handle)) e.handle = *to;
    }
    for (KeptRecord& r : k.objects) followReplaced(r);
    for (auto& section : k.sections)
      for (KeptRecord& r : section) followReplaced(r);
  }

  bool finish() {
    if (!replaced_.empty()) {
      followReplacedInKept();
      for (TableRecord& r : d_->tableRecords()) {
        if (!followReplaced(r.chain)) return fail(0, "out of memory");
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
    return true;
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
  int afterEof_ = 0;  // line of an EOF that more text follows; 0: none
  bool objectsRead_ = false;
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
