// The module's string table read from its resource sources, for a host that
// runs the module's code in its own process and has no module file to load
// the table from: `#define IDS_NAME number` lines of the id header and
// `IDS_NAME, "text"` lines of the string table ("" a quote, \n a line break).
#pragma once
#include <map>
#include <string>

#include "host/text.h"

namespace nsweep {

// False with the reason (file and line) when a file cannot be read or a
// line of the table names no id of the header.
bool readModuleStrings(const std::string& idsHeader, const std::string& stringTable,
                       std::map<int, vd::vstring>& out, std::string& error);

// The string table of this process: read once by loadModuleStrings, then
// served by moduleString, which a host takes as its string source.
bool loadModuleStrings(const std::string& idsHeader, const std::string& stringTable, std::string& error);
bool moduleString(int id, vd::vstring& out);

// Parses the two files' texts; `idsName` and `tableName` name them in errors.
bool parseModuleStrings(const std::string& ids, const std::string& table, std::map<int, vd::vstring>& out,
                        std::string& error, const std::string& idsName = "ids", const std::string& tableName = "table");

}  // namespace nsweep
