#include "store/ini_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "store/host_path.h"

namespace vd {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Mark = "\xFF\xFE";

bool isSpace(vchar c) { return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f'; }

vstring_view trim(vstring_view text) {
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

// The name of a section header line, or none.
std::optional<vstring_view> headerName(vstring_view line) {
  vstring_view t = trim(line);
  if (t.empty() || t.front() != u'[') return std::nullopt;
  size_t close = t.rfind(u']');
  if (close == vstring_view::npos) return std::nullopt;
  return trim(t.substr(1, close - 1));
}

struct Entry {
  vstring_view name;
  vstring_view value;
};

// The key and value of a line, or none for comments, headers and lines without '='.
std::optional<Entry> entryOf(vstring_view line) {
  vstring_view t = trim(line);
  if (t.empty() || t.front() == u';' || headerName(t)) return std::nullopt;
  size_t eq = t.find(u'=');
  if (eq == vstring_view::npos) return std::nullopt;
  return Entry{trim(t.substr(0, eq)), trim(t.substr(eq + 1))};
}

vstring_view stripQuotes(vstring_view value) {
  if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

vstring decodeUtf16(std::string_view bytes) {
  vstring out(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<vchar>(static_cast<unsigned char>(bytes[2 * i]) |
                                static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  }
  return out;
}

std::string encodeUtf16(vstring_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (vchar c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

size_t copyCut(vstring_view text, vchar* buffer, size_t capacity) {
  if (!buffer || capacity == 0) return 0;
  size_t n = std::min(text.size(), capacity - 1);
  std::copy_n(text.data(), n, buffer);
  buffer[n] = 0;
  return n;
}

enum class FileState { Missing, Read, Unreadable };

FileState readFile(const std::filesystem::path& path, std::string& bytes) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return ec ? FileState::Unreadable : FileState::Missing;
  if (!std::filesystem::is_regular_file(path, ec)) return FileState::Unreadable;
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return FileState::Unreadable;
  std::streamoff size = in.tellg();
  if (size < 0) return FileState::Unreadable;
  bytes.resize(static_cast<size_t>(size));
  in.seekg(0);
  in.read(bytes.data(), size);
  // A file that shrank while being read gives what was there.
  bytes.resize(static_cast<size_t>(in.gcount()));
  return in.bad() ? FileState::Unreadable : FileState::Read;
}

}  // namespace

IniDocument IniDocument::parse(std::string_view bytes) {
  IniDocument doc;
  vstring text;
  if (bytes.starts_with(kUtf16Mark)) {
    doc.encoding_ = Encoding::Utf16;
    text = decodeUtf16(bytes.substr(kUtf16Mark.size()));
  } else if (bytes.starts_with(kUtf8Mark)) {
    doc.encoding_ = Encoding::Utf8;
    text = utf8ToUtf16(bytes.substr(kUtf8Mark.size()));
  } else {
    text = cp1250ToUtf16(bytes);
  }
  // CR LF, LF and CR all end a line; a last line without an end still counts.
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of(u"\r\n", start);
    if (end == vstring::npos) {
      doc.lines_.emplace_back(text, start);
      break;
    }
    doc.lines_.emplace_back(text, start, end - start);
    start = end + 1;
    if (text[end] == u'\r' && start < text.size() && text[start] == u'\n') ++start;
  }
  return doc;
}

IniDocument IniDocument::created() {
  IniDocument doc;
  doc.encoding_ = Encoding::Utf16;
  return doc;
}

std::string IniDocument::serialize() const {
  vstring text;
  for (const vstring& line : lines_) {
    text += line;
    text += u"\r\n";
  }
  switch (encoding_) {
    case Encoding::Utf16:
      return std::string(kUtf16Mark) + encodeUtf16(text);
    case Encoding::Utf8:
      return std::string(kUtf8Mark) + utf16ToUtf8(text);
    case Encoding::Ansi:
      break;
  }
  return utf16ToCp1250(text);
}

size_t IniDocument::findSection(vstring_view section) const {
  vstring_view wanted = trim(section);
  for (size_t i = 0; i < lines_.size(); ++i) {
    std::optional<vstring_view> name = headerName(lines_[i]);
    if (name && equalsNoCaseAscii(*name, wanted)) return i;
  }
  return lines_.size();
}

std::optional<vstring> IniDocument::find(vstring_view section, vstring_view key) const {
  vstring_view wanted = trim(key);
  for (size_t i = findSection(section) + 1; i < lines_.size(); ++i) {
    if (headerName(lines_[i])) break;
    std::optional<Entry> e = entryOf(lines_[i]);
    if (e && equalsNoCaseAscii(e->name, wanted)) return vstring(stripQuotes(e->value));
  }
  return std::nullopt;
}

void IniDocument::set(vstring_view section, vstring_view key, vstring_view value) {
  vstring_view wantedKey = trim(key);
  size_t header = findSection(section);
  if (header == lines_.size()) {
    lines_.push_back(u"[" + vstring(trim(section)) + u"]");
    lines_.push_back(vstring(wantedKey) + u"=" + vstring(value));
    return;
  }
  size_t lastFilled = header;  // a new key goes after the section's last non-blank line
  for (size_t i = header + 1; i < lines_.size(); ++i) {
    if (headerName(lines_[i])) break;
    if (!trim(lines_[i]).empty()) lastFilled = i;
    std::optional<Entry> e = entryOf(lines_[i]);
    if (e && equalsNoCaseAscii(e->name, wantedKey)) {
      lines_[i] = vstring(e->name) + u"=" + vstring(value);  // the key keeps its spelling
      return;
    }
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(lastFilled + 1),
                vstring(wantedKey) + u"=" + vstring(value));
}

const IniDocument& IniFileBackend::parsed(std::string bytes) {
  if (bytes != cachedBytes_) {
    cachedDocument_ = IniDocument::parse(bytes);
    cachedBytes_ = std::move(bytes);
  }
  return cachedDocument_;
}

size_t IniFileBackend::read(vstring_view file, vstring_view section, vstring_view key,
                            vstring_view fallback, vchar* buffer, size_t capacity) {
  std::string bytes;
  if (readFile(hostPathToNative(file), bytes) == FileState::Read) {
    std::optional<vstring> value = parsed(std::move(bytes)).find(section, key);
    if (value) return copyCut(*value, buffer, capacity);
  }
  return copyCut(fallback, buffer, capacity);
}

bool IniFileBackend::write(vstring_view file, vstring_view section, vstring_view key,
                           vstring_view value) {
  std::filesystem::path path = hostPathToNative(file);
  std::string bytes;
  FileState state = readFile(path, bytes);
  // A file that exists but cannot be read is never overwritten.
  if (state == FileState::Unreadable) return false;
  IniDocument doc = state == FileState::Missing ? IniDocument::created() : parsed(std::move(bytes));
  doc.set(section, key, value);
  std::string out = doc.serialize();
  // The new text goes to a file beside the old one and replaces it only when
  // written whole: a write that fails (a full disk) leaves the file as it was.
  std::filesystem::path written = path;
  written += ".new";
  std::ofstream stream(written, std::ios::binary | std::ios::trunc);
  if (!stream) return false;
  stream.write(out.data(), static_cast<std::streamsize>(out.size()));
  stream.close();
  std::error_code ec;
  if (stream.fail() || (std::filesystem::rename(written, path, ec), ec)) {
    std::filesystem::remove(written, ec);
    return false;
  }
  // A code-page file may not hold every character set: only a Unicode file
  // reads back as the document that wrote it.
  if (doc.encoding() == IniDocument::Encoding::Ansi) {
    cachedBytes_.clear();
    cachedDocument_ = IniDocument();
  } else {
    cachedBytes_ = std::move(out);
    cachedDocument_ = std::move(doc);
  }
  return true;
}

ProfileBackend& portableProfileBackend() {
  static IniFileBackend backend;
  return backend;
}

}  // namespace vd
