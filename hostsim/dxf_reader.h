// Reads a DXF file (R12 to R2018 ASCII) into a new drawing: entities, blocks
// and the named dictionaries of XRECORDs as chains, symbol-table records the
// host keeps, the file's header variables, and the host settings the header
// and the current dimension style give.
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
  std::map<vstring, Variable> variables;          // system variables the file sets
  std::map<vstring, vstring> environment;         // environment settings the file sets (DIMDEC, ...)
  std::vector<std::string> notes;                 // what was read but not kept
  std::string error;                              // "line N: ..." on failure
};

ReadResult readDxf(std::string_view text);
// Reads the file as it goes, without holding all of it in memory.
ReadResult loadDxf(const std::string& path);

// Text of a DXF string value: the file's code page and \U+XXXX escapes
// (\U+ with eight digits for a character beyond U+FFFF).
vstring decodeText(std::string_view raw, bool utf8);

// The value of a hex digit (either case); -1 for any other character.
int hexDigit(vchar c);

// At most this many bytes of a bad line are quoted in a message.
constexpr size_t kQuotedBytes = 80;

}  // namespace hostsim::dxf
