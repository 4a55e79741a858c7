#include "store/ini_store.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "store/value_text.h"

namespace vd {

static_assert(std::endian::native == std::endian::little,
              "binary values are stored in the byte order of x86");

namespace {

template <typename T>
bool fromBlock(const std::vector<uint8_t>& block, T& out) {
  if (block.size() != sizeof(T)) return false;
  std::memcpy(&out, block.data(), sizeof(T));
  return true;
}

template <typename T>
std::span<const uint8_t> asBytes(std::span<const T> values) {
  return {reinterpret_cast<const uint8_t*>(values.data()), values.size_bytes()};
}

template <typename T>
bool listFromBlock(const std::vector<uint8_t>& block, std::vector<T>& out) {
  if (block.size() % sizeof(T)) return false;
  out.resize(block.size() / sizeof(T));
  if (!block.empty()) std::memcpy(out.data(), block.data(), block.size());
  return true;
}

vstring listKey(vstring_view key) { return vstring(key) + vstring(ini_store::kListSuffix); }

}  // namespace

bool ini_store::getInt(vstring_view key, int32_t& out) {
  out = 0;
  auto fromText = [&] {
    vstring text;
    if (!getString(key, text)) return false;
    std::optional<int32_t> v = storetext::parseInt(text);
    if (v) out = *v;
    return v.has_value();
  };
  auto fromBinary = [&] {
    std::vector<uint8_t> block;
    return getBinary(key, block) && fromBlock(block, out);
  };
  if (textMode_ ? (fromText() || fromBinary()) : (fromBinary() || fromText())) return true;
  out = 0;
  return false;
}

bool ini_store::setInt(vstring_view key, int32_t value) {
  if (textMode_) return setString(key, storetext::formatInt(value));
  return setBinary(key, asBytes(std::span<const int32_t>(&value, 1)));
}

bool ini_store::getIntList(vstring_view key, std::vector<int32_t>& out) {
  out.clear();
  std::vector<uint8_t> block;
  if (getBinary(key, block) && listFromBlock(block, out)) return true;
  vstring text;
  return getString(key, text) && storetext::parseIntList(text, out);
}

bool ini_store::setIntList(vstring_view key, std::span<const int32_t> values) {
  if (textMode_) return setString(key, storetext::joinInts(values));
  return setBinary(key, asBytes(values));
}

bool ini_store::getDouble(vstring_view key, double& out) {
  out = 0;
  auto fromText = [&] {
    vstring text;
    if (!getString(key, text)) return false;
    std::optional<double> v = storetext::parseDouble(text);
    if (v) out = *v;
    return v.has_value();
  };
  auto fromBinary = [&] {
    std::vector<uint8_t> block;
    return getBinary(key, block) && fromBlock(block, out) && std::isfinite(out);
  };
  if (textMode_ ? (fromText() || fromBinary()) : (fromBinary() || fromText())) return true;
  out = 0;
  return false;
}

bool ini_store::setDouble(vstring_view key, double value) {
  if (!std::isfinite(value)) return false;
  if (textMode_) return setString(key, storetext::formatDouble(value));
  return setBinary(key, asBytes(std::span<const double>(&value, 1)));
}

bool ini_store::getDoubleList(vstring_view key, std::vector<double>& out) {
  out.clear();
  std::vector<uint8_t> block;
  if (getBinary(key, block) && listFromBlock(block, out)) {
    for (double v : out) {
      if (!std::isfinite(v)) {
        out.clear();
        return false;
      }
    }
    return true;
  }
  vstring text;
  return getString(key, text) && storetext::parseDoubleList(text, out);
}

bool ini_store::setDoubleList(vstring_view key, std::span<const double> values) {
  for (double v : values) {
    if (!std::isfinite(v)) return false;
  }
  if (textMode_) return setString(key, storetext::joinDoubles(values));
  return setBinary(key, asBytes(values));
}

bool ini_store::getStringList(vstring_view key, std::vector<vstring>& out) {
  out.clear();
  std::vector<uint8_t> block;
  if (!getBinary(listKey(key), block)) return false;
  if (block.empty() || block.size() % sizeof(vchar)) return false;
  vstring chars(block.size() / sizeof(vchar), u'\0');
  std::memcpy(chars.data(), block.data(), block.size());
  if (chars.back() != 0) return false;  // every string ends with a 0 character
  std::vector<vstring> strings;
  size_t start = 0;
  while (start < chars.size()) {
    size_t end = chars.find(u'\0', start);
    strings.emplace_back(chars, start, end - start);
    start = end + 1;
  }
  out = std::move(strings);
  return true;
}

bool ini_store::setStringList(vstring_view key, std::span<const vstring> values) {
  if (values.empty()) return false;
  vstring chars;
  for (const vstring& s : values) {
    if (s.size() > kMaxListString || s.find(u'\0') != vstring::npos) return false;
    chars += s;
    chars.push_back(u'\0');
  }
  std::span<const vchar> span(chars.data(), chars.size());
  return setBinary(listKey(key), asBytes(span));
}

bool ini_store::getBinaryInto(vstring_view, void*, size_t& size) {
  size = 0;
  return false;
}

}  // namespace vd
