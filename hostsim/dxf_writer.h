// Writes the host's drawing as a DXF R2000 ASCII file.
#pragma once
#include <map>
#include <string>

#include "hostsim/drawing.h"
#include "hostsim/variable.h"


namespace hostsim::dxf {

// The whole drawing: header (with the host variables that have a DXF name),
// tables (every layer, line type, text style, dimension style and
// extended-data application in use, and those read from a file), blocks,
// entities and the named dictionaries with their XRECORDs.
std::string writeDxf(const Drawing& drawing, const std::map<vstring, Variable>& variables);

// Writes the text to a file; false with a reason when the file cannot be written.
bool saveDxf(const Drawing& drawing, const std::map<vstring, Variable>& variables, const std::string& path,
             std::string& error);

// DXF text of a string: code page 1250, other characters as \U+XXXX, line
// breaks as blanks (a value is one line).
std::string encodeText(vd::vstring_view text);

}  // namespace hostsim::dxf
