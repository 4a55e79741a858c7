// PELTAR.CRX, the layer-settings extension: the texts of the layer-key combo
// boxes' special entries, their messages, whether names come before keys,
// and the layer chooser.
//
// The chooser lists the drawing's layers. The extension knows nothing of the
// module's host table; like any part of the host product it asks the host
// program itself, by the export named in extension_layer.h. Without that
// export the chooser opens with an empty list.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "peltar/extension_layer.h"
#include "peltar/peltar_ids.h"
#include "host/text.h"
#include "ui/dialog.h"
#include "ui/wide_text.h"

static_assert(IDD_PELTAR_CHOOSER == peltar::kChooserTemplate && IDC_PELTAR_LAYERS == peltar::kChooserList,
              "the template carries the ids the header gives");

namespace {

constexpr int kLongestName = 1024;   // characters of a layer name or key asked from the host
constexpr int kMostLayers = 100000;  // the host's list ends here at the latest

// A text in Windows-1250; false when some character has no place there.
bool toCp1250(const std::wstring& text, std::string& out) {
  const vd::vstring wide = ui::fromWide(text);
  if (!vd::fitsCp1250(wide)) return false;
  out = vd::utf16ToCp1250(wide);
  return true;
}

// A zero-terminated text into the caller's buffer.
int answer(void* buffer, const wchar_t* text) {
  std::string narrow;
  if (!toCp1250(text, narrow) || narrow.size() >= static_cast<size_t>(peltar::kBufferBytes)) return 0;
  std::memcpy(buffer, narrow.c_str(), narrow.size() + 1);
  return 1;
}

struct Layer {
  std::wstring name;
  std::wstring key;  // empty: the layer has none
};

std::vector<Layer> hostLayers() {
  using Entry = int (*)(int, wchar_t*, int, wchar_t*, int);
  FARPROC found = GetProcAddress(GetModuleHandleW(nullptr), peltar::kHostLayerEntryExport);
  if (!found) return {};
  Entry entry = nullptr;
  std::memcpy(&entry, &found, sizeof entry);
  std::vector<Layer> layers;
  std::vector<wchar_t> name(kLongestName), key(kLongestName);
  for (int i = 0; i < kMostLayers; ++i) {
    name[0] = key[0] = 0;
    if (!entry(i, name.data(), kLongestName, key.data(), kLongestName)) break;
    name.back() = key.back() = 0;
    layers.push_back({name.data(), key.data()});
  }
  return layers;
}

// What the list shows of a layer: its name, and its key in parentheses.
std::wstring shown(const Layer& layer) { return layer.key.empty() ? layer.name : layer.name + L"  (" + layer.key + L")"; }

struct Chooser {
  std::vector<Layer> layers;
  std::vector<int> chosen;  // indexes into layers
};

void collectChoice(HWND dialog, Chooser& chooser) {
  HWND list = GetDlgItem(dialog, IDC_PELTAR_LAYERS);
  const LRESULT count = SendMessageW(list, LB_GETSELCOUNT, 0, 0);
  if (count <= 0) return;
  std::vector<int> items(static_cast<size_t>(count));
  const LRESULT got = SendMessageW(list, LB_GETSELITEMS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(items.data()));
  items.resize(got > 0 ? static_cast<size_t>(got) : 0);
  for (int item : items) {
    const LRESULT layer = SendMessageW(list, LB_GETITEMDATA, static_cast<WPARAM>(item), 0);
    if (layer >= 0 && static_cast<size_t>(layer) < chooser.layers.size()) chooser.chosen.push_back(static_cast<int>(layer));
  }
}

INT_PTR CALLBACK chooserProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  switch (message) {
    case WM_INITDIALOG: {
      // Hosts and tests that answer dialogs tell this one by its template.
      SetPropW(dialog, ui::kTemplateIdProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(IDD_PELTAR_CHOOSER)));
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      const auto& chooser = *reinterpret_cast<const Chooser*>(lParam);
      HWND list = GetDlgItem(dialog, IDC_PELTAR_LAYERS);
      for (size_t i = 0; i < chooser.layers.size(); ++i) {
        const LRESULT at = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown(chooser.layers[i]).c_str()));
        if (at >= 0) SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(i));
      }
      return TRUE;
    }
    case WM_COMMAND: {
      auto* chooser = reinterpret_cast<Chooser*>(GetWindowLongPtrW(dialog, DWLP_USER));
      const int id = LOWORD(wParam);
      const bool doubleClicked = id == IDC_PELTAR_LAYERS && HIWORD(wParam) == LBN_DBLCLK;
      if ((id == IDOK || doubleClicked) && chooser) {
        collectChoice(dialog, *chooser);
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (id == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    }
    case WM_DESTROY:
      RemovePropW(dialog, ui::kTemplateIdProperty);
      return FALSE;
    default:
      return FALSE;
  }
}

