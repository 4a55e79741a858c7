#include "tools/vdhost/export_filter.h"

#include <windows.h>

#include <cstring>
#include <set>

namespace vdhost {

namespace {

// Makes a range of the image writable for the length of one change.
class WritableRange {
 public:
  WritableRange(void* address, size_t size) : address_(address), size_(size) {
    ok_ = VirtualProtect(address_, size_, PAGE_READWRITE, &previous_) != 0;
  }
  ~WritableRange() {
    DWORD unused;
    if (ok_) VirtualProtect(address_, size_, previous_, &unused);
  }
  WritableRange(const WritableRange&) = delete;
  WritableRange& operator=(const WritableRange&) = delete;
  bool ok() const { return ok_; }

 private:
  void* address_;
  size_t size_;
  DWORD previous_ = 0;
  bool ok_ = false;
};

}  // namespace

bool removeOwnExport(const std::string& name, std::string& error) {
  // A name taken out before stays out: a fault sweep runs the same script,
  // with its omit lines, many times in one process.
  static std::set<std::string> removed;
  if (removed.count(name)) return true;
  auto* base = reinterpret_cast<unsigned char*>(GetModuleHandleW(nullptr));
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (dir.VirtualAddress == 0) {
    error = "the host program has no export table";
    return false;
  }
  auto* exports = reinterpret_cast<IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
  auto* names = reinterpret_cast<DWORD*>(base + exports->AddressOfNames);
  auto* ordinals = reinterpret_cast<WORD*>(base + exports->AddressOfNameOrdinals);
  DWORD count = exports->NumberOfNames;
  for (DWORD i = 0; i < count; ++i) {
    if (std::strcmp(reinterpret_cast<const char*>(base + names[i]), name.c_str()) != 0) continue;
    // The name table stays sorted when an entry is taken out, so the loader's
    // binary search keeps finding every other name.
    WritableRange n(names, count * sizeof(DWORD));
    WritableRange o(ordinals, count * sizeof(WORD));
    WritableRange d(exports, sizeof *exports);
    if (!n.ok() || !o.ok() || !d.ok()) {
      error = "the export table cannot be changed";
      return false;
    }
    std::memmove(names + i, names + i + 1, (count - i - 1) * sizeof(DWORD));
    std::memmove(ordinals + i, ordinals + i + 1, (count - i - 1) * sizeof(WORD));
    exports->NumberOfNames = count - 1;
    removed.insert(name);
    return true;
  }
  error = "the host does not export " + name;
  return false;
}

}  // namespace vdhost
