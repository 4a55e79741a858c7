// Replays a fuzz target's inputs without libFuzzer: each file named, and
// each file of each folder named, in name order, once, through the target's
// LLVMFuzzerTestOneInput (after its LLVMFuzzerInitialize, where it has one).
// The native build runs every target over its seed corpus this way, under
// the sanitizers, and so does the mutation tester: the targets' checks
// count among the tests. An input longer than --max-len is cut there, as
// libFuzzer cuts the inputs it reads.
//
//   replay_NAME [--max-len N] PATH...
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char** argv) {
  size_t maxLen = 0;
  std::vector<std::filesystem::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--max-len" && i + 1 < argc) {
      maxLen = std::strtoull(argv[++i], nullptr, 10);
      continue;
    }
    std::error_code ec;
    if (std::filesystem::is_directory(a, ec)) {
      std::vector<std::filesystem::path> files;
      for (const auto& entry : std::filesystem::directory_iterator(a, ec))
        if (entry.is_regular_file()) files.push_back(entry.path());
      std::sort(files.begin(), files.end());
      inputs.insert(inputs.end(), files.begin(), files.end());
    } else if (std::filesystem::is_regular_file(a, ec)) {
      inputs.emplace_back(a);
    } else {
      std::fprintf(stderr, "replay: no file or folder %s\n", a.c_str());
      return 2;
    }
  }
  if (inputs.empty()) {
    std::fprintf(stderr, "usage: %s [--max-len N] PATH...\n", argc ? argv[0] : "replay");
    return 2;
  }
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  const auto begun = std::chrono::steady_clock::now();
  for (const std::filesystem::path& path : inputs) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
      std::fprintf(stderr, "replay: cannot read %s\n", path.c_str());
      return 2;
    }
    if (maxLen && bytes.size() > maxLen) bytes.resize(maxLen);
    // A failed check aborts; the input's name is printed first so that the log names it.
    std::fprintf(stderr, "replay: %s\n", path.filename().c_str());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  }
  std::printf("replay: %zu inputs in %.1f s\n", inputs.size(),
              std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count());
  return 0;
}
