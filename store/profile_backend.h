// The two private-profile operations the profile stores are built on.
//
// Implemented by the Windows profile functions (store/win/) and by a portable
// INI reader and writer (ini_file.h) that behaves the same way, so that one
// test suite can hold both to the same results.
#pragma once
#include <cstddef>

#include "host/text.h"

namespace vd {

class ProfileBackend {
 public:
  virtual ~ProfileBackend() = default;

  // As GetPrivateProfileStringW: copies the value of `key` in `section` of
  // `file`, or `fallback` when there is no such key, into `buffer` and always
  // terminates it. Returns the characters copied without the terminator; a
  // value that does not fit is cut to capacity - 1 characters, which is how
  // callers see that the buffer was too small. Names compare without regard
  // to case and blanks around them; the value comes without the blanks around
  // it and without one pair of enclosing quotes.
  virtual size_t read(vstring_view file, vstring_view section, vstring_view key,
                      vstring_view fallback, vchar* buffer, size_t capacity) = 0;

  // As WritePrivateProfileStringW: sets the key, adding the section and the
  // key when missing and keeping everything else in the file. Creates a
  // missing file (not its folder) in UTF-16LE with the byte-order mark, so
  // that every character is kept whatever the machine's ANSI code page; an
  // existing file keeps its encoding. False when the file cannot be written.
  virtual bool write(vstring_view file, vstring_view section, vstring_view key,
                     vstring_view value) = 0;
};

// The backend of the platform: the Windows profile functions in the Windows
// build, the portable INI backend elsewhere.
ProfileBackend& defaultProfileBackend();

// The portable backend, available in both builds.
ProfileBackend& portableProfileBackend();

}  // namespace vd
