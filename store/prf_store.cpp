#include "store/prf_store.h"

#include <cstring>

#include "store/value_text.h"

namespace vd {

namespace {

// A value this long is taken as a broken file rather than read on.
constexpr size_t kMaxValueChars = size_t{1} << 24;

bool hasLineBreak(vstring_view text) {
  return text.find_first_of(vstring_view(u"\r\n\0", 3)) != vstring_view::npos;
}

// A key must be able to stand on its own line: not empty, no line break, no
// '=', and not read as a section or a comment.
bool usableKey(vstring_view key) {
  size_t first = key.find_first_not_of(u" \t");
  if (first == vstring_view::npos) return false;
  if (key[first] == u'[' || key[first] == u';') return false;
  return !hasLineBreak(key) && key.find(u'=') == vstring_view::npos;
}

bool usableSection(vstring_view section) {
  return !section.empty() && !hasLineBreak(section) && section.find(u']') == vstring_view::npos;
}

void setLocation(ProfileLocation& at, vstring_view file, vstring_view section) {
  at.reset();
  if (file.empty() || !usableSection(section) || hasLineBreak(file)) return;
  at.file = vstring(file);
  at.section = vstring(section);
}

}  // namespace

prf_store::prf_store(ProfileBackend& backend) : backend_(backend) {}

prf_store::~prf_store() { prf_store::close(); }

bool prf_store::open(vstring_view file, vstring_view section) {
  // Only the base pair: a def_store keeps the pairs it was built with.
  prf_store::close();
  setLocation(location_, file, section);
  return location_.isSet();
}

void prf_store::close() { location_.reset(); }

bool prf_store::readString(const ProfileLocation& at, vstring_view key, vstring& out) {
  out.clear();
  if (!at.isSet() || !usableKey(key)) return false;
  std::vector<vchar> buffer(kFirstReadChars);
  size_t length = 0;
  for (;;) {
    length = backend_.read(*at.file, *at.section, key, kAbsentValue, buffer.data(), buffer.size());
    // A result that fills the buffer may have been cut: read again with more room.
    if (length < buffer.size() - 1) break;
    if (buffer.size() >= kMaxValueChars) return false;
    buffer.assign(buffer.size() * 2, 0);
  }
  vstring value(buffer.data(), length);
  if (value == kAbsentValue) return false;
  out = std::move(value);
  return true;
}

bool prf_store::writeString(const ProfileLocation& at, vstring_view key, vstring_view value) {
  if (!at.isSet() || !usableKey(key) || hasLineBreak(value)) return false;
  return backend_.write(*at.file, *at.section, key, value);
}

bool prf_store::readBinary(const ProfileLocation& at, vstring_view key, std::vector<uint8_t>& out) {
  out.clear();
  if (!at.isSet() || !usableKey(key)) return false;
  // The count first: a buffer of 9 characters holds exactly its 8 digits.
  vchar head[storetext::kCountDigits + 1];
  size_t length = backend_.read(*at.file, *at.section, key, kAbsentValue, head, std::size(head));
  if (length != storetext::kCountDigits) return false;
  std::optional<uint32_t> count =
      storetext::decodeHexCount(vstring_view(head, storetext::kCountDigits));
  if (!count || *count > storetext::kMaxBinaryBytes) return false;
  // Then the whole value, which must be exactly as long as the count says.
  size_t expected = storetext::kCountDigits + 2 * size_t{*count};
  std::vector<vchar> text(expected + 2);
  length = backend_.read(*at.file, *at.section, key, kAbsentValue, text.data(), text.size());
  if (length != expected) return false;
  return storetext::decodeHexBytes(
      vstring_view(text.data() + storetext::kCountDigits, 2 * size_t{*count}), out);
}

bool prf_store::writeBinary(const ProfileLocation& at, vstring_view key,
                            std::span<const uint8_t> bytes) {
  if (bytes.size() > storetext::kMaxBinaryBytes) return false;
  return writeString(at, key, storetext::encodeHex(bytes));
}

bool prf_store::getString(vstring_view key, vstring& out) { return readString(location_, key, out); }

bool prf_store::setString(vstring_view key, vstring_view value) {
  return writeString(location_, key, value);
}

bool prf_store::getBinary(vstring_view key, std::vector<uint8_t>& out) {
  return readBinary(location_, key, out);
}

bool prf_store::setBinary(vstring_view key, std::span<const uint8_t> bytes) {
  return writeBinary(location_, key, bytes);
}

bool prf_store::getBinaryInto(vstring_view key, void* buffer, size_t& size) {
  if (!buffer || size == 0) {
    size = 0;
    return false;
  }
  std::vector<uint8_t> block;
  if (!getBinary(key, block)) {
    size = 0;
    return false;
  }
  if (block.size() > size) {
    size = block.size();  // nothing copied; the caller learns the size needed
    return false;
  }
  if (!block.empty()) std::memcpy(buffer, block.data(), block.size());
  size = block.size();
  return true;
}

def_store::def_store(vstring_view firstFile, vstring_view firstSection, vstring_view secondFile,
                     vstring_view secondSection, ProfileBackend& backend)
    : prf_store(backend) {
  setLocation(first_, firstFile, firstSection);
  setLocation(second_, secondFile, secondSection);
}

def_store::~def_store() { def_store::close(); }

void def_store::close() {
  first_.reset();
  second_.reset();
  prf_store::close();
}

bool def_store::getString(vstring_view key, vstring& out) {
  return readString(first_, key, out) || readString(second_, key, out);
}

bool def_store::setString(vstring_view key, vstring_view value) {
  return writeString(first_.isSet() ? first_ : location_, key, value);
}

bool def_store::getBinary(vstring_view key, std::vector<uint8_t>& out) {
  return readBinary(first_, key, out) || readBinary(location_, key, out);
}

bool def_store::setBinary(vstring_view key, std::span<const uint8_t> bytes) {
  return writeBinary(first_.isSet() ? first_ : location_, key, bytes);
}

}  // namespace vd
