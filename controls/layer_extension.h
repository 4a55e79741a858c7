// The layer-settings extension (PELTAR.CRX) as the layer-key combo boxes
// use it: loaded from the module's folder, asked through its one entry
// point, and released with the control that loaded it.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "peltar/extension_layer.h"
#include "ui/handles.h"

namespace vd {

// The file `fileName` in the folder of `modulePath`: the path up to its last
// "\" or "/", then "\" and the name; the bare name when the path has no folder.
std::wstring pathBeside(std::wstring_view modulePath, std::wstring_view fileName);

// The full path of the module (DLL or program) this code is linked into.
std::wstring thisModulePath();

// The keys of a chooser's answer: the texts between the separators, empty
// ones left out.
std::vector<std::wstring> splitChosenKeys(std::string_view answer);

class LayerExtension {
 public:
  LayerExtension() = default;
  // Loads the extension file and finds its entry point; on either failure
  // nothing stays loaded and loaded() is false.
  explicit LayerExtension(const std::wstring& path);

  bool loaded() const noexcept { return entry_ != nullptr; }
  // Why the extension is not loaded: empty, "missing" (no such file or not
  // a module) or "no entry point".
  const std::string& failure() const noexcept { return failure_; }

  // A text request (1, 2, 5, 6, 8); nothing when the extension does not answer it.
  std::optional<std::wstring> text(int request) const;
  // Request 3.
  std::optional<int> number(int request) const;
  // Request 7 for the combo box `combo`: the chosen keys; nothing when the
  // user cancelled or chose none.
  std::optional<std::vector<std::wstring>> chooseLayers(HWND combo) const;

 private:
  ui::unique_hmodule module_;
  peltar::EntryPoint entry_ = nullptr;
  std::string failure_;
};

}  // namespace vd
