#include "store/win/registry_win32.h"

namespace vd {

namespace {

const wchar_t* wide(const vstring& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

class Win32RegistryKey : public RegistryKey {
 public:
  explicit Win32RegistryKey(HKEY key) : key_(key) {}
  ~Win32RegistryKey() override { RegCloseKey(key_); }

  RegResult query(vstring_view name, RegType& type, uint8_t* data, uint32_t& size) override {
    vstring n(name);
    DWORD kind = 0;
    DWORD bytes = size;
    LONG r = RegQueryValueExW(key_, wide(n), nullptr, &kind, data, &bytes);
    size = bytes;
    type = static_cast<RegType>(kind);
    if (r == ERROR_SUCCESS) return data ? RegResult::Ok : RegResult::MoreData;
    if (r == ERROR_MORE_DATA) return RegResult::MoreData;
    if (r == ERROR_FILE_NOT_FOUND) return RegResult::NotFound;
    return RegResult::Failed;
  }

  bool set(vstring_view name, RegType type, const uint8_t* data, uint32_t size) override {
    vstring n(name);
    return RegSetValueExW(key_, wide(n), 0, static_cast<DWORD>(type), data, size) == ERROR_SUCCESS;
  }

 private:
  HKEY key_;
};

}  // namespace

std::unique_ptr<RegistryKey> openWin32RegistryKey(HKEY root, vstring_view path, bool create) {
  vstring p(path);
  HKEY key = nullptr;
  LONG r = create ? RegCreateKeyExW(root, wide(p), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key,
                                    nullptr)
                  : RegOpenKeyExW(root, wide(p), 0, KEY_READ | KEY_WRITE, &key);
  if (r != ERROR_SUCCESS) return nullptr;
  return std::make_unique<Win32RegistryKey>(key);
}

}  // namespace vd
