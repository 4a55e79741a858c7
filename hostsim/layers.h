// The drawing's layers as the host's layer operations see them: colours for
// FindLayerInfoA, and the layer keys of `layer` lines, which
// Vd2dKeyLayerMappedA maps to layer names and Vd2dLayerDev2LangW spells in
// their device and language forms.
//
// A key's language form is the key as its `layer` line spells it; its
// device form is that spelling in ASCII capitals. Keys compare without
// regard to ASCII case.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "host/text.h"

namespace hostsim {

class Host;

// A layer key of the host and the layer name it stands for.
struct LayerKey {
  vd::vstring key;    // language form
  vd::vstring layer;
};

// The colour of a layer without one, and the range of colour numbers a
// layer takes (negative: the layer is off).
constexpr int kLayerDefaultColour = 7;
constexpr int kLayerColourMax = 255;

// Defines a layer as a `layer NAME COLOUR [KEY]` line does: adds it to the
// drawing, or gives a layer of that name (ignoring case, also one loaded from
// a file) the colour; a non-empty key then stands for it instead of any key
// it had. Returns why it refused, empty when done; a refusal changes nothing.
std::string defineLayer(Host& host, const vd::vstring& name, int colour, const vd::vstring& key);

// The key `key` (any case), or null.
const LayerKey* findLayerKey(const Host& host, vd::vstring_view key);

// The drawing's layer of that name (ignoring case): its colour number, the
// default when its record gives none; nothing when there is no such layer.
std::optional<int> layerColour(const Host& host, vd::vstring_view name);

// Vd2dLayerDev2LangW's rewriting: a key given in either form becomes its
// language form (toLanguage) or device form; nothing for a text that is no key.
std::optional<vd::vstring> convertLayerKey(const Host& host, vd::vstring_view text, bool toLanguage);

// The drawing's layers in order with the key that stands for each (empty
// when none does), as the layer-settings extension lists them.
struct LayerEntry {
  vd::vstring name;
  vd::vstring key;
};
std::vector<LayerEntry> layerEntries(const Host& host);

}  // namespace hostsim
