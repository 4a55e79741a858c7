#include "controls/combo_layer_keys.h"

#include <vector>

#include "host/host_api.h"
#include "host/services.h"
#include "host/text.h"
#include "ui/wide_text.h"

namespace vd {

namespace {

// Characters no key may hold (the semicolon and the backquote may), and
// those no layer name may hold.
constexpr std::wstring_view kForbiddenInKeys = L" \"<>/\\:?*|,='&$.!~#^+()[]";
constexpr std::wstring_view kForbiddenInNames = L"\"`<>/\\:;?*|,=";

constexpr int kNameChars = 4096;      // Vd2dKeyLayerMappedA's and device-to-language buffers
constexpr int kStoredKeyChars = 1024; // the language-to-device buffer of a stored key

constexpr int kToLanguage = 0;
constexpr int kToDevice = 1;

bool isSpecial(uint16_t userData) { return userData == comboLayerKeys::kCurrentLayerData || userData == comboLayerKeys::kChooserData; }

bool equalsNoCase(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

// A key rewritten by the host between its device and language forms; as it
// was when the host does not offer the conversion.
std::wstring convertKey(const std::wstring& key, int direction, int capacity) {
  std::vector<vchar> buffer(static_cast<size_t>(capacity));
  copyToBuffer(ui::fromWide(key), buffer.data(), capacity);
  if (!hostCall<&HostApi::Vd2dLayerDev2LangW>(buffer.data(), capacity, direction)) return key;
  buffer.back() = 0;
  return ui::toWide(buffer.data());
}

// The layer name the host maps a key to (the key fits code page 1250).
bool mappedLayer(const std::wstring& key, std::wstring& layer) {
  std::vector<char> buffer(kNameChars, 0);
  const std::string narrow = utf16ToCp1250(ui::fromWide(key));
  if (!hostCallOr<&HostApi::Vd2dKeyLayerMappedA>(0, narrow.c_str(), buffer.data(), kNameChars, 0)) return false;
  buffer.back() = 0;
  layer = ui::toWide(cp1250ToUtf16(buffer.data()));
  return true;
}

uint16_t keyPlace(size_t start, size_t length) { return static_cast<uint16_t>(start + (length << 8)); }

}  // namespace

comboLayerKeys::comboLayerKeys(int maxCount, uint32_t style, uint32_t keyOptions)
    : comboHistory(maxCount, style), keyOptions_(keyOptions) {
  if (keyOptions_ & kExtensionOptions) extension_ = LayerExtension(pathBeside(thisModulePath(), peltar::kFileName));
  useExtension();
}

comboLayerKeys::comboLayerKeys(int maxCount, uint32_t style, uint32_t keyOptions, const std::wstring& extensionPath)
    : comboHistory(maxCount, style), keyOptions_(keyOptions) {
  if (keyOptions_ & kExtensionOptions) extension_ = LayerExtension(extensionPath);
  useExtension();
}

void comboLayerKeys::useExtension() {
  if (!extension_.loaded()) {
    keyOptions_ &= ~kExtensionOptions;
    return;
  }
  if (keyOptions_ & kShowCurrentLayer) currentLayerText_ = extension_.text(peltar::kCurrentLayerText).value_or(L"");
  if (keyOptions_ & kShowChooser) chooserText_ = extension_.text(peltar::kChooserText).value_or(L"");
}

bool comboLayerKeys::validKey(std::wstring_view text, bool names) {
  const std::wstring_view forbidden = names ? kForbiddenInNames : kForbiddenInKeys;
  if (text.find_first_of(forbidden) != std::wstring_view::npos) return false;
  if (!names && text.size() > kLongestKey) return false;
  return fitsCp1250(ui::fromWide(text));
}

bool comboLayerKeys::readItem(const std::wstring& text, bool report, std::wstring& display, uint16_t& userData) {
  display.clear();
  userData = 0;
  if ((keyOptions_ & kShowCurrentLayer) && !currentLayerText_.empty() &&
      (text == L"*" || equalsNoCase(text, currentLayerText_))) {
    display = currentLayerText_;
    userData = kCurrentLayerData;
    return true;
  }
  if ((keyOptions_ & kShowChooser) && !chooserText_.empty() && equalsNoCase(text, chooserText_)) {
    display = chooserText_;
    userData = kChooserData;
    return true;
  }
  // An entry's own display text (the edit field shows it once the entry is
  // chosen) stands for that entry, though it holds more than its key.
  if (const int at = text.empty() ? -1 : findEntry(text); at >= 0) {
    display = text;
    userData = entryUserData(at);
    return true;
  }
  if (text.empty()) {
    if (report && extension_.loaded()) this->report(peltar::kEmptyKeyMessage);
    return false;
  }
  const bool names = (keyOptions_ & kLayerNames) != 0;
  if (!validKey(text, names) || text.size() > kLongestRecorded) {
    if (report && (keyOptions_ & kReport)) this->report(names ? peltar::kInvalidNameMessage : peltar::kInvalidKeyMessage);
    return false;
  }
  std::wstring layer;
  if (!mappedLayer(text, layer)) {
    display = text;
    userData = keyPlace(0, text.size());
    return true;
  }
  const std::wstring shownKey = convertKey(text, kToLanguage, kNameChars);
  if (keyOptions_ & kAskNameFirst) {
    if (extension_.number(peltar::kNameFirst).value_or(0) > 0) keyOptions_ |= kNameFirst;
    keyOptions_ &= ~kAskNameFirst;
  }
  if (shownKey.empty() || shownKey.size() > kLongestRecorded) return false;
  if (layer == shownKey) {
    display = shownKey;
    userData = keyPlace(0, shownKey.size());
    return true;
  }
  // A name too long for the key's start to be recorded shows after the key.
  if ((keyOptions_ & kNameFirst) && layer.size() + 3 <= kLongestRecorded) {
    display = layer + L"  (" + shownKey + L")";
    userData = keyPlace(layer.size() + 3, shownKey.size());
  } else {
    display = shownKey + L"  (" + layer + L")";
    userData = keyPlace(0, shownKey.size());
  }
  return true;
}

bool comboLayerKeys::writeItem(const std::wstring& display, uint16_t userData, bool use, std::wstring& stored) {
  stored.clear();
  if (userData == kCurrentLayerData) {
    if (!use) {
      stored = L"*";
      return true;
    }
    stored = ui::toWide(currentLayerName());
    return !stored.empty();
  }
  if (userData == kChooserData) return false;
  if (userData == 0) {
    // A typed text that is no entry yet: where its key lies comes from reading it.
    std::wstring shown;
    if (!readItem(display, false, shown, userData) || userData == 0) return false;
    return writeItem(shown, userData, use, stored);
  }
  const size_t start = userData & 0xFF;
  const size_t length = userData >> 8;
  if (start + length > display.size()) return false;
  stored = convertKey(display.substr(start, length), kToDevice, kStoredKeyChars);
  return !stored.empty();
}

int comboLayerKeys::compareItems(const std::wstring& newText, const std::wstring& itemText, uint16_t newData,
                                 uint16_t itemData, uint32_t newSequence, uint32_t itemSequence) {
  const bool newSpecial = isSpecial(newData);
  const bool itemSpecial = isSpecial(itemData);
  if (newSpecial && itemSpecial) return newData < itemData ? -1 : (newData > itemData ? 1 : 0);
  if (newSpecial) return -1;
  if (itemSpecial) return 1;
  return comboHistory::compareItems(newText, itemText, newData, itemData, newSequence, itemSequence);
}

void comboLayerKeys::OnSubclassed() {
  if ((keyOptions_ & kShowCurrentLayer) && !currentLayerText_.empty()) addToHistory(currentLayerText_, false);
  if ((keyOptions_ & kShowChooser) && !chooserText_.empty()) addToHistory(chooserText_, false);
  comboHistory::OnSubclassed();
}

void comboLayerKeys::OnSelChange() {
  const int index = curSel();
  if (index >= 0 && entryUserData(index) == kChooserData) runChooser(index);
  comboHistory::OnSelChange();
}

void comboLayerKeys::runChooser(int index) {
  const std::optional<std::vector<std::wstring>> keys = extension_.chooseLayers(hwnd());
  std::wstring first;
  if (keys) {
    for (const std::wstring& key : *keys) {
      std::wstring display;
      uint16_t userData = 0;
      if (!readItem(key, false, display, userData) || userData == kChooserData) continue;
      if (!insertEntry(display, userData, first.empty())) continue;
      // The list may hold the key in another spelling already: the entry the
      // insert selected is the one to keep, in its own spelling.
      if (first.empty()) first = entryText(curSel());
    }
  }
  // The first chosen key stays selected whatever the others' places.
  const int chosen = first.empty() ? -1 : findEntry(first);
  if (chosen < 0) {
    selectUsableFrom(index);
    return;
  }
  setCurSel(chosen);
  if (hasEditField()) setEditText(first);
}

bool comboLayerKeys::layerToUse(std::wstring& layer) {
  const int index = curSel();
  if (index >= 0) return writeItem(entryText(index), entryUserData(index), true, layer);
  return writeItem(editText(), 0, true, layer);
}

void comboLayerKeys::report(int request) const {
  const std::optional<std::wstring> message = extension_.text(request);
  if (!message) return;
  HWND parent = GetParent(hwnd());
  const std::wstring caption = parent ? ui::Window(parent).text() : std::wstring();
  MessageBoxW(parent, message->c_str(), caption.c_str(), MB_ICONINFORMATION | MB_OK);
}

}  // namespace vd
