// Settings kept in one section of an INI file through the private-profile
// functions, and the store that falls back from one file/section pair to another.
#pragma once
#include <optional>

#include "store/ini_store.h"
#include "store/profile_backend.h"

namespace vd {

// The default text of every profile read: reading it back means the key is absent.
inline constexpr vstring_view kAbsentValue = u"$EMPTY$";

// One file/section pair; unset while either is missing.
struct ProfileLocation {
  std::optional<vstring> file;
  std::optional<vstring> section;
  bool isSet() const { return file && section; }
  void reset() {
    file.reset();
    section.reset();
  }
};

class prf_store : public ini_store {
 public:
  explicit prf_store(ProfileBackend& backend = defaultProfileBackend());
  ~prf_store() override;

  // Closes first; keeps copies and succeeds only when both are non-empty and
  // the section name can stand in an INI file (no line break, no ']').
  bool open(vstring_view file, vstring_view section);
  bool isOpen() const { return location_.isSet(); }
  const ProfileLocation& location() const { return location_; }

  void close() override;
  // Reads with a buffer of 1024 characters, doubled while the value fills it.
  bool getString(vstring_view key, vstring& out) override;
  // Refuses values with a line break: they would turn into other keys.
  bool setString(vstring_view key, vstring_view value) override;
  // Hexadecimal text: 8 upper-case digits of the count (at most 32767), then
  // two digits per byte.
  bool getBinary(vstring_view key, std::vector<uint8_t>& out) override;
  bool setBinary(vstring_view key, std::span<const uint8_t> bytes) override;
  bool getBinaryInto(vstring_view key, void* buffer, size_t& size) override;

  static constexpr size_t kFirstReadChars = 1024;

 protected:
  // The operations on any pair, shared with def_store.
  bool readString(const ProfileLocation& at, vstring_view key, vstring& out);
  bool writeString(const ProfileLocation& at, vstring_view key, vstring_view value);
  bool readBinary(const ProfileLocation& at, vstring_view key, std::vector<uint8_t>& out);
  bool writeBinary(const ProfileLocation& at, vstring_view key, std::span<const uint8_t> bytes);

  ProfileBackend& backend_;
  ProfileLocation location_;
};

// A first and a second file/section pair given at construction, plus the
// pair opened on the base. Strings come from the first pair, then the second;
// binary blocks from the first pair, then the base's; writes go to the first
// pair when it is set, else to the base's.
class def_store : public prf_store {
 public:
  def_store(vstring_view firstFile, vstring_view firstSection, vstring_view secondFile,
            vstring_view secondSection, ProfileBackend& backend = defaultProfileBackend());
  ~def_store() override;

  void close() override;  // frees all three pairs
  bool getString(vstring_view key, vstring& out) override;
  bool setString(vstring_view key, vstring_view value) override;
  bool getBinary(vstring_view key, std::vector<uint8_t>& out) override;
  bool setBinary(vstring_view key, std::span<const uint8_t> bytes) override;

  const ProfileLocation& first() const { return first_; }
  const ProfileLocation& second() const { return second_; }

 private:
  ProfileLocation first_;
  ProfileLocation second_;
};

}  // namespace vd
