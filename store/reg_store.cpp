#include "store/reg_store.h"

#include <cstring>

namespace vd {

reg_store::reg_store(std::unique_ptr<RegistryKey> key) : key_(std::move(key)) {}

reg_store::~reg_store() { reg_store::close(); }

void reg_store::close() { key_.reset(); }

bool reg_store::queryValue(vstring_view name, RegType& type, std::vector<uint8_t>& data) {
  data.clear();
  if (!key_) return false;
  std::vector<uint8_t> buffer(kFirstReadBytes);
  uint32_t size = static_cast<uint32_t>(buffer.size());
  RegResult r = key_->query(name, type, buffer.data(), size);
  if (r == RegResult::MoreData) {
    // The value grew between the calls at worst; then the read fails.
    buffer.resize(size ? size : 1);
    size = static_cast<uint32_t>(buffer.size());
    r = key_->query(name, type, buffer.data(), size);
  }
  if (r != RegResult::Ok || size > buffer.size()) return false;
  buffer.resize(size);
  data = std::move(buffer);
  return true;
}

bool reg_store::readDword(vstring_view key, int32_t& out) {
  RegType type = RegType::None;
  std::vector<uint8_t> data;
  if (!queryValue(key, type, data) || type != RegType::Dword || data.size() != sizeof out) return false;
  std::memcpy(&out, data.data(), sizeof out);
  return true;
}

bool reg_store::getInt(vstring_view key, int32_t& out) {
  bool ok = textMode_ ? (ini_store::getInt(key, out) || readDword(key, out))
                      : (readDword(key, out) || ini_store::getInt(key, out));
  if (!ok) out = 0;
  return ok;
}

bool reg_store::setInt(vstring_view key, int32_t value) {
  if (textMode_) return ini_store::setInt(key, value);
  return key_ && key_->set(key, RegType::Dword, reinterpret_cast<const uint8_t*>(&value), sizeof value);
}

bool reg_store::getString(vstring_view key, vstring& out) {
  out.clear();
  RegType type = RegType::None;
  std::vector<uint8_t> data;
  if (!queryValue(key, type, data)) return false;
  if (type != RegType::String && type != RegType::ExpandString) return false;
  vstring text(data.size() / sizeof(vchar), u'\0');
  if (!text.empty()) std::memcpy(text.data(), data.data(), text.size() * sizeof(vchar));
  // The stored terminator, and anything a writer left after it, is not part of the text.
  size_t end = text.find(u'\0');
  if (end != vstring::npos) text.resize(end);
  out = std::move(text);
  return true;
}

bool reg_store::setString(vstring_view key, vstring_view value) {
  if (!key_ || value.find(u'\0') != vstring_view::npos) return false;
  vstring terminated(value);
  terminated.push_back(u'\0');
  return key_->set(key, RegType::String, reinterpret_cast<const uint8_t*>(terminated.data()),
                   static_cast<uint32_t>(terminated.size() * sizeof(vchar)));
}

bool reg_store::getBinary(vstring_view key, std::vector<uint8_t>& out) {
  RegType type = RegType::None;
  if (queryValue(key, type, out) && type == RegType::Binary) return true;
  out.clear();
  return false;
}

bool reg_store::setBinary(vstring_view key, std::span<const uint8_t> bytes) {
  return key_ && key_->set(key, RegType::Binary, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

// The in-memory registry.

class MemoryKey : public RegistryKey {
 public:
  MemoryKey(MemoryRegistry& registry, vstring path) : registry_(registry), path_(std::move(path)) {
    ++registry_.openKeys_;
  }
  ~MemoryKey() override { --registry_.openKeys_; }

  RegResult query(vstring_view name, RegType& type, uint8_t* data, uint32_t& size) override {
    const MemoryRegistry::Value* v = registry_.value(path_, name);
    if (!v) return RegResult::NotFound;
    type = v->type;
    uint32_t needed = static_cast<uint32_t>(v->data.size());
    if (!data || size < needed) {
      size = needed;
      return RegResult::MoreData;
    }
    if (needed) std::memcpy(data, v->data.data(), needed);
    size = needed;
    return RegResult::Ok;
  }

  bool set(vstring_view name, RegType type, const uint8_t* data, uint32_t size) override {
    registry_.put(path_, name, type, std::vector<uint8_t>(data, data + size));
    return true;
  }

 private:
  MemoryRegistry& registry_;
  vstring path_;
};

vstring MemoryRegistry::fold(vstring_view name) {
  vstring out(name);
  for (vchar& c : out) {
    if (c >= u'a' && c <= u'z') c = static_cast<vchar>(c - 32);
  }
  return out;
}

std::unique_ptr<RegistryKey> MemoryRegistry::open(vstring_view path, bool create) {
  vstring folded = fold(path);
  if (!keys_.count(folded)) {
    if (!create) return nullptr;
    keys_[folded];
  }
  return std::make_unique<MemoryKey>(*this, folded);
}

void MemoryRegistry::put(vstring_view path, vstring_view name, RegType type, std::vector<uint8_t> data) {
  keys_[fold(path)][fold(name)] = Value{type, std::move(data)};
}

const MemoryRegistry::Value* MemoryRegistry::value(vstring_view path, vstring_view name) const {
  auto key = keys_.find(fold(path));
  if (key == keys_.end()) return nullptr;
  auto v = key->second.find(fold(name));
  return v == key->second.end() ? nullptr : &v->second;
}

}  // namespace vd
