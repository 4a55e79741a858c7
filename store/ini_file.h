// A portable INI reader and writer that behaves as the Windows profile
// functions do, for the builds and tests that do not use those.
//
// What the profile stores rely on, and this file keeps:
// - sections and keys compare without regard to the case of ASCII letters and
//   to the blanks around them; the first section of a name is the one used;
// - lines starting with ';' are comments; blank lines and lines without '='
//   are kept but hold no key;
// - a value comes without the blanks around it and without one pair of
//   enclosing quotes; a read is cut to the buffer as the Windows functions cut it;
// - writing changes the one line of the key (or adds it after the section's
//   last line, or adds the section at the end of the file) and writes every
//   other line back as it was, with CR LF line ends;
// - a new file is UTF-16LE with its byte-order mark (the Windows backend
//   creates it so, since only then do the profile functions keep every
//   letter); a file that starts with a UTF-16LE or UTF-8 mark keeps that
//   encoding; any other existing file is in the ANSI code page, which here is
//   always code page 1250 (the Windows code page of the module's users).
#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "store/profile_backend.h"

namespace vd {

class IniDocument {
 public:
  enum class Encoding { Ansi, Utf8, Utf16 };

  // The bytes of a file, decoded and split into lines.
  static IniDocument parse(std::string_view bytes);
  // A document for a file that does not exist yet (UTF-16LE).
  static IniDocument created();
  // The lines in the document's encoding, each ended with CR LF.
  std::string serialize() const;

  // The value of a key (blanks and one pair of quotes removed); none when the
  // section or the key is missing.
  std::optional<vstring> find(vstring_view section, vstring_view key) const;
  void set(vstring_view section, vstring_view key, vstring_view value);

  Encoding encoding() const { return encoding_; }
  const std::vector<vstring>& lines() const { return lines_; }

 private:
  // Index of the first header of `section`, or lines_.size().
  size_t findSection(vstring_view section) const;

  Encoding encoding_ = Encoding::Ansi;
  std::vector<vstring> lines_;
};

// The portable backend: each call reads the file anew (parsing it only when
// its bytes changed), each write writes it whole.
class IniFileBackend : public ProfileBackend {
 public:
  size_t read(vstring_view file, vstring_view section, vstring_view key, vstring_view fallback,
              vchar* buffer, size_t capacity) override;
  bool write(vstring_view file, vstring_view section, vstring_view key,
             vstring_view value) override;

 private:
  // The file's bytes as last read or written, and their parse: the settings
  // are read and written a key at a time, each call reading the whole file,
  // and parsing it again for every key took most of a settings load.
  const IniDocument& parsed(std::string bytes);
  std::string cachedBytes_;
  IniDocument cachedDocument_;
};

}  // namespace vd
