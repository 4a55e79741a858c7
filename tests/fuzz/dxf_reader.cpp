// The host's DXF reader on any bytes: a file it takes must write out and read
// back with the same entities and named blocks, and writing that again must
// give the same text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "hostsim/dxf_reader.h"
#include "hostsim/dxf_writer.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace hostsim::dxf;
  ReadResult first = readDxf(std::string_view(reinterpret_cast<const char*>(data), size));
  FUZZ_CHECK((first.drawing == nullptr) == !first.error.empty());
  if (!first.drawing) return 0;

  std::string error;
  std::string written = writeDxf(*first.drawing, first.variables, first.environment, &error);
  // A number that is not finite is refused with a reason, and nothing else is.
  FUZZ_CHECK(written.empty() == !error.empty());
  if (written.empty()) return 0;

  ReadResult second = readDxf(written);
  if (!second.drawing) std::fprintf(stderr, "re-read: %s\n", second.error.c_str());
  FUZZ_CHECK(second.drawing != nullptr);
  FUZZ_CHECK(second.drawing->entities().size() == first.drawing->entities().size());
  // Every named block comes back. Anonymous ("*") blocks are the writer's:
  // a dimension's block is written anew from the dimension (a new "*D" block
  // when the file lacked it), and one that no dimension uses is left out, as
  // a CAD program purges it.
  for (const auto& block : first.drawing->blocks())
    FUZZ_CHECK(block->name.starts_with(u"*") || second.drawing->findBlock(block->name));
  std::string again = writeDxf(*second.drawing, second.variables, second.environment, &error);
  FUZZ_CHECK(again == written);
  return 0;
}
