// A profile backend over one document in memory, for the fuzz targets: what
// the profile functions would read from and write to the file the document
// makes, without the file.
#pragma once

#include <map>
#include <optional>

#include "host/text.h"
#include "store/host_path.h"
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

// Every profile file in memory: a file never
// written reads as a missing one, and the first write makes it as the file
// backend makes a missing file (UTF-16).
class MemoryFiles : public vd::ProfileBackend {
 public:
  void clear() { files_.clear(); }
  size_t read(vd::vstring_view file, vd::vstring_view section, vd::vstring_view key, vd::vstring_view fallback,
              vd::vchar* buffer, size_t capacity) override {
    static vd::IniDocument missing;  // no sections: every read gives its fallback
    auto it = files_.find(nativePath(file));
    return MemoryBackend(it == files_.end() ? missing : it->second)
        .read(file, section, key, fallback, buffer, capacity);
  }
  bool write(vd::vstring_view file, vd::vstring_view section, vd::vstring_view key, vd::vstring_view value) override {
    auto it = files_.try_emplace(nativePath(file), vd::IniDocument::created()).first;
    return MemoryBackend(it->second).write(file, section, key, value);
  }

 private:
  // By the file's path on this machine: the module names a file with the
  // host's separators, a caller here may not.
  std::map<std::filesystem::path, vd::IniDocument> files_;

  // The module reads a file's keys one after another, each call naming the
  // file again: the path of the last name is kept, since making a path of a
  // UTF-16 name was a twentieth of an execution. (The empty name's path is
  // the empty path, so the two start out agreeing.)
  const std::filesystem::path& nativePath(vd::vstring_view file) {
    if (file != lastName_) {
      lastPath_ = vd::hostPathToNative(file);
      lastName_ = vd::vstring(file);
    }
    return lastPath_;
  }
  vd::vstring lastName_;
  std::filesystem::path lastPath_;
};

}  // namespace fuzztest
