// Helpers shared by the store and settings tests: a scratch folder, raw file
// access, and the profile backends a build can test against.
#pragma once
#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/text.h"
#include "tests/test_files.h"
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
