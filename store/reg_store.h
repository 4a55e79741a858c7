// Settings kept as values of an open registry key.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "store/ini_store.h"

namespace vd {

// Registry value types, with the numbers Windows gives them.
enum class RegType : uint32_t { None = 0, String = 1, ExpandString = 2, Binary = 3, Dword = 4 };

enum class RegResult {
  Ok,
  MoreData,  // the buffer was too small; `size` holds the size needed
  NotFound,
  Failed,
};

// An open registry key: the two value operations reg_store uses. Destroying
// the object closes the key. Implemented on the Windows registry
// (store/win/) and in memory (MemoryRegistry) for the portable tests.
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  // As RegQueryValueExW: `size` gives the buffer's bytes and returns the
  // value's bytes; a buffer that is too small gives MoreData and copies nothing.
  virtual RegResult query(vstring_view name, RegType& type, uint8_t* data, uint32_t& size) = 0;
  // As RegSetValueExW.
  virtual bool set(vstring_view name, RegType type, const uint8_t* data, uint32_t size) = 0;
};

class reg_store : public ini_store {
 public:
  explicit reg_store(std::unique_ptr<RegistryKey> key);
  ~reg_store() override;

  bool isOpen() const { return key_ != nullptr; }

  void close() override;  // closes the key
  // Binary mode: a double-word value first (a 4-byte binary value also reads).
  bool getInt(vstring_view key, int32_t& out) override;
  // Binary mode: a double-word value.
  bool setInt(vstring_view key, int32_t value) override;
  // String values; expandable strings are read too, as they stand.
  bool getString(vstring_view key, vstring& out) override;
  bool setString(vstring_view key, vstring_view value) override;
  // Binary values only.
  bool getBinary(vstring_view key, std::vector<uint8_t>& out) override;
  bool setBinary(vstring_view key, std::span<const uint8_t> bytes) override;

  static constexpr uint32_t kFirstReadBytes = 1024;

 private:
  // The value's type and bytes: read into 1024 bytes, and again at the size
  // the registry reports when that was too small.
  bool queryValue(vstring_view name, RegType& type, std::vector<uint8_t>& data);
  bool readDword(vstring_view key, int32_t& out);

  std::unique_ptr<RegistryKey> key_;
};

// A registry in memory: keys by path, values by name (ASCII letters compare
// without case, as registry names do). Counts the keys open on it.
class MemoryRegistry {
 public:
  struct Value {
    RegType type = RegType::None;
    std::vector<uint8_t> data;
  };
  // Opens a key; a missing one is created only when `create` is set.
  std::unique_ptr<RegistryKey> open(vstring_view path, bool create);

  // Direct access for tests: put a value of any type, look one up.
  void put(vstring_view path, vstring_view name, RegType type, std::vector<uint8_t> data);
  const Value* value(vstring_view path, vstring_view name) const;
  int openKeys() const { return openKeys_; }

 private:
  friend class MemoryKey;
  static vstring fold(vstring_view name);
  std::map<vstring, std::map<vstring, Value>> keys_;
  int openKeys_ = 0;
};

}  // namespace vd
