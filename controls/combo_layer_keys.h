// A history combo box of layer keys.
//
// comboLayerKeys checks typed keys (forbidden characters, length), shows
// each key with the layer name the host maps it to, keeps two special
// entries on top (the current layer, and one that opens the layer chooser)
// and stores keys rather than display texts. The special texts, the
// messages and the chooser come from the layer-settings extension
// PELTAR.CRX beside the module; without it the combo has no specials and
// refuses keys silently, but still checks and maps them.
//
// User data of an entry: kCurrentLayerData and kChooserData for the
// specials; for an ordinary entry the key's place in the display text, the
// start in the low byte and the length in the high byte.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "controls/combo_history.h"
#include "controls/layer_extension.h"

namespace vd {

class comboLayerKeys : public comboHistory {
 public:
  // Key options.
  static constexpr uint32_t kShowCurrentLayer = 0x1;  // special entry 1: the current layer
  static constexpr uint32_t kShowChooser = 0x2;       // special entry 2: opens the layer chooser
  static constexpr uint32_t kNameFirst = 0x10;        // display "name  (key)" rather than "key  (name)"
  static constexpr uint32_t kAskNameFirst = 0x20;     // the extension decides kNameFirst, once
  static constexpr uint32_t kReport = 0x40;           // tell the user why a key is refused
  static constexpr uint32_t kLayerNames = 0x80;       // entries are layer names: lenient characters, any length
  // The options that need the extension; cleared when it cannot be loaded.
  static constexpr uint32_t kExtensionOptions = kShowCurrentLayer | kShowChooser | kAskNameFirst | kReport;

  static constexpr uint16_t kCurrentLayerData = 0xFE00;
  static constexpr uint16_t kChooserData = 0xFF00;
  // Keys are at most this long in key mode.
  static constexpr size_t kLongestKey = 32;
  // A key's place in its display text is kept in a byte each: longer keys or
  // names cannot be recorded and are refused. A length of 254 or 255 would
  // read back as the special entries' data (0xFE00, 0xFF00), so 253 is the
  // longest.
  static constexpr size_t kLongestRecorded = 253;

  // Loads PELTAR.CRX from the module's own folder when an option needs it.
  comboLayerKeys(int maxCount, uint32_t style, uint32_t keyOptions);
  // The same with the extension taken from `extensionPath`.
  comboLayerKeys(int maxCount, uint32_t style, uint32_t keyOptions, const std::wstring& extensionPath);

  uint32_t keyOptions() const noexcept { return keyOptions_; }
  const LayerExtension& extension() const noexcept { return extension_; }
  // The texts of the special entries (empty without the extension).
  const std::wstring& currentLayerText() const noexcept { return currentLayerText_; }
  const std::wstring& chooserText() const noexcept { return chooserText_; }

  // Whether `text` may be a key: none of the forbidden characters and, in
  // key mode, at most kLongestKey characters. Names (kLayerNames) allow more
  // characters and any length. Either must fit code page 1250, in which the
  // host maps keys.
  static bool validKey(std::wstring_view text, bool names);

  // The layer the dialog is to use for the selected entry, or for the edit
  // text when nothing is selected: the current layer for special entry 1
  // (the host's CLAYER), nothing for special entry 2.
  bool layerToUse(std::wstring& layer);

 protected:
  bool readItem(const std::wstring& text, bool report, std::wstring& display, uint16_t& userData) override;
  bool writeItem(const std::wstring& display, uint16_t userData, bool use, std::wstring& stored) override;
  int compareItems(const std::wstring& newText, const std::wstring& itemText, uint16_t newData, uint16_t itemData,
                   uint32_t newSequence, uint32_t itemSequence) override;
  void OnSelChange() override;
  void OnSubclassed() override;

 private:
  void useExtension();
  // Shows the extension's text of `request` in a message box captioned with
  // the parent window's title.
  void report(int request) const;
  // The user chose special entry 2 at `index`.
  void runChooser(int index);

  uint32_t keyOptions_;
  LayerExtension extension_;
  std::wstring currentLayerText_;
  std::wstring chooserText_;
};

}  // namespace vd
