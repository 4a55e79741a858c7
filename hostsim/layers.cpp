#include "hostsim/layers.h"

#include <algorithm>

#include "hostsim/host.h"

namespace hostsim {

namespace {

using vd::vstring;
using vd::vstring_view;

// The drawing's LAYER record of that name, or null (layer 0 of a new drawing has none).
TableRecord* layerRecord(Drawing& d, vstring_view name) {
  for (TableRecord& r : d.tableRecords()) {
    if (!vd::equalsNoCaseAscii(r.table, u"LAYER")) continue;
    std::optional<vstring_view> n = r.chain.view().text(2);
    if (n && vd::equalsNoCaseAscii(*n, name)) return &r;
  }
  return nullptr;
}

const TableRecord* layerRecord(const Drawing& d, vstring_view name) {
  return layerRecord(const_cast<Drawing&>(d), name);
}

bool validColour(int colour) { return colour != 0 && colour >= -kLayerColourMax && colour <= kLayerColourMax; }

}  // namespace

std::string defineLayer(Host& host, const vstring& name, int colour, const vstring& key) {
  if (name.empty()) return "a layer needs a name";
  if (!validColour(colour))
    return "a layer's colour is 1 to 255, negative for a layer that is off, not " + std::to_string(colour);
  const LayerKey* taken = key.empty() ? nullptr : findLayerKey(host, key);
  if (taken && !vd::equalsNoCaseAscii(taken->layer, name))
    return "the layer key " + vd::utf16ToUtf8(key) + " already stands for the layer " + vd::utf16ToUtf8(taken->layer);

  if (!layerRecord(host.drawing(), name) && !host.addLayer(name)) {
    // Layer 0 is in every drawing without a record of its own: it gets one now.
    vd::ChainBuilder b;
    b.text(vd::gc::kType, u"LAYER").text(2, name).integer(70, 0);
    host.drawing().tableRecords().push_back({u"LAYER", b.build()});
  }
  TableRecord* record = layerRecord(host.drawing(), name);
  if (!record || !record->chain.setInteger(62, colour)) return "the layer record cannot take the colour";
  if (!key.empty()) {
    std::erase_if(host.layerKeyNames, [&](const LayerKey& k) { return vd::equalsNoCaseAscii(k.layer, name); });
    std::optional<vstring_view> recorded = record->chain.view().text(2);
    host.layerKeyNames.push_back({key, vstring(recorded.value_or(name))});
  }
  return {};
}

const LayerKey* findLayerKey(const Host& host, vstring_view key) {
  for (const LayerKey& k : host.layerKeyNames) {
    if (vd::equalsNoCaseAscii(k.key, key)) return &k;
  }
  return nullptr;
}

std::optional<int> layerColour(const Host& host, vstring_view name) {
  if (const TableRecord* r = layerRecord(host.drawing(), name)) {
    std::optional<int64_t> colour = r->chain.view().integer(62);
    return colour ? static_cast<int>(*colour) : kLayerDefaultColour;
  }
  for (const vstring& n : host.layerNames()) {
    if (vd::equalsNoCaseAscii(n, name)) return kLayerDefaultColour;
  }
  return std::nullopt;
}

std::optional<vstring> convertLayerKey(const Host& host, vstring_view text, bool toLanguage) {
  const LayerKey* k = findLayerKey(host, text);
  if (!k) return std::nullopt;
  return toLanguage ? k->key : upperName(k->key);
}

std::vector<LayerEntry> layerEntries(const Host& host) {
  std::vector<LayerEntry> entries;
  for (const vstring& name : host.layerNames()) {
    LayerEntry e{name, {}};
    for (const LayerKey& k : host.layerKeyNames) {
      if (vd::equalsNoCaseAscii(k.layer, name)) e.key = k.key;
    }
    entries.push_back(std::move(e));
  }
  return entries;
}

}  // namespace hostsim

// The export the layer-settings extension lists the layers by. It belongs to
// the host program, not to the module's host table, so it is exported here
// rather than through the list of host operations.
#ifdef _WIN32
#define VD_PROGRAM_EXPORT __declspec(dllexport)
#else
#define VD_PROGRAM_EXPORT
#endif
extern "C" VD_PROGRAM_EXPORT int Vd2dLayerEntryW(int index, vd::vchar* name, int nameCapacity, vd::vchar* key,
                                                 int keyCapacity) {
  const std::vector<hostsim::LayerEntry> entries = hostsim::layerEntries(hostsim::Host::instance());
  if (index < 0 || static_cast<size_t>(index) >= entries.size()) return 0;
  const hostsim::LayerEntry& e = entries[static_cast<size_t>(index)];
  vd::copyToBuffer(e.name, name, nameCapacity);
  vd::copyToBuffer(e.key, key, keyCapacity);
  return 1;
}