HINSTANCE thisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&thisModule), &module);
  return module;
}

// The chosen layers' keys (a layer without a key by its name), in list
// order, as far as they fit the buffer whole. Keys that Windows-1250 cannot
// write, or that hold the separator, cannot travel back and are left out.
std::string chosenKeys(const Chooser& chooser) {
  std::string keys;
  for (int i : chooser.chosen) {
    const Layer& layer = chooser.layers[static_cast<size_t>(i)];
    std::string key;
    if (!toCp1250(layer.key.empty() ? layer.name : layer.key, key) || key.empty() ||
        key.find(peltar::kKeySeparator) != std::string::npos)
      continue;
    const size_t grown = keys.size() + (keys.empty() ? 0 : 1) + key.size();
    if (grown >= static_cast<size_t>(peltar::kBufferBytes)) break;
    if (!keys.empty()) keys.push_back(peltar::kKeySeparator);
    keys += key;
  }
  return keys;
}

int chooseLayers(void* buffer) {
  HWND combo = nullptr;
  std::memcpy(&combo, buffer, sizeof combo);
  if (!IsWindow(combo)) return 0;
  Chooser chooser{hostLayers(), {}};
  const INT_PTR result = DialogBoxParamW(thisModule(), MAKEINTRESOURCEW(IDD_PELTAR_CHOOSER), GetAncestor(combo, GA_ROOT),
                                         &chooserProc, reinterpret_cast<LPARAM>(&chooser));
  if (result != IDOK) return 0;
  const std::string keys = chosenKeys(chooser);
  if (keys.empty()) return 0;
  std::memcpy(buffer, keys.c_str(), keys.size() + 1);
  return 1;
}

int answerRequest(int request, void* buffer) {
  switch (request) {
    case peltar::kCurrentLayerText: return answer(buffer, L"<Aktuální hladina>");
    case peltar::kChooserText: return answer(buffer, L"<Vybrat hladiny...>");
    case peltar::kNameFirst: {
      const int nameFirst = 1;
      std::memcpy(buffer, &nameFirst, sizeof nameFirst);
      return 1;
    }
    case peltar::kInvalidKeyMessage:
      return answer(buffer,
                    L"Klíč hladiny může mít nejvýše 32 znaků a nesmí obsahovat mezeru ani žádný ze znaků "
                    L"\" < > / \\ : ? * | , = ' & $ . ! ~ # ^ + ( ) [ ].");
    case peltar::kEmptyKeyMessage: return answer(buffer, L"Zadejte klíč hladiny.");
    case peltar::kChooseLayers: return chooseLayers(buffer);
    case peltar::kInvalidNameMessage:
      return answer(buffer, L"Název hladiny nesmí obsahovat žádný ze znaků \" ` < > / \\ : ; ? * | , =.");
    default: return 0;
  }
}

}  // namespace

extern "C" int extensionLayerProc(int request, void* buffer) noexcept {
  if (!buffer) return 0;
  try {
    return answerRequest(request, buffer);
  } catch (...) {
    return 0;
  }
}
