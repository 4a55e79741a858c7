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
    bool created = createUnicodeFile(f);
    if (WritePrivateProfileStringW(wide(s), wide(k), wide(v), wide(f))) return true;
    if (created) DeleteFileW(wide(f));  // nothing of ours is left behind
    return false;
  }

 private:
  // The profile functions write a file that does not exist in the machine's
  // ANSI code page, which loses every letter that code page lacks (č, ř, ů
  // under 1252), and a file they find with the UTF-16LE byte-order mark in
  // UTF-16LE. So a missing file is created holding just the mark first; an
  // existing file, ANSI or not, is left to the profile functions as it is.
  // True when this call created the file.
  static bool createUnicodeFile(const vstring& file) {
    HANDLE h = CreateFileW(wide(file), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;  // there already, or no folder: the write decides
    static const unsigned char kMark[2] = {0xFF, 0xFE};
    DWORD written = 0;
    bool ok = WriteFile(h, kMark, sizeof kMark, &written, nullptr) && written == sizeof kMark;
    CloseHandle(h);
    if (!ok) DeleteFileW(wide(file));
    return ok;
  }
};

}  // namespace

ProfileBackend& win32ProfileBackend() {
  static Win32ProfileBackend backend;
  return backend;
}

ProfileBackend& defaultProfileBackend() { return win32ProfileBackend(); }

}  // namespace vd
