// A profile backend over one document in memory, for the fuzz targets: what
// the profile functions would read from and write to the file the document
// makes, without the file.
#pragma once

#include <optional>

#include "host/text.h"
#include "store/ini_file.h"
#include "store/profile_backend.h"

namespace fuzztest {

class MemoryBackend : public vd::ProfileBackend {
 public:
  explicit MemoryBackend(vd::IniDocument& doc) : doc_(doc) {}
  size_t read(vd::vstring_view, vd::vstring_view section, vd::vstring_view key, vd::vstring_view fallback,
              vd::vchar* buffer, size_t capacity) override {
    std::optional<vd::vstring> value = doc_.find(section, key);
    return static_cast<size_t>(
        vd::copyToBuffer(value ? vd::vstring_view(*value) : fallback, buffer, static_cast<int>(capacity)));
  }
  bool write(vd::vstring_view, vd::vstring_view section, vd::vstring_view key, vd::vstring_view value) override {
    doc_.set(section, key, value);
    return true;
  }

 private:
  vd::IniDocument& doc_;
};

}  // namespace fuzztest
