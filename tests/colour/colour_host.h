// A host for the colour tests: it serves the colour names of the string
// table and knows three layers. Names arrive in code page 1250.
#pragma once
#include <map>
#include <string>

#include "host/host_api.h"
#include "string_ids.h"

namespace colourtest {

inline const std::map<int, vd::vstring>& texts() {
  static const std::map<int, vd::vstring> t = {
      {IDS_COLOR_BYLAYER, u"DleHlad"}, {IDS_COLOR_BYBLOCK, u"DleBlok"}, {IDS_COLOR_RED, u"Červená"},
      {IDS_COLOR_YELLOW, u"Žlutá"},    {IDS_COLOR_GREEN, u"Zelená"},    {IDS_COLOR_CYAN, u"SvModrá"},
      {IDS_COLOR_BLUE, u"Modrá"},      {IDS_COLOR_MAGENTA, u"Fialová"}, {IDS_COLOR_BLACK_WHITE, u"Černá/bílá"},
      {IDS_COLOR_MORE, u"Další..."},
  };
  return t;
}

inline int loadString(int id, vd::vchar* buffer, int capacity) {
  auto it = texts().find(id);
  return vd::copyToBuffer(it == texts().end() ? vd::vstring_view() : vd::vstring_view(it->second), buffer, capacity);
}

// The layer the host was last asked for.
inline std::string& askedLayer() {
  static std::string name;
  return name;
}

// "Výšky_č" (colour 3), "OFF" (colour -5: off) and "STĚNY" (colour 5).
inline int findLayer(const char* name, void* record) {
  askedLayer() = name;
  auto* r = static_cast<vd::HostLayerRecord*>(record);
  if (r->size != static_cast<int32_t>(sizeof(vd::HostLayerRecord))) return 0;
  const std::map<std::string, int> layers = {{"V\xFD\x9Aky_\xE8", 3}, {"OFF", -5}, {"ST\xCCNY", 5}};
  auto it = layers.find(askedLayer());
  if (it == layers.end()) return 0;
  r->colour = it->second;
  return 1;
}

// Binds a table with the two operations for as long as it lives.
class ColourHost {
 public:
  ColourHost() {
    vd::unbindHost();
    askedLayer().clear();
    auto* api = new vd::HostApi{};
    api->LoadStringDBW = &loadString;
    api->FindLayerInfoA = &findLayer;
    vd::hostBinding().api = api;
  }
  ~ColourHost() { vd::unbindHost(); }
  ColourHost(const ColourHost&) = delete;
  ColourHost& operator=(const ColourHost&) = delete;
};

}  // namespace colourtest
