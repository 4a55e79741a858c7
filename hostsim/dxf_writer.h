// Writes the host's drawing as a DXF R2000 ASCII file.
#pragma once
#include <map>
#include <string>

#include "hostsim/drawing.h"
#include "hostsim/variable.h"


namespace hostsim::dxf {

// The whole drawing: header (the file's header variables and the host
// settings that have a DXF name), tables (every layer, line type, text style,
// dimension style and extended-data application in use, and those read from a
// file), blocks, entities and the named dictionaries with their XRECORDs.
// Empty, with the reason in `error`, when the drawing holds a number that is
// not finite.
std::string writeDxf(const Drawing& drawing, const std::map<vstring, Variable>& variables,
                     const std::map<vstring, vstring>& environment = {}, std::string* error = nullptr);

// Writes the file as it goes; false with a reason when a number is not finite
// (the file is then not touched) or the file cannot be written.
bool saveDxf(const Drawing& drawing, const std::map<vstring, Variable>& variables,
             const std::map<vstring, vstring>& environment, const std::string& path, std::string& error);

// DXF text of a string: code page 1250, other characters as \U+XXXX (\U+ and
// eight digits beyond U+FFFF), line breaks as blanks (a value is one line).
std::string encodeText(vd::vstring_view text);

}  // namespace hostsim::dxf
