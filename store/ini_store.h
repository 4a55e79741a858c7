// One interface over the places settings are kept: callers name a key and a
// value type and never see the storage.
//
// Every operation returns true on success. On a missing key, a closed store or
// a malformed value it returns false and leaves the out-value empty (0, an
// empty string, vector or block).
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "host/text.h"

namespace vd {

class ini_store {
 public:
  ini_store() = default;
  ini_store(const ini_store&) = delete;
  ini_store& operator=(const ini_store&) = delete;

  // The virtual operations keep this order; subclasses rely on it.

  // Closes, then frees. Every concrete store calls its own close() in its destructor.
  virtual ~ini_store() = default;
  // Releases what the store holds (file and section, registry key, pairs).
  virtual void close() = 0;

  // Text mode: the text value first, then a binary one; binary mode the other
  // way round. A binary integer is exactly 4 bytes, a text one "%i".
  virtual bool getInt(vstring_view key, int32_t& out);
  virtual bool setInt(vstring_view key, int32_t value);
  // A binary value whose size is a multiple of 4 gives size / 4 values;
  // otherwise the text "1;2;3" (one trailing semicolon allowed).
  virtual bool getIntList(vstring_view key, std::vector<int32_t>& out);
  virtual bool setIntList(vstring_view key, std::span<const int32_t> values);
  // As the integers, with 8 bytes and "%g" (six significant digits).
  virtual bool getDouble(vstring_view key, double& out);
  // Refuses NaN and infinities: their text would not read back.
  virtual bool setDouble(vstring_view key, double value);
  virtual bool getDoubleList(vstring_view key, std::vector<double>& out);
  virtual bool setDoubleList(vstring_view key, std::span<const double> values);
  virtual bool getString(vstring_view key, vstring& out) = 0;
  virtual bool setString(vstring_view key, vstring_view value) = 0;
  // Always binary, under key + "_UNICODE": each string's UTF-16 characters
  // followed by a 0 character. Setting fails for an empty list, a string with
  // a 0 character or one longer than kMaxListString.
  virtual bool getStringList(vstring_view key, std::vector<vstring>& out);
  virtual bool setStringList(vstring_view key, std::span<const vstring> values);
  virtual bool getBinary(vstring_view key, std::vector<uint8_t>& out) = 0;
  virtual bool setBinary(vstring_view key, std::span<const uint8_t> bytes) = 0;
  // Copies a binary value into the caller's buffer. `size` gives the buffer's
  // size and returns the value's size. A value larger than the buffer is not
  // copied at all: false, with `size` set to the size needed. No buffer or a
  // zero size fails. Only the profile stores support it.
  virtual bool getBinaryInto(vstring_view key, void* buffer, size_t& size);

  bool textMode() const { return textMode_; }
  void setTextMode(bool text) { textMode_ = text; }

  static constexpr size_t kMaxListString = 32767;
  static constexpr vstring_view kListSuffix = u"_UNICODE";

 protected:
  bool textMode_ = true;
};

}  // namespace vd
