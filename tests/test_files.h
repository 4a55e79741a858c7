// Whole files as bytes, for tests that give a program a file or check the
// file it wrote.
#pragma once
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace vdtest {

inline void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace vdtest
