#include "tools/native_sweep/module_strings.h"

#include <cctype>
#include <sstream>

#include "hostsim/script.h"

namespace nsweep {

namespace {

bool isNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// An IDS_ name at `at` (blanks before it skipped); empty when there is none.
std::string idName(const std::string& line, size_t& at) {
  while (at < line.size() && std::isspace(static_cast<unsigned char>(line[at]))) ++at;
  if (line.compare(at, 4, "IDS_") != 0) return {};
  const size_t begin = at;
  while (at < line.size() && isNameChar(line[at])) ++at;
  return line.substr(begin, at - begin);
}

void skipBlanks(const std::string& line, size_t& at) {
  while (at < line.size() && std::isspace(static_cast<unsigned char>(line[at]))) ++at;
}

}  // namespace

bool parseModuleStrings(const std::string& ids, const std::string& table, std::map<int, vd::vstring>& out,
                        std::string& error, const std::string& idsName, const std::string& tableName) {
  std::map<std::string, int> numbers;
  std::istringstream idLines(ids);
  std::string line;
  while (std::getline(idLines, line)) {
    // "#define IDS_NAME 123"
    size_t at = 0;
    skipBlanks(line, at);
    if (line.compare(at, 7, "#define") != 0) continue;
    at += 7;
    const std::string name = idName(line, at);
    skipBlanks(line, at);
    const size_t digits = at;
    while (at < line.size() && std::isdigit(static_cast<unsigned char>(line[at]))) ++at;
    if (name.empty() || at == digits) continue;
    numbers[name] = std::stoi(line.substr(digits, at - digits));
  }
  std::istringstream tableLines(table);
  int lineNumber = 0;
  while (std::getline(tableLines, line)) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // "    IDS_NAME, "text""
    size_t at = 0;
    const std::string name = idName(line, at);
    skipBlanks(line, at);
    if (name.empty() || at >= line.size() || line[at] != ',') continue;
    ++at;
    skipBlanks(line, at);
    size_t last = line.find_last_not_of(" \t");
    if (at >= line.size() || line[at] != '"' || last == at || line[last] != '"') {
      error = tableName + " line " + std::to_string(lineNumber) + ": " + name + " has no quoted text";
      return false;
    }
    auto id = numbers.find(name);
    if (id == numbers.end()) {
      error = tableName + " line " + std::to_string(lineNumber) + ": " + name + " is not defined in " + idsName;
      return false;
    }
    const std::string quoted = line.substr(at + 1, last - at - 1);
    std::string text;
    for (size_t i = 0; i < quoted.size(); ++i) {
      if (quoted[i] == '"' && i + 1 < quoted.size() && quoted[i + 1] == '"') {
        text.push_back('"');
        ++i;
      } else if (quoted[i] == '\\' && i + 1 < quoted.size() && quoted[i + 1] == 'n') {
        text.push_back('\n');
        ++i;
      } else if (quoted[i] == '"') {
        error = tableName + " line " + std::to_string(lineNumber) + ": a lone quote inside " + name;
        return false;
      } else {
        text.push_back(quoted[i]);
      }
    }
    out[id->second] = vd::utf8ToUtf16(text);
  }
  return true;
}

bool readModuleStrings(const std::string& idsHeader, const std::string& stringTable,
                       std::map<int, vd::vstring>& out, std::string& error) {
  std::string ids, table;
  if (!hostsim::readTextFile(idsHeader, ids)) {
    error = "cannot read " + idsHeader;
    return false;
  }
  if (!hostsim::readTextFile(stringTable, table)) {
    error = "cannot read " + stringTable;
    return false;
  }
  return parseModuleStrings(ids, table, out, error, idsHeader, stringTable);
}

namespace {
std::map<int, vd::vstring>& processStrings() {
  static std::map<int, vd::vstring> strings;
  return strings;
}
}  // namespace

bool loadModuleStrings(const std::string& idsHeader, const std::string& stringTable, std::string& error) {
  processStrings().clear();
  return readModuleStrings(idsHeader, stringTable, processStrings(), error);
}

bool moduleString(int id, vd::vstring& out) {
  auto it = processStrings().find(id);
  if (it == processStrings().end()) return false;
  out = it->second;
  return true;
}

}  // namespace nsweep
