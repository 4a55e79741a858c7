#include "store/win/profile_win32.h"

#include <windows.h>

#include <limits>

namespace vd {

namespace {

static_assert(sizeof(wchar_t) == sizeof(vchar), "UTF-16 on both sides of the call");

// The profile functions take terminated strings; views are copied to get one.
const wchar_t* wide(const vstring& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

class Win32ProfileBackend : public ProfileBackend {
 public:
  size_t read(vstring_view file, vstring_view section, vstring_view key, vstring_view fallback,
              vchar* buffer, size_t capacity) override {
    if (!buffer || capacity == 0) return 0;
    DWORD size = capacity > std::numeric_limits<DWORD>::max() ? std::numeric_limits<DWORD>::max()
                                                              : static_cast<DWORD>(capacity);
    vstring f(file), s(section), k(key), d(fallback);
    return GetPrivateProfileStringW(wide(s), wide(k), wide(d), reinterpret_cast<wchar_t*>(buffer),
                                    size, wide(f));
  }

  bool write(vstring_view file, vstring_view section, vstring_view key,
             vstring_view value) override {
    vstring f(file), s(section), k(key), v(value);
    return WritePrivateProfileStringW(wide(s), wide(k), wide(v), wide(f)) != FALSE;
  }
};

}  // namespace

ProfileBackend& win32ProfileBackend() {
  static Win32ProfileBackend backend;
  return backend;
}

ProfileBackend& defaultProfileBackend() { return win32ProfileBackend(); }

}  // namespace vd
