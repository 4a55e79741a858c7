// Reads a DXF file (R12 to R2018 ASCII) into a new drawing: entities, blocks
// and the named dictionaries of XRECORDs as chains, symbol-table records the
// host keeps, and the header variables the host knows.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "hostsim/drawing.h"
#include "hostsim/variable.h"


namespace hostsim::dxf {

struct ReadResult {
  std::unique_ptr<Drawing> drawing;               // null on failure
  std::map<vstring, Variable> variables;          // header variables the host knows
  std::vector<std::string> notes;                 // what was read but not kept
  std::string error;                              // "line N: ..." on failure
};

ReadResult readDxf(std::string_view text);
ReadResult loadDxf(const std::string& path);

// Text of a DXF string value: the file's code page and \U+XXXX escapes.
vstring decodeText(std::string_view raw, bool utf8);

}  // namespace hostsim::dxf
