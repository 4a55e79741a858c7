#include "controls/layer_extension.h"

#include <cstring>

#include "host/text.h"
#include "ui/wide_text.h"

namespace vd {

namespace {

// One request with a buffer of the agreed size, zeroed, and made sure to end
// in a terminator whatever the extension wrote.
struct RequestBuffer {
  char bytes[peltar::kBufferBytes] = {};
  std::string_view text() {
    bytes[peltar::kBufferBytes - 1] = 0;
    return std::string_view(bytes, std::strlen(bytes));
  }
};

}  // namespace

std::wstring pathBeside(std::wstring_view modulePath, std::wstring_view fileName) {
  const size_t slash = modulePath.find_last_of(L"\\/");
  if (slash == std::wstring_view::npos) return std::wstring(fileName);
  return std::wstring(modulePath.substr(0, slash)) + L"\\" + std::wstring(fileName);
}

std::wstring thisModulePath() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCWSTR>(&thisModulePath), &module))
    return {};
  // Paths may be longer than MAX_PATH: grow until the whole path fits.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}

std::vector<std::wstring> splitChosenKeys(std::string_view answer) {
  std::vector<std::wstring> keys;
  size_t from = 0;
  while (from <= answer.size()) {
    size_t to = answer.find(peltar::kKeySeparator, from);
    if (to == std::string_view::npos) to = answer.size();
    if (to > from) keys.push_back(ui::toWide(cp1250ToUtf16(answer.substr(from, to - from))));
    from = to + 1;
  }
  return keys;
}

LayerExtension::LayerExtension(const std::wstring& path) {
  // A missing file is an expected answer, not an error the system should show.
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  module_.reset(LoadLibraryW(path.c_str()));
  SetErrorMode(oldMode);
  if (!module_) {
    failure_ = "missing";
    return;
  }
  FARPROC found = GetProcAddress(module_.get(), peltar::kEntryName);
  if (!found) {
    module_.reset();
    failure_ = "no entry point";
    return;
  }
  std::memcpy(&entry_, &found, sizeof entry_);
}

std::optional<std::wstring> LayerExtension::text(int request) const {
  if (!entry_) return std::nullopt;
  RequestBuffer buffer;
  if (!entry_(request, buffer.bytes)) return std::nullopt;
  return ui::toWide(cp1250ToUtf16(buffer.text()));
}

std::optional<int> LayerExtension::number(int request) const {
  if (!entry_) return std::nullopt;
  RequestBuffer buffer;
  if (!entry_(request, buffer.bytes)) return std::nullopt;
  int value = 0;
  std::memcpy(&value, buffer.bytes, sizeof value);
  return value;
}

std::optional<std::vector<std::wstring>> LayerExtension::chooseLayers(HWND combo) const {
  if (!entry_) return std::nullopt;
  RequestBuffer buffer;
  std::memcpy(buffer.bytes, &combo, sizeof combo);
  if (!entry_(peltar::kChooseLayers, buffer.bytes)) return std::nullopt;
  return splitChosenKeys(buffer.text());
}

}  // namespace vd
