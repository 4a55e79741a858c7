// Helpers shared by the store and settings tests: a scratch folder, raw file
// access, and the profile backends a build can test against.
#pragma once
#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/text.h"
#include "tests/test_files.h"
#include "store/ini_store.h"
#include "store/profile_backend.h"
#ifdef _WIN32
#include "store/win/profile_win32.h"
#endif

namespace vdtest {

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchDir {
 public:
  ScratchDir() {
    static std::atomic<int> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path() /
            ("vd-store-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path file(const std::string& name) const { return path_ / name; }
  // The path of a file inside as the stores take it.
  vd::vstring host(const std::string& name) const { return file(name).u16string(); }

 private:
  std::filesystem::path path_;
};

// A text as a profile file holds it in UTF-16LE: the byte-order mark, then
// two bytes a character.
inline std::string utf16File(const std::u16string& text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

// A value a read must overwrite, so that one that leaves its output alone shows.
inline void makeStale(vd::vstring& v) { v = u"stale"; }
inline void makeStale(int32_t& v) { v = -12345; }
inline void makeStale(double& v) { v = -12345.5; }
template <class E>
void makeStale(std::vector<E>& v) { v.assign(1, E{}); }

// What a store's `get` (getString, getInt, getIntList, ...) reads for `key`;
// none when the read fails.
template <class T>
std::optional<T> got(vd::ini_store& store, bool (vd::ini_store::*get)(vd::vstring_view, T&), vd::vstring_view key) {
  T out;
  makeStale(out);
  if (!(store.*get)(key, out)) return std::nullopt;
  return out;
}

// Passes every call on to another backend, for backends that watch the calls.
class PassThroughBackend : public vd::ProfileBackend {
 public:
  explicit PassThroughBackend(vd::ProfileBackend& inner) : inner_(inner) {}
  size_t read(vd::vstring_view file, vd::vstring_view section, vd::vstring_view key, vd::vstring_view fallback,
              vd::vchar* buffer, size_t capacity) override {
    return inner_.read(file, section, key, fallback, buffer, capacity);
  }
  bool write(vd::vstring_view file, vd::vstring_view section, vd::vstring_view key, vd::vstring_view value) override {
    return inner_.write(file, section, key, value);
  }

 private:
  vd::ProfileBackend& inner_;
};

struct BackendCase {
  const char* name;
  vd::ProfileBackend* backend;
};

// Every backend this build can run: the portable one everywhere, and in the
// Windows build the Windows profile functions as well.
inline std::vector<BackendCase> profileBackends() {
  std::vector<BackendCase> cases = {{"portable", &vd::portableProfileBackend()}};
#ifdef _WIN32
  cases.push_back({"win32", &vd::win32ProfileBackend()});
#endif
  return cases;
}

inline std::string backendName(const testing::TestParamInfo<BackendCase>& info) {
  return info.param.name;
}

}  // namespace vdtest
